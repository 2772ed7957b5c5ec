#include "paiscribe/json/parse_json_log.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "paiscribe/base/utf8_valid.hpp"
#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/record/tile_code.hpp"

namespace paiscribe {
namespace {

std::expected<RawLog, JsonParseError> parse_text(std::string_view text) { return parse_json_log(PaddedText(text)); }

struct Slot {
  std::string_view name;
  std::string text;
};

constexpr std::string_view kHaipai = "[11,12,13,14,15,16,17,18,19,21,22,23,24]";
constexpr std::string_view kCodeList =
    "0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 27, 28, 29, 31, 32, 33, 34, 35, 36, 37, 38, 39, "
    "41, 42, 43, 44, 45, 46, 47, 51, 52, 53";

// A valid one-kyoku log in object form. A slot's text replaces its default;
// an empty kyoku element is left out, so rows can change the kyoku's length.
std::string log_with(std::initializer_list<Slot> replaced) {
  std::vector<Slot> slots = {
      {"header", "[0,0,0]"}, {"scores", "[25000,25000,25000,25000]"}, {"dora", "[11]"}, {"ura", "[]"},
      {"haipai", std::string(kHaipai)}, {"take", "[31]"}, {"discard", "[60]"}, {"result", R"(["流局",[0,0,0,0]])"},
      {"name", R"(["a","b","c","d"])"}, {"rule", "{}"}, {"ratingc", ""}, {"lobby", ""}, {"dan", ""}, {"rate", ""},
      {"sx", ""}, {"extra", ""}};
  for (const Slot& slot : replaced) {
    auto found = std::ranges::find(slots, slot.name, &Slot::name);
    if (found == slots.end()) ADD_FAILURE() << "no slot " << slot.name;
    else found->text = slot.text;
  }
  const auto text = [&](std::string_view name) -> const std::string& {
    return std::ranges::find(slots, name, &Slot::name)->text;
  };
  const std::string other_seat = std::string(kHaipai) + ",[],[]";
  std::string kyoku;
  for (const std::string& element : {text("header"), text("scores"), text("dora"), text("ura"), text("haipai"),
                                     text("take"), text("discard"), other_seat, other_seat, other_seat, text("result")})
    if (!element.empty()) kyoku += (kyoku.empty() ? "" : ",") + element;
  std::string doc = R"({"log":[[)" + kyoku + R"(]],"name":)" + text("name") + R"(,"rule":)" + text("rule");
  for (std::string_view optional : {"ratingc", "lobby", "dan", "rate", "sx"})
    if (!text(optional).empty()) doc += ",\"" + std::string(optional) + "\":" + text(optional);
  return doc + text("extra") + "}";
}

std::string render(const ResultItem::Detail& detail) {
  switch (detail.kind) {
    case ResultItem::Detail::Kind::kNonNegative: return std::to_string(detail.non_negative);
    case ResultItem::Detail::Kind::kOtherNumber: return "number";
    case ResultItem::Detail::Kind::kNoNumber: return "other";
  }
  return "?";
}

std::string render(Tile tile) { return std::string(mjai_name(tile)); }
std::string render(ActionItem item) {
  if (const auto tile = item.tile()) return "tile " + render(*tile);
  if (const auto number = item.number()) return "number " + std::to_string(*number);
  return "text " + std::string(*item.text());
}
std::string render(const ActionItems& items) {
  std::string text;
  for (std::size_t index = 0; index < items.size(); ++index) text += (index ? ", " : "") + render(items[index]);
  return text;
}
std::string render(const ResultItem& item) {
  if (const auto* text = std::get_if<ResultItem::Text>(&item.value)) return "text " + text->value;
  if (const auto* deltas = std::get_if<ResultItem::Deltas>(&item.value)) {
    std::string text = "deltas";
    for (std::int32_t delta : deltas->values) text += " " + std::to_string(delta);
    return text;
  }
  const auto& details = std::get<ResultItem::Details>(item.value);
  std::string text = "details " + std::to_string(details.count) + ":";
  for (std::size_t i = 0; i < std::min<std::size_t>(details.count, 2); ++i) text += " " + render(details.first[i]);
  return text;
}
std::string render(const std::string& text) { return text; }
std::string render(std::int32_t number) { return std::to_string(number); }

template <class List>
std::string render_list(const List& items, std::string_view separator = ",") {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : std::string(separator)) + render(item);
  return text;
}
// What the record holds for one slot of `log_with`.
std::string render_slot(const RawLog& log, std::string_view slot) {
  const auto& rule = log.rule;
  if (slot == "name") return render_list(log.name);
  if (slot == "rule")
    return "'" + rule.disp + "' " + std::to_string(rule.aka) + " " + std::to_string(rule.aka51) + " " +
           std::to_string(rule.aka52) + " " + std::to_string(rule.aka53);
  // The optional fields are checked, but nothing keeps them.
  if (slot == "ratingc" || slot == "lobby" || slot == "dan" || slot == "rate" || slot == "sx") return "parsed";
  if (log.kyokus.size() != 1) return "kyokus: " + std::to_string(log.kyokus.size());
  const RawKyoku& kyoku = log.kyokus[0];
  const auto& header = kyoku.header;
  if (slot == "header")
    return std::to_string(header.kyoku_index) + "," + std::to_string(header.honba) + "," +
           std::to_string(header.kyotaku);
  if (slot == "scores") return render_list(kyoku.scores);
  if (slot == "dora") return render_list(kyoku.dora_indicators);
  if (slot == "ura") return render_list(kyoku.ura_indicators);
  if (slot == "haipai") return render_list(kyoku.seats[0].haipai);
  if (slot == "take") return render(kyoku.seats[0].take_items);
  if (slot == "discard") return render(kyoku.seats[0].discard_items);
  if (slot == "result") return render_list(kyoku.result, " | ");
  return "parsed";
}

// The slot's rendering, or "!" and the failure's description.
std::string outcome(std::string_view slot, std::string text) {
  const auto log = parse_text(log_with({{slot, std::move(text)}}));
  return log ? render_slot(*log, slot) : "!" + log.error().description;
}

// A failure row names the start of the description it expects after "!".
void expect_outcome(const std::string& actual, std::string_view expected) {
  if (expected.starts_with("!")) EXPECT_TRUE(actual.starts_with(expected)) << actual;
  else EXPECT_EQ(actual, expected);
}

std::string nested(std::string_view open, std::string_view inner, std::string_view close, std::size_t levels) {
  std::string text;
  text.reserve(levels * (open.size() + close.size()) + inner.size());
  for (std::size_t i = 0; i < levels; ++i) text += open;
  text += inner;
  for (std::size_t i = 0; i < levels; ++i) text += close;
  return text;
}

constexpr std::string_view kMinimal = R"({"log":[],"name":["a","b","c","d"],"rule":{}})";

// White space of every kind in runs longer than the reader skips at once.
const std::string kWideSpace = std::string(37, ' ') + "\t\r\n" + std::string(20, '\t');

// The document as pretty-printers write it, only wider: space around every comma and colon.
std::string spread_out(std::string_view document) {
  std::string text;
  for (const char c : document) text += c == ',' || c == ':' ? kWideSpace + c + kWideSpace : std::string(1, c);
  return text;
}

TEST(JsonLog, MinimalDocumentsInEveryForm) {
  const std::string bom_free_padding = " \t\r\n";
  const std::string documents[] = {
      std::string(kMinimal),
      R"([[],["a","b","c","d"],{},null,null,null,null,null])",
      R"({"rule":[],"ratingc":null,"name":["a","b","c","d"],"lobby":null,"log":[],"dan":null,"rate":null,"sx":null})",
      R"({"\u006cog":[],"name":["a","b","c","d"],"rule":{"Disp":5,"x":null,"x":[]},"Log":{"a":1},"log ":true})",
      R"({"log":[],"name":["a","b","c","d"],"rule":["",0,0,0,0],"x":"\udc00","x":123456789012345678901234567890})",
      bom_free_padding + std::string(kMinimal) + bom_free_padding,
      spread_out(kMinimal),
  };
  for (const std::string& document : documents) {
    SCOPED_TRACE(document);
    const auto log = parse_text(document);
    ASSERT_TRUE(log.has_value()) << log.error().description;
    EXPECT_TRUE(log->kyokus.empty());
    EXPECT_EQ(render_slot(*log, "name"), "a,b,c,d");
    EXPECT_EQ(render_slot(*log, "rule"), "'' 0 0 0 0");
  }
}

TEST(JsonLog, RejectsDocumentsOfTheWrongShape) {
  const std::string minimal(kMinimal);
  const std::pair<std::string, std::string_view> cases[] = {
      {"", "The document is empty."},
      {" \n", "The document is empty."},
      {"\xEF\xBB\xBF" + minimal, "Invalid value."},
      {"\f" + minimal, "Invalid value."},
      {minimal + "x", "trailing characters at line 1 column 46"},
      {minimal + "\n {}", "trailing characters at line 2 column 2"},
      {minimal + std::string(1, '\0'), "trailing characters"},
      {minimal + "\f", "trailing characters"},
      {minimal.substr(0, 44) + ",\"x\":" + nested("[", "", "]", 300) + "}\n{}", "trailing characters at line 2"},
      {minimal.substr(0, 44) + ",\"x\":" + nested("[", "", "]", 300) + "}" + std::string(1, '\0'), "trailing"},
      {R"({"log":[],"name":["a","b","c","d"],"rule":{},"x":[1,]})", "Invalid value."},
      {R"({"log":[],"log":[],"name":["a","b","c","d"],"rule":{}})", "duplicate field `log`"},
      {R"({"\u006cog":[],"log":[],"name":["a","b","c","d"],"rule":{}})", "duplicate field `log`"},
      {R"({"log":[],"name":["a","b","c","d"],"rule":{"aka":1,"aka":1}})", "duplicate field `aka`"},
      {R"({"name":["a","b","c","d"],"rule":{}})", "missing field `log`"},
      {R"({"log":[],"rule":{}})", "missing field `name`"},
      {R"({"log":[],"name":["a","b","c","d"]})", "missing field `rule`"},
      {R"({"log":null,"name":["a","b","c","d"],"rule":{}})", "invalid type: null"},
      {R"([[],["a","b","c","d"],{},null,null,null,null])", "invalid length 7, expected struct RawLog with 8 elements"},
      {R"([[],["a","b","c","d"],{},null,null,null,null,null,null])", "invalid length 9"},
      {R"([[],["a","b","c","d"],null,null,null,null,null,null])", "invalid type: null, expected struct Rule"},
      {R"({"\udc00":1,"log":[],"name":["a","b","c","d"],"rule":{}})", "invalid unicode"},
      {R"({"log":[],"name":["a","b","c","d"],"rule":{},"x":"\ud800"})", "The surrogate pair in string is invalid."},
      {minimal.substr(0, 44) + ",\"x\":\"\xFF\"}", "Invalid encoding in string."},
      // Cut short inside a character of an unclosed string: nothing is read past the text.
      {minimal.substr(0, 44) + ",\"x\":\"\xE6", "Invalid encoding in string."},
      {minimal.substr(0, 44) + ",\"x\":\"\xF0\x9F", "Invalid encoding in string."},
      {R"({"log":[],"name":["a","b","c","d"],"rule":{},"x":1e400})", "Number too big"},
      {"\"log\"", "invalid type: string, expected struct RawLog"},
      {"null", "invalid type: null, expected struct RawLog"},
      // A syntax error anywhere wins over a broken rule before it; so does the
      // wrong length of an array around the broken rule.
      {R"({"log":null,"name":["a","b","c","d"],"rule":{},"x":[1,]})", "Invalid value."},
      {R"({"log":null,"name":["a","b","c","d"],"rule":{}} x)", "trailing characters"},
      {R"({"log":null,"name":["a","b","c","d"],"rule":{},"x":1e999})", "Number too big"},
      {R"([[],["a","b","c"],{},null])", "invalid length 4, expected struct RawLog with 8 elements"},
      {R"({"log":[[[0,0],[0]]],"name":["a","b","c","d"],"rule":{}})", "invalid length 2, expected a kyoku of 17"},
  };
  for (const auto& [document, description] : cases) {
    SCOPED_TRACE(document);
    const auto log = parse_text(document);
    ASSERT_FALSE(log.has_value());
    EXPECT_TRUE(log.error().description.starts_with(description)) << log.error().description;
  }
}

TEST(JsonLog, SlotValues) {
  const std::string long_text(200, 'x');
  const std::string escaped_items = "[255,\"\",254,\"" + long_text + "\",255]";
  const std::string escaped_items_rendered = "number 255, text , number 254, text " + long_text + ", number 255";
  const std::pair<Slot, std::string_view> cases[] = {
      {{"header", "[7,3,2]"}, "7,3,2"},
      {{"header", "[0,0]"}, "!invalid length 2"},
      {{"header", "[0,0,0,0]"}, "!invalid length 4"},
      {{"header", "{}"}, "!invalid type: map"},
      {{"scores", "[0,0,0]"}, "!invalid length 3"},
      {{"scores", "[25000.0,0,0,0]"}, "!invalid type: floating point `25000`, expected i32"},
      {{"scores", "[2147483647,-2147483648,0,0]"}, "2147483647,-2147483648,0,0"},
      {{"ura", ""}, "!invalid length 16, expected a kyoku of 17 elements"},
      {{"ura", "[],[]"}, "!invalid length 18, expected a kyoku of 17 elements"},
      {{"dora", "[10]"}, "!invalid value: 10, expected one of: 0, 11,"},
      {{"dora", "null"}, "!invalid type: null, expected a sequence"},
      {{"ura", "[0,47,51,15,48]"}, "!invalid value: 48,"},
      {{"ura", "[0,47,51,15]"}, "?,C,5mr,5m"},
      {{"haipai", "[11,12,13,14,15,16,17,18,19,21,22,23]"}, "!invalid length 12, expected a haipai of 13 tiles"},
      {{"haipai", "[11,12,13,14,15,16,17,18,19,21,22,23,24,25]"}, "!invalid length 14"},
      {{"haipai", "[11,12,13,14,15,16,17,18,19,21,22,23,10]"}, "!invalid value: 10,"},
      {{"take", R"([60,0,11,10,"60","c141315"])"}, "number 60, tile ?, tile 1m, number 10, text 60, text c141315"},
      // The list's own escapes: the number 255, an empty text, a text of more than 127 bytes.
      {{"take", escaped_items}, escaped_items_rendered},
      {{"take", "[11.0]"}, "!data did not match any variant of untagged enum ActionItem"},
      {{"discard", "[null]"}, "!data did not match any variant of untagged enum ActionItem"},
      {{"discard", "[true,60]"}, "!data did not match any variant of untagged enum ActionItem"},
      {{"discard", "[[60]]"}, "!data did not match any variant of untagged enum ActionItem"},
      {{"discard", "[{}]"}, "!data did not match any variant of untagged enum ActionItem"},
      {{"take", "null"}, "!invalid type: null"},
      {{"result", "[]"}, ""},
      {{"result", R"(["和了",[1000,-1000,0,0],[1000,-1000,0],[0,0,0,"x"],[]])"},
       "text 和了 | deltas 1000 -1000 0 0 | details 3: 1000 number | details 4: 0 0 | details 0:"},
      {{"result", R"([[1,2,3,4,5],[0.5,-0.0],[4294967296,null],[true,{"a":[{}],"a":"\u00e9"}],["x",[]]])"},
       "details 5: 1 2 | details 2: number number | details 2: 4294967296 other | details 2: other other | "
       "details 2: other other"},
      {{"result", "[5]"}, "!data did not match any variant of untagged enum ResultItem"},
      {{"result", "[null]"}, "!data did not match any variant of untagged enum ResultItem"},
      {{"result", "[{}]"}, "!data did not match any variant of untagged enum ResultItem"},
      {{"result", "null"}, "!invalid type: null"},
      {{"name", R"(["a","b","c"])"}, "!invalid length 3"},
      {{"name", R"(["a","b","c","d","e"])"}, "!invalid length 5"},
      {{"name", R"(["a","b","c",null])"}, "!invalid type: null, expected a string"},
      {{"name", R"(["a","b","c",4])"}, "!invalid type: integer `4`, expected a string"},
      {{"name", R"(["\ud83c\udc04","\u00e9\u0000","\udc00x","d"])"}, "!invalid unicode"},
      {{"name", R"(["\ud83c\udc04","\u00e9","c\"\\\/","d"])"}, "\xF0\x9F\x80\x84,\xC3\xA9,c\"\\/,d"},
      {{"name", R"(["\ud800","b","c","d"])"}, "!The surrogate pair in string is invalid."},
      {{"rule", "null"}, "!invalid type: null"},
      {{"rule", R"(["x",1])"}, "'x' 1 0 0 0"},
      {{"rule", R"({"aka53":3,"disp":"x","aka":1,"aka51":0})"}, "'x' 1 0 0 3"},
      {{"rule", R"(["x",1,0,0,0,0])"}, "!invalid length 6, expected struct Rule with at most 5 elements"},
      {{"rule", R"({"disp":null})"}, "!invalid type: null, expected a string"},
      {{"rule", R"(["x",null])"}, "!invalid type: null, expected u8"},
      {{"rule", "5"}, "!invalid type: integer `5`, expected struct Rule"},
      {{"ratingc", "null"}, "parsed"},
      {{"ratingc", R"("PF4")"}, "parsed"},
      {{"ratingc", R"("\udc00")"}, "!invalid unicode"},
      {{"ratingc", "4"}, "!invalid type"},
      {{"dan", R"(["八段",""])"}, "parsed"},
      {{"dan", "[null]"}, "!invalid type: null"},
      {{"sx", "[]"}, "parsed"},
      {{"sx", R"({"a":"b"})"}, "!invalid type: map"},
      {{"rate", "[1500,1500.5]"}, "parsed"},
      {{"rate", R"(["1500"])"}, "!invalid type: string, expected f64"},
      {{"rate", "[0e60,-0e100,0.0e-30,1e-400,-1e-400,5e-324,0.1,1.7976931348623157e308]"},
       "parsed"},
      {{"rate", "[1.7976931348623159e308]"}, "!number out of range at line 1 column"},
      {{"rate", "[123456789012345678901234567890,18446744073709551615,-9223372036854775808]"},
       "parsed"},
      {{"result", "[[18446744073709551615,18446744073709551616,-9223372036854775808,-9223372036854775809]]"},
       "details 4: 18446744073709551615 number"},
      {{"lobby", "[]"}, "!invalid type: sequence"},
  };
  for (const auto& [slot, expected] : cases) {
    SCOPED_TRACE(std::string(slot.name) + " = " + slot.text);
    expect_outcome(outcome(slot.name, slot.text), expected);
  }
}

TEST(JsonLog, NumbersInEveryKindOfSlot) {
  constexpr std::string_view kLiterals[] = {"-0", "1.0", "1e2", "2147483648", "-2147483649", "256", "-1"};
  const std::string twelve_tiles = "1m,1m,1m,1m,1m,1m,1m,1m,1m,1m,1m,1m,";
  constexpr std::string_view kNoAction = "!data did not match any variant of untagged enum ActionItem";
  struct Case {
    Slot slot;  // '#' stands for the literal
    std::string expected[std::size(kLiterals)];
  };
  const Case cases[] = {
      {{"header", "[#,0,0]"}, {"0,0,0", "!invalid type", "!invalid type", "!invalid value", "!invalid value",
                               "!invalid value: integer `256`, expected u8", "!invalid value: integer `-1`"}},
      {{"rule", R"({"aka51":#})"}, {"'' 0 0 0 0", "!invalid type", "!invalid type", "!invalid value",
                                    "!invalid value", "!invalid value", "!invalid value"}},
      {{"rule", R"(["",0,0,0,#])"}, {"'' 0 0 0 0", "!invalid type", "!invalid type", "!invalid value",
                                     "!invalid value", "!invalid value", "!invalid value"}},
      {{"haipai", "[11,11,11,11,11,11,11,11,11,11,11,11,#]"},
       {twelve_tiles + "?", "!invalid type: floating point `1`", "!invalid type: floating point `100`",
        "!invalid value", "!invalid value", "!invalid value", "!invalid value"}},
      {{"dora", "[#]"}, {"?", "!invalid type", "!invalid type", "!invalid value", "!invalid value",
                         "!invalid value", "!invalid value"}},
      {{"scores", "[#,0,0,0]"}, {"0,0,0,0", "!invalid type", "!invalid type", "!invalid value: integer `2147483648`",
                                 "!invalid value", "256,0,0,0", "-1,0,0,0"}},
      {{"lobby", "#"}, {"parsed", "!invalid type", "!invalid type", "!invalid value", "!invalid value", "parsed", "parsed"}},
      {{"result", "[[#,0,0,0]]"},
       {"deltas 0 0 0 0", "details 4: number 0", "details 4: number 0", "details 4: 2147483648 0",
        "details 4: number 0", "deltas 256 0 0 0", "deltas -1 0 0 0"}},
      {{"take", "[#]"}, {"tile ?", "!", "!", "!", "!", "!", "!"}},
      {{"discard", "[#]"}, {"tile ?", "!", "!", "!", "!", "!", "!"}},
      {{"result", "[[#]]"}, {"details 1: 0", "details 1: number", "details 1: number", "details 1: 2147483648",
                             "details 1: number", "details 1: 256", "details 1: number"}},
      {{"rate", "[#]"}, {"parsed", "parsed", "parsed", "parsed", "parsed", "parsed", "parsed"}},
  };
  for (const Case& c : cases) {
    for (std::size_t i = 0; i < std::size(kLiterals); ++i) {
      std::string text = c.slot.text;
      text.replace(text.find('#'), 1, kLiterals[i]);
      SCOPED_TRACE(std::string(c.slot.name) + " = " + text);
      const bool action = c.slot.name == "take" || c.slot.name == "discard";
      expect_outcome(outcome(c.slot.name, text), action && c.expected[i] == "!" ? kNoAction : c.expected[i]);
    }
  }
}

TEST(JsonLog, EveryByteInAHaipaiSlot) {
  for (int code = 0; code <= 255; ++code) {
    SCOPED_TRACE(code);
    const bool is_code = code == 0 || (code / 10 >= 1 && code / 10 <= 3 && code % 10 != 0) ||
                         (code >= 41 && code <= 47) || (code >= 51 && code <= 53);
    const std::string haipai = "[" + std::to_string(code) + ",11,11,11,11,11,11,11,11,11,11,11,11]";
    const auto log = parse_text(log_with({{"haipai", haipai}}));
    ASSERT_EQ(log.has_value(), is_code);
    if (is_code) EXPECT_EQ(log->kyokus[0].seats[0].haipai[0], *tile_from_code(static_cast<std::uint8_t>(code)));
    else
      EXPECT_EQ(log.error().description,
                "invalid value: " + std::to_string(code) + ", expected one of: " + std::string(kCodeList));
  }
}

TEST(JsonLog, NestingDepth) {
  // The result list is level 4, so its item is level 5 and 122 more levels reach 127.
  const std::string deep_array = nested("[", "0", "]", 200000), deep_object = nested(R"({"a":)", "1", "}", 5000);
  const std::pair<Slot, std::string> cases[] = {
      {{"result", "[" + nested("[", "", "]", 123) + "]"}, "details 1: other"},
      {{"result", "[" + nested("[", "", "]", 124) + "]"}, "!recursion limit exceeded"},
      {{"result", "[[" + nested(R"({"a":)", "0", "}", 122) + "]]"}, ""},
      {{"result", "[[" + nested(R"({"a":)", "0", "}", 123) + "]]"}, "!recursion limit exceeded"},
      {{"result", "[" + deep_array + "]"}, "!recursion limit exceeded"},
      {{"take", "[" + deep_array + "]"}, "!data did not match any variant of untagged enum ActionItem"},
      {{"name", deep_array}, "!invalid length 1"},
      {{"extra", ",\"x\":" + nested("[", "123456789012345678901234567890", "]", 5000)}, "parsed"},
      {{"extra", ",\"x\":" + deep_array + ",\"y\":" + deep_object}, "parsed"},
      {{"rule", R"({"x":)" + deep_array + "}"}, "'' 0 0 0 0"},
      // Deep documents are read a second time from a fresh copy of the text.
      {{"name", R"(["\u00e9\"","b","c","d"],"x":)" + nested("[", "", "]", 126)}, "é\",b,c,d"},
      {{"name", R"(["\u00e9\"","b","c","d"],"x":)" + nested("[", "", "]", 127)}, "é\",b,c,d"},
      {{"name", R"(["\u00e9\"","b","c","d"],"x":)" + nested("[", "", "]", 128)}, "é\",b,c,d"},
      {{"name", R"(["\u00e9\"","b","c","d"],"x":)" + nested("[", "1.5e999", "]", 300)}, "!Number too big"},
      {{"extra", ",\"x\":" + nested("[", "", "]", 200000).substr(1)}, "!"},
  };
  for (const auto& [slot, expected] : cases) {
    SCOPED_TRACE(std::string(slot.name) + " of " + std::to_string(slot.text.size()) + " bytes");
    const std::string actual = outcome(slot.name, slot.text);
    if (expected.empty()) EXPECT_FALSE(actual.starts_with("!")) << actual;
    else expect_outcome(actual, expected);
  }
}

TEST(JsonLog, SampleLogs) {
  struct Case {
    std::string_view file;
    std::size_t kyokus;
    std::string_view name0, last_header, error;
  };
  const Case cases[] = {
      {"four_kan_abort.json", 11, "TPlayer1", "7,0,0", ""},
      {"hanchan_double_ron.json", 7, "櫻井奏", "3,3,0", ""},
      {"tonpuu_double_ron.json", 9, "TPlayer1", "5,0,0", ""},
      // The service leaves the absent fourth player's hand empty.
      {"three_player.json", 0, "", "", "invalid length 0, expected a haipai of 13 tiles"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::ifstream file(std::string(PAISCRIBE_TEST_DATA) + "/" + std::string(c.file), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const auto log = parse_text(text.str());
    if (!c.error.empty()) {
      ASSERT_FALSE(log.has_value());
      EXPECT_EQ(log.error().description, c.error);
      continue;
    }
    ASSERT_TRUE(log.has_value()) << log.error().description;
    ASSERT_EQ(log->kyokus.size(), c.kyokus);
    EXPECT_EQ(log->name[0], c.name0);
    EXPECT_EQ(render_slot(*log, "rule"), "'" + log->rule.disp + "' 0 1 1 1");
    const auto& header = log->kyokus.back().header;
    EXPECT_EQ(std::to_string(header.kyoku_index) + "," + std::to_string(header.honba) + "," +
                  std::to_string(header.kyotaku), c.last_header);
    EXPECT_EQ(render_list(log->kyokus[0].scores), "25000,25000,25000,25000");
  }
}

TEST(JsonLog, FailuresSayWhereAndWhatToCheck) {
  struct Case {
    std::string document;
    std::string_view description;  // its start
    std::size_t line, column;
    std::string_view hint;  // a part of it; empty for none
  };
  // The kyoku starts line 2: its dora list at column 36, its first haipai at 44.
  const auto kyoku_on_line_2 = [](Slot slot) {
    std::string text = log_with({slot});
    return text.replace(text.find("[[["), 3, "[\n[[");
  };
  const std::string deep = R"({"x":)" + nested("[", "", "]", 300) + ",\n";  // read by the iterative reader
  const Case cases[] = {
      {"{\"log\":[],\n \"name\":[\"a\",\"b\",\"c\"],\n \"rule\":{}}", "invalid length 3, expected 4 player names", 2, 9,
       "the log names 3 players, not 4: a three-player log?"},
      {kyoku_on_line_2({"haipai", "[]"}), "invalid length 0, expected a haipai of 13 tiles", 2, 44,
       "seat 0's hand in kyoku 1 has 0 tiles, not 13: a three-player log?"},
      {kyoku_on_line_2({"dora", "[10]"}), "invalid value: 10, expected one of", 2, 37, ""},
      {"{\"log\":[],\n\"name\":[\"a\",\"b\",\"c\",\"d\"]}", "missing field `rule`", 1, 1, "\"rule\" is missing"},
      {R"({"log":[],"log":[]})", "duplicate field `log`", 1, 11, "appears twice"},
      {"{\"log\":[],\n  \"rule\":null}", "invalid type: null, expected struct Rule", 2, 10, ""},
      {deep + R"("log":[],"name":null,"rule":{}})", "invalid type: null, expected 4 player names", 2, 17, ""},
      {deep + R"("log":[],"name":{},"rule":{}})", "invalid type: map, expected 4 player names", 2, 17, ""},
      {R"({"log":[],"name":["a)", "Missing a closing quotation mark in string. at line 1 column 21", 1, 21,
       "the text ends inside a string"},
      {R"({"log":[])", "Missing a comma or '}' after an object member.", 1, 10, "cut short"},
      {" \n ", "The document is empty. at line 2 column 2", 2, 2, "nothing but white space"},
      {"\xEF\xBB\xBF{}", "Invalid value.", 1, 1, "byte-order mark"},
      {"{}\n{}", "trailing characters at line 2 column 1", 2, 1, "more text follows the log"},
      {"{\"log\":[]," + kWideSpace + "]", "Missing a name for object member.", 2, 21, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.document.substr(0, 120));
    const auto log = parse_text(c.document);
    ASSERT_FALSE(log.has_value());
    const JsonParseError& error = log.error();
    EXPECT_TRUE(error.description.starts_with(c.description)) << error.description;
    EXPECT_EQ(std::pair(error.line, error.column), std::pair(c.line, c.column));
    if (c.hint.empty()) EXPECT_EQ(error.hint, "");
    else EXPECT_NE(error.hint.find(c.hint), std::string::npos) << error.hint;
  }
}

TEST(JsonLog, AcceptsOnlyUtf8AndLeavesTheTextAsItWas) {
  // Read strings, keys, skipped strings and the space around them.
  const std::string document =
      R"({"log":[],"name":["\u00e9\n","b","c","d"],"rule":{"disp":"é"},"x":["é",{"é":1}]} )";
  const PaddedText text(document);
  ASSERT_TRUE(parse_json_log(text).has_value());
  EXPECT_EQ(text.view(), document);
  // A sequence that is not UTF-8 anywhere in the text: a bad lead byte, an
  // overlong form, a surrogate, a code point above U+10FFFF, a cut character.
  for (std::string_view bad : {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\xBA"}) {
    for (std::size_t at = 0; at <= document.size(); ++at) {
      const PaddedText broken(document.substr(0, at) + std::string(bad) + document.substr(at));
      SCOPED_TRACE(testing::PrintToString(std::string(broken.view())));
      EXPECT_FALSE(parse_json_log(broken).has_value());
      EXPECT_FALSE(is_valid_utf8(broken.view()));
    }
  }
}

TEST(JsonLog, TextFilledInPlaceEndsWhereItWasCut) {
  // As a reader of a file fills the text: grown for more than it gets, then
  // cut to what it got. Nothing past the cut is read.
  const std::string whole = std::string(kMinimal.substr(0, 44)) + R"(,"x":"é"})";
  const std::pair<std::size_t, std::string_view> cases[] = {
      {whole.size(), "parsed"},
      {whole.size() - 1, "!Missing a comma or '}' after an object member."},
      {whole.size() - 3, "!Invalid encoding in string."},
  };
  for (const auto& [cut, expected] : cases) {
    SCOPED_TRACE(cut);
    PaddedText text;
    std::memcpy(text.grow_to(whole.size() + 16), whole.data(), whole.size());
    text.set_size(cut);
    const auto log = parse_json_log(text);
    expect_outcome(log ? "parsed" : "!" + log.error().description, expected);
  }
}

TEST(IsValidUtf8, ShortestFormsWithoutSurrogates) {
  const std::pair<std::string_view, bool> cases[] = {
      {"", true}, {"abc", true}, {"\xC3\xA9", true}, {"\xE6\xBA\x80", true}, {"\xF0\x9F\x80\x84", true},
      {"\xF4\x8F\xBF\xBF", true}, {"\xED\x9F\xBF", true}, {"\xED\xB0\x80", false}, {"\xED\xA0\x80", false},
      {"\xC0\x80", false}, {"\xC1\xBF", false}, {"\xE0\x9F\xBF", false}, {"\xF0\x8F\xBF\xBF", false},
      {"\xF4\x90\x80\x80", false}, {"\xF5\x80\x80\x80", false}, {"\x80", false}, {"\xC3", false},
      {"\xE6\xBA", false}, {"\xE6\x41\x80", false}, {"a\xFF", false},
      // Runs of eight ASCII bytes are checked at once.
      {"abcdefghijklmnop", true}, {"abcdefg\xC3\xA9xyzabcdefg", true}, {"abcdefgh\xED\xA0\x80", false},
      {"\xC3\xA9" "abcdefghij\xFF", false}, {"abcdefghijkl\xE6\xBA", false}, {"abcdefghijklmnopq\x80", false},
  };
  for (const auto& [bytes, valid] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
    EXPECT_EQ(is_valid_utf8(bytes), valid);
  }
}

}  // namespace
}  // namespace paiscribe

#include "paiscribe/conv/decode_items.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "conversion_test_support.hpp"
#include "line_of.hpp"

namespace paiscribe {
namespace {

using namespace paiscribe::test_support;

std::string line_text(const Event& event) {
  auto line = line_of(event);
  EXPECT_TRUE(line.has_value());
  return line.value_or("<failed>");
}

// What a decoding error says, in one comparable line.
std::string describe(const ConversionError& error) {
  if (const auto* e = std::get_if<conversion_error::InvalidCallString>(&error)) return "InvalidCallString " + e->text;
  if (const auto* e = std::get_if<conversion_error::InvalidTileCode>(&error)) return "InvalidTileCode " + e->code;
  if (std::holds_alternative<conversion_error::UnexpectedNumber>(error)) return "UnexpectedNumber";
  return "another error";
}

std::string take_outcome(Seat actor, const Item& item) {
  const auto event = decode_take(actor, item);
  return event ? line_text(*event) : describe(event.error());
}

// The events' lines joined by line feeds, or the error.
std::string discard_outcome(Seat actor, const Item& item) {
  const auto events = decode_discard(actor, item);
  if (!events) return describe(events.error());
  std::string lines;
  for (const auto& event : *events) lines += (lines.empty() ? "" : "\n") + line_text(event);
  return lines;
}

struct ItemCase {
  std::string_view label;
  Item item;
  Seat actor;
  std::string expected;
};

TEST(ParseTileCode, ReadsTwoBytesAsAnOptionallySignedNumber) {
  struct Case {
    std::string_view text;
    std::size_t position;
    std::string expected;  // a tile name, or the error text in brackets
  };
  const Case cases[] = {
      {"14", 0, "4m"},
      // "05" and "+5" read as 5, which is no tile; "+0" and "00" read as 0, the hidden tile.
      {"05", 0, "[05]"},
      {"+5", 0, "[+5]"},
      {"00", 0, "?"},
      {"53", 0, "5sr"},
      {"x47", 1, "C"},
      {"4712", 2, "2m"},
      {"+0", 0, "?"},
      {"-1", 0, "[-1]"},
      {"1c", 0, "[1c]"},
      {"a4", 0, "[a4]"},
      {"1+", 0, "[1+]"},
      {"++", 0, "[++]"},
      {" 5", 0, "[ 5]"},
      {"60", 0, "[60]"},
      {"10", 0, "[10]"},
      {"54", 0, "[54]"},
      {"99", 0, "[99]"},
      {"+9", 0, "[+9]"},
      // Fewer than two bytes left is never a code, even when the one byte is "0".
      {"0", 0, "[0]"},
      {"x0", 1, "[0]"},
      {"14", 2, "[]"},
      {"14", 9, "[]"},
      {"", 0, "[]"},
      // Ill-formed UTF-8 reads as U+FFFD; a truncated but valid start is one piece.
      {"\xFF" "1", 0, "[\xEF\xBF\xBD" "1]"},
      {"1\xE3", 0, "[1\xEF\xBF\xBD]"},
      {"\xE3\x81", 0, "[\xEF\xBF\xBD]"},
      {"\xE0\x80", 0, "[\xEF\xBF\xBD\xEF\xBF\xBD]"},
      {"\x80\x80", 0, "[\xEF\xBF\xBD\xEF\xBF\xBD]"},
      {"\xF0\x9F", 0, "[\xEF\xBF\xBD]"},
      {"\xC3\xA9", 0, "[\xC3\xA9]"},
      {"x\xC3\xA9", 1, "[\xC3\xA9]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" at " << c.position);
    const auto tile = parse_tile_code(c.text, c.position);
    EXPECT_EQ(tile ? std::string(mjai_name(*tile)) : "[" + tile.error().code + "]", c.expected);
  }
}

TEST(DecodeTake, TilesAndNumbers) {
  const ItemCase cases[] = {
      {"a tile is a draw", tile_item(11), 0, R"({"type":"tsumo","actor":0,"pai":"1m"})"},
      {"a red five", tile_item(51), 3, R"({"type":"tsumo","actor":3,"pai":"5mr"})"},
      {"the hidden tile", tile_item(0), 1, R"({"type":"tsumo","actor":1,"pai":"?"})"},
      {"60", number_item(60), 0, "UnexpectedNumber"},
      {"1", number_item(1), 0, "UnexpectedNumber"},
      {"255", number_item(255), 0, "UnexpectedNumber"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(take_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeTake, CallForms) {
  const ItemCase cases[] = {
      {"chi from the seat before", text_item("c141315"), 2,
       R"({"type":"chi","actor":2,"target":1,"pai":"4m","consumed":["3m","5m"]})"},
      {"chi wraps the seat", text_item("c522324"), 0,
       R"({"type":"chi","actor":0,"target":3,"pai":"5pr","consumed":["3p","4p"]})"},
      {"pon, letter at 0", text_item("p155115"), 0,
       R"({"type":"pon","actor":0,"target":3,"pai":"5m","consumed":["5mr","5m"]})"},
      {"pon, letter at 2", text_item("15p5115"), 0,
       R"({"type":"pon","actor":0,"target":2,"pai":"5mr","consumed":["5m","5m"]})"},
      {"pon, letter at 4", text_item("1551p15"), 0,
       R"({"type":"pon","actor":0,"target":1,"pai":"5m","consumed":["5m","5mr"]})"},
      {"pon, letter at 0, last seat", text_item("p464646"), 3,
       R"({"type":"pon","actor":3,"target":2,"pai":"F","consumed":["F","F"]})"},
      {"pon, letter at 2, last seat", text_item("46p4646"), 3,
       R"({"type":"pon","actor":3,"target":1,"pai":"F","consumed":["F","F"]})"},
      {"pon, letter at 4, last seat", text_item("4646p46"), 3,
       R"({"type":"pon","actor":3,"target":0,"pai":"F","consumed":["F","F"]})"},
      {"daiminkan, letter at 0", text_item("m11121314"), 1,
       R"({"type":"daiminkan","actor":1,"target":0,"pai":"1m","consumed":["2m","3m","4m"]})"},
      {"daiminkan, letter at 2", text_item("11m121314"), 1,
       R"({"type":"daiminkan","actor":1,"target":3,"pai":"2m","consumed":["1m","3m","4m"]})"},
      {"daiminkan, letter at 6", text_item("111213m14"), 1,
       R"({"type":"daiminkan","actor":1,"target":2,"pai":"4m","consumed":["1m","2m","3m"]})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(take_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeTake, MalformedCalls) {
  const ItemCase cases[] = {
      // Length first, then the letter's position.
      {"pon of 6 bytes", text_item("p15151"), 0, "InvalidCallString p15151"},
      {"pon of 8 bytes", text_item("p1515151"), 0, "InvalidCallString p1515151"},
      {"chi of 6 bytes", text_item("c14131"), 0, "InvalidCallString c14131"},
      {"chi of 8 bytes", text_item("c1413150"), 0, "InvalidCallString c1413150"},
      {"daiminkan of 8 bytes", text_item("m4141414"), 0, "InvalidCallString m4141414"},
      {"daiminkan of 7 bytes", text_item("m414141"), 0, "InvalidCallString m414141"},
      {"pon, letter at 1", text_item("1p51515"), 0, "InvalidCallString 1p51515"},
      {"pon, letter at 3", text_item("151p515"), 0, "InvalidCallString 151p515"},
      {"pon, letter at 5", text_item("15151p5"), 0, "InvalidCallString 15151p5"},
      {"pon, letter at 6", text_item("151515p"), 0, "InvalidCallString 151515p"},
      {"daiminkan, letter at 4", text_item("4141m4141"), 0, "InvalidCallString 4141m4141"},
      {"daiminkan, letter at 1", text_item("4m1414141"), 0, "InvalidCallString 4m1414141"},
      {"daiminkan, letter at 8", text_item("41414141m"), 0, "InvalidCallString 41414141m"},
      {"no take letter", text_item("r11"), 0, "InvalidCallString r11"},
      {"a discard form", text_item("414141a41"), 0, "InvalidCallString 414141a41"},
      {"a kakan form", text_item("k41414141"), 0, "InvalidCallString k41414141"},
      {"capital letter", text_item("C141315"), 0, "InvalidCallString C141315"},
      {"empty", text_item(""), 0, "InvalidCallString "},
      // A chi's letter is not looked for: elsewhere it lands inside a code.
      {"chi, letter at 1", text_item("1c41315"), 0, "InvalidTileCode c4"},
      {"chi, letter at 2", text_item("14c1315"), 0, "InvalidTileCode 4c"},
      {"chi, letter at 4", text_item("1413c15"), 0, "InvalidTileCode 3c"},
      {"chi, letter at 6", text_item("141315c"), 0, "InvalidTileCode 5c"},
      {"bad code", text_item("c1x1315"), 0, "InvalidTileCode 1x"},
      {"pon of code 60", text_item("p606060"), 0, "InvalidTileCode 60"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(take_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeTake, LettersAndCodesAreTriedInOrder) {
  const ItemCase cases[] = {
      {"c before p", text_item("p14c315"), 0, "InvalidTileCode c3"},
      {"c before m", text_item("m1c1314"), 0, "InvalidTileCode 1c"},
      {"p before m: read as a pon", text_item("15p15m5"), 0, "InvalidTileCode m5"},
      {"the first p decides", text_item("p15p515"), 0, "InvalidTileCode p5"},
      {"chi reads 1, 3, 5", text_item("c14x1x5"), 0, "InvalidTileCode x1"},
      {"pon at 0 reads the taken tile first", text_item("px1y1z1"), 0, "InvalidTileCode x1"},
      {"pon at 2 reads 3 before 0", text_item("x5p1y15"), 0, "InvalidTileCode 1y"},
      {"pon at 2 then reads 0 before 5", text_item("x5p15y1"), 0, "InvalidTileCode x5"},
      {"pon at 4 reads 5 before 0", text_item("x515p1z"), 0, "InvalidTileCode 1z"},
      {"pon at 4 then reads 0 before 2", text_item("x5y5p15"), 0, "InvalidTileCode x5"},
      {"daiminkan at 2 reads 3 first", text_item("x1m1y1z1w"), 0, "InvalidTileCode 1y"},
      {"daiminkan at 6 reads 7 first", text_item("x1y1z1m1w"), 0, "InvalidTileCode 1w"},
      {"daiminkan at 6 then reads 0", text_item("x1y1z1m11"), 0, "InvalidTileCode x1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(take_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeDiscard, TilesAndNumbers) {
  const ItemCase cases[] = {
      {"a tile from the hand", tile_item(15), 1, R"({"type":"dahai","actor":1,"pai":"5m","tsumogiri":false})"},
      {"code 0 stays hidden and not tsumogiri", tile_item(0), 2,
       R"({"type":"dahai","actor":2,"pai":"?","tsumogiri":false})"},
      {"60 discards the drawn tile", number_item(60), 3, R"({"type":"dahai","actor":3,"pai":"?","tsumogiri":true})"},
      {"99 too", number_item(99), 0, R"({"type":"dahai","actor":0,"pai":"?","tsumogiri":true})"},
      {"1 too", number_item(1), 0, R"({"type":"dahai","actor":0,"pai":"?","tsumogiri":true})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(discard_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeDiscard, KanForms) {
  const ItemCase cases[] = {
      {"kakan, letter at 0", text_item("k11121314"), 2,
       R"({"type":"kakan","actor":2,"pai":"1m","consumed":["2m","3m","4m"]})"},
      {"kakan, letter at 2", text_item("11k121314"), 2,
       R"({"type":"kakan","actor":2,"pai":"2m","consumed":["1m","3m","4m"]})"},
      {"kakan, letter at 4", text_item("1112k1314"), 2,
       R"({"type":"kakan","actor":2,"pai":"3m","consumed":["1m","2m","4m"]})"},
      {"kakan of winds", text_item("4141k4141"), 0, R"({"type":"kakan","actor":0,"pai":"E","consumed":["E","E","E"]})"},
      {"ankan", text_item("414141a41"), 3, R"({"type":"ankan","actor":3,"consumed":["E","E","E","E"]})"},
      {"ankan keeps positions 0, 2, 4, 7", text_item("111213a14"), 1,
       R"({"type":"ankan","actor":1,"consumed":["1m","2m","3m","4m"]})"},
      // Kan forms are only tried on 9 bytes, then by the letter's position.
      {"kakan of 8 bytes", text_item("k4141414"), 0, "InvalidCallString k4141414"},
      {"kakan of 3 bytes", text_item("k36"), 0, "InvalidCallString k36"},
      {"kakan, letter at 1", text_item("4k1414141"), 0, "InvalidCallString 4k1414141"},
      {"kakan, letter at 3", text_item("414k14141"), 0, "InvalidCallString 414k14141"},
      {"kakan, letter at 6", text_item("414141k41"), 0, "InvalidCallString 414141k41"},
      {"kakan, letter at 8", text_item("41414141k"), 0, "InvalidCallString 41414141k"},
      {"ankan of 10 bytes", text_item("414141a411"), 0, "InvalidCallString 414141a411"},
      {"ankan of 3 bytes is no riichi", text_item("a41"), 0, "InvalidCallString a41"},
      // The ankan letter is not looked for; elsewhere it lands inside a code.
      {"ankan, letter at 0", text_item("a41414141"), 0, "InvalidTileCode a4"},
      {"ankan, letter at 3", text_item("414a14141"), 0, "InvalidTileCode 4a"},
      {"ankan, letter at 8", text_item("41414141a"), 0, "InvalidTileCode 1a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(discard_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeDiscard, LettersAndCodesAreTriedInOrder) {
  const ItemCase cases[] = {
      {"k before a", text_item("k1a121314"), 0, "InvalidTileCode 1a"},
      {"k decides even at a bad position", text_item("a41k41414"), 0, "InvalidCallString a41k41414"},
      {"the first k decides", text_item("1k11k1314"), 0, "InvalidCallString 1k11k1314"},
      {"kakan at 0 reads 1 first", text_item("k1x2y3z4w"), 0, "InvalidTileCode 1x"},
      {"kakan at 2 reads 3 first", text_item("x1k2y3z4w"), 0, "InvalidTileCode 2y"},
      {"kakan at 2 then reads 0", text_item("x1k113z4w"), 0, "InvalidTileCode x1"},
      {"kakan at 4 reads 5 first", text_item("x1y1k1z1w"), 0, "InvalidTileCode 1z"},
      {"kakan at 4 then reads 0, 2, 7", text_item("11y1k111w"), 0, "InvalidTileCode y1"},
      {"ankan reads 7 first", text_item("a414141x1"), 0, "InvalidTileCode x1"},
      {"ankan then reads 0", text_item("x1y1z1a41"), 0, "InvalidTileCode x1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(discard_outcome(c.actor, c.item), c.expected);
  }
}

TEST(DecodeDiscard, RiichiForms) {
  const std::string reach = R"({"type":"reach","actor":1})";
  const auto dahai = [](std::string_view pai, bool tsumogiri) {
    return R"({"type":"dahai","actor":1,"pai":")" + std::string(pai) + R"(","tsumogiri":)" +
           (tsumogiri ? "true" : "false") + "}";
  };
  const ItemCase cases[] = {
      {"r36", text_item("r36"), 1, reach + "\n" + dahai("6s", false)},
      {"r60 discards the drawn tile", text_item("r60"), 1, reach + "\n" + dahai("?", true)},
      {"r00 too", text_item("r00"), 1, reach + "\n" + dahai("?", true)},
      {"any first byte", text_item("x36"), 1, reach + "\n" + dahai("6s", false)},
      {"a take letter first", text_item("c36"), 1, reach + "\n" + dahai("6s", false)},
      {"a signed zero", text_item("r+0"), 1, reach + "\n" + dahai("?", true)},
      {"a signed five is no tile", text_item("r+5"), 1, "InvalidTileCode +5"},
      {"a red five", text_item("r52"), 1, reach + "\n" + dahai("5pr", false)},
      {"r61", text_item("r61"), 1, "InvalidTileCode 61"},
      {"r-1", text_item("r-1"), 1, "InvalidTileCode -1"},
      {"r6", text_item("r6"), 1, "InvalidCallString r6"},
      {"r600", text_item("r600"), 1, "InvalidCallString r600"},
      {"a long string", text_item("c141315"), 1, "InvalidCallString c141315"},
      {"empty", text_item(""), 1, "InvalidCallString "},
      {"non-ASCII code", text_item("\xE3\x81\x82"), 1, "InvalidTileCode \xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(discard_outcome(c.actor, c.item), c.expected);
  }
}

}  // namespace
}  // namespace paiscribe

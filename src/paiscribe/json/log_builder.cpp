#include "paiscribe/json/log_builder.hpp"

#include <algorithm>
#include <cassert>
#include <span>
#include <utility>

#include "paiscribe/json/json_number.hpp"
#include "paiscribe/base/utf8_valid.hpp"

namespace paiscribe {
namespace {

// The log's fields in the order of its array form.
enum LogField : std::uint8_t { kLog, kName, kRule, kRatingc, kLobby, kDan, kRate, kSx };
constexpr std::array<std::string_view, 8> kLogKeys = {"log", "name", "rule", "ratingc", "lobby", "dan", "rate", "sx"};
constexpr std::uint8_t kRequiredLogFields = 3;

enum RuleField : std::uint8_t { kDisp, kAka, kAka51, kAka52, kAka53 };
constexpr std::array<std::string_view, 5> kRuleKeys = {"disp", "aka", "aka51", "aka52", "aka53"};
constexpr std::array<std::uint8_t Rule::*, 5> kRuleCounts = {nullptr, &Rule::aka, &Rule::aka51, &Rule::aka52,
                                                             &Rule::aka53};

constexpr std::array<std::uint8_t KyokuHeader::*, 3> kHeaderFields = {
    &KyokuHeader::kyoku_index, &KyokuHeader::honba, &KyokuHeader::kyotaku};

constexpr std::uint32_t kKyokuElements = 17;
constexpr std::uint32_t kFirstSeatElement = 4;
constexpr std::uint32_t kResultElement = 16;
constexpr std::size_t kTypicalResultItems = 5;

// The reader checks every byte a string writes as it is; of what it decodes
// from escapes, only a lone low surrogate is no UTF-8, and that comes out as
// 0xED and a byte from 0xB0. So a string without 0xED needs no second look.
bool decoded_is_utf8(std::string_view text) {
  return text.find('\xED') == std::string_view::npos || is_valid_utf8(text);
}

// The arrays whose length is part of their type.
struct FixedLength {
  std::uint32_t length;
  bool at_most;
  std::string_view expected;
};

}  // namespace

void LogBuilder::integer(std::int64_t i) { value(JsonToken::integer(i), here()); }
void LogBuilder::integer(std::uint64_t u) { value(JsonToken::integer(u), here()); }

bool LogBuilder::Double(double) {
  const std::size_t offset = here();
  const auto nearest = nearest_double(number_text(stream_.src_));
  if (!nearest) {
    number_out_of_range_ = offset;
    return false;
  }
  value(JsonToken::real(*nearest), offset);
  return true;
}

bool LogBuilder::start(JsonToken::Kind kind) {
  if (level_ >= options_.depth_limit) {
    too_deep_ = true;
    return false;
  }
  const std::size_t offset = here() - (options_.bracket_taken ? 1 : 0);
  if (lane_ == Lane::kKyoku && kind == JsonToken::Kind::kArray) open_kyoku_element(offset);
  else value(JsonToken::of(kind), offset);
  return true;
}

// What value() does for an array directly inside a kyoku that has not failed.
void LogBuilder::open_kyoku_element(std::size_t offset) {
  const std::uint32_t index = top().count++;
  ++level_;
  if (index < kKyokuElements) {
    const KyokuElement& element = kyoku_element_at(index);
    push_frame(element.kind, element.slot, offset);
  }
  update_lane();
}

void LogBuilder::key(std::string_view key) {
  if (top().level == level_) {
    if (!failed()) record_key(top(), key, here());
  } else if (in_details() && !decoded_is_utf8(key)) {
    fail("invalid unicode code point in string", here());
  }
}

// A value directly inside the innermost frame is counted there and, until
// something failed, read into the record. Deeper values belong to a result
// item's details or to a skipped value.
void LogBuilder::value(const JsonToken& token, std::size_t offset) {
  const bool framed = top().level == level_;
  if (token.is_container()) ++level_;
  if (framed) {
    Frame& frame = top();
    const std::uint32_t index = frame.count++;
    if (!failed()) element(frame, index, token, offset);
  } else if (in_details()) {
    check_detail(token, offset);
  }
  if (token.is_container()) update_lane();
}

void LogBuilder::end() {
  if (top().level == level_) close(frames_[--frame_count_]);
  --level_;
  update_lane();
}

void LogBuilder::update_lane() {
  const Frame& frame = top();
  lane_ = Lane::kNone;
  if (frame.level != level_ || failed()) return;
  switch (frame.kind) {
    case Container::kActions: {
      lane_ = Lane::kActions;
      auto& seat = kyoku().seats[(frame.slot - kFirstSeatElement) / 3];
      // Read straight into the seat's list, which a kyoku taken over from the
      // record before has kept the room of.
      actions_ = (frame.slot - kFirstSeatElement) % 3 == 1 ? &seat.take_items : &seat.discard_items;
      return;
    }
    case Container::kHaipai:
      lane_ = Lane::kHaipai;
      haipai_ = &kyoku().seats[frame.slot].haipai;
      return;
    case Container::kIndicators:
      lane_ = Lane::kIndicators;
      indicators_ = frame.slot == 2 ? &kyoku().dora_indicators : &kyoku().ura_indicators;
      return;
    case Container::kKyoku: lane_ = Lane::kKyoku; return;
    case Container::kHeader: lane_ = Lane::kHeader; return;
    case Container::kScores: lane_ = Lane::kScores; return;
    default: return;
  }
}

// What element() does for the same value, without building a token.
bool LogBuilder::take_in_lane(unsigned u) {
  Frame& frame = top();
  switch (lane_) {
    case Lane::kIndicators: {
      if (u > 0xFF) return false;
      const auto tile = tile_from_code(static_cast<std::uint8_t>(u));
      if (!tile) return false;
      indicators_->push_back(*tile);
      ++frame.count;
      return true;
    }
    case Lane::kHeader:
      if (u > 0xFF) return false;
      if (frame.count < kHeaderFields.size()) kyoku().header.*kHeaderFields[frame.count] = static_cast<std::uint8_t>(u);
      ++frame.count;
      return true;
    case Lane::kScores: return take_score(u);
    default: return false;
  }
}

void LogBuilder::fail(std::string description, std::size_t offset, std::string hint) {
  if (!failed()) error_ = JsonParseError{std::move(description), offset, 1, 1, std::move(hint)};
  lane_ = Lane::kNone;
}

// Opens a frame for an array (or, where the kind is an object's, an object);
// anything else is the wrong type.
void LogBuilder::open(const JsonToken& token, std::size_t offset, Container kind, std::uint8_t slot,
                      std::string_view expected) {
  const bool object = kind == Container::kLogObject || kind == Container::kRuleObject;
  if (token.kind != (object ? JsonToken::Kind::kObject : JsonToken::Kind::kArray))
    return fail(invalid_type(token, expected), offset);
  push_frame(kind, slot, offset);
}

void LogBuilder::push_frame(Container kind, std::uint8_t slot, std::size_t offset) {
  assert(frame_count_ < frames_.size());
  frames_[frame_count_++] = Frame{kind, slot, 0, level_, offset};
}

void LogBuilder::open_kyoku() {
  if (kyoku_count_ < log_.kyokus.size()) log_.kyokus[kyoku_count_].clear();
  else log_.kyokus.emplace_back();
  ++kyoku_count_;
}

void LogBuilder::element(Frame& frame, std::uint32_t index, const JsonToken& token, std::size_t offset) {
  switch (frame.kind) {
    case Container::kDocument:
      return document(token, offset);
    case Container::kLogObject:
      return log_field(frame.slot, token, offset);
    case Container::kLogArray:
      if (index < kLogKeys.size()) log_field(static_cast<std::uint8_t>(index), token, offset);
      return;
    case Container::kKyokus:
      if (token.kind == JsonToken::Kind::kArray) open_kyoku();
      return open(token, offset, Container::kKyoku, 0, "a kyoku of 17 elements");
    case Container::kKyoku:
      return kyoku_element(index, token, offset);
    case Container::kHeader:
      if (index < kHeaderFields.size()) read_u8(token, offset, kyoku().header.*kHeaderFields[index]);
      return;
    case Container::kScores:
      if (index < kyoku().scores.size()) read_i32(token, offset, kyoku().scores[index]);
      return;
    case Container::kIndicators: {
      auto& tiles = frame.slot == 2 ? kyoku().dora_indicators : kyoku().ura_indicators;
      return read_tile(token, offset, tiles.emplace_back(Tile::hidden()));
    }
    case Container::kHaipai:
      if (index < std::tuple_size_v<Haipai>) read_tile(token, offset, kyoku().seats[frame.slot].haipai[index]);
      return;
    case Container::kActions:
      return action_item(token, offset);
    case Container::kResults:
      return result_item(token, offset);
    case Container::kResultItem:
      if (check_detail(token, offset)) result_.add(token);
      return;
    case Container::kNames:
      if (index < log_.name.size()) read_string(token, offset, log_.name[index]);
      return;
    case Container::kRuleObject:
      return rule_field(frame.slot, token, offset);
    case Container::kRuleArray:
      if (index < kRuleKeys.size()) rule_field(static_cast<std::uint8_t>(index), token, offset);
      return;
    case Container::kStrings:
      check_string(token, offset);
      return;
    case Container::kRates:
      if (!token.is_number()) return fail(invalid_type(token, "f64"), offset);
      return;
  }
}

// The log is an object keyed by field name, or an array of its fields.
void LogBuilder::document(const JsonToken& token, std::size_t offset) {
  if (token.kind == JsonToken::Kind::kArray) return open(token, offset, Container::kLogArray, 0, "");
  if (token.kind != JsonToken::Kind::kObject)
    return fail(invalid_type(token, "struct RawLog"), offset,
                "a log is a JSON object with the keys \"log\", \"name\" and \"rule\"");
  open(token, offset, Container::kLogObject, kSkippedField, "");
}

void LogBuilder::log_field(std::uint8_t field, const JsonToken& token, std::size_t offset) {
  // Optional fields are absent when null.
  const bool null = token.kind == JsonToken::Kind::kNull;
  switch (field) {
    case kLog:
      return open(token, offset, Container::kKyokus, 0, "a sequence of kyokus");
    case kName:
      return open(token, offset, Container::kNames, 0, "4 player names");
    case kRule:
      seen_rule_fields_ = 0;
      if (token.kind == JsonToken::Kind::kArray) return open(token, offset, Container::kRuleArray, 0, "");
      return open(token, offset, Container::kRuleObject, kSkippedField, "struct Rule");
    case kRatingc:
      if (!null) check_string(token, offset);
      return;
    case kLobby:
      if (!null) read_i32(token, offset, log_.lobby.emplace());
      return;
    case kDan:
    case kSx:
      if (!null) open(token, offset, Container::kStrings, field, "a sequence");
      return;
    case kRate:
      if (!null) open(token, offset, Container::kRates, 0, "a sequence");
      return;
  }
}

void LogBuilder::rule_field(std::uint8_t field, const JsonToken& token, std::size_t offset) {
  if (field == kDisp) return read_string(token, offset, log_.rule.disp);
  if (field != kSkippedField) read_u8(token, offset, log_.rule.*kRuleCounts[field]);
}

// Keys are compared after their escapes are decoded. A key the record does
// not know is skipped with its value, whatever that holds.
void LogBuilder::record_key(Frame& frame, std::string_view key, std::size_t offset) {
  if (!decoded_is_utf8(key)) return fail("invalid unicode code point in key", offset);
  const bool log = frame.kind == Container::kLogObject;
  const auto keys = log ? std::span<const std::string_view>(kLogKeys) : std::span<const std::string_view>(kRuleKeys);
  const auto found = std::ranges::find(keys, key);
  frame.slot = found == keys.end() ? kSkippedField : static_cast<std::uint8_t>(found - keys.begin());
  if (frame.slot == kSkippedField) return;
  auto& seen = log ? seen_log_fields_ : seen_rule_fields_;
  const auto bit = static_cast<std::uint8_t>(1u << frame.slot);
  if (seen & bit)
    return fail("duplicate field `" + std::string(key) + "`", offset,
                "the key \"" + std::string(key) + "\" appears twice in one object");
  seen |= bit;
}

void LogBuilder::check_required_fields(const Frame& frame) {
  for (std::uint8_t field = 0; field < kRequiredLogFields; ++field) {
    if (seen_log_fields_ & (1u << field)) continue;
    const std::string key(kLogKeys[field]);
    return fail("missing field `" + key + "`", frame.start, "the key \"" + key + "\" is missing");
  }
}

// A kyoku: header, scores, dora and ura indicators, then haipai, takes and
// discards of each seat in turn, then the result list. A haipai's slot is
// its seat; every other element's slot is its index.
const LogBuilder::KyokuElement& LogBuilder::kyoku_element_at(std::uint32_t index) {
  static constexpr auto kElements = [] {
    std::array<KyokuElement, kKyokuElements> elements{};
    for (std::uint32_t at = 0; at < kKyokuElements; ++at) {
      const auto slot = static_cast<std::uint8_t>(at);
      const auto seat = static_cast<std::uint8_t>((at - kFirstSeatElement) / 3);
      if (at == 0) elements[at] = {Container::kHeader, slot, "a kyoku header of 3 integers"};
      else if (at == 1) elements[at] = {Container::kScores, slot, "4 scores"};
      else if (at < kFirstSeatElement) elements[at] = {Container::kIndicators, slot, "a sequence"};
      else if (at == kResultElement) elements[at] = {Container::kResults, slot, "a sequence"};
      else if ((at - kFirstSeatElement) % 3 == 0) elements[at] = {Container::kHaipai, seat, "a haipai of 13 tiles"};
      else elements[at] = {Container::kActions, slot, "a sequence"};
    }
    return elements;
  }();
  return kElements[index];
}

void LogBuilder::kyoku_element(std::uint32_t index, const JsonToken& token, std::size_t offset) {
  if (index >= kKyokuElements) return;
  const KyokuElement& element = kyoku_element_at(index);
  open(token, offset, element.kind, element.slot, element.expected);
}

void LogBuilder::read_u8(const JsonToken& token, std::size_t offset, std::uint8_t& out) {
  if (const auto number = as_u8(token)) out = *number;
  else fail(not_integer(token, "u8"), offset);
}

void LogBuilder::read_i32(const JsonToken& token, std::size_t offset, std::int32_t& out) {
  if (const auto number = as_i32(token)) out = *number;
  else fail(not_integer(token, "i32"), offset);
}

void LogBuilder::read_tile(const JsonToken& token, std::size_t offset, Tile& out) {
  const auto code = as_u8(token);
  if (!code) return fail(not_integer(token, "u8"), offset);
  const auto tile = tile_from_code(*code);
  if (!tile) return fail(tile.error().message(), offset);
  out = *tile;
}

// Every string of the record is UTF-8: a lone low surrogate escape decodes
// into bytes that are not.
bool LogBuilder::check_string(const JsonToken& token, std::size_t offset) {
  if (token.kind != JsonToken::Kind::kString) return fail(invalid_type(token, "a string"), offset), false;
  if (!decoded_is_utf8(token.text)) return fail("invalid unicode code point in string", offset), false;
  return true;
}

void LogBuilder::read_string(const JsonToken& token, std::size_t offset, std::string& out) {
  if (check_string(token, offset)) out.assign(token.text);
}

// Tried in order: a tile code, any other byte, a string.
void LogBuilder::action_item(const JsonToken& token, std::size_t offset) {
  if (const auto code = as_u8(token)) {
    actions_->add(*code);
  } else if (token.kind == JsonToken::Kind::kString) {
    if (!decoded_is_utf8(token.text)) return fail("invalid unicode code point in string", offset);
    actions_->add(token.text);
  } else {
    fail("data did not match any variant of untagged enum ActionItem", offset);
  }
}

// Tried in order: a string, four 32-bit integers, any other array.
void LogBuilder::result_item(const JsonToken& token, std::size_t offset) {
  // Room for the usual result at once: a name, then deltas and details per win.
  if (kyoku().result.empty()) kyoku().result.reserve(kTypicalResultItems);
  if (token.kind == JsonToken::Kind::kString) {
    if (!decoded_is_utf8(token.text)) return fail("invalid unicode code point in string", offset);
    kyoku().result.emplace_back(ResultItem::Text{std::string(token.text)});
  } else if (token.kind == JsonToken::Kind::kArray) {
    result_.start();
    open(token, offset, Container::kResultItem, 0, "");
  } else {
    fail("data did not match any variant of untagged enum ResultItem", offset);
  }
}

// Details hold any values, but their strings are UTF-8 and they nest no
// deeper than values read into the record may.
bool LogBuilder::check_detail(const JsonToken& token, std::size_t offset) {
  if (token.kind == JsonToken::Kind::kString && !decoded_is_utf8(token.text))
    return fail("invalid unicode code point in string", offset), false;
  if (token.is_container() && level_ > kMaxNestingLevel)
    return fail("recursion limit exceeded", offset, "a result item nests deeper than any log does"), false;
  return true;
}

// A fixed-size array of the wrong length is reported even over a failure
// inside it: the length is the first thing that is wrong about it.
void LogBuilder::close(const Frame& frame) {
  static constexpr auto fixed_length = [](Container kind) -> std::optional<FixedLength> {
    switch (kind) {
      case Container::kLogArray: return FixedLength{8, false, "struct RawLog with 8 elements"};
      case Container::kRuleArray: return FixedLength{5, true, "struct Rule with at most 5 elements"};
      case Container::kKyoku: return FixedLength{kKyokuElements, false, "a kyoku of 17 elements"};
      case Container::kHeader: return FixedLength{3, false, "a kyoku header of 3 integers"};
      case Container::kScores: return FixedLength{4, false, "4 scores"};
      case Container::kHaipai: return FixedLength{13, false, "a haipai of 13 tiles"};
      case Container::kNames: return FixedLength{4, false, "4 player names"};
      default: return std::nullopt;
    }
  };
  if (const auto fixed = fixed_length(frame.kind)) {
    if (frame.count > fixed->length || (!fixed->at_most && frame.count < fixed->length)) {
      error_ = JsonParseError{invalid_length(frame.count, fixed->expected), frame.start, 1, 1, length_hint(frame)};
      return;
    }
  }
  if (failed()) return;
  if (frame.kind == Container::kLogObject) check_required_fields(frame);
  if (frame.kind == Container::kResultItem) kyoku().result.push_back(result_.finish());
}

std::string LogBuilder::length_hint(const Frame& frame) const {
  const std::string count = std::to_string(frame.count);
  const std::string kyoku = std::to_string(kyoku_count_);
  switch (frame.kind) {
    case Container::kHaipai:
      return "seat " + std::to_string(frame.slot) + "'s hand in kyoku " + kyoku + " has " + count +
             " tiles, not 13" + (frame.count == 0 ? ": a three-player log?" : "");
    case Container::kNames:
      return "the log names " + count + " players, not 4" + (frame.count == 3 ? ": a three-player log?" : "");
    case Container::kKyoku:
      return "kyoku " + kyoku + " has " + count + " elements, not 17";
    default:
      return {};
  }
}

std::expected<void, JsonParseError> LogBuilder::finish() {
  if (error_) return std::unexpected(std::move(*error_));
  log_.kyokus.resize(kyoku_count_);  // the spare kyokus left over
  return {};
}

}  // namespace paiscribe

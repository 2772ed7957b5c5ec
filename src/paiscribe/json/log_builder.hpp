#pragma once

#include <rapidjson/reader.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/record/action_items.hpp"
#include "paiscribe/json/json_token.hpp"
#include "paiscribe/json/json_parse_error.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/json/result_item_builder.hpp"

namespace paiscribe {

// Values read into the record may nest this many arrays and objects deep,
// counting the document itself as level 1.
inline constexpr std::uint32_t kMaxNestingLevel = 127;

// Builds the log record straight from the reader's events: a small state
// machine over the log's expected shape, one frame per open array or object
// of the record. A value the record does not hold is skipped without frames.
//
// A broken rule does not stop the reader. The builder keeps the first
// failure and reads on, so that a syntax error anywhere still wins over it,
// and counts the elements of the fixed-size arrays around it: an array of
// the wrong length is reported rather than what went wrong inside it.
class LogBuilder {
 public:
  struct Options {
    // The nesting level at which the builder stops the reader: the recursive
    // reader takes native stack for every level.
    std::uint32_t depth_limit;
    // Whether the reader announces an array or object after taking its
    // bracket (the recursive reader) or before (the iterative one).
    bool bracket_taken;
  };

  // Fills `record` in place: its kyokus, names and rule take over the room
  // of what the record held before.
  LogBuilder(const rapidjson::StringStream& stream, Options options, RawLog& record)
      : stream_(stream), options_(options), log_(record) {
    log_.rule.disp.clear();
    log_.rule.aka = log_.rule.aka51 = log_.rule.aka52 = log_.rule.aka53 = 0;
    log_.lobby.reset();
  }

  // The reader's events. A literal has been read when its event comes; the
  // stream still stands on the first byte of a string or number, which the
  // reader reads through a copy. Only a start of an array or object and a
  // number may stop the reader: the other events always go on, which lets
  // the compiler drop the reader's handling of a stop after them.
  bool Null() { return value(JsonToken::of(JsonToken::Kind::kNull), here() - 4), true; }
  bool Bool(bool b) {
    return value(JsonToken::of(b ? JsonToken::Kind::kTrue : JsonToken::Kind::kFalse), here() - (b ? 4 : 5)), true;
  }
  bool Int(int i) {
    if (!(lane_ == Lane::kScores && take_score(i))) integer(std::int64_t{i});
    return true;
  }
  bool Uint(unsigned u) {
    if (lane_ == Lane::kActions && u <= 0xFF) actions_->add(static_cast<std::uint8_t>(u));
    else if (!(lane_ == Lane::kHaipai ? take_haipai_tile(u) : take_in_lane(u))) integer(std::uint64_t{u});
    return true;
  }
  bool Int64(std::int64_t i) { return integer(i), true; }
  bool Uint64(std::uint64_t u) { return integer(u), true; }
  bool Double(double);
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }  // numbers are not asked for as text
  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (lane_ == Lane::kActions) action_item(JsonToken::string({text, length}), here());
    else value(JsonToken::string({text, length}), here());
    return true;
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) { return key({text, length}), true; }
  bool StartObject() { return start(JsonToken::Kind::kObject); }
  bool EndObject(rapidjson::SizeType) { return end(), true; }
  bool StartArray() { return start(JsonToken::Kind::kArray); }
  bool EndArray(rapidjson::SizeType) { return end(), true; }

  // Why the builder stopped the reader, if it did: the nesting reached the
  // depth limit, or a number (starting at the offset) is beyond every double.
  bool too_deep() const { return too_deep_; }
  std::optional<std::size_t> number_out_of_range() const { return number_out_of_range_; }

  // Once the reader has read the whole value without an error of its own:
  // the record is whole, or this is the first rule it broke (line and
  // column not yet known).
  std::expected<void, JsonParseError> finish();

 private:
  // The arrays and objects of the record. Each holds values of one kind, or
  // of kinds that its element index or current key picks.
  enum class Container : std::uint8_t {
    kDocument,  // the text itself, holding the one top-level value
    kLogObject,
    kLogArray,
    kKyokus,
    kKyoku,
    kHeader,
    kScores,
    kIndicators,
    kHaipai,
    kActions,
    kResults,
    kResultItem,
    kNames,
    kRuleObject,
    kRuleArray,
    kStrings,
    kRates,
  };

  struct Frame {
    Container kind;
    // Objects: the field the last key named. Lists of a kyoku: its element
    // index; a haipai: its seat; lists of the log: its field.
    std::uint8_t slot;
    std::uint32_t count;  // values so far, directly inside
    std::uint32_t level;  // the nesting level of the container itself
    std::size_t start;    // offset of its bracket
  };

  static constexpr std::uint8_t kSkippedField = 0xFF;

  std::size_t here() const { return stream_.Tell(); }

  // Most of a log is tile codes in take and discard lists and in haipai.
  // While the innermost open array is one of those, its lane says so and the
  // reader's integers (and a take or discard list's strings) go straight in;
  // all else goes through value(). Inside a kyoku, its elements open their
  // arrays straight away.
  enum class Lane : std::uint8_t { kNone, kActions, kHaipai, kKyoku, kHeader, kScores, kIndicators };
  void update_lane();
  // A small integer of a haipai, header, scores or indicator list, straight
  // into the record: true when it went in, false for the general path.
  bool take_haipai_tile(unsigned code) {
    Frame& frame = top();
    if (code > 0xFF || frame.count >= std::tuple_size_v<Haipai>) return false;
    const auto tile = tile_from_code(static_cast<std::uint8_t>(code));
    if (!tile) return false;
    (*haipai_)[frame.count++] = *tile;
    return true;
  }
  bool take_in_lane(unsigned u);
  bool take_score(std::int64_t score) {
    Frame& frame = top();
    if (score < std::numeric_limits<std::int32_t>::min() || score > std::numeric_limits<std::int32_t>::max())
      return false;
    if (frame.count < kyoku().scores.size()) kyoku().scores[frame.count] = static_cast<std::int32_t>(score);
    ++frame.count;
    return true;
  }

  // What the element of a kyoku at an index holds, read as an array.
  struct KyokuElement {
    Container kind;
    std::uint8_t slot;
    std::string_view expected;
  };
  // Taken from a table made at compile time, for `index` below 17.
  static const KyokuElement& kyoku_element_at(std::uint32_t index);
  void open_kyoku_element(std::size_t offset);

  void integer(std::int64_t value);
  void integer(std::uint64_t value);
  void key(std::string_view key);
  bool start(JsonToken::Kind kind);
  void value(const JsonToken& token, std::size_t offset);
  void end();
  Frame& top() { return frames_[frame_count_ - 1]; }
  bool failed() const { return error_.has_value(); }
  // Below the result item being read, every value belongs to its details.
  bool in_details() const { return !failed() && frames_[frame_count_ - 1].kind == Container::kResultItem; }

  void element(Frame& frame, std::uint32_t index, const JsonToken& token, std::size_t offset);
  void open(const JsonToken& token, std::size_t offset, Container kind, std::uint8_t slot, std::string_view expected);
  // A frame for the container just begun, at the current level.
  void push_frame(Container kind, std::uint8_t slot, std::size_t offset);
  void close(const Frame& frame);
  void fail(std::string description, std::size_t offset, std::string hint = {});

  void document(const JsonToken& token, std::size_t offset);
  void log_field(std::uint8_t field, const JsonToken& token, std::size_t offset);
  void rule_field(std::uint8_t field, const JsonToken& token, std::size_t offset);
  void record_key(Frame& frame, std::string_view key, std::size_t offset);
  void check_required_fields(const Frame& frame);
  void kyoku_element(std::uint32_t index, const JsonToken& token, std::size_t offset);
  void read_u8(const JsonToken& token, std::size_t offset, std::uint8_t& out);
  void read_i32(const JsonToken& token, std::size_t offset, std::int32_t& out);
  void read_tile(const JsonToken& token, std::size_t offset, Tile& out);
  void read_string(const JsonToken& token, std::size_t offset, std::string& out);
  // The optional fields of the log are checked but not kept: nothing reads them.
  bool check_string(const JsonToken& token, std::size_t offset);
  void action_item(const JsonToken& token, std::size_t offset);
  void result_item(const JsonToken& token, std::size_t offset);
  bool check_detail(const JsonToken& token, std::size_t offset);
  std::string length_hint(const Frame& frame) const;

  void open_kyoku();
  RawKyoku& kyoku() { return log_.kyokus[kyoku_count_ - 1]; }

  const rapidjson::StringStream& stream_;
  Options options_;

  RawLog& log_;
  std::size_t kyoku_count_ = 0;  // of log_.kyokus, the rest being spare
  // The record nests at most six containers deep: the document, the log, its
  // kyoku list, a kyoku, its result list and one result item.
  std::array<Frame, 6> frames_{Frame{Container::kDocument, 0, 0, 0, 0}};
  std::size_t frame_count_ = 1;
  std::uint32_t level_ = 0;  // of the innermost open array or object, framed or not

  Lane lane_ = Lane::kNone;
  Haipai* haipai_ = nullptr;  // of the haipai being read
  std::vector<Tile>* indicators_ = nullptr;  // the dora or ura indicators being read
  ActionItems* actions_ = nullptr;  // the take or discard list being read
  ResultItemBuilder result_;   // the result item being read
  std::uint8_t seen_log_fields_ = 0;
  std::uint8_t seen_rule_fields_ = 0;

  std::optional<JsonParseError> error_;
  bool too_deep_ = false;
  std::optional<std::size_t> number_out_of_range_;
};

}  // namespace paiscribe

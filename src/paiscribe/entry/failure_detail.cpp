#include "paiscribe/entry/failure_detail.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe {
namespace {

namespace ce = conversion_error;

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string seat_number(Seat seat) { return std::to_string(seat); }

std::string seat_in_words(SeatAt at) { return kyoku_in_words(at.kyoku) + ", seat " + seat_number(at.seat); }

std::string item_in_words(const ItemAt& at) {
  const std::string_view list = at.list == ActionList::Takes ? "takes" : "discards";
  return seat_in_words(at.seat) + ", " + std::string(list) + "[" + std::to_string(at.index) + "]: ";
}

std::string discard_in_words(const std::optional<ce::Discard>& discard) {
  if (!discard) return "nothing was discarded yet";
  return std::string(mjai_name(discard->tile)) + " from seat " + seat_number(discard->seat);
}

struct DescribeConversion {
  std::string operator()(const ce::InvalidCallString& error) const {
    const std::string_view forms =
        error.at.list == ActionList::Takes ? "a chi, pon or kan" : "a riichi, kakan or ankan";
    return item_in_words(error.at) + "call string " + quoted(error.text) + " is not " + std::string(forms);
  }
  std::string operator()(const ce::InvalidTileCode& error) const {
    return item_in_words(error.at) + "tile code " + quoted(error.code) + " in " + quoted(error.item) +
           " is not a tile";
  }
  std::string operator()(const ce::UnexpectedNumber& error) const {
    return item_in_words(error.at) + "number " + std::to_string(error.number) + " is not a tile code";
  }
  std::string operator()(const ce::UnexpectedEvent& error) const {
    return item_in_words(error.at) + "call string " + quoted(error.item) + " does not claim the last discard (" +
           discard_in_words(error.last_discard) + ")";
  }
  std::string operator()(const ce::DoraMarkersExhausted& error) const {
    if (!error.kan_seat) return kyoku_in_words(error.kyoku) + ": the kyoku has no dora indicator";
    return kyoku_in_words(error.kyoku) + ": no dora indicator left for a kan of seat " + seat_number(*error.kan_seat);
  }
  std::string operator()(const ce::MissingTake& error) const {
    return kyoku_in_words(error.at.kyoku) + ": the take list of seat " + seat_number(error.at.seat) + " ran out";
  }
  std::string operator()(const ce::MissingReachDiscard& error) const {
    return seat_in_words(error.at) + ": the discard list ends with a riichi and no discard";
  }
  std::string operator()(const InvalidLog& error) const {
    if (!error.kyoku) return error.reason;
    return kyoku_in_words(*error.kyoku) + ", result: " + error.reason;
  }
  std::string operator()(const ConversionError& error) const { return std::visit(*this, error); }
};

}  // namespace

std::string kyoku_in_words(KyokuAt kyoku) {
  static constexpr std::array<std::string_view, 4> kWinds = {"East", "South", "West", "North"};
  return std::string(kWinds[kyoku.wind()]) + " " + std::to_string(kyoku.number()) + ", " +
         std::to_string(kyoku.honba) + " honba";
}

// The parser's own account of what it found, and where when it knows.
// "invalid length 3, expected 4 player names at line 1 column 34 (byte 33);
// the log names 3 players, not 4: a three-player log?". Syntax errors name
// their line and column in the description already.
std::string parse_detail(const ParseError& error) {
  std::string text = error.description;
  if (text.find(" at line ") == std::string::npos)
    text += " at line " + std::to_string(error.line) + " column " + std::to_string(error.column);
  text += " (byte " + std::to_string(error.offset) + ")";
  if (!error.hint.empty()) text += "; " + error.hint;
  return text;
}

std::string conversion_detail(const ConvertLogError& error) { return std::visit(DescribeConversion{}, error); }

}  // namespace paiscribe

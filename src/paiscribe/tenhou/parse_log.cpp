#include "paiscribe/tenhou/parse_log.hpp"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <variant>

#include "paiscribe/tenhou/json_document.hpp"
#include "paiscribe/tenhou/json_read.hpp"
#include "paiscribe/tenhou/json_record.hpp"

namespace paiscribe {
namespace {

enum LogField : std::size_t { kLog, kName, kRule, kRatingc, kLobby, kDan, kRate, kSx };
constexpr RecordShape<8> kRawLogShape{
    "RawLog", {"log", "name", "rule", "ratingc", "lobby", "dan", "rate", "sx"}, 3, 8};

enum RuleField : std::size_t { kDisp, kAka, kAka51, kAka52, kAka53 };
constexpr RecordShape<5> kRuleShape{"Rule", {"disp", "aka", "aka51", "aka52", "aka53"}, 0, 0};

constexpr std::size_t kKyokuElements = 17;
constexpr std::size_t kFirstSeatElement = 4;
constexpr std::size_t kResultElement = 16;
// The document is level 1, `log` 2, a kyoku 3, its result list 4.
constexpr int kResultItemLevel = 5;

// Each item is built in its place in the list, straight from its alternative.
ReadStatus append_action_item(const JsonNode& node, std::vector<ActionItem>& items) {
  // Tried in order: a tile code, any other byte, a string.
  if (node.IsUint() && node.GetUint() <= 0xFF) {
    const auto code = static_cast<std::uint8_t>(node.GetUint());
    if (const auto tile = tile_from_code(code))
      items.emplace_back(*tile);
    else
      items.emplace_back(ActionItem::Number{code});
    return {};
  }
  if (node.IsString()) {
    auto text = read_string(node);
    if (!text) return std::unexpected(std::move(text.error()));
    items.emplace_back(ActionItem::Text{std::move(*text)});
    return {};
  }
  return read_failure("data did not match any variant of untagged enum ActionItem");
}

bool is_deltas(const JsonNode& node) {
  if (node.Size() != 4) return false;
  for (const JsonNode& element : node.GetArray())
    if (!element.IsInt()) return false;
  return true;
}

ReadResult<ResultItem> read_result_item(const JsonNode& node) {
  // Tried in order: a string, four 32-bit integers, any other array.
  if (node.IsString()) {
    auto text = read_string(node);
    if (!text) return std::unexpected(std::move(text.error()));
    return ResultItem{ResultItem::Text{std::move(*text)}};
  }
  if (!node.IsArray()) return read_failure("data did not match any variant of untagged enum ResultItem");
  if (is_deltas(node)) {
    const auto elements = node.GetArray();
    return ResultItem{ResultItem::Deltas{{elements[0].GetInt(), elements[1].GetInt(), elements[2].GetInt(),
                                          elements[3].GetInt()}}};
  }
  auto details = read_json_value(node, kResultItemLevel);
  if (!details) return std::unexpected(std::move(details.error()));
  return ResultItem{ResultItem::Details{std::get<JsonValue::Array>(std::move(details->value))}};
}

ReadStatus read_header(const JsonNode& node, KyokuHeader& header) {
  const auto elements = read_sized_array(node, 3, "a kyoku header of 3 integers");
  if (!elements) return std::unexpected(elements.error());
  if (auto status = store(read_u8((*elements)[0]), header.kyoku_index); !status) return status;
  if (auto status = store(read_u8((*elements)[1]), header.honba); !status) return status;
  return store(read_u8((*elements)[2]), header.kyotaku);
}

ReadStatus read_seat(const JsonNode::ConstArray& elements, std::size_t first, RawSeat& seat) {
  const auto at = [&](std::size_t offset) -> const JsonNode& {
    return elements[static_cast<rapidjson::SizeType>(first + offset)];
  };
  if (auto status = read_fixed<read_tile>(at(0), seat.haipai, "a haipai of 13 tiles"); !status) return status;
  if (auto status = append_list<append_action_item>(at(1), seat.take_items); !status) return status;
  return append_list<append_action_item>(at(2), seat.discard_items);
}

ReadStatus read_kyoku(const JsonNode& node, RawKyoku& kyoku) {
  const auto elements = read_sized_array(node, kKyokuElements, "a kyoku of 17 elements");
  if (!elements) return std::unexpected(elements.error());
  const auto& at = *elements;
  if (auto status = read_header(at[0], kyoku.header); !status) return status;
  if (auto status = read_fixed<read_i32>(at[1], kyoku.scores, "4 scores"); !status) return status;
  if (auto status = read_list<read_tile>(at[2], kyoku.dora_indicators); !status) return status;
  if (auto status = read_list<read_tile>(at[3], kyoku.ura_indicators); !status) return status;
  for (std::size_t seat = 0; seat < kyoku.seats.size(); ++seat)
    if (auto status = read_seat(at, kFirstSeatElement + 3 * seat, kyoku.seats[seat]); !status) return status;
  return read_list<read_result_item>(at[kResultElement], kyoku.result);
}

ReadStatus read_kyokus(const JsonNode& node, std::vector<RawKyoku>& kyokus) {
  if (!node.IsArray()) return invalid_type(node, "a sequence of kyokus");
  // No reserve by the array's length: a kyoku record is far larger than the
  // shortest text that claims one ("[],"), and a log has a dozen or so.
  kyokus.clear();
  for (const JsonNode& element : node.GetArray())
    if (auto status = read_kyoku(element, kyokus.emplace_back()); !status) return status;
  return {};
}

ReadStatus read_rule_field(std::size_t field, const JsonNode& node, Rule& rule) {
  switch (field) {
    case kDisp:
      return store(read_string(node), rule.disp);
    case kAka:
      return store(read_u8(node), rule.aka);
    case kAka51:
      return store(read_u8(node), rule.aka51);
    case kAka52:
      return store(read_u8(node), rule.aka52);
    case kAka53:
      return store(read_u8(node), rule.aka53);
  }
  return {};
}

template <class T, auto read_element>
ReadResult<std::vector<T>> read_whole_list(const JsonNode& node) {
  std::vector<T> list;
  if (auto status = read_list<read_element>(node, list); !status) return std::unexpected(std::move(status.error()));
  return list;
}

ReadStatus read_log_field(std::size_t field, const JsonNode& node, RawLog& log) {
  switch (field) {
    case kLog:
      return read_kyokus(node, log.kyokus);
    case kName:
      return read_fixed<read_string>(node, log.name, "4 player names");
    case kRule:
      return read_record(node, kRuleShape, log.rule, read_rule_field);
    case kRatingc:
      return read_optional<read_string>(node, log.ratingc);
    case kLobby:
      return read_optional<read_i32>(node, log.lobby);
    case kDan:
      return read_optional<read_whole_list<std::string, read_string>>(node, log.dan);
    case kRate:
      return read_optional<read_whole_list<double, read_f64>>(node, log.rate);
    case kSx:
      return read_optional<read_whole_list<std::string, read_string>>(node, log.sx);
  }
  return {};
}

}  // namespace

std::expected<RawLog, ParseError> parse_log(std::string_view text) {
  JsonDocument document;
  if (auto parsed = document.parse(text); !parsed) return std::unexpected(std::move(parsed.error()));
  RawLog log;
  if (auto status = read_record(document.root(), kRawLogShape, log, read_log_field); !status)
    return std::unexpected(std::move(status.error()));
  return log;
}

}  // namespace paiscribe

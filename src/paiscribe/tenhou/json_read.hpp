#pragma once

// Typed reading of parsed JSON values under the log's rules: integers are
// only what the text wrote as integers, every string read must be UTF-8,
// fixed-size sequences have exactly their length.

#include <rapidjson/document.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "paiscribe/tenhou/json_value.hpp"
#include "paiscribe/tenhou/parse_error.hpp"
#include "paiscribe/tenhou/tile_code.hpp"

namespace paiscribe {

using JsonNode = rapidjson::Value;
using ReadStatus = std::expected<void, ParseError>;
template <class T>
using ReadResult = std::expected<T, ParseError>;

// Values copied out whole may nest this many arrays and objects deep,
// counting the document itself as level 1.
inline constexpr int kMaxNestingLevel = 127;

std::unexpected<ParseError> read_failure(std::string description);
std::unexpected<ParseError> invalid_type(const JsonNode& found, std::string_view expected);
std::unexpected<ParseError> invalid_length(std::size_t found, std::string_view expected);

// The bytes of a string node, embedded NULs included.
inline std::string_view string_bytes(const JsonNode& node) { return {node.GetString(), node.GetStringLength()}; }

// Why a node is no u8, i32 or tile; kept out of line, off the readers' fast path.
std::unexpected<ParseError> not_u8(const JsonNode& node);
std::unexpected<ParseError> not_i32(const JsonNode& node);
std::unexpected<ParseError> not_tile(TileCodeRejection rejection);

// Integers are only numbers written without fraction or exponent: the parsed
// document keeps those apart as doubles, which are neither Uint nor Int.
inline ReadResult<std::uint8_t> read_u8(const JsonNode& node) {
  if (node.IsUint() && node.GetUint() <= 0xFF) return static_cast<std::uint8_t>(node.GetUint());
  return not_u8(node);
}

inline ReadResult<std::int32_t> read_i32(const JsonNode& node) {
  if (node.IsInt()) return node.GetInt();
  return not_i32(node);
}

inline ReadResult<Tile> read_tile(const JsonNode& node) {
  if (!node.IsUint() || node.GetUint() > 0xFF) return not_u8(node);
  const auto tile = tile_from_code(static_cast<std::uint8_t>(node.GetUint()));
  if (!tile) return not_tile(tile.error());
  return *tile;
}

ReadResult<double> read_f64(const JsonNode& node);
ReadResult<std::string> read_string(const JsonNode& node);
// Any value, kept whole; `level` is the nesting level of `node` itself.
ReadResult<JsonValue> read_json_value(const JsonNode& node, int level);

// The elements of an array that must have exactly `length` of them.
ReadResult<JsonNode::ConstArray> read_sized_array(const JsonNode& node, std::size_t length, std::string_view what);

template <class T>
ReadStatus store(ReadResult<T>&& result, auto& out) {
  if (!result) return std::unexpected(std::move(result.error()));
  out = std::move(*result);
  return {};
}

// The element and field readers are template arguments so that they inline
// into the loops over a log's thousands of items. `append_element(item, out)`
// reads one item onto the end of `out`: building it there spares a move.
template <auto append_element, class T>
ReadStatus append_list(const JsonNode& node, std::vector<T>& out) {
  if (!node.IsArray()) return invalid_type(node, "a sequence");
  const auto items = node.GetArray();
  out.reserve(items.Size());
  for (const JsonNode& item : items)
    if (auto status = append_element(item, out); !status) return status;
  return {};
}

template <auto read_element, class T>
ReadStatus read_list(const JsonNode& node, std::vector<T>& out) {
  constexpr auto append = [](const JsonNode& item, std::vector<T>& list) -> ReadStatus {
    auto element = read_element(item);
    if (!element) return std::unexpected(std::move(element.error()));
    list.push_back(std::move(*element));
    return {};
  };
  return append_list<append>(node, out);
}

template <auto read_element, class T, std::size_t N>
ReadStatus read_fixed(const JsonNode& node, std::array<T, N>& out, std::string_view what) {
  const auto items = read_sized_array(node, N, what);
  if (!items) return std::unexpected(items.error());
  for (std::size_t i = 0; i < N; ++i)
    if (auto status = store(read_element((*items)[static_cast<rapidjson::SizeType>(i)]), out[i]); !status)
      return status;
  return {};
}

// `null` leaves the field absent.
template <auto read_present, class T>
ReadStatus read_optional(const JsonNode& node, std::optional<T>& out) {
  if (node.IsNull()) {
    out.reset();
    return {};
  }
  return store(read_present(node), out);
}

}  // namespace paiscribe

#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "paiscribe/tenhou/json_read.hpp"
#include "paiscribe/base/utf8_valid.hpp"

namespace paiscribe {

// A record the log writes either as an object keyed by field name or as an
// array of its fields in field order.
template <std::size_t N>
struct RecordShape {
  std::string_view name;                 // for diagnostics
  std::array<std::string_view, N> keys;  // in field order
  std::size_t required;                  // the first `required` fields have no default
  std::size_t fewest_elements;           // of the array form; missing trailing fields take defaults
};

// Calls `read_field(field_index, node, out)` once for every field present.
// Unknown keys are skipped without looking into their values, so a skipped
// value may nest as deep as the document parser allowed.
template <std::size_t N, class Record, class ReadField>
ReadStatus read_record(const JsonNode& node, const RecordShape<N>& shape, Record& out, ReadField read_field) {
  if (node.IsArray()) {
    const auto elements = node.GetArray();
    if (elements.Size() < shape.fewest_elements || elements.Size() > N) {
      const std::string count = shape.fewest_elements == N ? "" : "at most ";
      return invalid_length(elements.Size(),
                            "struct " + std::string(shape.name) + " with " + count + std::to_string(N) + " elements");
    }
    for (rapidjson::SizeType field = 0; field < elements.Size(); ++field)
      if (auto status = read_field(field, elements[field], out); !status) return status;
    return {};
  }
  if (!node.IsObject()) return invalid_type(node, "struct " + std::string(shape.name));

  std::array<bool, N> seen{};
  for (const auto& member : node.GetObject()) {
    const std::string_view key = string_bytes(member.name);
    if (!is_valid_utf8(key)) return read_failure("invalid unicode code point in key");
    std::size_t field = 0;
    while (field < N && shape.keys[field] != key) ++field;
    if (field == N) continue;
    if (seen[field]) return read_failure("duplicate field `" + std::string(key) + "`");
    seen[field] = true;
    if (auto status = read_field(field, member.value, out); !status) return status;
  }
  for (std::size_t field = 0; field < shape.required; ++field)
    if (!seen[field]) return read_failure("missing field `" + std::string(shape.keys[field]) + "`");
  return {};
}

}  // namespace paiscribe

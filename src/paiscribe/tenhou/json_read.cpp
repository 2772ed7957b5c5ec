#include "paiscribe/tenhou/json_read.hpp"

#include <charconv>

#include "paiscribe/base/utf8_valid.hpp"

namespace paiscribe {
namespace {

std::string describe_number(const JsonNode& node) {
  if (node.IsUint64()) return "integer `" + std::to_string(node.GetUint64()) + "`";
  if (node.IsInt64()) return "integer `" + std::to_string(node.GetInt64()) + "`";
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, node.GetDouble());
  return "floating point `" + std::string(text, written.ptr) + "`";
}

// What a node is, in the words of a diagnostic; strings are not echoed since
// they may be long or not printable.
std::string describe(const JsonNode& node) {
  switch (node.GetType()) {
    case rapidjson::kNullType:
      return "null";
    case rapidjson::kFalseType:
      return "boolean `false`";
    case rapidjson::kTrueType:
      return "boolean `true`";
    case rapidjson::kObjectType:
      return "map";
    case rapidjson::kArrayType:
      return "sequence";
    case rapidjson::kStringType:
      return "string";
    case rapidjson::kNumberType:
      return describe_number(node);
  }
  return "value";
}

std::unexpected<ParseError> invalid_value(const JsonNode& found, std::string_view expected) {
  return read_failure("invalid value: " + describe(found) + ", expected " + std::string(expected));
}

// The number kinds a copied value keeps apart.
JsonValue number_value(const JsonNode& node) {
  if (node.IsUint64()) return JsonValue{JsonValue::NonNegative{node.GetUint64()}};
  if (node.IsInt64()) return JsonValue{JsonValue::Negative{node.GetInt64()}};
  return JsonValue{JsonValue::Float{node.GetDouble()}};
}

ReadResult<std::string> read_text(std::string_view bytes) {
  // A lone low surrogate escape decodes into bytes that are not UTF-8.
  if (!is_valid_utf8(bytes)) return read_failure("invalid unicode code point in string");
  return std::string(bytes);
}

}  // namespace

std::unexpected<ParseError> read_failure(std::string description) {
  return std::unexpected(ParseError{std::move(description)});
}

std::unexpected<ParseError> invalid_type(const JsonNode& found, std::string_view expected) {
  return read_failure("invalid type: " + describe(found) + ", expected " + std::string(expected));
}

std::unexpected<ParseError> invalid_length(std::size_t found, std::string_view expected) {
  return read_failure("invalid length " + std::to_string(found) + ", expected " + std::string(expected));
}

std::unexpected<ParseError> not_u8(const JsonNode& node) {
  if (!node.IsNumber() || node.IsDouble()) return invalid_type(node, "u8");
  return invalid_value(node, "u8");
}

std::unexpected<ParseError> not_i32(const JsonNode& node) {
  if (!node.IsNumber() || node.IsDouble()) return invalid_type(node, "i32");
  return invalid_value(node, "i32");
}

std::unexpected<ParseError> not_tile(TileCodeRejection rejection) { return read_failure(rejection.message()); }

ReadResult<double> read_f64(const JsonNode& node) {
  if (!node.IsNumber()) return invalid_type(node, "f64");
  return node.GetDouble();
}

ReadResult<std::string> read_string(const JsonNode& node) {
  if (!node.IsString()) return invalid_type(node, "a string");
  return read_text(string_bytes(node));
}

ReadResult<JsonNode::ConstArray> read_sized_array(const JsonNode& node, std::size_t length, std::string_view what) {
  if (!node.IsArray()) return invalid_type(node, what);
  if (node.Size() != length) return invalid_length(node.Size(), what);
  return node.GetArray();
}

ReadResult<JsonValue> read_json_value(const JsonNode& node, int level) {
  switch (node.GetType()) {
    case rapidjson::kNullType:
      return JsonValue{JsonValue::Null{}};
    case rapidjson::kFalseType:
      return JsonValue{false};
    case rapidjson::kTrueType:
      return JsonValue{true};
    case rapidjson::kNumberType:
      return number_value(node);
    case rapidjson::kStringType: {
      auto text = read_text(string_bytes(node));
      if (!text) return std::unexpected(std::move(text.error()));
      return JsonValue{std::move(*text)};
    }
    case rapidjson::kArrayType: {
      if (level > kMaxNestingLevel) return read_failure("recursion limit exceeded");
      JsonValue::Array items;
      items.reserve(node.Size());
      for (const JsonNode& item : node.GetArray()) {
        auto value = read_json_value(item, level + 1);
        if (!value) return value;
        items.push_back(std::move(*value));
      }
      return JsonValue{std::move(items)};
    }
    case rapidjson::kObjectType: {
      if (level > kMaxNestingLevel) return read_failure("recursion limit exceeded");
      JsonValue::Object members;
      members.reserve(node.MemberCount());
      for (const auto& member : node.GetObject()) {
        auto key = read_text(string_bytes(member.name));
        if (!key) return std::unexpected(std::move(key.error()));
        auto value = read_json_value(member.value, level + 1);
        if (!value) return value;
        members.emplace_back(std::move(*key), std::move(*value));
      }
      return JsonValue{std::move(members)};
    }
  }
  return invalid_type(node, "any JSON value");
}

}  // namespace paiscribe

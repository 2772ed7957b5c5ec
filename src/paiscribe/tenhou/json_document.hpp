#pragma once

#include <rapidjson/document.h>

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/tenhou/parse_error.hpp"

namespace paiscribe {

// One JSON text read as exactly one value, with nothing around it but space,
// tab, line feed and carriage return. Values may nest without limit here;
// readers that copy a value out must bound the depth themselves.
class JsonDocument {
 public:
  JsonDocument() = default;
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  std::expected<void, ParseError> parse(std::string_view text);
  const rapidjson::Value& root() const { return document_; }

 private:
  void copy_for_reading(std::string_view text);

  // Parsed in place: the values' strings and numbers point into this copy.
  std::string text_;
  // The default pool allocator frees the tree without walking it, so even a
  // value nested a million levels deep is released without recursion.
  rapidjson::Document document_;
};

}  // namespace paiscribe

#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "paiscribe/tenhou/json_value.hpp"

namespace paiscribe {

// Builds the elements of one array as owned values from the reader's events,
// in document order. It checks nothing: its caller decides what may enter.
class JsonArrayBuilder {
 public:
  void clear() {
    items_.clear();
    open_.clear();
  }

  // One alternative of JsonValue, into the innermost open array or object;
  // into an object under the last key.
  template <class Alternative>
  void add(Alternative value) {
    place().value = std::move(value);
  }
  // An empty array or object that takes the values that follow until close().
  template <class Container>
  void open() {
    JsonValue& container = place();
    container.value = Container{};
    open_.push_back(&container);
  }
  void close() { open_.pop_back(); }
  void key(std::string_view key) { key_.assign(key); }

  JsonValue::Array take() { return std::move(items_); }

 private:
  // Values only ever go into the innermost open container, so the open
  // containers above it never move while it grows.
  JsonValue& place() {
    if (open_.empty()) return items_.emplace_back();
    auto& parent = open_.back()->value;
    if (auto* array = std::get_if<JsonValue::Array>(&parent)) return array->emplace_back();
    return std::get<JsonValue::Object>(parent).emplace_back(std::move(key_), JsonValue{}).value;
  }

  JsonValue::Array items_;
  std::vector<JsonValue*> open_;
  std::string key_;
};

}  // namespace paiscribe

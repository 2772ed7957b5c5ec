#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace paiscribe {

// Any JSON value, owned. Numbers keep whether the log wrote a non-negative
// integer, a negative integer or a number with a fraction or exponent,
// because a win's seats are read differently from each.
struct JsonValue {
  struct Null {
    friend bool operator==(Null, Null) = default;
  };
  struct NonNegative {
    std::uint64_t value;
    friend bool operator==(NonNegative, NonNegative) = default;
  };
  struct Negative {
    std::int64_t value;
    friend bool operator==(Negative, Negative) = default;
  };
  struct Float {
    double value;
    friend bool operator==(Float, Float) = default;
  };
  using Array = std::vector<JsonValue>;
  using Object = std::vector<std::pair<std::string, JsonValue>>;

  std::variant<Null, bool, NonNegative, Negative, Float, std::string, Array, Object> value;

  friend bool operator==(const JsonValue&, const JsonValue&);
};

namespace detail {
// Using the destructor before the comparison below lets clang complete the
// recursive std::pair<std::string, JsonValue> of Object.
inline void use_json_value_destructor(JsonValue* value) { value->~JsonValue(); }
}  // namespace detail

inline bool operator==(const JsonValue& a, const JsonValue& b) { return a.value == b.value; }

}  // namespace paiscribe

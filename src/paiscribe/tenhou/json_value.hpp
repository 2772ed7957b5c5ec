#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace paiscribe {

struct JsonMember;

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
  using Object = std::vector<JsonMember>;  // in document order, duplicates kept

  std::variant<Null, bool, NonNegative, Negative, Float, std::string, Array, Object> value;

  friend bool operator==(const JsonValue&, const JsonValue&);
};

struct JsonMember {
  std::string key;
  JsonValue value;
  friend bool operator==(const JsonMember&, const JsonMember&) = default;
};

inline bool operator==(const JsonValue& a, const JsonValue& b) { return a.value == b.value; }

}  // namespace paiscribe

#pragma once

#include <array>
#include <cstdint>

#include "paiscribe/tenhou/json_array_builder.hpp"
#include "paiscribe/tenhou/json_token.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

// One result item written as an array: the seats' four deltas while every
// element so far can be one, its details from the first element that shows
// it is anything else. The details are built as owned values; what may enter
// them is for the caller to check.
class ResultItemBuilder {
 public:
  void start() {
    deltas_read_ = 0;
    in_details_ = false;
  }

  bool in_details() const { return in_details_; }

  // Takes an element directly inside the item when the item can still be
  // deltas; false when the caller is to add it to the details instead.
  bool add_delta(const JsonToken& token) {
    if (in_details_) return false;
    if (const auto delta = as_i32(token); delta && deltas_read_ < deltas_.size()) {
      deltas_[deltas_read_++] = *delta;
      return true;
    }
    start_details();
    return false;
  }

  // A scalar, or an array or object that takes what follows until close().
  void add_detail(const JsonToken& token);
  void key(std::string_view key) { details_.key(key); }
  void close() { details_.close(); }

  ResultItem finish();

 private:
  void start_details();

  std::array<std::int32_t, 4> deltas_{};
  std::uint32_t deltas_read_ = 0;
  bool in_details_ = false;
  JsonArrayBuilder details_;
};

}  // namespace paiscribe

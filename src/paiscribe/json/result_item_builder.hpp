#pragma once

#include <array>
#include <cstdint>

#include "paiscribe/json/json_token.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// One result item written as an array, from its elements: the seats' four
// deltas while every element so far can be one, its details from the first
// element that shows it is anything else. What may enter is for the caller
// to check.
class ResultItemBuilder {
 public:
  void start() {
    deltas_read_ = 0;
    in_details_ = false;
    details_ = {};
  }

  void add(const JsonToken& token) {
    if (!in_details_) {
      if (const auto delta = as_i32(token); delta && deltas_read_ < deltas_.size()) {
        deltas_[deltas_read_++] = *delta;
        return;
      }
      start_details();
    }
    details_.add(detail_of(token));
  }

  ResultItem finish();

 private:
  static ResultItem::Detail detail_of(const JsonToken& token);
  void start_details();

  std::array<std::int32_t, 4> deltas_{};
  std::uint32_t deltas_read_ = 0;
  bool in_details_ = false;
  ResultItem::Details details_;
};

}  // namespace paiscribe

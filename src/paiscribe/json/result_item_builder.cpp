#include "paiscribe/json/result_item_builder.hpp"

namespace paiscribe {

ResultItem::Detail ResultItemBuilder::detail_of(const JsonToken& token) {
  using Kind = ResultItem::Detail::Kind;
  if (token.kind == JsonToken::Kind::kNonNegative) return {Kind::kNonNegative, token.non_negative};
  if (token.is_number()) return {Kind::kOtherNumber, 0};
  return {Kind::kNoNumber, 0};
}

// The deltas read so far become the first details, as the integers they are.
void ResultItemBuilder::start_details() {
  in_details_ = true;
  for (std::uint32_t i = 0; i < deltas_read_; ++i) details_.add(detail_of(JsonToken::integer(std::int64_t{deltas_[i]})));
}

ResultItem ResultItemBuilder::finish() {
  if (!in_details_ && deltas_read_ == deltas_.size()) return ResultItem{ResultItem::Deltas{deltas_}};
  if (!in_details_) start_details();
  return ResultItem{details_};
}

}  // namespace paiscribe

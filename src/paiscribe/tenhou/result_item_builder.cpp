#include "paiscribe/tenhou/result_item_builder.hpp"

#include <string>

namespace paiscribe {

void ResultItemBuilder::add_detail(const JsonToken& token) {
  switch (token.kind) {
    case JsonToken::Kind::kNull:
      return details_.add(JsonValue::Null{});
    case JsonToken::Kind::kFalse:
    case JsonToken::Kind::kTrue:
      return details_.add(token.kind == JsonToken::Kind::kTrue);
    case JsonToken::Kind::kNonNegative:
      return details_.add(JsonValue::NonNegative{token.non_negative});
    case JsonToken::Kind::kNegative:
      return details_.add(JsonValue::Negative{token.negative});
    case JsonToken::Kind::kFloat:
      return details_.add(JsonValue::Float{token.floating});
    case JsonToken::Kind::kString:
      return details_.add(std::string(token.text));
    case JsonToken::Kind::kArray:
      return details_.open<JsonValue::Array>();
    case JsonToken::Kind::kObject:
      return details_.open<JsonValue::Object>();
  }
}

// The deltas read so far become the first details, as the integers they are.
void ResultItemBuilder::start_details() {
  in_details_ = true;
  details_.clear();
  for (std::uint32_t i = 0; i < deltas_read_; ++i) {
    const std::int32_t delta = deltas_[i];
    if (delta >= 0) details_.add(JsonValue::NonNegative{static_cast<std::uint64_t>(delta)});
    else details_.add(JsonValue::Negative{delta});
  }
}

ResultItem ResultItemBuilder::finish() {
  if (!in_details_ && deltas_read_ == deltas_.size()) return ResultItem{ResultItem::Deltas{deltas_}};
  if (!in_details_) start_details();
  return ResultItem{ResultItem::Details{details_.take()}};
}

}  // namespace paiscribe

#include "paiscribe/xml/tag.hpp"

#include <utility>

namespace paiscribe::xml {
namespace {

bool same_name(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

}  // namespace

Tag::Tag(pugi::xml_node node, std::string_view name, std::size_t position, std::size_t kyoku)
    : node_(node), name_(name), position_(position), kyoku_(kyoku) {
  for (pugi::xml_attribute attribute = node.first_attribute(); attribute; attribute = attribute.next_attribute()) {
    if (attribute_count_ == kGathered) {
      ++attribute_count_;
      break;
    }
    attributes_[attribute_count_++] = {attribute.name(), attribute.value()};
  }
}

const char* Tag::find(const char* attribute) const {
  if (attribute_count_ > kGathered) {
    const pugi::xml_attribute found = node_.attribute(attribute);
    return found.empty() ? nullptr : found.value();
  }
  for (std::size_t at = 0; at < attribute_count_; ++at)
    if (same_name(attributes_[at].name, attribute)) return attributes_[at].value;
  return nullptr;
}

std::unexpected<MjlogError> Tag::fail(MjlogErrorKind kind, std::string_view what) const {
  std::string message;
  if (name().empty())
    message = "text";
  else
    message.append("<").append(name()).append(">");
  message.append(" (tag ").append(std::to_string(position_));
  if (kyoku_ == 0)
    message.append(", before the first kyoku)");
  else
    message.append(", kyoku ").append(std::to_string(kyoku_)).append(")");
  message.append(": ").append(what);
  return std::unexpected(MjlogError{kind, std::move(message)});
}

std::unexpected<MjlogError> Tag::fail_attribute(const char* attribute, std::string_view what) const {
  return fail(MjlogErrorKind::NotAGame, std::string(attribute) + ": " + std::string(what));
}

TagRead<std::string_view> Tag::text(const char* attribute) const {
  const char* found = find(attribute);
  if (found == nullptr) return fail_attribute(attribute, "missing");
  return std::string_view(found);
}

TagRead<std::int64_t> Tag::integer(const char* attribute, std::int64_t min, std::int64_t max) const {
  auto value = text(attribute);
  if (!value) return std::unexpected(std::move(value.error()));
  auto number = read_integer(*value, min, max);
  if (!number) return fail_attribute(attribute, number.error());
  return *number;
}

TagRead<std::uint8_t> Tag::seat(const char* attribute) const {
  auto number = integer(attribute, 0, 3);
  if (!number) return std::unexpected(std::move(number.error()));
  return static_cast<std::uint8_t>(*number);
}

TagRead<std::vector<std::int64_t>> Tag::optional_list(const char* attribute, std::int64_t min,
                                                      std::int64_t max) const {
  const char* found = find(attribute);
  if (found == nullptr) return std::vector<std::int64_t>{};
  auto list = read_integer_list(found, min, max);
  if (!list) return fail_attribute(attribute, list.error());
  return std::move(*list);
}

}  // namespace paiscribe::xml

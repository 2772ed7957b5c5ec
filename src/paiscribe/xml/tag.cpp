#include "paiscribe/xml/tag.hpp"

#include <utility>

namespace paiscribe::xml {

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
  const pugi::xml_attribute found = node_.attribute(attribute);
  if (found.empty()) return fail_attribute(attribute, "missing");
  return std::string_view(found.value());
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
  if (!has(attribute)) return std::vector<std::int64_t>{};
  auto list = read_integer_list(node_.attribute(attribute).value(), min, max);
  if (!list) return fail_attribute(attribute, list.error());
  return std::move(*list);
}

}  // namespace paiscribe::xml

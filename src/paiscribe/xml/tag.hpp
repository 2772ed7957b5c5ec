#pragma once

#include <pugixml.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/xml/parse_mjlog.hpp"
#include "paiscribe/xml/attribute_values.hpp"

namespace paiscribe::xml {

template <typename T>
using TagRead = std::expected<T, MjlogError>;

// One tag of the record and where it stands: reads its attributes and says
// where a fault is ("<N> (tag 57, kyoku 3): m: ...").
class Tag {
 public:
  // `kyoku` counts from 1; 0 is before the first.
  Tag(pugi::xml_node node, std::size_t position, std::size_t kyoku)
      : node_(node), position_(position), kyoku_(kyoku) {}

  std::string_view name() const { return node_.name(); }
  bool has(const char* attribute) const { return !node_.attribute(attribute).empty(); }

  std::unexpected<MjlogError> fail(MjlogErrorKind kind, std::string_view what) const;
  std::unexpected<MjlogError> fail_attribute(const char* attribute, std::string_view what) const;

  TagRead<std::string_view> text(const char* attribute) const;
  TagRead<std::int64_t> integer(const char* attribute, std::int64_t min, std::int64_t max) const;
  TagRead<std::uint8_t> seat(const char* attribute) const;
  // An absent list reads as empty.
  TagRead<std::vector<std::int64_t>> optional_list(const char* attribute, std::int64_t min, std::int64_t max) const;

  template <std::size_t N>
  TagRead<std::array<std::int64_t, N>> integers(const char* attribute, std::int64_t min, std::int64_t max) const {
    auto value = text(attribute);
    if (!value) return std::unexpected(std::move(value.error()));
    std::array<std::int64_t, N> numbers{};
    if (auto read = read_integers(*value, numbers, min, max); !read) return fail_attribute(attribute, read.error());
    return numbers;
  }

 private:
  pugi::xml_node node_;
  std::size_t position_;
  std::size_t kyoku_;
};

}  // namespace paiscribe::xml

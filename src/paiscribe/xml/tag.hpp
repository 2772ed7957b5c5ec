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
  // `kyoku` counts from 1; 0 is before the first. `name` is the node's.
  Tag(pugi::xml_node node, std::string_view name, std::size_t position, std::size_t kyoku);
  Tag(pugi::xml_node node, std::size_t position, std::size_t kyoku) : Tag(node, node.name(), position, kyoku) {}

  std::string_view name() const { return name_; }
  bool has(const char* attribute) const { return find(attribute) != nullptr; }

  std::unexpected<MjlogError> fail(MjlogErrorKind kind, std::string_view what) const;
  std::unexpected<MjlogError> fail_attribute(const char* attribute, std::string_view what) const;

  TagRead<std::string_view> text(const char* attribute) const;
  TagRead<std::int64_t> integer(const char* attribute, std::int64_t min, std::int64_t max) const;
  TagRead<std::uint8_t> seat(const char* attribute) const;
  // An absent list reads as empty.
  TagRead<std::vector<std::int64_t>> optional_list(const char* attribute, std::int64_t min, std::int64_t max) const;

  // N integers within [0, max], each below 1000.
  template <std::size_t N>
  TagRead<std::array<std::uint8_t, N>> small_integers(const char* attribute, std::uint8_t max) const {
    auto value = text(attribute);
    if (!value) return std::unexpected(std::move(value.error()));
    std::array<std::uint8_t, N> numbers{};
    if (auto read = read_small_integers(*value, numbers, max); !read) return fail_attribute(attribute, read.error());
    return numbers;
  }

  // N integers, or with `chips` also 2N, whose last N are left.
  template <std::size_t N>
  TagRead<std::array<std::int64_t, N>> integers(const char* attribute, std::int64_t min, std::int64_t max,
                                                bool chips = false) const {
    auto value = text(attribute);
    if (!value) return std::unexpected(std::move(value.error()));
    std::array<std::int64_t, N> numbers{};
    if (auto read = read_integers(*value, numbers, min, max, chips); !read)
      return fail_attribute(attribute, read.error());
    return numbers;
  }

 private:
  // The attribute's value, or null when the tag has none of that name.
  const char* find(const char* attribute) const;

  // The tag's attributes, gathered once: the reader asks for most of them,
  // and comparing a few short names here costs less than a call into the
  // document for each. A tag with more than these looks them up there.
  struct Attribute {
    const char* name;
    const char* value;
  };
  static constexpr std::size_t kGathered = 16;
  std::array<Attribute, kGathered> attributes_;
  std::size_t attribute_count_ = 0;  // kGathered + 1 when there are more

  pugi::xml_node node_;
  std::string_view name_;
  std::size_t position_;
  std::size_t kyoku_;
};

}  // namespace paiscribe::xml

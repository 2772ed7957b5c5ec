#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <string>
#include <string_view>

#include "paiscribe/base/large_buffer_allocator.hpp"

namespace paiscribe {

// Text in one buffer followed by a few NUL bytes, so a reader may stop at the
// first NUL instead of counting and may look a little past the last byte:
// a UTF-8 check that takes a character's continuation bytes without looking
// for the end reads up to three bytes beyond a character cut short there, and
// a scan over white space loads sixteen bytes from where it stands.
class PaddedText {
 public:
  static constexpr std::size_t kPadding = 16;

  PaddedText() : buffer_(kPadding, '\0') {}
  // A padded copy of text held elsewhere.
  explicit PaddedText(std::string_view text) {
    buffer_.reserve(text.size() + kPadding);
    buffer_.assign(text);
    buffer_.append(kPadding, '\0');
  }
  // A log's text is large: it moves, and is copied only on purpose.
  PaddedText(PaddedText&&) noexcept = default;
  PaddedText& operator=(PaddedText&&) noexcept = default;
  PaddedText(const PaddedText&) = delete;
  PaddedText& operator=(const PaddedText&) = delete;

  std::size_t size() const { return buffer_.size() - kPadding; }
  std::string_view view() const { return {buffer_.data(), size()}; }
  // The text, then the padding.
  const char* data() const { return buffer_.data(); }
  char* data() { return buffer_.data(); }

  // Makes the text `size` bytes long, keeping what it held, for a reader to
  // fill: bytes past the old end hold nothing in particular until written.
  // Returns the start of the text.
  char* grow_to(std::size_t size) {
    assert(size >= this->size());
    // The length comes from `size`, not from the callback's argument: g++ 12's
    // library passes the grown capacity there when the buffer moves.
    buffer_.resize_and_overwrite(size + kPadding, [size](char* text, std::size_t) {
      std::fill_n(text + size, kPadding, '\0');
      return size + kPadding;
    });
    return buffer_.data();
  }
  // Cuts the text to its first `size` bytes, as after reading fewer bytes
  // than it was grown for.
  void set_size(std::size_t size) {
    assert(size <= this->size());
    buffer_.resize(size);
    buffer_.append(kPadding, '\0');
  }
  // Empties the text; its room stays for the next.
  void clear() { set_size(0); }
  // Makes the text a copy of `text`, in the room it has where that suffices.
  void assign(std::string_view text) {
    clear();
    std::copy(text.begin(), text.end(), grow_to(text.size()));
  }
  // The bytes its buffer holds, in use or not.
  std::size_t reserved_bytes() const { return buffer_.capacity(); }

 private:
  // Always ends in kPadding NULs. A long log's text is given back to the
  // system as soon as it is dropped.
  std::basic_string<char, std::char_traits<char>, LargeBufferAllocator<char>> buffer_;
};

}  // namespace paiscribe

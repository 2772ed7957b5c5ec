#include "paiscribe/cpython/line_list.hpp"

#include <cstring>
#include <string_view>

#include "paiscribe/base/utf8.hpp"

namespace paiscribe {
namespace {

// Most lines are 32 to 64 bytes long: two overlapping copies of 32 bytes
// take them without a loop over their length.
void copy_line(char* to, std::string_view line) {
  constexpr std::size_t kHalf = 32;
  const std::size_t size = line.size();
  if (size < kHalf || size > 2 * kHalf) return static_cast<void>(std::memcpy(to, line.data(), size));
  std::memcpy(to, line.data(), kHalf);
  std::memcpy(to + size - kHalf, line.data() + size - kHalf, kHalf);
}

PyObject* str_of_ascii(std::string_view line) {
  PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(line.size()), 0x7F);
  if (text != nullptr) copy_line(reinterpret_cast<char*>(PyUnicode_1BYTE_DATA(text)), line);
  return text;
}

// Once a game, out of line: the look at its bytes stays out of the loop over lines.
[[gnu::noinline]] PyObject* str_of_named_line(std::string_view line) {
  if (utf8::is_ascii(line)) return str_of_ascii(line);
  return PyUnicode_DecodeUTF8(line.data(), static_cast<Py_ssize_t>(line.size()), nullptr);
}

// Only the names in start_game can make a line non-ASCII; every other line
// is copied into its str as it is, without a look at its bytes.
PyObject* str_of_line(std::string_view line, bool may_hold_non_ascii) {
  return may_hold_non_ascii ? str_of_named_line(line) : str_of_ascii(line);
}

}  // namespace

bool LineList::append(const MjaiLines& lines, std::size_t first) {
  OwnedRef run(PyList_New(static_cast<Py_ssize_t>(lines.size() - first)));
  if (!run) return false;
  Py_ssize_t filled = 0;
  const bool made = lines.for_each_line(
      [&](std::string_view line, bool may_hold_non_ascii) {
        PyObject* const text = str_of_line(line, may_hold_non_ascii);
        if (text != nullptr) PyList_SET_ITEM(run.get(), filled++, text);
        return text != nullptr;
      },
      first);
  if (!made) return false;
  if (!list_) {
    list_ = std::move(run);
    return true;
  }
  const Py_ssize_t end = PyList_GET_SIZE(list_.get());
  return PyList_SetSlice(list_.get(), end, end, run.get()) == 0;
}

PyObject* LineList::release() {
  if (!list_) return PyList_New(0);
  return list_.release();
}

}  // namespace paiscribe

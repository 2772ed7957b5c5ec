#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>

#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"

namespace paiscribe {

// A list of str, one per line, grown a batch of lines at a time while a game
// converts, each str made straight from its line.
class LineList {
 public:
  // Adds the lines of `lines` from `first` on; false with the error set.
  bool append(const MjaiLines& lines, std::size_t first = 0);
  // The list (empty when no line came); null with the error set.
  PyObject* release();

 private:
  OwnedRef list_;
};

}  // namespace paiscribe

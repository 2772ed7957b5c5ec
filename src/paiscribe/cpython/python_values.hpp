#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {

// A new str of UTF-8 text, each ill-formed part replaced by U+FFFD.
PyObject* str_of_text(const std::string& text);

// A new list of str, one per line; null with the error set on failure.
PyObject* lines_to_list(const MjaiLines& lines);

// Builds that list batch by batch, while the lines are made: the first
// batch, all of a typical game, becomes the list; later ones extend it.
// After a failure it takes nothing more.
class ListOfLines final : public LineBatches {
 public:
  ListOfLines() = default;
  ListOfLines(const ListOfLines&) = delete;
  ListOfLines& operator=(const ListOfLines&) = delete;
  ~ListOfLines() { Py_XDECREF(list_); }

  void take(const MjaiLines& batch) override;
  // The list, or null with the error set.
  PyObject* release();

 private:
  PyObject* list_ = nullptr;
  bool failed_ = false;
};

// The built-in exception type of an error class; null for the classes the
// _paiscribe module defines itself, and for a call a signal handler stopped.
PyObject* builtin_exception(ErrorClass error_class);

// Raises `type` with the error's message as its single argument, so an
// OSError keeps errno None, and its detail, if any, as a note.
void raise_failure(PyObject* type, const PipelineError& error);

}  // namespace paiscribe

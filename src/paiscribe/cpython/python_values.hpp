#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>
#include <span>
#include <string>
#include <utility>

#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {

// A new str of UTF-8 text, each ill-formed part replaced by U+FFFD.
PyObject* str_of_text(const std::string& text);

// A new list of str, one per line; null with the error set on failure.
PyObject* lines_to_list(const MjaiLines& lines);

// Builds that list line by line, while the lines are made, each str made
// straight from its line: the first run of lines, all of a typical game,
// becomes the list; later runs extend it. After a failure of its own it
// takes nothing more.
class ListOfLines final : public LineSink {
 public:
  ListOfLines() = default;
  ListOfLines(const ListOfLines&) = delete;
  ListOfLines& operator=(const ListOfLines&) = delete;
  ~ListOfLines() { Py_XDECREF(list_); }

  std::expected<void, SerializeError> take_lines_of(std::span<const Event> events, std::string& scratch) override;
  // The list, or null with the error set. A run of lines cut short by a
  // failed conversion leaves an empty list: none of its lines is a result.
  PyObject* release();

 private:
  PyObject* list_ = nullptr;
  bool cut_short_ = false;
  bool failed_ = false;
};

// The built-in exception type of an error class; null for the classes the
// _paiscribe module defines itself, and for a call a signal handler stopped.
PyObject* builtin_exception(ErrorClass error_class);

// Raises `type` with the error's message as its single argument, so an
// OSError keeps errno None, and its detail, if any, as a note.
void raise_failure(PyObject* type, const PipelineError& error);

}  // namespace paiscribe

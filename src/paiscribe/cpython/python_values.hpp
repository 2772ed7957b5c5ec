#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {

// A new str of UTF-8 text, each ill-formed part replaced by U+FFFD.
PyObject* str_of_text(const std::string& text);

// A new list of str, one per line; null with the error set on failure.
PyObject* lines_to_list(const MjaiLines& lines);

// The built-in exception type of an error class; null for the classes the
// _paiscribe module defines itself, and for a call a signal handler stopped.
PyObject* builtin_exception(ErrorClass error_class);

// Raises `type` with the error's message as its single argument, so an
// OSError keeps errno None, and its detail, if any, as a note.
void raise_failure(PyObject* type, const PipelineError& error);

}  // namespace paiscribe

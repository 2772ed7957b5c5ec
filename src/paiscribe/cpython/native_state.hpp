#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "paiscribe/cpython/converter_lease.hpp"
#include "paiscribe/cpython/exceptions.hpp"

namespace paiscribe {

// What paiscribe._native keeps in its module state: the exception types of
// _paiscribe (so that one except clause catches failures of both modules)
// and its own type for records that are no game, as strong references, and
// a converter for the calls that hold the interpreter lock.
struct NativeState {
  ModuleErrors errors;
  PyObject* games_file_type = nullptr;
  KeptConverter kept;
};

NativeState& native_state(PyObject* module);

// Makes the state and adds MjlogParsingError, IllegalGameError and GamesFile
// to `module`; false with the error set.
bool init_native_state(PyObject* module);
void clear_native_state(PyObject* module);

}  // namespace paiscribe

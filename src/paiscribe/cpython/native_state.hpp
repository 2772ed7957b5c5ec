#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>

#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {

// What the _native module keeps per interpreter: the exception types of
// _paiscribe, so that one except clause catches failures of both modules,
// and its own type for records that are no game.
struct NativeState {
  std::array<PyObject*, 4> error_types;  // strong references
  PyObject* mjlog_error;                 // strong reference
};

NativeState& native_state(PyObject* module);

// Fills the state from _paiscribe and adds MjlogParsingError to `module`;
// false with the error set.
bool load_error_types(PyObject* module, NativeState& state);

// The type a failure raises in this interpreter (borrowed).
PyObject* error_type(const NativeState& state, ErrorClass error_class);

void raise_pipeline_error(const NativeState& state, const PipelineError& error);

}  // namespace paiscribe

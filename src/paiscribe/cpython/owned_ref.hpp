#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <memory>

namespace paiscribe {

struct ReleaseReference {
  void operator()(PyObject* object) const { Py_DECREF(object); }
};

// A strong reference, released when the value goes away.
using OwnedRef = std::unique_ptr<PyObject, ReleaseReference>;

}  // namespace paiscribe

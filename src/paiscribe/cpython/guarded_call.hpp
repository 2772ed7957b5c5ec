#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <exception>
#include <new>

namespace paiscribe {

// The result of `call`, or null with MemoryError or RuntimeError set when it
// throws: a C++ exception must never unwind into the interpreter.
template <typename Call>
PyObject* guarded_call(const char* function, Call&& call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::exception& fault) {
    PyErr_Format(PyExc_RuntimeError, "internal error in %s: %s", function, fault.what());
  } catch (...) {
    PyErr_Format(PyExc_RuntimeError, "internal error in %s", function);
  }
  return nullptr;
}

}  // namespace paiscribe

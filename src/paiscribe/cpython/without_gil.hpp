#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace paiscribe {

// Runs `work` with the interpreter lock released, taking it back however
// `work` ends. `work` must not touch Python objects.
template <typename Work>
decltype(auto) without_gil(Work&& work) {
  struct Retake {
    PyThreadState* thread;
    ~Retake() { PyEval_RestoreThread(thread); }
  } retake{PyEval_SaveThread()};
  return std::forward<Work>(work)();
}

}  // namespace paiscribe

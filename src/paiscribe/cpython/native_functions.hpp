#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace paiscribe {

// convert_text(data, /): the lines of a log held in memory.
PyObject* native_convert_text(PyObject* module, PyObject* data);
extern const char kConvertTextDoc[];

// convert_files(jobs, workers, gzip, progress, /): jobs is a list of
// (input, output) path bytes; returns (converted, failures).
PyObject* native_convert_files(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kConvertFilesDoc[];

// mjlog_to_mjai(filename, mjai_out, /): path bytes, and path bytes or None.
PyObject* native_mjlog_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kMjlogToMjaiDoc[];

}  // namespace paiscribe

#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace paiscribe {

// convert_text(data, /): the lines of a record held in memory.
PyObject* native_convert_text(PyObject* module, PyObject* data);
extern const char kConvertTextDoc[];

// convert_files(jobs, output_dir, workers, gzip, check, failures, counts,
// tick, /): jobs is a list of (input, output) path bytes, or (input, output,
// record bytes), each output below output_dir; the failures and counts go
// into the two lists as they come.
PyObject* native_convert_files(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kConvertFilesDoc[];

// check_files(inputs, workers, failures, counts, tick, /): checks files of mjai
// lines as convert_files converts records.
PyObject* native_check_files(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kCheckFilesDoc[];

// check(data, /): the findings of mjai lines, a text or an iterable of str.
PyObject* native_check(PyObject* module, PyObject* data);
extern const char kCheckDoc[];

// finding_text(line, kyoku, seat, message, /): a finding's sentence.
PyObject* native_finding_text(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kFindingTextDoc[];

// convert_file(filename, mjai_out=None) and mjlog_to_mjai(filename,
// mjai_out=None), bound as tenhou_to_mjai binds its arguments.
PyObject* native_convert_file(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names);
extern const char kConvertFileDoc[];
PyObject* native_mjlog_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names);
extern const char kMjlogToMjaiDoc[];

// The GamesFile type, for `module` (a new reference; null with the error set).
PyObject* make_games_file_type(PyObject* module);

// mjlog_to_tenhou(filename, json_out=None): an XML record as Tenhou's JSON
// log, a str, also written to json_out.
PyObject* native_mjlog_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                                 PyObject* keyword_names);
extern const char kMjlogToTenhouDoc[];

// mjai_to_tenhou(data, json_out=None): one game's mjai lines (a text or an
// iterable of str) as Tenhou's JSON log; mjai_file_to_tenhou(filename,
// json_out=None) the same for a file of them.
PyObject* native_mjai_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names);
extern const char kMjaiToTenhouDoc[];
PyObject* native_mjai_file_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                                     PyObject* keyword_names);
extern const char kMjaiFileToTenhouDoc[];

// os_error_detail(errno, /): "Permission denied (EACCES)", as a failure's
// detail names an errno.
PyObject* native_os_error_detail(PyObject* module, PyObject* error_number);
extern const char kOsErrorDetailDoc[];

// write_output(path, data, /): bytes to a command's output, through the one writer.
PyObject* native_write_output(PyObject* module, PyObject* const* args, Py_ssize_t count);
extern const char kWriteOutputDoc[];

}  // namespace paiscribe

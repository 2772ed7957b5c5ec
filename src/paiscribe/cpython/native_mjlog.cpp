// mjlog_to_mjai: the lines of Tenhou's XML game record, with the contract of
// tenhou_to_mjai (the lock held, Ctrl-C heard while a FIFO blocks).
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <optional>
#include <string_view>

#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/python_values.hpp"
#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {
namespace {

std::string_view bytes_of(PyObject* bytes) {
  return {PyBytes_AS_STRING(bytes), static_cast<std::size_t>(PyBytes_GET_SIZE(bytes))};
}

bool signal_handler_raised() { return PyErr_CheckSignals() != 0; }

}  // namespace

const char kMjlogToMjaiDoc[] =
    "mjlog_to_mjai($module, filename, mjai_out, /)\n--\n\n"
    "The lines of the mjlog record at filename (path bytes); also written to\n"
    "mjai_out (path bytes) unless it is None. paiscribe.mjlog_to_mjai is the\n"
    "documented entry.";

PyObject* native_mjlog_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 2 || !PyBytes_Check(args[0]) || (args[1] != Py_None && !PyBytes_Check(args[1]))) {
    PyErr_SetString(PyExc_TypeError, "mjlog_to_mjai() takes path bytes and path bytes or None");
    return nullptr;
  }
  const std::optional<std::string_view> mjai_out =
      args[1] == Py_None ? std::nullopt : std::optional<std::string_view>(bytes_of(args[1]));
  return guarded_call("mjlog_to_mjai", [&]() -> PyObject* {
    const auto lines = run_mjlog_pipeline(bytes_of(args[0]), mjai_out, signal_handler_raised);
    if (!lines) {
      raise_pipeline_error(native_state(module), lines.error());
      return nullptr;
    }
    return lines_to_list(*lines);
  });
}

}  // namespace paiscribe

// write_output: bytes written where a command's output goes, by the writer
// every output of the package goes through (a regular file replaced whole,
// FIFOs, devices and standard output in place, links written through).
#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/pipeline/convert_file.hpp"

namespace paiscribe {

const char kWriteOutputDoc[] =
    "write_output($module, path, data, /)\n--\n\n"
    "Writes data (str, bytes or any buffer) to path (\"-\" is standard output),\n"
    "gzip-compressed when its name ends in .gz: a regular file is replaced\n"
    "whole or left as it was, a FIFO or device is written in place. OSError\n"
    "when it cannot be, BrokenPipeError when the reader of a pipe went away.";

PyObject* native_write_output(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 2) {
    PyErr_Format(PyExc_TypeError, "write_output() takes exactly 2 arguments (%zd given)", count);
    return nullptr;
  }
  const OwnedRef path = path_bytes(args[0], "path");
  if (!path) return nullptr;
  InputBytes data;
  if (!data.take("write_output", args[1])) return nullptr;
  return guarded_call("write_output", [&]() -> PyObject* {
    constexpr OutputLabel kOut{"out", true};
    const std::string_view output = view_of(path.get());
    if (auto written = write_output(output, data.bytes(), signal_handler_raised, kOut, names_gzip(output)); !written) {
      raise_error(native_state(module).errors, written.error());
      return nullptr;
    }
    Py_RETURN_NONE;
  });
}

}  // namespace paiscribe

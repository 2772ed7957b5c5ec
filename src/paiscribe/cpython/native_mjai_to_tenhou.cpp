// mjai_to_tenhou and mjai_file_to_tenhou: one game's mjai lines as Tenhou's
// JSON log. Lines in memory are rebuilt with the interpreter lock released;
// a file is read holding it, as mjlog_to_tenhou reads its record.
#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/converter_lease.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/json_log_result.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/without_gil.hpp"
#include "paiscribe/pipeline/mjai_to_tenhou_json.hpp"

namespace paiscribe {
namespace {

constexpr const char* kJsonOut = "json_out";

}  // namespace

const char kMjaiToTenhouDoc[] =
    "mjai_to_tenhou(data, json_out=None)\n--\n\n"
    "One game's mjai lines as Tenhou's JSON log (version 6): one line of\n"
    "compact JSON, as Tenhou writes it. data is a text of lines (str, or any\n"
    "buffer, plain or gzip-compressed) or an iterable of str, one line each.\n"
    "The interpreter lock is released while the log is made.\n\n"
    "With json_out the log is also written there, as mjlog_to_tenhou writes it.\n\n"
    "Lines that are not one legal game raise IllegalGameError, its findings as\n"
    "(line, kyoku, seat, message) tuples in .findings. paiscribe.mjai_to_tenhou\n"
    "is the interface to use.";

PyObject* native_mjai_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                                PyObject* keyword_names) {
  const auto arguments = bind_data_arguments("mjai_to_tenhou", args, nargsf, keyword_names, kJsonOut);
  if (!arguments) return nullptr;
  return guarded_call("mjai_to_tenhou", [&]() -> PyObject* {
    NativeState& state = native_state(module);
    PyObject* data = arguments->data;
    ConverterLease lease(state.kept);
    TenhouJsonRebuilder& rebuilder = lease.rebuilder();
    if (PyUnicode_Check(data) || PyObject_CheckBuffer(data)) {
      InputBytes input;
      if (!input.take("mjai_to_tenhou", data)) return nullptr;
      RecordReader& reader = lease.converter().reader();
      const auto json = without_gil([&] { return rebuilder.from_bytes(input.bytes(), reader); });
      return json_log_result(state, json, arguments->output_bytes());
    }
    LineViews lines;
    if (!lines.take("mjai_to_tenhou", data)) return nullptr;
    const auto json = without_gil([&] { return rebuilder.from_lines(lines.views()); });
    return json_log_result(state, json, arguments->output_bytes());
  });
}

const char kMjaiFileToTenhouDoc[] =
    "mjai_file_to_tenhou(filename, json_out=None)\n--\n\n"
    "mjai_to_tenhou for the file of one game's mjai lines at filename, plain\n"
    "or compressed (known by its first bytes), read as mjlog_to_tenhou reads\n"
    "its record; files fail as there (OSError).";

PyObject* native_mjai_file_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                                     PyObject* keyword_names) {
  const auto paths = bind_path_arguments("mjai_file_to_tenhou", args, nargsf, keyword_names, kJsonOut);
  if (!paths) return nullptr;
  return guarded_call("mjai_file_to_tenhou", [&]() -> PyObject* {
    NativeState& state = native_state(module);
    ConverterLease lease(state.kept);
    const auto json = lease.rebuilder().from_file(paths->filename_bytes(), lease.converter().reader(),
                                                  signal_handler_raised);
    return json_log_result(state, json, paths->output_bytes());
  });
}

}  // namespace paiscribe

// mjlog_to_tenhou: an XML record as Tenhou's JSON log, holding the
// interpreter lock as mjlog_to_mjai does.
#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/converter_lease.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/json_log_result.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/pipeline/tenhou_json_export.hpp"

namespace paiscribe {

const char kMjlogToTenhouDoc[] =
    "mjlog_to_tenhou(filename, json_out=None)\n--\n\n"
    "The Tenhou XML game record (mjlog) at filename, plain or gzip-compressed,\n"
    "as Tenhou's JSON log (version 6): one line of compact JSON, as Tenhou\n"
    "writes it, with each win's points and yaku, the players' ranks and the\n"
    "final scores. tenhou_to_mjai on that log gives mjlog_to_mjai's lines.\n"
    "The log names the game (\"ref\") when the file is named after it, as\n"
    "Tenhou names a download. filename may also be the record itself, held\n"
    "in memory as bytes or any other buffer, as convert_text takes it.\n\n"
    "With json_out the log is also written there, without a line end (\"-\" is\n"
    "standard output), as tenhou_to_mjai writes mjai_out: a file there is\n"
    "replaced whole or left as it was, and gzip-compressed when its name ends\n"
    "in .gz.\n\n"
    "It fails as mjlog_to_mjai fails on the record: a text that is no\n"
    "four-player game record raises MjlogParsingError, a game that does not\n"
    "convert what mjlog_to_mjai raises; so does a win whose points or yaku the\n"
    "log cannot hold (MjlogParsingError). Files fail as in mjlog_to_mjai\n"
    "(OSError), and a reader of json_out that went away as BrokenPipeError.";

PyObject* native_mjlog_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                                 PyObject* keyword_names) {
  const auto paths = bind_path_arguments("mjlog_to_tenhou", args, nargsf, keyword_names, "json_out", true);
  if (!paths) return nullptr;
  InputBytes record;
  if (paths->record && !record.take("mjlog_to_tenhou", paths->record.get())) return nullptr;
  return guarded_call("mjlog_to_tenhou", [&]() -> PyObject* {
    NativeState& state = native_state(module);
    ConverterLease lease(state.kept);
    RecordReader& reader = lease.converter().reader();
    const auto json = paths->record ? mjlog_bytes_to_tenhou_json(record.bytes(), reader)
                                    : mjlog_to_tenhou_json(paths->filename_bytes(), reader, signal_handler_raised);
    return json_log_result(state, json, paths->output_bytes());
  });
}

}  // namespace paiscribe

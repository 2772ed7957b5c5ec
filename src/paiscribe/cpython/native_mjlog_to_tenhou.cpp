// mjlog_to_tenhou: an XML record as Tenhou's JSON log, holding the
// interpreter lock as mjlog_to_mjai does.
#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/pipeline/tenhou_json_export.hpp"

namespace paiscribe {

const char kMjlogToTenhouDoc[] =
    "mjlog_to_tenhou(filename)\n--\n\n"
    "The Tenhou XML game record (mjlog) at filename, plain or gzip-compressed,\n"
    "as Tenhou's JSON log (version 6): one line of compact JSON, as Tenhou\n"
    "writes it, with each win's points and yaku, the players' ranks and the\n"
    "final scores. tenhou_to_mjai on that log gives mjlog_to_mjai's lines.\n"
    "The log names the game (\"ref\") when the file is named after it, as\n"
    "Tenhou names a download.\n\n"
    "A text that is no four-player game record, or a win whose points or yaku\n"
    "the log cannot hold, raises MjlogParsingError; files fail as in\n"
    "mjlog_to_mjai (OSError).";

PyObject* native_mjlog_to_tenhou(PyObject* module, PyObject* const* args, Py_ssize_t nargsf,
                                 PyObject* keyword_names) {
  const OwnedRef filename = bind_filename_argument("mjlog_to_tenhou", args, nargsf, keyword_names);
  if (!filename) return nullptr;
  return guarded_call("mjlog_to_tenhou", [&]() -> PyObject* {
    auto json = mjlog_to_tenhou_json(view_of(filename.get()), signal_handler_raised);
    if (!json) {
      raise_error(native_state(module).errors, json.error());
      return nullptr;
    }
    return str_of_text(*json);
  });
}

}  // namespace paiscribe

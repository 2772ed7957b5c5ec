// convert_file and mjlog_to_mjai: one record file's lines, as tenhou_to_mjai
// gives a JSON log's, holding the interpreter lock likewise.
#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/convert_calls.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"

namespace paiscribe {
namespace {

PyObject* convert_with(const char* function, InputPolicy policy, PyObject* module, PyObject* const* args,
                       Py_ssize_t nargsf, PyObject* keyword_names) {
  const auto paths = bind_path_arguments(function, args, nargsf, keyword_names);
  if (!paths) return nullptr;
  return guarded_call(function, [&] {
    NativeState& state = native_state(module);
    ConverterLease lease(state.kept);
    return convert_file_call(lease.converter(), paths->filename_bytes(), paths->output_bytes(), policy,
                             state.errors, true);
  });
}

}  // namespace

const char kConvertFileDoc[] =
    "convert_file(filename, mjai_out=None)\n--\n\n"
    "The mjai lines of the game record at filename: a Tenhou JSON log or XML\n"
    "record (mjlog), plain or gzip-compressed, told apart by its first bytes.\n\n"
    "With mjai_out the lines are also written there, each followed by a line\n"
    "feed, once every line exists (\"-\" is standard output); a file there is\n"
    "replaced whole or left as it was. A JSON log fails as tenhou_to_mjai fails\n"
    "on it, an XML record as mjlog_to_mjai does.\n\n"
    "    >>> lines = convert_file(\"2019021004gm-00a9-0000-e2f6516d.mjlog\")\n"
    "    >>> lines[0][:25]\n"
    "    '{\"type\":\"start_game\",\"nam'";

const char kMjlogToMjaiDoc[] =
    "mjlog_to_mjai(filename, mjai_out=None)\n--\n\n"
    "The mjai lines of the Tenhou XML game record (mjlog) at filename, plain\n"
    "or gzip-compressed (a downloaded .mjlog), as tenhou_to_mjai gives them for\n"
    "the same game's JSON log.\n\n"
    "With mjai_out the lines are also written there as tenhou_to_mjai writes\n"
    "them. A text that is no four-player game record raises MjlogParsingError,\n"
    "with what is wrong and where in a note; a three-player game says so in its\n"
    "message. The game's play fails as a JSON log's does (TenhouToMjaiError,\n"
    "TenhouLogParsingError), and files as tenhou_to_mjai's do (OSError).";

PyObject* native_convert_file(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names) {
  return convert_with("convert_file", kAnyRecord, module, args, nargsf, keyword_names);
}

PyObject* native_mjlog_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names) {
  return convert_with("mjlog_to_mjai", kMjlog, module, args, nargsf, keyword_names);
}

}  // namespace paiscribe

// convert_text: a record's lines from bytes in memory, with the interpreter
// lock released while each batch of lines is made.
#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/convert_calls.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/without_gil.hpp"

namespace paiscribe {

const char kConvertTextDoc[] =
    "convert_text($module, data, /)\n--\n\n"
    "The mjai lines of a game record held in memory: a Tenhou JSON log or XML\n"
    "record, plain or gzip-compressed, told apart by its first bytes.\n\n"
    "data is str, bytes, bytearray or any other buffer. The result is the list\n"
    "that convert_file returns for a file holding those bytes (a str as its\n"
    "UTF-8), and a failure raises what convert_file raises for that file.\n"
    "The interpreter lock is released while the record is converted.\n\n"
    "    >>> lines = convert_text(urllib.request.urlopen(url).read())\n"
    "    >>> lines[0][:25]\n"
    "    '{\"type\":\"start_game\",\"nam'";

PyObject* native_convert_text(PyObject* module, PyObject* data) {
  InputBytes input;
  if (!input.take("convert_text", data)) return nullptr;
  return guarded_call("convert_text", [&]() -> PyObject* {
    NativeState& state = native_state(module);
    ConverterLease lease(state.kept);
    Converter& converter = lease.converter();
    const auto without_lock = [](auto&& step) { return without_gil(step); };
    if (auto started = without_lock([&] { return converter.start_copy(input.bytes(), kAnyRecord); });
        !started) {
      raise_error(state.errors, started.error());
      return nullptr;
    }
    return list_of_lines(converter, false, state.errors, without_lock);
  });
}

}  // namespace paiscribe

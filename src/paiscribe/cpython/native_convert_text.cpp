// convert_text: a log's lines from text in memory, with the interpreter lock
// released while it is parsed, converted and serialised.
#include <string_view>

#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/python_values.hpp"
#include "paiscribe/cpython/without_gil.hpp"

namespace paiscribe {
namespace {

// The bytes a str or a buffer holds, kept alive (and a buffer's size fixed)
// while the value lives.
class InputBytes {
 public:
  // False with the error set when `data` holds no bytes.
  bool take(PyObject* data) {
    if (PyUnicode_Check(data)) return take_str(data);
    if (PyObject_GetBuffer(data, &buffer_, PyBUF_SIMPLE) < 0) {
      if (PyErr_ExceptionMatches(PyExc_TypeError)) {
        PyErr_Format(PyExc_TypeError, "convert_text() argument must be str or a bytes-like object, not '%.200s'",
                     Py_TYPE(data)->tp_name);
      }
      return false;
    }
    has_buffer_ = true;
    bytes_ = {static_cast<const char*>(buffer_.buf), static_cast<std::size_t>(buffer_.len)};
    return true;
  }

  std::string_view bytes() const { return bytes_; }

  InputBytes() = default;
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;
  ~InputBytes() {
    if (has_buffer_) PyBuffer_Release(&buffer_);
  }

 private:
  // A str is read as its UTF-8. Lone surrogates have none, so they are kept
  // as the bytes a file would hold, which then fail the UTF-8 check as that
  // file would.
  bool take_str(PyObject* text) {
    Py_ssize_t size = 0;
    if (const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size)) {
      bytes_ = {utf8, static_cast<std::size_t>(size)};
      return true;
    }
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return false;
    PyErr_Clear();
    encoded_.reset(PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass"));
    if (!encoded_) return false;
    bytes_ = {PyBytes_AS_STRING(encoded_.get()), static_cast<std::size_t>(PyBytes_GET_SIZE(encoded_.get()))};
    return true;
  }

  Py_buffer buffer_ = {};
  bool has_buffer_ = false;
  OwnedRef encoded_;
  std::string_view bytes_;
};

}  // namespace

const char kConvertTextDoc[] =
    "convert_text($module, data, /)\n--\n\n"
    "The mjai lines of a Tenhou JSON log held in memory.\n\n"
    "data is str, bytes, bytearray or any other buffer. The result is the list\n"
    "that tenhou_to_mjai returns for a file holding those bytes (a str as its\n"
    "UTF-8), and a failure raises what tenhou_to_mjai raises for that file.\n"
    "The interpreter lock is released while the log is converted.\n\n"
    "    >>> lines = convert_text(urllib.request.urlopen(url).read())\n"
    "    >>> lines[0][:25]\n"
    "    '{\"type\":\"start_game\",\"nam'";

PyObject* native_convert_text(PyObject* module, PyObject* data) {
  InputBytes input;
  if (!input.take(data)) return nullptr;
  return guarded_call("convert_text", [&]() -> PyObject* {
    const auto lines = without_gil([&] { return convert_bytes(input.bytes()); });
    if (!lines) {
      raise_pipeline_error(native_state(module), lines.error());
      return nullptr;
    }
    return lines_to_list(*lines);
  });
}

}  // namespace paiscribe

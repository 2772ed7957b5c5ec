#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "paiscribe/cpython/owned_ref.hpp"

namespace paiscribe {

// The bytes of a bytes object, valid while it lives.
inline std::string_view view_of(PyObject* bytes) {
  return {PyBytes_AS_STRING(bytes), static_cast<std::size_t>(PyBytes_GET_SIZE(bytes))};
}

// The bytes of a path argument (str or path-like) in the file-system
// encoding; a bytes path is refused, so that every parameter takes text
// only. Null with TypeError set, naming the parameter.
OwnedRef path_bytes(PyObject* argument, std::string_view parameter);

// The arguments of a call `name(filename, mjai_out=None)` as path bytes in
// the file-system encoding: str or path-like, not bytes. The output's
// parameter may have another name (json_out). With `takes_bytes`, a bytes
// object or any other buffer given for filename is the record itself, held
// in `record`, as convert_text takes it. Nullopt with TypeError set, in the
// words the interpreter uses for its own functions.
struct PathArguments {
  OwnedRef filename;  // null when `record` holds the record
  OwnedRef output;    // null when None or not given
  OwnedRef record;

  std::string_view filename_bytes() const { return view_of(filename.get()); }
  std::optional<std::string_view> output_bytes() const {
    return output ? std::optional(view_of(output.get())) : std::nullopt;
  }
};
std::optional<PathArguments> bind_path_arguments(const char* function, PyObject* const* args, Py_ssize_t nargsf,
                                                 PyObject* keyword_names, const char* output_parameter = "mjai_out",
                                                 bool takes_bytes = false);

// The arguments of a call `name(data, json_out=None)`: the data as given
// (borrowed), the output as path bytes, as bind_path_arguments binds them.
struct DataArguments {
  PyObject* data;
  OwnedRef output;  // null when None or not given

  std::optional<std::string_view> output_bytes() const {
    return output ? std::optional(view_of(output.get())) : std::nullopt;
  }
};
std::optional<DataArguments> bind_data_arguments(const char* function, PyObject* const* args, Py_ssize_t nargsf,
                                                 PyObject* keyword_names, const char* output_parameter);

// A str's UTF-8. Lone surrogates have none, so they are kept as the bytes a
// file would hold, encoded into `encoded`, which then fail the UTF-8 check
// as that file would. Nullopt with the error set.
std::optional<std::string_view> utf8_of(PyObject* text, OwnedRef& encoded);

// The bytes a str or any buffer holds, kept alive (and a buffer's size
// fixed) while the value lives.
class InputBytes {
 public:
  InputBytes() = default;
  InputBytes(const InputBytes&) = delete;
  InputBytes& operator=(const InputBytes&) = delete;
  ~InputBytes();

  // False with TypeError set when `data` holds no bytes.
  bool take(const char* function, PyObject* data);
  std::string_view bytes() const { return bytes_; }

 private:
  Py_buffer buffer_ = {};
  bool has_buffer_ = false;
  OwnedRef encoded_;
  std::string_view bytes_;
};

// The lines of an iterable of str, one line each, as views of their UTF-8
// (as utf8_of gives it), which the references held here keep alive while
// the lock is released.
class LineViews {
 public:
  LineViews() = default;
  LineViews(const LineViews&) = delete;
  LineViews& operator=(const LineViews&) = delete;
  ~LineViews();

  // False with TypeError set when `data` is no iterable of str.
  bool take(const char* function, PyObject* data);
  std::span<const std::string_view> views() const { return views_; }

 private:
  std::vector<PyObject*> held_;  // the strs, and the UTF-8 made for those with lone surrogates
  std::vector<std::string_view> views_;
};

// Runs the interpreter's signal handlers, as its own blocking calls do when a
// signal interrupts them: true when a handler raised (Ctrl-C), which ends the call.
inline bool signal_handler_raised() { return PyErr_CheckSignals() != 0; }

}  // namespace paiscribe

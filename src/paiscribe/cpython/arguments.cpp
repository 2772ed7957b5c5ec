#include "paiscribe/cpython/arguments.hpp"

#include <cstddef>
#include <span>

namespace paiscribe {
namespace {

// Puts "argument '<name>': " before the message of a pending TypeError,
// keeping its cause and traceback; other errors pass unchanged.
void name_argument_in_type_error(std::string_view parameter) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  const OwnedRef original(PyErr_GetRaisedException());
  const OwnedRef text(PyObject_Str(original.get()));
  if (!text) return;
  const OwnedRef message(PyUnicode_FromFormat("argument '%s': %U", parameter.data(), text.get()));
  if (!message) return;
  PyObject* replacement = PyObject_CallOneArg(PyExc_TypeError, message.get());
  if (replacement == nullptr) return;
  if (PyObject* cause = PyException_GetCause(original.get())) PyException_SetCause(replacement, cause);
  if (const OwnedRef traceback{PyException_GetTraceback(original.get())}) {
    PyException_SetTraceback(replacement, traceback.get());
  }
  PyErr_SetRaisedException(replacement);
}

}  // namespace

OwnedRef path_bytes(PyObject* argument, std::string_view parameter) {
  OwnedRef bytes;
  if (const OwnedRef path{PyOS_FSPath(argument)}) {
    if (PyUnicode_Check(path.get())) {
      bytes.reset(PyUnicode_EncodeFSDefault(path.get()));
    } else if (const OwnedRef type_name{PyType_GetQualName(Py_TYPE(path.get()))}) {
      PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to 'PyString'", type_name.get());
    }
  }
  if (!bytes) name_argument_in_type_error(parameter);
  return bytes;
}

namespace {

// Binds `parameters` (the first required, the others None when not given)
// from a vectorcall into `bound`; false with TypeError set.
bool bind(const char* function, std::span<const std::string_view> parameters, PyObject* const* args,
          Py_ssize_t positional, PyObject* keyword_names, std::span<PyObject*> bound) {
  const auto most = static_cast<Py_ssize_t>(parameters.size());
  if (positional > most) {
    PyErr_Format(PyExc_TypeError, "%s() takes from 1 to %zd positional arguments but %zd were given", function, most,
                 positional);
    return false;
  }
  for (Py_ssize_t i = 0; i < positional; ++i) bound[static_cast<std::size_t>(i)] = args[i];
  const Py_ssize_t keywords = keyword_names == nullptr ? 0 : PyTuple_GET_SIZE(keyword_names);
  for (Py_ssize_t i = 0; i < keywords; ++i) {
    PyObject* name = PyTuple_GET_ITEM(keyword_names, i);
    Py_ssize_t length = 0;
    const char* text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &length) : nullptr;
    if (text == nullptr) PyErr_Clear();
    const std::string_view key = text == nullptr ? std::string_view() : std::string_view(text, length);
    std::size_t slot = 0;
    while (slot < parameters.size() && (text == nullptr || key != parameters[slot])) ++slot;
    if (slot == parameters.size()) {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%S'", function, name);
      return false;
    }
    if (bound[slot] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", function, parameters[slot].data());
      return false;
    }
    bound[slot] = args[positional + i];
  }
  if (bound[0] == nullptr) {
    PyErr_Format(PyExc_TypeError, "%s() missing 1 required positional argument: '%s'", function,
                 parameters[0].data());
    return false;
  }
  return true;
}

}  // namespace

std::optional<PathArguments> bind_path_arguments(const char* function, PyObject* const* args, Py_ssize_t nargsf,
                                                 PyObject* keyword_names, const char* output_parameter,
                                                 bool takes_bytes) {
  const std::array<std::string_view, 2> parameters = {"filename", output_parameter};
  std::array<PyObject*, 2> bound = {};
  if (!bind(function, parameters, args, PyVectorcall_NARGS(nargsf), keyword_names, bound)) return std::nullopt;
  // filename first, so that when both are unsuitable only its error is raised.
  PathArguments paths;
  if (takes_bytes && PyObject_CheckBuffer(bound[0])) paths.record.reset(Py_NewRef(bound[0]));
  else if (!(paths.filename = path_bytes(bound[0], parameters[0]))) return std::nullopt;
  if (bound[1] != nullptr && bound[1] != Py_None) {
    paths.output = path_bytes(bound[1], parameters[1]);
    if (!paths.output) return std::nullopt;
  }
  return paths;
}

std::optional<DataArguments> bind_data_arguments(const char* function, PyObject* const* args, Py_ssize_t nargsf,
                                                 PyObject* keyword_names, const char* output_parameter) {
  const std::array<std::string_view, 2> parameters = {"data", output_parameter};
  std::array<PyObject*, 2> bound = {};
  if (!bind(function, parameters, args, PyVectorcall_NARGS(nargsf), keyword_names, bound)) return std::nullopt;
  DataArguments arguments{bound[0], nullptr};
  if (bound[1] != nullptr && bound[1] != Py_None) {
    arguments.output = path_bytes(bound[1], parameters[1]);
    if (!arguments.output) return std::nullopt;
  }
  return arguments;
}

InputBytes::~InputBytes() {
  if (has_buffer_) PyBuffer_Release(&buffer_);
}

std::optional<std::string_view> utf8_of(PyObject* text, OwnedRef& encoded) {
  Py_ssize_t size = 0;
  if (const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size)) return std::string_view(utf8, static_cast<std::size_t>(size));
  if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return std::nullopt;
  PyErr_Clear();
  encoded.reset(PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass"));
  if (!encoded) return std::nullopt;
  return view_of(encoded.get());
}

bool InputBytes::take(const char* function, PyObject* data) {
  if (PyUnicode_Check(data)) {
    const auto utf8 = utf8_of(data, encoded_);
    if (utf8) bytes_ = *utf8;
    return utf8.has_value();
  }
  if (PyObject_GetBuffer(data, &buffer_, PyBUF_SIMPLE) < 0) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Format(PyExc_TypeError, "%s() argument must be str or a bytes-like object, not '%.200s'", function,
                   Py_TYPE(data)->tp_name);
    }
    return false;
  }
  has_buffer_ = true;
  bytes_ = {static_cast<const char*>(buffer_.buf), static_cast<std::size_t>(buffer_.len)};
  return true;
}

LineViews::~LineViews() {
  for (PyObject* held : held_) Py_DECREF(held);
}

// Each str is held as it is read, so that its UTF-8 stays while the lock is
// released whatever becomes of the sequence.
bool LineViews::take(const char* function, PyObject* data) {
  const OwnedRef lines(PySequence_Fast(data, ""));
  if (!lines) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Format(PyExc_TypeError, "%s() takes a str, a buffer or an iterable of str, not %.200s", function,
                   Py_TYPE(data)->tp_name);
    }
    return false;
  }
  const Py_ssize_t count = PySequence_Fast_GET_SIZE(lines.get());
  PyObject** items = PySequence_Fast_ITEMS(lines.get());
  held_.reserve(static_cast<std::size_t>(count));
  views_.reserve(static_cast<std::size_t>(count));
  // A list's strs lie anywhere in memory: each is fetched a few lines ahead.
  constexpr Py_ssize_t kAhead = 32;
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (i + kAhead < count) __builtin_prefetch(items[i + kAhead]);
    PyObject* line = items[i];
    if (!PyUnicode_Check(line)) {
      PyErr_Format(PyExc_TypeError, "%s() line %zd must be str, not %.200s", function, i, Py_TYPE(line)->tp_name);
      return false;
    }
    held_.push_back(Py_NewRef(line));
    // An ASCII str is its own UTF-8, as mjai lines nearly always are.
    if (PyUnicode_IS_COMPACT_ASCII(line)) {
      views_.emplace_back(static_cast<const char*>(PyUnicode_DATA(line)),
                          static_cast<std::size_t>(PyUnicode_GET_LENGTH(line)));
      continue;
    }
    OwnedRef encoded;
    const auto utf8 = utf8_of(line, encoded);
    if (!utf8) return false;
    views_.push_back(*utf8);
    if (encoded) held_.push_back(encoded.release());
  }
  return true;
}

}  // namespace paiscribe

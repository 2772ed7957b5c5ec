// finding_text: a finding's sentence for paiscribe.Finding, worded where
// the checker words its own (an IllegalGameError's detail), so the two
// cannot drift apart.
#include <cstdint>
#include <optional>
#include <string_view>

#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/rules/wording.hpp"

namespace paiscribe {
namespace {

// The UTF-8 of a str, or none with TypeError set.
std::optional<std::string_view> text_of(PyObject* object, const char* name) {
  if (!PyUnicode_Check(object)) {
    PyErr_Format(PyExc_TypeError, "finding_text() %s must be str, not %.200s", name, Py_TYPE(object)->tp_name);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
  if (utf8 == nullptr) return std::nullopt;
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

}  // namespace

const char kFindingTextDoc[] =
    "finding_text($module, line, kyoku, seat, message, /)\n--\n\n"
    "A finding's sentence, \"line 412, East 3, seat 2: <message>\": kyoku (a\n"
    "str) and seat (an int) are left out when None. str(paiscribe.Finding)\n"
    "is the interface to use.";

PyObject* native_finding_text(PyObject* /*module*/, PyObject* const* args, Py_ssize_t count) {
  if (count != 4) {
    PyErr_Format(PyExc_TypeError, "finding_text() takes exactly 4 arguments (%zd given)", count);
    return nullptr;
  }
  const unsigned long long line = PyLong_AsUnsignedLongLong(args[0]);
  if (line == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return nullptr;
  std::optional<std::string_view> kyoku;
  if (args[1] != Py_None && !(kyoku = text_of(args[1], "kyoku"))) return nullptr;
  std::optional<std::int64_t> seat;
  if (args[2] != Py_None) {
    seat = PyLong_AsLongLong(args[2]);
    if (*seat == -1 && PyErr_Occurred()) return nullptr;
  }
  const auto message = text_of(args[3], "message");
  if (!message) return nullptr;
  return guarded_call("finding_text", [&] { return str_of_text(rules::finding_text(line, kyoku, seat, *message)); });
}

}  // namespace paiscribe

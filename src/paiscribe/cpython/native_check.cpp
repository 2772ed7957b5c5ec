// check: the findings of mjai lines held in memory, made with the
// interpreter lock released.
#include <string_view>
#include <vector>

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/finding_tuples.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/without_gil.hpp"
#include "paiscribe/pipeline/check_lines.hpp"

namespace paiscribe {
namespace {

PyObject* check_text(PyObject* data) {
  InputBytes input;
  if (!input.take("check", data)) return nullptr;
  const auto findings = without_gil([&] { return check_lines(input.bytes()); });
  return finding_tuples(findings.kept);
}

// Each line is a str of its own; the tuple keeps them, and so their UTF-8,
// alive while the lock is released; a line with a lone surrogate is checked
// as a text with one is.
PyObject* check_each_line(PyObject* data) {
  const OwnedRef lines(PySequence_Tuple(data));
  if (!lines) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Format(PyExc_TypeError, "check() takes a str, a buffer or an iterable of str, not %.200s",
                   Py_TYPE(data)->tp_name);
    }
    return nullptr;
  }
  const Py_ssize_t count = PyTuple_GET_SIZE(lines.get());
  std::vector<std::string_view> views;
  views.reserve(static_cast<std::size_t>(count));
  std::vector<OwnedRef> encoded;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* line = PyTuple_GET_ITEM(lines.get(), i);
    if (!PyUnicode_Check(line)) {
      PyErr_Format(PyExc_TypeError, "check() line %zd must be str, not %.200s", i, Py_TYPE(line)->tp_name);
      return nullptr;
    }
    OwnedRef bytes;
    const auto utf8 = utf8_of(line, bytes);
    if (!utf8) return nullptr;
    views.push_back(*utf8);
    if (bytes) encoded.push_back(std::move(bytes));
  }
  const auto findings = without_gil([&] {
    LinesCheck check;
    for (std::string_view line : views) check.feed(line);
    return std::move(check).finish();
  });
  return finding_tuples(findings.kept);
}

}  // namespace

const char kCheckDoc[] =
    "check($module, data, /)\n--\n\n"
    "The findings of mjai lines under the rules Tenhou plays, as (line, kyoku,\n"
    "seat, message) tuples: data is a text of lines (str or any buffer), or an\n"
    "iterable of str, one line each. paiscribe.check is the interface to use.";

PyObject* native_check(PyObject* /*module*/, PyObject* data) {
  return guarded_call("check", [&] {
    const bool is_text = PyUnicode_Check(data) || PyObject_CheckBuffer(data);
    return is_text ? check_text(data) : check_each_line(data);
  });
}

}  // namespace paiscribe

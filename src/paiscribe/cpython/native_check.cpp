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

// Each line is a str of its own; a line with a lone surrogate is checked
// as a text with one is.
PyObject* check_each_line(PyObject* data) {
  LineViews lines;
  if (!lines.take("check", data)) return nullptr;
  const auto findings = without_gil([&] {
    LinesCheck check;
    for (std::string_view line : lines.views()) check.feed(line);
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

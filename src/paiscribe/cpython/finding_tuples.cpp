#include "paiscribe/cpython/finding_tuples.hpp"

#include "paiscribe/base/kyoku_name.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/owned_ref.hpp"

namespace paiscribe {
namespace {

PyObject* finding_tuple(const rules::Finding& finding) {
  const OwnedRef line(PyLong_FromSize_t(finding.line));
  const OwnedRef kyoku(finding.kyoku_index == rules::kBeforeFirstKyoku
                           ? Py_NewRef(Py_None)
                           : str_of_text(kyoku_name(finding.kyoku_index)));
  const OwnedRef seat(finding.seat ? PyLong_FromLong(*finding.seat) : Py_NewRef(Py_None));
  const OwnedRef message(str_of_text(finding.message));
  if (!line || !kyoku || !seat || !message) return nullptr;
  return PyTuple_Pack(4, line.get(), kyoku.get(), seat.get(), message.get());
}

}  // namespace

PyObject* finding_tuples(const std::vector<rules::Finding>& findings) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(findings.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    PyObject* item = finding_tuple(findings[i]);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

}  // namespace paiscribe

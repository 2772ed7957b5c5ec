// os_error_detail: how a failure's detail names an errno, so that a folder
// the Python walk cannot read is told as a file the workers cannot open.
#include <climits>

#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/pipeline/os_error.hpp"

namespace paiscribe {

const char kOsErrorDetailDoc[] =
    "os_error_detail($module, errno, /)\n--\n\n"
    "The system's description of errno and its name, as the detail of a\n"
    "failure gives them: \"Permission denied (EACCES)\".";

PyObject* native_os_error_detail(PyObject*, PyObject* error_number) {
  const long number = PyLong_AsLong(error_number);
  if (number == -1 && PyErr_Occurred()) return nullptr;
  if (number < INT_MIN || number > INT_MAX) {
    PyErr_SetString(PyExc_OverflowError, "os_error_detail() errno does not fit in an int");
    return nullptr;
  }
  return str_of_text(os_error_detail(static_cast<int>(number)));
}

}  // namespace paiscribe

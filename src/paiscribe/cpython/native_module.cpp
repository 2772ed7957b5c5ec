// paiscribe._native: the corpus entry points. Unlike _paiscribe it is of the
// modern shape: multi-phase initialisation, and all it keeps lives in module
// state, so each interpreter that imports it gets a module of its own.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"

namespace paiscribe {
namespace {

int exec_module(PyObject* module) { return load_error_types(module, native_state(module)) ? 0 : -1; }

int traverse_module(PyObject* module, visitproc visit, void* arg) {
  for (PyObject* type : native_state(module).error_types) Py_VISIT(type);
  Py_VISIT(native_state(module).mjlog_error);
  return 0;
}

int clear_module(PyObject* module) {
  for (PyObject*& type : native_state(module).error_types) Py_CLEAR(type);
  Py_CLEAR(native_state(module).mjlog_error);
  return 0;
}

void free_module(void* module) { clear_module(static_cast<PyObject*>(module)); }

PyMethodDef methods[] = {
    {"convert_text", reinterpret_cast<PyCFunction>(native_convert_text), METH_O, kConvertTextDoc},
    {"convert_files", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_convert_files)),
     METH_FASTCALL, kConvertFilesDoc},
    {"mjlog_to_mjai", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_mjlog_to_mjai)),
     METH_FASTCALL, kMjlogToMjaiDoc},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    // Nothing is shared between interpreters, and the workers never touch
    // Python objects.
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "paiscribe._native",
    "Native work of the paiscribe package: convert_text, convert_files and mjlog_to_mjai.",
    sizeof(NativeState),
    methods,
    slots,
    traverse_module,
    clear_module,
    free_module,
};

}  // namespace
}  // namespace paiscribe

PyMODINIT_FUNC PyInit__native() { return PyModuleDef_Init(&paiscribe::module_def); }

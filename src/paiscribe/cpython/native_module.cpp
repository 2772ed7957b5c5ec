// paiscribe._native: the package's native calls. Unlike _paiscribe it is of
// the modern shape: multi-phase initialisation, with all it keeps in module
// state.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/native_view.hpp"

namespace paiscribe {
namespace {

int exec_module(PyObject* module) { return init_native_state(module) ? 0 : -1; }

int traverse_module(PyObject* module, visitproc visit, void* arg) {
  for (PyObject* type : native_state(module).errors.own) Py_VISIT(type);
  Py_VISIT(native_state(module).errors.mjlog);
  Py_VISIT(native_state(module).errors.illegal_game);
  Py_VISIT(native_state(module).games_file_type);
  return 0;
}

int clear_module(PyObject* module) {
  clear_native_state(module);
  return 0;
}

void free_module(void* module) {
  clear_native_state(static_cast<PyObject*>(module));
  native_state(static_cast<PyObject*>(module)).~NativeState();
}

PyMethodDef methods[] = {
    {"convert_text", reinterpret_cast<PyCFunction>(native_convert_text), METH_O, kConvertTextDoc},
    {"convert_files", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_convert_files)),
     METH_FASTCALL, kConvertFilesDoc},
    {"check_files", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_check_files)),
     METH_FASTCALL, kCheckFilesDoc},
    {"check", reinterpret_cast<PyCFunction>(native_check), METH_O, kCheckDoc},
    {"finding_text", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_finding_text)),
     METH_FASTCALL, kFindingTextDoc},
    {"convert_file", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_convert_file)),
     METH_FASTCALL | METH_KEYWORDS, kConvertFileDoc},
    {"mjlog_to_mjai", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_mjlog_to_mjai)),
     METH_FASTCALL | METH_KEYWORDS, kMjlogToMjaiDoc},
    {"mjlog_to_tenhou", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_mjlog_to_tenhou)),
     METH_FASTCALL | METH_KEYWORDS, kMjlogToTenhouDoc},
    {"mjai_to_tenhou", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_mjai_to_tenhou)),
     METH_FASTCALL | METH_KEYWORDS, kMjaiToTenhouDoc},
    {"mjai_file_to_tenhou", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_mjai_file_to_tenhou)),
     METH_FASTCALL | METH_KEYWORDS, kMjaiFileToTenhouDoc},
    {"os_error_detail", reinterpret_cast<PyCFunction>(native_os_error_detail), METH_O, kOsErrorDetailDoc},
    {"game_lines", reinterpret_cast<PyCFunction>(native_game_lines), METH_O, kGameLinesDoc},
    {"replay_table", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_replay_table)), METH_FASTCALL,
     kReplayTableDoc},
    {"write_output", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(native_write_output)), METH_FASTCALL,
     kWriteOutputDoc},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    // Its exception types are _paiscribe's, which keeps to the first
    // interpreter that imports it: so must this module.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "paiscribe._native",
    "Native calls of the paiscribe package: convert_file, mjlog_to_mjai, mjlog_to_tenhou, convert_text,\n"
    "convert_files, check, check_files, mjai_to_tenhou, mjai_file_to_tenhou, finding_text and\n"
    "os_error_detail, game_lines and replay_table for viewers, write_output, and GamesFile, the one\n"
    "output of several records.",
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

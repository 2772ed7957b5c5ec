// _paiscribe: tenhou_to_mjai and the four exception types, as a single-phase
// module that keeps to the first interpreter importing it. The call binds
// its arguments, then a kept Converter reads the JSON log and the lines
// become a list of str (and, with mjai_out, a file).
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <new>
#include <string>
#include <string_view>

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/convert_calls.hpp"
#include "paiscribe/cpython/converter_lease.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/owned_ref.hpp"

#ifndef PAISCRIBE_VERSION
#error "PAISCRIBE_VERSION must be defined by the build"
#endif

namespace paiscribe {
namespace {

constexpr std::string_view kModuleName = "_paiscribe";

// The only process-wide data: created once under the interpreter lock, by the
// first import, and never changed or released afterwards. The module is
// single-phase, so every import in this interpreter shares these objects.
ModuleErrors module_errors;
PyObject* module_object = nullptr;
std::optional<std::int64_t> home_interpreter;

KeptConverter& kept_converter(PyObject* module) { return *static_cast<KeptConverter*>(PyModule_GetState(module)); }

PyObject* tenhou_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names) {
  const auto paths = bind_path_arguments("tenhou_to_mjai", args, nargsf, keyword_names);
  if (!paths) return nullptr;
  return guarded_call("tenhou_to_mjai", [&] {
    ConverterLease lease(kept_converter(module));
    // Plain text whatever mjai_out is named: this module's surface stays as it was.
    return convert_file_call(lease.converter(), paths->filename_bytes(), paths->output_bytes(), kJsonLogAsIs,
                             module_errors, false);
  });
}

PyMethodDef tenhou_to_mjai_def = {
    "tenhou_to_mjai",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tenhou_to_mjai)),
    METH_FASTCALL | METH_KEYWORDS,
    "tenhou_to_mjai(filename, mjai_out=None)\n--\n\n",
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_paiscribe",
    "",
    sizeof(KeptConverter),
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    [](void* module) { kept_converter(static_cast<PyObject*>(module)).~KeptConverter(); },
};

// Lists `name` in __all__ (made on first use), then sets the attribute.
bool add(PyObject* module, PyObject* name, PyObject* value) {
  const OwnedRef all_key(PyUnicode_InternFromString("__all__"));
  if (!all_key) return false;
  PyObject* dict = PyModule_GetDict(module);
  PyObject* all = PyDict_GetItemWithError(dict, all_key.get());
  if (all == nullptr) {
    if (PyErr_Occurred()) return false;
    const OwnedRef fresh(PyList_New(0));
    if (!fresh || PyDict_SetItem(dict, all_key.get(), fresh.get()) < 0) return false;
    all = fresh.get();
  }
  return PyList_Append(all, name) == 0 && PyObject_SetAttr(module, name, value) == 0;
}

bool add(PyObject* module, const char* name, PyObject* value) {
  const OwnedRef key(PyUnicode_InternFromString(name));
  return key && add(module, key.get(), value);
}

// Borrowed; null with the error set when the type cannot be made.
PyObject* module_exception(std::size_t index) {
  PyObject*& type = module_errors.own[index];
  if (type == nullptr) {
    const std::string qualified = std::string(kModuleName) + "." + kModuleErrorNames[index];
    type = PyErr_NewExceptionWithDoc(qualified.c_str(), nullptr, PyExc_ValueError, nullptr);
  }
  return type;
}

bool fill_module(PyObject* module) {
  for (std::size_t i = 0; i < kModuleErrorNames.size(); ++i) {
    PyObject* type = module_exception(i);
    if (type == nullptr || !add(module, kModuleErrorNames[i], type)) return false;
  }

  const OwnedRef module_name(PyModule_GetNameObject(module));
  if (!module_name) return false;
  const OwnedRef function(PyCMethod_New(&tenhou_to_mjai_def, module, module_name.get(), nullptr));
  if (!function) return false;
  const OwnedRef function_name(PyObject_GetAttrString(function.get(), "__name__"));
  if (!function_name || !add(module, function_name.get(), function.get())) return false;

  // Two equal but distinct objects, one per attribute.
  for (const char* name : {"__version__", "VERSION"}) {
    const OwnedRef version(PyUnicode_FromString(PAISCRIBE_VERSION));
    if (!version || !add(module, name, version.get())) return false;
  }
  return true;
}

PyObject* initialize() {
  PyInterpreterState* interpreter = PyInterpreterState_Get();
  const std::int64_t interpreter_id = PyInterpreterState_GetID(interpreter);
  if (interpreter_id < 0) return nullptr;
  if (!home_interpreter) home_interpreter = interpreter_id;
  if (*home_interpreter != interpreter_id) {
    PyErr_SetString(PyExc_ImportError, "_paiscribe does not support sub-interpreters");
    return nullptr;
  }
  if (module_object != nullptr) return Py_NewRef(module_object);

  OwnedRef module(PyModule_Create2(&module_def, 1013));
  if (!module) return nullptr;
  new (PyModule_GetState(module.get())) KeptConverter();
  if (!fill_module(module.get())) return nullptr;
  module_object = Py_NewRef(module.get());
  return module.release();
}

}  // namespace
}  // namespace paiscribe

PyMODINIT_FUNC PyInit__paiscribe() { return paiscribe::initialize(); }

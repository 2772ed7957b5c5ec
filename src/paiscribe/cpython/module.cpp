// The interpreter's view of paiscribe: the _paiscribe module, its exception
// types and tenhou_to_mjai. Arguments become path bytes, run_pipeline does the
// work, and its lines or its error become a list or an exception.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/python_values.hpp"
#include "paiscribe/entry/pipeline.hpp"

#ifndef PAISCRIBE_VERSION
#error "PAISCRIBE_VERSION must be defined by the build"
#endif

namespace paiscribe {
namespace {

constexpr std::array<const char*, 4> kExceptionNames = {
    "_paiscribe.TenhouLogParsingError",
    "_paiscribe.TenhouToMjaiError",
    "_paiscribe.JsonSerializationError",
    "_paiscribe.JsonParsingError",
};

// The only process-wide data: created once under the interpreter lock, by the
// first import, and never changed or released afterwards. The module is
// single-phase, so every import in this interpreter shares these objects.
std::array<PyObject*, kExceptionNames.size()> exception_types = {};
PyObject* module_object = nullptr;
std::optional<std::int64_t> home_interpreter;

// Borrowed; null with the error set when the type cannot be made.
PyObject* module_exception(std::size_t index) {
  if (exception_types[index] == nullptr) {
    exception_types[index] = PyErr_NewExceptionWithDoc(kExceptionNames[index], nullptr, PyExc_ValueError, nullptr);
  }
  return exception_types[index];
}

PyObject* exception_class(ErrorClass error_class) {
  switch (error_class) {
    case ErrorClass::TenhouLogParsingError: return module_exception(0);
    case ErrorClass::TenhouToMjaiError: return module_exception(1);
    case ErrorClass::JsonSerializationError: return module_exception(2);
    case ErrorClass::JsonParsingError: return module_exception(3);
    default: return builtin_exception(error_class);
  }
}

// A call stopped by a signal handler has no type here: it already has that
// handler's exception set.
void raise_pipeline_error(const PipelineError& error) {
  if (PyObject* type = exception_class(error.error_class)) raise_failure(type, error);
}

// Puts "argument '<name>': " before the message of a pending TypeError,
// keeping its cause and traceback; other errors pass unchanged.
void name_argument_in_type_error(const char* parameter) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  const OwnedRef original(PyErr_GetRaisedException());
  const OwnedRef text(PyObject_Str(original.get()));
  if (!text) return;
  const OwnedRef message(PyUnicode_FromFormat("argument '%s': %U", parameter, text.get()));
  if (!message) return;
  PyObject* replacement = PyObject_CallOneArg(PyExc_TypeError, message.get());
  if (replacement == nullptr) return;
  if (PyObject* cause = PyException_GetCause(original.get())) PyException_SetCause(replacement, cause);
  if (const OwnedRef traceback{PyException_GetTraceback(original.get())}) {
    PyException_SetTraceback(replacement, traceback.get());
  }
  PyErr_SetRaisedException(replacement);
}

// The path's bytes in the file-system encoding; a bytes path is refused so
// that both parameters take text only.
OwnedRef path_bytes(PyObject* argument, const char* parameter) {
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

std::string_view view_of(PyObject* bytes) {
  return {PyBytes_AS_STRING(bytes), static_cast<std::size_t>(PyBytes_GET_SIZE(bytes))};
}

constexpr std::array<std::string_view, 2> kParameters = {"filename", "mjai_out"};

// Binds (filename, mjai_out=None) from a vectorcall; false with TypeError set.
bool bind_arguments(PyObject* const* args, Py_ssize_t positional, PyObject* keyword_names,
                    std::array<PyObject*, 2>& bound) {
  if (positional > 2) {
    PyErr_Format(PyExc_TypeError,
                 "tenhou_to_mjai() takes from 1 to 2 positional arguments but %zd were given", positional);
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
    while (slot < kParameters.size() && (text == nullptr || key != kParameters[slot])) ++slot;
    if (slot == kParameters.size()) {
      PyErr_Format(PyExc_TypeError, "tenhou_to_mjai() got an unexpected keyword argument '%S'", name);
      return false;
    }
    if (bound[slot] != nullptr) {
      PyErr_Format(PyExc_TypeError, "tenhou_to_mjai() got multiple values for argument '%s'",
                   kParameters[slot].data());
      return false;
    }
    bound[slot] = args[positional + i];
  }
  if (bound[0] == nullptr) {
    PyErr_SetString(PyExc_TypeError, "tenhou_to_mjai() missing 1 required positional argument: 'filename'");
    return false;
  }
  return true;
}

// Runs the interpreter's signal handlers, as its own blocking calls do when a
// signal interrupts them; a handler that raises (Ctrl-C) ends the call.
bool signal_handler_raised() { return PyErr_CheckSignals() != 0; }

// What the module keeps between calls: the conversion's largest buffers.
struct ModuleState {
  PipelineStorage storage;
  bool storage_in_use = false;
};

ModuleState& module_state(PyObject* module) { return *static_cast<ModuleState*>(PyModule_GetState(module)); }

// The module's storage for one call; a signal handler run while the call
// waits may call again, and that call gets storage of its own.
class StorageLease {
 public:
  explicit StorageLease(ModuleState& state) : state_(state), held_(!state.storage_in_use) {
    state_.storage_in_use = true;
  }
  StorageLease(const StorageLease&) = delete;
  StorageLease& operator=(const StorageLease&) = delete;
  ~StorageLease() {
    if (held_) state_.storage_in_use = false;
  }
  PipelineStorage& storage() { return held_ ? state_.storage : own_; }

 private:
  ModuleState& state_;
  bool held_;
  PipelineStorage own_;
};

PyObject* convert(ModuleState& state, std::string_view filename, std::optional<std::string_view> mjai_out) {
  // The list grows while the game is converted, so that a long game's lines
  // are never all held twice.
  ListOfLines list;
  StorageLease lease(state);
  const auto ran = stream_pipeline(filename, mjai_out, list, signal_handler_raised, lease.storage());
  PyObject* lines = list.release();
  if (lines == nullptr) return nullptr;  // the list could not be built: its error stands
  if (!ran) {
    Py_DECREF(lines);
    raise_pipeline_error(ran.error());
    return nullptr;
  }
  return lines;
}

PyObject* tenhou_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* keyword_names) {
  std::array<PyObject*, 2> bound = {};
  if (!bind_arguments(args, PyVectorcall_NARGS(nargsf), keyword_names, bound)) return nullptr;

  const OwnedRef filename = path_bytes(bound[0], "filename");
  if (!filename) return nullptr;
  OwnedRef mjai_out;
  if (bound[1] != nullptr && bound[1] != Py_None) {
    mjai_out = path_bytes(bound[1], "mjai_out");
    if (!mjai_out) return nullptr;
  }

  // A C++ exception must never unwind into the interpreter.
  try {
    return convert(module_state(module), view_of(filename.get()),
                   mjai_out ? std::optional<std::string_view>(view_of(mjai_out.get())) : std::nullopt);
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::exception& fault) {
    PyErr_Format(PyExc_RuntimeError, "internal error in tenhou_to_mjai: %s", fault.what());
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "internal error in tenhou_to_mjai");
  }
  return nullptr;
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
    sizeof(ModuleState),
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    [](void* module) { module_state(static_cast<PyObject*>(module)).~ModuleState(); },
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

bool fill_module(PyObject* module) {
  constexpr std::string_view kModulePrefix = "_paiscribe.";
  for (std::size_t i = 0; i < kExceptionNames.size(); ++i) {
    PyObject* type = module_exception(i);
    if (type == nullptr || !add(module, kExceptionNames[i] + kModulePrefix.size(), type)) return false;
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
  new (PyModule_GetState(module.get())) ModuleState();
  if (!fill_module(module.get())) return nullptr;
  module_object = Py_NewRef(module.get());
  return module.release();
}

}  // namespace
}  // namespace paiscribe

PyMODINIT_FUNC PyInit__paiscribe() { return paiscribe::initialize(); }

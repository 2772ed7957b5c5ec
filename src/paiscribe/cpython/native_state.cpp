#include "paiscribe/cpython/native_state.hpp"

#include <cstddef>

#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/python_values.hpp"

namespace paiscribe {
namespace {

// Indexed by ErrorClass, whose first entries are these.
constexpr std::array<const char*, 4> kErrorTypeNames = {
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
};
static_assert(static_cast<std::size_t>(ErrorClass::JsonParsingError) == kErrorTypeNames.size() - 1);

}  // namespace

NativeState& native_state(PyObject* module) { return *static_cast<NativeState*>(PyModule_GetState(module)); }

bool load_error_types(PyObject* module, NativeState& state) {
  const OwnedRef paiscribe_module(PyImport_ImportModule("_paiscribe"));
  if (!paiscribe_module) return false;
  for (std::size_t i = 0; i < kErrorTypeNames.size(); ++i) {
    state.error_types[i] = PyObject_GetAttrString(paiscribe_module.get(), kErrorTypeNames[i]);
    if (state.error_types[i] == nullptr) return false;
  }
  state.mjlog_error = PyErr_NewExceptionWithDoc(
      "paiscribe.MjlogParsingError",
      "The text is no four-player Tenhou XML game record (mjlog): not XML, not\n"
      "a game record, a three-player game, or a record whose play cannot be.",
      PyExc_ValueError, nullptr);
  return state.mjlog_error != nullptr && PyModule_AddObjectRef(module, "MjlogParsingError", state.mjlog_error) == 0;
}

PyObject* error_type(const NativeState& state, ErrorClass error_class) {
  const auto index = static_cast<std::size_t>(error_class);
  if (index < kErrorTypeNames.size()) return state.error_types[index];
  if (error_class == ErrorClass::MjlogParsingError) return state.mjlog_error;
  // Only a call given a signal check can be stopped by one; none here is.
  PyObject* builtin = builtin_exception(error_class);
  return builtin != nullptr ? builtin : PyExc_RuntimeError;
}

void raise_pipeline_error(const NativeState& state, const PipelineError& error) {
  // A signal handler that ended the call has set its own exception.
  if (error.error_class == ErrorClass::StoppedBySignal) return;
  raise_failure(error_type(state, error.error_class), error);
}

}  // namespace paiscribe

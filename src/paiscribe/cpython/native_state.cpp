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

bool load_error_types(NativeState& state) {
  const OwnedRef paiscribe_module(PyImport_ImportModule("_paiscribe"));
  if (!paiscribe_module) return false;
  for (std::size_t i = 0; i < kErrorTypeNames.size(); ++i) {
    state.error_types[i] = PyObject_GetAttrString(paiscribe_module.get(), kErrorTypeNames[i]);
    if (state.error_types[i] == nullptr) return false;
  }
  return true;
}

PyObject* error_type(const NativeState& state, ErrorClass error_class) {
  const auto index = static_cast<std::size_t>(error_class);
  if (index < kErrorTypeNames.size()) return state.error_types[index];
  // Only a call given a signal check can be stopped by one; none here is.
  PyObject* builtin = builtin_exception(error_class);
  return builtin != nullptr ? builtin : PyExc_RuntimeError;
}

void raise_pipeline_error(const NativeState& state, const PipelineError& error) {
  raise_failure(error_type(state, error.error_class), error);
}

}  // namespace paiscribe

#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <cstddef>

#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// The four exception types of _paiscribe, in the order of its __all__.
inline constexpr std::array<const char*, 4> kModuleErrorNames = {
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
};

// The types a module raises that are not built in (borrowed): _paiscribe's
// four, and the package's MjlogParsingError and IllegalGameError where the
// module has them.
struct ModuleErrors {
  std::array<PyObject*, kModuleErrorNames.size()> own{};
  PyObject* mjlog = nullptr;
  PyObject* illegal_game = nullptr;
};

// The exception type of each error class (borrowed); null for a call that a
// signal handler stopped, whose handler set its own exception.
PyObject* exception_type(const ModuleErrors& errors, ErrorClass error_class);

// Raises the error's type with its message as the single argument (so an
// OSError keeps errno None), and its detail, if any, as a note that every
// traceback shows while str() and args stay the fixed message.
void raise_error(const ModuleErrors& errors, const PipelineError& error);

// A new str of UTF-8 text, each ill-formed part replaced by U+FFFD.
PyObject* str_of_text(std::string_view text);

}  // namespace paiscribe

#pragma once

#include <string>

#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// The exception class for an operating-system error number, by its kind.
ErrorClass error_class_for_errno(int error_number);

// The system's description of the error, then " (os error N)".
std::string os_error_text(int error_number);

// The system's description and the error's name, for a note under a fixed
// message: "No such file or directory (ENOENT)".
std::string os_error_detail(int error_number);

}  // namespace paiscribe

#include "paiscribe/pipeline/os_error.hpp"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace paiscribe {
namespace {

// strerror_r comes in a GNU form (returns the text) and a POSIX form (fills
// the buffer); these overloads accept either.
[[maybe_unused]] const char* strerror_result(char* text, const char*) { return text; }
[[maybe_unused]] const char* strerror_result(int status, const char* buffer) {
  return status == 0 ? buffer : "Unknown error";
}

}  // namespace

ErrorClass error_class_for_errno(int error_number) {
  switch (error_number) {
    case ENOENT: return ErrorClass::FileNotFoundError;
    case EACCES:
    case EPERM: return ErrorClass::PermissionError;
    case EEXIST: return ErrorClass::FileExistsError;
    case EAGAIN: return ErrorClass::BlockingIOError;
    case EINTR: return ErrorClass::InterruptedError;
    case ETIMEDOUT: return ErrorClass::TimeoutError;
    case EPIPE: return ErrorClass::BrokenPipeError;
    case ECONNREFUSED: return ErrorClass::ConnectionRefusedError;
    case ECONNRESET: return ErrorClass::ConnectionResetError;
    case ECONNABORTED: return ErrorClass::ConnectionAbortedError;
    default: return ErrorClass::OSError;
  }
}

std::string os_error_detail(int error_number) {
  char buffer[256] = {};
  std::string text(strerror_result(strerror_r(error_number, buffer, sizeof buffer), buffer));
  const char* name = ::strerrorname_np(error_number);
  text += " (";
  text += name != nullptr ? name : "errno " + std::to_string(error_number);
  text += ')';
  return text;
}

std::string os_error_text(int error_number) {
  char buffer[256] = {};
  const char* description = strerror_result(strerror_r(error_number, buffer, sizeof buffer), buffer);
  std::string text(description);
  text += " (os error ";
  text += std::to_string(error_number);
  text += ')';
  return text;
}

}  // namespace paiscribe

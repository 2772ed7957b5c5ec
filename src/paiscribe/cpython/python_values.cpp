#include "paiscribe/cpython/python_values.hpp"

#include <cstring>
#include <string>
#include <string_view>

#include "paiscribe/base/utf8.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/mjai/each_line.hpp"

namespace paiscribe {
namespace {

// Most lines are 32 to 64 bytes long: two overlapping copies of 32 bytes
// take them without a loop over their length.
void copy_line(char* to, std::string_view line) {
  constexpr std::size_t kHalf = 32;
  const std::size_t size = line.size();
  if (size < kHalf || size > 2 * kHalf) return static_cast<void>(std::memcpy(to, line.data(), size));
  std::memcpy(to, line.data(), kHalf);
  std::memcpy(to + size - kHalf, line.data() + size - kHalf, kHalf);
}

PyObject* str_of_ascii(std::string_view line) {
  PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(line.size()), 0x7F);
  if (text != nullptr) copy_line(reinterpret_cast<char*>(PyUnicode_1BYTE_DATA(text)), line);
  return text;
}

// Once a game, out of line: the look at its bytes stays out of the loop over lines.
[[gnu::noinline]] PyObject* str_of_named_line(std::string_view line) {
  if (utf8::is_ascii(line)) return str_of_ascii(line);
  return PyUnicode_DecodeUTF8(line.data(), static_cast<Py_ssize_t>(line.size()), nullptr);
}

// Only the names in start_game can make a line non-ASCII; every other line
// is copied into its str as it is, without a look at its bytes.
PyObject* str_of_line(std::string_view line, bool may_hold_non_ascii) {
  return may_hold_non_ascii ? str_of_named_line(line) : str_of_ascii(line);
}

// The detail becomes a note on the raised exception, so that every traceback
// shows it while str() and args stay the fixed message. Should the note fail,
// the exception is raised without it.
void add_detail_note(const std::string& detail) {
  OwnedRef raised(PyErr_GetRaisedException());
  if (!raised) return;
  const OwnedRef note(str_of_text(detail));
  const OwnedRef method(PyUnicode_InternFromString("add_note"));
  const OwnedRef added(note && method ? PyObject_CallMethodOneArg(raised.get(), method.get(), note.get()) : nullptr);
  if (!added) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
}

}  // namespace

PyObject* str_of_text(const std::string& text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
}

PyObject* lines_to_list(const MjaiLines& lines) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(lines.size())));
  if (!list) return nullptr;
  Py_ssize_t index = 0;
  const bool built = lines.for_each_line([&](std::string_view line, bool may_hold_non_ascii) {
    PyObject* text = str_of_line(line, may_hold_non_ascii);
    if (text != nullptr) PyList_SET_ITEM(list.get(), index++, text);
    return text != nullptr;
  });
  return built ? list.release() : nullptr;
}

std::expected<void, SerializeError> ListOfLines::take_lines_of(std::span<const Event> events, std::string& scratch) {
  if (failed_) return {};
  OwnedRef run(PyList_New(static_cast<Py_ssize_t>(events.size())));
  Py_ssize_t filled = 0;
  auto written = for_each_line_of(events, scratch, [&](std::string_view line, bool may_hold_non_ascii) {
    if (!run) return;
    PyObject* const text = str_of_line(line, may_hold_non_ascii);
    if (text == nullptr) run.reset();
    else PyList_SET_ITEM(run.get(), filled++, text);
  });
  if (!run) {  // its error stands, whatever else fails
    failed_ = true;
    Py_CLEAR(list_);
  }
  if (!written) {
    cut_short_ = true;
    return written;
  }
  if (failed_) return {};
  if (list_ == nullptr) {
    list_ = run.release();
  } else if (const Py_ssize_t end = PyList_GET_SIZE(list_); PyList_SetSlice(list_, end, end, run.get()) != 0) {
    failed_ = true;
    Py_CLEAR(list_);
  }
  return {};
}

PyObject* ListOfLines::release() {
  if (failed_) return nullptr;
  if (list_ == nullptr || cut_short_) {
    Py_CLEAR(list_);
    return PyList_New(0);
  }
  return std::exchange(list_, nullptr);
}

PyObject* builtin_exception(ErrorClass error_class) {
  switch (error_class) {
    case ErrorClass::TenhouLogParsingError:
    case ErrorClass::TenhouToMjaiError:
    case ErrorClass::JsonSerializationError:
    case ErrorClass::JsonParsingError: return nullptr;
    case ErrorClass::OSError: return PyExc_OSError;
    case ErrorClass::FileNotFoundError: return PyExc_FileNotFoundError;
    case ErrorClass::PermissionError: return PyExc_PermissionError;
    case ErrorClass::FileExistsError: return PyExc_FileExistsError;
    case ErrorClass::BlockingIOError: return PyExc_BlockingIOError;
    case ErrorClass::InterruptedError: return PyExc_InterruptedError;
    case ErrorClass::TimeoutError: return PyExc_TimeoutError;
    case ErrorClass::BrokenPipeError: return PyExc_BrokenPipeError;
    case ErrorClass::ConnectionRefusedError: return PyExc_ConnectionRefusedError;
    case ErrorClass::ConnectionResetError: return PyExc_ConnectionResetError;
    case ErrorClass::ConnectionAbortedError: return PyExc_ConnectionAbortedError;
    case ErrorClass::MemoryError: return PyExc_MemoryError;
    case ErrorClass::RuntimeError: return PyExc_RuntimeError;
    case ErrorClass::StoppedBySignal:
    case ErrorClass::MjlogParsingError: return nullptr;
  }
  return PyExc_OSError;
}

void raise_failure(PyObject* type, const PipelineError& error) {
  const OwnedRef message(str_of_text(error.message));
  if (!message) return;
  PyErr_SetObject(type, message.get());
  if (!error.detail.empty() && PyErr_ExceptionMatches(type)) add_detail_note(error.detail);
}

}  // namespace paiscribe

#include "paiscribe/cpython/exceptions.hpp"

#include "paiscribe/cpython/owned_ref.hpp"

namespace paiscribe {
namespace {

// Should the note fail, the exception is raised without it.
void add_detail_note(std::string_view detail) {
  OwnedRef raised(PyErr_GetRaisedException());
  if (!raised) return;
  const OwnedRef note(str_of_text(detail));
  const OwnedRef method(PyUnicode_InternFromString("add_note"));
  const OwnedRef added(note && method ? PyObject_CallMethodOneArg(raised.get(), method.get(), note.get()) : nullptr);
  if (!added) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
}

}  // namespace

PyObject* str_of_text(std::string_view text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
}

PyObject* exception_type(const ModuleErrors& errors, ErrorClass error_class) {
  switch (error_class) {
    case ErrorClass::TenhouLogParsingError: return errors.own[0];
    case ErrorClass::TenhouToMjaiError: return errors.own[1];
    case ErrorClass::JsonSerializationError: return errors.own[2];
    case ErrorClass::JsonParsingError: return errors.own[3];
    case ErrorClass::MjlogParsingError: return errors.mjlog != nullptr ? errors.mjlog : PyExc_ValueError;
    case ErrorClass::IllegalGameError: return errors.illegal_game != nullptr ? errors.illegal_game : PyExc_ValueError;
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
    case ErrorClass::StoppedBySignal: return nullptr;
  }
  return PyExc_RuntimeError;
}

void raise_error(const ModuleErrors& errors, const PipelineError& error) {
  PyObject* type = exception_type(errors, error.error_class);
  if (type == nullptr) {
    // A stopped call whose handler raised nothing still must not return without an error.
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "the call was stopped by a signal");
    return;
  }
  const OwnedRef message(str_of_text(error.message));
  if (!message) return;
  PyErr_SetObject(type, message.get());
  if (!error.detail.empty() && PyErr_ExceptionMatches(type)) add_detail_note(error.detail);
}

}  // namespace paiscribe

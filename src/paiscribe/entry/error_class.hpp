#pragma once

namespace paiscribe {

// The exception class a failed call raises.
enum class ErrorClass {
  TenhouLogParsingError,
  TenhouToMjaiError,
  JsonSerializationError,
  JsonParsingError,
  OSError,
  FileNotFoundError,
  PermissionError,
  FileExistsError,
  BlockingIOError,
  InterruptedError,
  TimeoutError,
  BrokenPipeError,
  ConnectionRefusedError,
  ConnectionResetError,
  ConnectionAbortedError,
  MemoryError,
  RuntimeError,
  // Not a class of its own: the caller's signal handling asked the call to
  // end (see ShouldStop), and the exception it raised is the call's.
  StoppedBySignal,
  // A text that is no four-player Tenhou XML game record (the paiscribe
  // package's own class).
  MjlogParsingError,
};

}  // namespace paiscribe

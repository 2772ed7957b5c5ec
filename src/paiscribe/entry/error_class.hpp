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
};

}  // namespace paiscribe

#pragma once

#include <string>
#include <vector>

#include "paiscribe/rules/finding.hpp"

namespace paiscribe {

// The exception class a failed conversion raises.
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
  // A converted or checked game that breaks the rules (the paiscribe
  // package's own class); its findings say where and how.
  IllegalGameError,
};

// The message is fixed per kind of failure, for callers to match on; the
// detail says where and why, for a person to read.
struct PipelineError {
  ErrorClass error_class;
  std::string message;   // UTF-8
  std::string detail{};  // UTF-8; empty when there is none
  std::vector<rules::Finding> findings{};  // of an illegal game
};

}  // namespace paiscribe

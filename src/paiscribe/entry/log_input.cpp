#include "paiscribe/entry/log_input.hpp"

#include <utility>

#include "paiscribe/entry/gzip.hpp"
#include "paiscribe/entry/log_file.hpp"

namespace paiscribe {

std::expected<PaddedText, PipelineError> read_log_input(std::string_view path) {
  auto log_file = LogFile::open(path);
  if (!log_file) return std::unexpected(log_open_error(path, log_file.error().error_number));
  auto bytes = log_file->read_padded();
  if (!bytes) return std::unexpected(log_read_error(bytes.error().error_number));
  return restore_gzip(std::move(*bytes));
}

std::expected<PaddedText, PipelineError> restore_gzip(PaddedText bytes) {
  if (!is_gzip(bytes.view())) return bytes;
  auto text = gunzip(bytes.view());
  if (!text) {
    if (text.error().kind == GzipError::Kind::OutOfMemory) {
      return std::unexpected(PipelineError{ErrorClass::MemoryError, "out of memory"});
    }
    return std::unexpected(PipelineError{ErrorClass::OSError, "failed to decompress gzip log: " + text.error().message});
  }
  return PaddedText(*text);
}

}  // namespace paiscribe

#include "paiscribe/entry/log_output.hpp"

#include <sys/uio.h>

#include <cerrno>
#include <string>

#include "paiscribe/entry/gzip.hpp"
#include "paiscribe/entry/replacing_file.hpp"

namespace paiscribe {
namespace {

// Beside the destination under a temporary name, then renamed over it; on
// failure the temporary file goes away with `file`.
std::expected<void, OutputError> replace_with(std::string_view path, std::string_view bytes) {
  auto file = ReplacingFile::create_beside(std::string(path));
  if (!file) return std::unexpected(OutputCreateFailed{file.error()});
  iovec vector = {const_cast<char*>(bytes.data()), bytes.size()};
  auto written = write_all(file->fd(), &vector, 1);
  if (written) written = file->commit();
  if (!written) return std::unexpected(OutputWriteFailed{written.error()});
  return {};
}

}  // namespace

std::expected<void, OutputError> write_log_output(std::string_view path, const MjaiLines& lines, bool gzip) {
  if (!gzip) return replace_with(path, lines.text());
  // At a valid level only memory can run out.
  const auto compressed = gzip_compress(lines.text(), kOutputGzipLevel);
  if (!compressed) return std::unexpected(OutputWriteFailed{ENOMEM});
  return replace_with(path, *compressed);
}

}  // namespace paiscribe

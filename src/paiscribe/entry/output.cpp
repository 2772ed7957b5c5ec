#include "paiscribe/entry/output.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "paiscribe/entry/file_descriptor.hpp"
#include "paiscribe/entry/path_text.hpp"

namespace paiscribe {
namespace {

#ifdef IOV_MAX
constexpr std::size_t kMaxIovecs = IOV_MAX;
#else
constexpr std::size_t kMaxIovecs = 1024;
#endif
// A line and its line feed take two vectors, so batches hold whole lines.
constexpr std::size_t kBatchIovecs = std::min<std::size_t>(kMaxIovecs, 1024) & ~std::size_t{1};

constexpr char kLineFeed[] = "\n";

iovec text_iovec(std::string_view text) {
  return {const_cast<char*>(text.data()), text.size()};
}

// Line by line, so each line reaches the descriptor as soon as it is written,
// as a line-buffered stream would. A closed descriptor swallows the lines.
std::expected<void, OutputError> write_to_standard_output(std::span<const MjaiLine> lines) {
  for (const MjaiLine& line : lines) {
    iovec vectors[2] = {text_iovec(line), text_iovec({kLineFeed, 1})};
    const auto written = write_all(STDOUT_FILENO, vectors, 2);
    if (!written && written.error() != EBADF) return std::unexpected(OutputWriteFailed{});
  }
  return {};
}

std::expected<void, OutputError> write_to_file(std::string_view path, std::span<const MjaiLine> lines) {
  auto file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (!file) return std::unexpected(OutputCreateFailed{});

  std::array<iovec, kBatchIovecs> batch;
  std::size_t filled = 0;
  for (const MjaiLine& line : lines) {
    batch[filled++] = text_iovec(line);
    batch[filled++] = text_iovec({kLineFeed, 1});
    if (filled == batch.size()) {
      if (!write_all(file->get(), batch.data(), filled)) return std::unexpected(OutputWriteFailed{});
      filled = 0;
    }
  }
  if (filled > 0 && !write_all(file->get(), batch.data(), filled)) return std::unexpected(OutputWriteFailed{});
  if (!file->close()) return std::unexpected(OutputWriteFailed{});
  return {};
}

}  // namespace

std::expected<void, OutputError> write_lines(std::string_view mjai_out, std::span<const MjaiLine> lines) {
  if (names_standard_output(mjai_out)) return write_to_standard_output(lines);
  return write_to_file(mjai_out, lines);
}

}  // namespace paiscribe

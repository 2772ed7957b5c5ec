#include "paiscribe/entry/log_output.hpp"

#include <cstring>
#include <string>

#include "paiscribe/entry/atomic_file.hpp"
#include "paiscribe/entry/gzip.hpp"

namespace paiscribe {
namespace {

// Sized once, then filled without a second pass of reallocation.
std::string joined_lines(std::span<const MjaiLine> lines) {
  std::size_t size = 0;
  for (const MjaiLine& line : lines) size += line.size() + 1;
  std::string text;
  text.resize_and_overwrite(size, [&](char* out, std::size_t) {
    for (const MjaiLine& line : lines) {
      std::memcpy(out, line.data(), line.size());
      out += line.size();
      *out++ = '\n';
    }
    return size;
  });
  return text;
}

}  // namespace

std::expected<void, OutputError> write_log_output(std::string_view path, std::span<const MjaiLine> lines, bool gzip) {
  const std::string text = joined_lines(lines);
  if (!gzip) return replace_file(path, text);
  return replace_file(path, gzip_compress(text, kOutputGzipLevel));
}

}  // namespace paiscribe

#include "paiscribe/entry/atomic_file.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <charconv>
#include <string>

#include "paiscribe/entry/file_descriptor.hpp"

namespace paiscribe {
namespace {

// A hidden name in the same folder, so the rename never crosses file systems;
// random, so runs that share the folder never meet.
std::string temporary_path(std::string_view path) {
  std::uint64_t nonce = 0;
  while (::getrandom(&nonce, sizeof nonce, 0) < 0 && errno == EINTR) {
  }
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  char hex[16];
  char* hex_end = std::to_chars(hex, hex + sizeof hex, nonce, 16).ptr;
  std::string temporary(path.substr(0, name_start));
  temporary += '.';
  temporary += path.substr(name_start);
  temporary += '.';
  temporary.append(hex, hex_end);
  temporary += ".tmp";
  return temporary;
}

}  // namespace

std::expected<void, OutputError> replace_file(std::string_view path, std::string_view bytes) {
  const std::string target(path);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string temporary = temporary_path(path);
    auto file = FileDescriptor::open(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (!file && file.error() == EEXIST) continue;
    if (!file) return std::unexpected(OutputCreateFailed{});

    iovec vector = {const_cast<char*>(bytes.data()), bytes.size()};
    if (write_all(file->get(), &vector, 1) && file->close() && ::rename(temporary.c_str(), target.c_str()) == 0) {
      return {};
    }
    ::unlink(temporary.c_str());
    return std::unexpected(OutputWriteFailed{});
  }
  return std::unexpected(OutputCreateFailed{});
}

}  // namespace paiscribe

#include "paiscribe/io/replacing_file.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace paiscribe {
namespace {

constexpr std::string_view kSuffixForm = ".0123456789abcdef.tmp";

// The longest start of `name` that leaves room for the dot and the suffix
// within a file name's NAME_MAX bytes, cut where a UTF-8 character starts.
std::string_view shortened(std::string_view name) {
  constexpr std::size_t kRoom = NAME_MAX - 1 - kSuffixForm.size();
  if (name.size() <= kRoom) return name;
  std::size_t end = kRoom;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

// ".NAME.<16 hex digits>.tmp" in the destination's folder: hidden, and
// unmistakably not a finished output. A name too long to take the additions
// is shortened, so the temporary name fits whenever the destination's does.
std::string temporary_name(std::string_view destination) {
  const std::size_t slash = destination.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? "" : destination.substr(0, slash + 1);
  const std::string_view name = shortened(destination.substr(slash == std::string_view::npos ? 0 : slash + 1));
  std::uint64_t nonce = 0;
  if (::getrandom(&nonce, sizeof nonce, GRND_NONBLOCK) != sizeof nonce)
    nonce = static_cast<std::uint64_t>(::getpid()) << 32 ^ reinterpret_cast<std::uintptr_t>(&nonce);
  char suffix[kSuffixForm.size() + 1];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(nonce));
  std::string path(folder);
  path += '.';
  path += name;
  path += suffix;
  return path;
}

}  // namespace

std::expected<ReplacingFile, int> ReplacingFile::create_in(int folder, std::string destination,
                                                         const struct stat* keep_mode) {
  constexpr int kAttempts = 8;  // a clash of 64 random bits means something else is wrong
  int error = EEXIST;
  for (int attempt = 0; attempt < kAttempts && error == EEXIST; ++attempt) {
    std::string temporary = temporary_name(destination);
    auto file = FileDescriptor::open_at(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (!file) {
      error = file.error();
      continue;
    }
    if (keep_mode != nullptr) {
      // The owner is kept where the process may set it; the bits always.
      static_cast<void>(::fchown(file->get(), keep_mode->st_uid, keep_mode->st_gid));
      if (::fchmod(file->get(), keep_mode->st_mode & 07777) != 0) {
        error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        return std::unexpected(error);
      }
    }
    return ReplacingFile(std::move(*file), folder, std::move(temporary), std::move(destination));
  }
  return std::unexpected(error);
}

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : file_(std::move(other.file_)),
      folder_(other.folder_),
      temporary_(std::exchange(other.temporary_, {})),
      destination_(std::move(other.destination_)) {}

ReplacingFile::~ReplacingFile() {
  if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
}

std::expected<void, int> ReplacingFile::commit() {
  if (auto closed = file_.close(); !closed) return closed;
  if (::renameat(folder_, temporary_.c_str(), folder_, destination_.c_str()) != 0) return std::unexpected(errno);
  temporary_.clear();
  return {};
}

}  // namespace paiscribe

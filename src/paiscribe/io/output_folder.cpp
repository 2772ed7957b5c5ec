#include "paiscribe/io/output_folder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace paiscribe {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;

// The folder `name` in `parent`, made when missing, never through a link.
std::expected<FileDescriptor, OutputError> open_part(int parent, const std::string& name, std::string_view shown) {
  if (name == "." || name == "..") return std::unexpected(OutputCreateFailed{EINVAL});
  auto folder = FileDescriptor::open_at(parent, name, kFolderFlags);
  if (!folder && folder.error() == ENOENT) {
    if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return std::unexpected(OutputCreateFailed{errno});
    folder = FileDescriptor::open_at(parent, name, kFolderFlags);
  }
  if (folder) return std::move(*folder);
  // O_NOFOLLOW fails on a link with ELOOP, and with O_DIRECTORY also with ENOTDIR.
  struct stat there;
  if (::fstatat(parent, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(there.st_mode))
    return std::unexpected(OutputIsLink{std::string(shown)});
  return std::unexpected(OutputCreateFailed{folder.error()});
}

}  // namespace

std::expected<OutputFolder, int> OutputFolder::open(std::string_view path) {
  auto top = FileDescriptor::open(path, O_RDONLY | O_DIRECTORY);
  if (!top) return std::unexpected(top.error());
  return OutputFolder(std::move(*top));
}

std::expected<FileDescriptor, OutputError> OutputFolder::below(std::string_view relative) const {
  std::optional<FileDescriptor> folder;
  std::string name;
  for (std::size_t start = 0; start <= relative.size();) {
    const std::size_t end = std::min(relative.find('/', start), relative.size());
    name.assign(relative.substr(start, end - start));
    if (!name.empty()) {
      auto part = open_part(folder ? folder->get() : top_.get(), name, relative.substr(0, end));
      if (!part) return std::unexpected(std::move(part.error()));
      folder = std::move(*part);
    }
    start = end + 1;
  }
  if (folder) return std::move(*folder);
  // The top itself: a descriptor of its own, so that the caller may keep it.
  auto top = FileDescriptor::open_at(top_.get(), ".", O_RDONLY | O_DIRECTORY);
  if (!top) return std::unexpected(OutputCreateFailed{top.error()});
  return std::move(*top);
}

}  // namespace paiscribe

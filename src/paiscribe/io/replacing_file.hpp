#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"

namespace paiscribe {

// A new file written under a temporary name beside its destination. commit()
// renames it over the destination, so a reader sees the old file or the whole
// new one, never a part; dropped without a commit, it is removed.
class ReplacingFile {
 public:
  // Created with mode 0666 under the process's mask, or with `keep_mode`'s
  // permission bits and owner when it replaces an existing file. Failures are
  // the errno of creating the temporary file.
  static std::expected<ReplacingFile, int> create_beside(std::string destination,
                                                         const struct stat* keep_mode = nullptr) {
    return create_in(AT_FDCWD, std::move(destination), keep_mode);
  }
  // The same for `destination` taken from the open folder `folder` (a name
  // in it), which must stay open until the file is committed or dropped. The
  // temporary file is made there without following a link.
  static std::expected<ReplacingFile, int> create_in(int folder, std::string destination,
                                                     const struct stat* keep_mode = nullptr);

  ReplacingFile(ReplacingFile&& other) noexcept;
  ReplacingFile& operator=(ReplacingFile&&) = delete;
  ~ReplacingFile();

  int fd() const { return file_.get(); }

  // Closes the file and renames it over the destination.
  std::expected<void, int> commit();

 private:
  ReplacingFile(FileDescriptor file, int folder, std::string temporary, std::string destination)
      : file_(std::move(file)), folder_(folder), temporary_(std::move(temporary)), destination_(std::move(destination)) {}

  FileDescriptor file_;
  int folder_;  // where the names below start: a folder's descriptor, or AT_FDCWD
  std::string temporary_;  // empty once committed or moved away
  std::string destination_;
};

}  // namespace paiscribe

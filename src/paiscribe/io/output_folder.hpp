#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/output_file.hpp"

namespace paiscribe {

// The folder a run of many logs writes into, and the folders below it. The
// top is opened as the user named it, through any link; below it, no link
// is ever followed (a link planted in a shared output folder would send an
// output anywhere), and each folder is opened from the one above it.
class OutputFolder {
 public:
  // The folder at `path` (raw path bytes); failures are the errno of opening it.
  static std::expected<OutputFolder, int> open(std::string_view path);

  // The folder `relative` below the top ("" is the top itself; its parts
  // separated by '/'), made where it is missing. A symbolic link on the way
  // fails as OutputIsLink, naming the part that is one; a part that cannot
  // be opened or made, as OutputCreateFailed.
  std::expected<FileDescriptor, OutputError> below(std::string_view relative) const;

 private:
  explicit OutputFolder(FileDescriptor top) : top_(std::move(top)) {}

  FileDescriptor top_;
};

}  // namespace paiscribe

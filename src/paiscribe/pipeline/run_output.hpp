#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/output_folder.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// What one worker of a run of many logs writes its outputs with: the run's
// output folder, and the folder of its last output, kept open for the next,
// which most often goes into the same one.
class RunOutput {
 public:
  // `top` is the run's output folder as opened, or why it could not be;
  // `output_dir` names it in failures (raw path bytes).
  RunOutput(const std::expected<OutputFolder, int>& top, std::string_view output_dir)
      : top_(top), output_dir_(output_dir) {}

  // Writes `bytes` (gzip-compressed when asked) to `output`, a path below
  // the output folder, never through a link.
  std::expected<void, PipelineError> write(std::string_view output, std::string_view bytes, bool gzip);

 private:
  std::string shown(std::string_view relative) const;

  const std::expected<OutputFolder, int>& top_;
  std::string_view output_dir_;
  std::string relative_;  // of the folder held, below the output folder
  std::optional<FileDescriptor> folder_;
};

}  // namespace paiscribe

#pragma once

#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"
#include "paiscribe/rebuild/log_builder.hpp"

namespace paiscribe {

// One game's mjai lines as Tenhou's JSON log (version 6), compact, as
// Tenhou writes it: the lines replayed under the rules and rebuilt into the
// record json/ writes. Lines that are not one legal game fail as
// IllegalGameError with the rules' findings. Each game is rebuilt in the
// room of the one before, so a typical game allocates little; keep_typical()
// gives back what a long one grew.
class TenhouJsonRebuilder {
 public:
  // The lines, each without its line feed.
  std::expected<std::string, PipelineError> from_lines(std::span<const std::string_view> lines);
  // A text of lines, as check_lines takes it.
  std::expected<std::string, PipelineError> from_text(std::string_view text);
  // Lines held in memory, plain or compressed, their compression undone by `reader`.
  std::expected<std::string, PipelineError> from_bytes(std::string_view bytes, RecordReader& reader);
  // The file of lines at `path` (raw path bytes), plain or compressed, read
  // by `reader`; it fails as a record file fails when it cannot be read.
  std::expected<std::string, PipelineError> from_file(std::string_view path, RecordReader& reader,
                                                      ShouldStop should_stop = nullptr);

  void keep_typical() { game_.log.keep_typical(); }

 private:
  template <typename Feed>
  std::expected<std::string, PipelineError> rebuilt(Feed&& feed);

  rebuild::RebuiltGame game_;
};

}  // namespace paiscribe

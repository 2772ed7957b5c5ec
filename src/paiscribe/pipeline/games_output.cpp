#include "paiscribe/pipeline/games_output.hpp"

#include <utility>

#include "paiscribe/pipeline/convert_file.hpp"
#include "paiscribe/pipeline/failure_text.hpp"

namespace paiscribe {
namespace {

// A reader of standard output that went away is told apart, so that the
// command line can end quietly as a pipeline expects.
constexpr OutputLabel kLabel{"mjai out", true};

}  // namespace

std::expected<GamesOutput, PipelineError> GamesOutput::open(std::string_view path, ShouldStop should_stop) {
  auto file = OutputFile::open(path, should_stop);
  if (!file) return std::unexpected(output_failure(file.error(), path, kLabel));
  return GamesOutput(std::move(*file), path, names_gzip(path));
}

std::expected<void, PipelineError> GamesOutput::append(Converter& converter) {
  auto lines = converter.all_lines();
  if (!lines) return std::unexpected(std::move(lines.error()));
  std::string compressed;
  const auto bytes = output_bytes((*lines)->text(), gzip_, compressed, path_, kLabel);
  if (!bytes) return std::unexpected(bytes.error());
  if (auto written = file_.write(*bytes); !written) {
    failed_ = true;
    return std::unexpected(output_failure(written.error(), path_, kLabel));
  }
  return {};
}

std::expected<void, PipelineError> GamesOutput::commit() {
  if (auto done = file_.commit(); !done) {
    failed_ = true;
    return std::unexpected(output_failure(done.error(), path_, kLabel));
  }
  return {};
}

}  // namespace paiscribe

#include "paiscribe/entry/convert_file.hpp"

#include "paiscribe/entry/log_input.hpp"
#include "paiscribe/entry/log_output.hpp"

namespace paiscribe {
namespace {

// The text goes away on return, before the output is written.
std::expected<const MjaiLines*, PipelineError> lines_of_file(std::string_view input, PipelineStorage& storage) {
  const auto text = read_log_input(input);
  if (!text) return std::unexpected(text.error());
  return convert_padded(*text, storage);
}

}  // namespace

std::expected<void, PipelineError> convert_file(std::string_view input, std::string_view output, bool gzip,
                                                PipelineStorage& storage) {
  auto lines = lines_of_file(input, storage);
  if (!lines) return std::unexpected(std::move(lines.error()));
  if (auto written = write_log_output(output, **lines, gzip); !written) {
    return std::unexpected(output_error(written.error(), output));
  }
  return {};
}

}  // namespace paiscribe

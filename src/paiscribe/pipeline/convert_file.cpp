#include "paiscribe/pipeline/convert_file.hpp"

#include <cerrno>
#include <string>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/io/output_file.hpp"
#include "paiscribe/pipeline/failure_text.hpp"

namespace paiscribe {

std::expected<void, PipelineError> write_output(std::string_view path, std::string_view bytes,
                                                ShouldStop should_stop, FileKinds kinds, OutputLabel label) {
  auto output = OutputFile::open(path, should_stop, kinds);
  if (!output) return std::unexpected(output_failure(output.error(), path, label));
  auto written = output->write(bytes);
  if (written) written = output->commit();
  if (!written) return std::unexpected(output_failure(written.error(), path, label));
  return {};
}

std::expected<void, PipelineError> write_game(Converter& converter, std::string_view output, bool gzip,
                                              FileKinds kinds) {
  auto lines = converter.all_lines();
  if (!lines) return std::unexpected(std::move(lines.error()));
  if (!gzip) return write_output(output, (*lines)->text(), nullptr, kinds);
  // Only memory can run out at the level used.
  const auto compressed = gzip_compress((*lines)->text());
  if (!compressed) return std::unexpected(output_failure(OutputWriteFailed{ENOMEM}, output));
  return write_output(output, *compressed, nullptr, kinds);
}

}  // namespace paiscribe

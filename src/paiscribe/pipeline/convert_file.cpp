#include "paiscribe/pipeline/convert_file.hpp"

#include <cerrno>
#include <string>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/io/output_file.hpp"

namespace paiscribe {
namespace {

std::expected<void, PipelineError> write_whole(std::expected<OutputFile, OutputError> output, std::string_view bytes,
                                               std::string_view path, OutputLabel label) {
  if (!output) return std::unexpected(output_failure(output.error(), path, label));
  auto written = output->write(bytes);
  if (written) written = output->commit();
  if (!written) return std::unexpected(output_failure(written.error(), path, label));
  return {};
}

}  // namespace

bool names_gzip(std::string_view path) {
  if (path.size() < 3) return false;
  const std::string_view ending = path.substr(path.size() - 3);
  return ending[0] == '.' && (ending[1] | 0x20) == 'g' && (ending[2] | 0x20) == 'z';
}

std::expected<std::string_view, PipelineError> output_bytes(std::string_view bytes, bool gzip, std::string& held,
                                                            std::string_view path, OutputLabel label) {
  if (!gzip) return bytes;
  // Only memory can run out at the level used.
  auto compressed = gzip_compress(bytes);
  if (!compressed) return std::unexpected(output_failure(OutputWriteFailed{ENOMEM}, path, label));
  held = std::move(*compressed);
  return held;
}

std::expected<void, PipelineError> write_output(std::string_view path, std::string_view bytes,
                                                ShouldStop should_stop, OutputLabel label, bool gzip) {
  std::string held;
  const auto written = output_bytes(bytes, gzip, held, path, label);
  if (!written) return std::unexpected(written.error());
  return write_whole(OutputFile::open(path, should_stop), *written, path, label);
}

std::expected<void, PipelineError> write_output_in(int folder, std::string_view name, std::string_view shown,
                                                   std::string_view bytes, bool gzip) {
  std::string held;
  const auto written = output_bytes(bytes, gzip, held, shown);
  if (!written) return std::unexpected(written.error());
  return write_whole(OutputFile::open_in(folder, name), *written, shown, {});
}

}  // namespace paiscribe

#include "paiscribe/pipeline/run_output.hpp"

#include <variant>

#include "paiscribe/pipeline/convert_file.hpp"
#include "paiscribe/pipeline/failure_text.hpp"

namespace paiscribe {

std::string RunOutput::shown(std::string_view relative) const {
  if (output_dir_ == ".") return std::string(relative);
  std::string path(output_dir_);
  if (!path.ends_with('/')) path += '/';
  return path += relative;
}

std::expected<void, PipelineError> RunOutput::write(std::string_view output, std::string_view bytes, bool gzip) {
  const std::size_t slash = output.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : output.substr(0, slash);
  if (!folder_ || relative_ != folder) {
    folder_.reset();
    if (!top_) return std::unexpected(output_failure(OutputCreateFailed{top_.error()}, shown(output)));
    auto opened = top_->below(folder);
    if (!opened) {
      if (auto* link = std::get_if<OutputIsLink>(&opened.error())) link->where = shown(link->where);
      return std::unexpected(output_failure(opened.error(), shown(output)));
    }
    folder_ = std::move(*opened);
    relative_ = folder;
  }
  return write_output_in(folder_->get(), output.substr(slash + 1), shown(output), bytes, gzip);
}

}  // namespace paiscribe

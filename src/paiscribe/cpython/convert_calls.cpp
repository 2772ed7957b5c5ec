#include "paiscribe/cpython/convert_calls.hpp"

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/pipeline/convert_file.hpp"

namespace paiscribe {

PyObject* convert_file_call(Converter& converter, std::string_view filename, std::optional<std::string_view> mjai_out,
                            InputPolicy policy, const ModuleErrors& errors, bool gzip_by_name) {
  if (auto started = converter.start_file(filename, policy, signal_handler_raised); !started) {
    raise_error(errors, started.error());
    return nullptr;
  }
  const auto as_it_is = [](auto&& step) { return step(); };
  OwnedRef list(list_of_lines(converter, mjai_out.has_value(), errors, as_it_is));
  if (!list) return nullptr;
  if (mjai_out) {
    const bool gzip = gzip_by_name && names_gzip(*mjai_out);
    if (auto written = write_output(*mjai_out, converter.lines().text(), signal_handler_raised, {}, gzip); !written) {
      raise_error(errors, written.error());
      return nullptr;
    }
  }
  return list.release();
}

}  // namespace paiscribe

#include "paiscribe/cpython/json_log_result.hpp"

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/finding_tuples.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/pipeline/convert_file.hpp"

namespace paiscribe {
namespace {

void raise_with_findings(const ModuleErrors& errors, const PipelineError& error) {
  raise_error(errors, error);
  if (error.findings.empty()) return;
  OwnedRef raised(PyErr_GetRaisedException());
  if (!raised) return;
  // Should the list fail, the exception is raised without it.
  const OwnedRef findings(finding_tuples(error.findings));
  if (!findings || PyObject_SetAttrString(raised.get(), "findings", findings.get()) < 0) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
}

}  // namespace

PyObject* json_log_result(NativeState& state, const std::expected<std::string, PipelineError>& json,
                          std::optional<std::string_view> json_out) {
  if (!json) {
    raise_with_findings(state.errors, json.error());
    return nullptr;
  }
  OwnedRef log(str_of_text(*json));
  if (!log) return nullptr;
  if (json_out) {
    constexpr OutputLabel kJsonOut{"json out", true};
    if (auto written = write_output(*json_out, *json, signal_handler_raised, kJsonOut, names_gzip(*json_out));
        !written) {
      raise_error(state.errors, written.error());
      return nullptr;
    }
  }
  return log.release();
}

}  // namespace paiscribe

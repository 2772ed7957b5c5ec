#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// What a call that makes a JSON log returns: the log as a str, also written
// to `json_out` when given, or null with its failure raised. An illegal
// game's IllegalGameError carries its findings as (line, kyoku, seat,
// message) tuples in `findings`.
PyObject* json_log_result(NativeState& state, const std::expected<std::string, PipelineError>& json,
                          std::optional<std::string_view> json_out);

}  // namespace paiscribe

#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <optional>
#include <string_view>

#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/line_list.hpp"
#include "paiscribe/pipeline/converter.hpp"

namespace paiscribe {

// Pulls the started game's batches into a new list of str, running each
// batch through `run` (as it is, or without the interpreter lock). With
// `keep`, the converter's lines() hold the whole game afterwards. Null with
// the error set.
template <typename Run>
PyObject* list_of_lines(Converter& converter, bool keep, const ModuleErrors& errors, Run&& run) {
  LineList list;
  for (;;) {
    const std::size_t first = keep ? converter.lines().size() : 0;
    const auto made = run([&] { return converter.next_batch(keep); });
    if (!made) {
      raise_error(errors, made.error());
      return nullptr;
    }
    if (!*made) return list.release();
    if (!list.append(converter.lines(), first)) return nullptr;
  }
}

// The calls that convert a file, holding the interpreter lock throughout:
// the record at `filename` read as `policy` says, its lines as a list of
// str, also written to `mjai_out` once they all exist, gzip-compressed with
// `gzip_by_name` when its name ends in ".gz". A signal that interrupts a
// blocking read or write runs its handler; one that raises ends the call.
PyObject* convert_file_call(Converter& converter, std::string_view filename, std::optional<std::string_view> mjai_out,
                            InputPolicy policy, const ModuleErrors& errors, bool gzip_by_name);

}  // namespace paiscribe

#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <vector>

#include "paiscribe/rules/finding.hpp"

namespace paiscribe {

// The findings as a list of (line, kyoku name or None, seat or None,
// message) tuples, which paiscribe.Finding takes apart; null with the error set.
PyObject* finding_tuples(const std::vector<rules::Finding>& findings);

}  // namespace paiscribe

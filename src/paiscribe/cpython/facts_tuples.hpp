#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <vector>

#include "paiscribe/pipeline/batch_run.hpp"

namespace paiscribe {

// The facts of jobs as a list of (job index, reason the filter left it out
// or None, facts or None) tuples, the facts as paiscribe.batch.GameFacts
// takes them: (rule, game type, lobby, names, grades, ratings, final scores,
// kyokus, disconnections, room, hanchan, standard rules), None where the
// record has none. Null with the error set.
PyObject* facts_tuples(const std::vector<JobFacts>& facts);

}  // namespace paiscribe

#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <optional>

#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/pipeline/batch_run.hpp"

namespace paiscribe {

// The jobs of a Python iterator, pulled on the calling thread as the
// workers need them: the run's queue is kept at most `depth` long, so a
// source of any size holds only that many records in memory at once.
class JobFeed {
 public:
  using JobOf = std::optional<BatchJob> (*)(PyObject*);

  // `function` and `item_must_be` word the TypeError of an item that is no job.
  JobFeed(PyObject* iterator, JobOf job_of, const char* function, const char* item_must_be, std::size_t depth);

  // Adds jobs until the queue is full again or the source ends, which
  // closes the run's queue; false with the error set when the source
  // raised or gave no job.
  bool top_up(BatchRun& run);

  // The queue is topped up once it is shorter than this.
  std::size_t low_water() const { return depth_ / 2; }

 private:
  OwnedRef iterator_;
  JobOf job_of_;
  const char* function_;
  const char* item_must_be_;
  std::size_t depth_;
  std::size_t given_ = 0;
  bool ended_ = false;
};

}  // namespace paiscribe

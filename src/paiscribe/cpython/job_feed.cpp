#include "paiscribe/cpython/job_feed.hpp"

#include <utility>

namespace paiscribe {

JobFeed::JobFeed(PyObject* iterator, JobOf job_of, const char* function, const char* item_must_be, std::size_t depth)
    : iterator_(Py_NewRef(iterator)), job_of_(job_of), function_(function), item_must_be_(item_must_be), depth_(depth) {}

bool JobFeed::top_up(BatchRun& run) {
  if (ended_) return true;
  for (std::size_t queued = run.queued(); queued < depth_; ++queued) {
    const OwnedRef item(PyIter_Next(iterator_.get()));
    if (!item) {
      if (PyErr_Occurred()) return false;
      ended_ = true;
      run.close();
      return true;
    }
    auto job = job_of_(item.get());
    if (!job) {
      PyErr_Format(PyExc_TypeError, "%s() job %zu must be %s, not %R", function_, given_, item_must_be_, item.get());
      return false;
    }
    run.add(std::move(*job));
    ++given_;
  }
  return true;
}

}  // namespace paiscribe

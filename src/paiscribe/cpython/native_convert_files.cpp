// convert_files and check_files: the batch runner of the pipeline, driven
// from the calling thread. The workers run without the interpreter lock; this thread wakes
// every kPollInterval to hand on the failures and counts so far, and to let
// signals in. On any exception it stops the workers, waits for the logs they
// hold, hands on what they did last and re-raises.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/finding_tuples.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/without_gil.hpp"
#include "paiscribe/pipeline/batch_run.hpp"

namespace paiscribe {
namespace {

constexpr std::chrono::milliseconds kPollInterval{100};

// A job of convert_files: an (input, output) pair of path bytes, with the
// record's bytes as a third item when it is held in memory.
std::optional<BatchJob> conversion_of(PyObject* item) {
  if (!PyTuple_Check(item)) return std::nullopt;
  const Py_ssize_t size = PyTuple_GET_SIZE(item);
  if (size != 2 && size != 3) return std::nullopt;
  for (Py_ssize_t i = 0; i < size; ++i)
    if (!PyBytes_Check(PyTuple_GET_ITEM(item, i))) return std::nullopt;
  BatchJob job{std::string(view_of(PyTuple_GET_ITEM(item, 0))), std::string(view_of(PyTuple_GET_ITEM(item, 1)))};
  if (size == 3) job.text.emplace(view_of(PyTuple_GET_ITEM(item, 2)));
  return job;
}

// A job of check_files: the path bytes of a file of lines.
std::optional<BatchJob> check_of(PyObject* item) {
  if (!PyBytes_Check(item)) return std::nullopt;
  return BatchJob{std::string(view_of(item)), {}};
}

// The jobs of a sequence, each item made one by `job_of`; nullopt with
// TypeError set, which says what an item must be.
std::optional<std::vector<BatchJob>> jobs_of(PyObject* items, const char* function, const char* item_must_be,
                                             std::optional<BatchJob> (*job_of)(PyObject*)) {
  const OwnedRef sequence(PySequence_Fast(items, "the jobs must be a sequence"));
  if (!sequence) return std::nullopt;
  const Py_ssize_t count = PySequence_Fast_GET_SIZE(sequence.get());
  std::vector<BatchJob> jobs;
  jobs.reserve(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = PySequence_Fast_GET_ITEM(sequence.get(), i);
    auto job = job_of(item);
    if (!job) {
      PyErr_Format(PyExc_TypeError, "%s() job %zd must be %s, not %R", function, i, item_must_be, item);
      return std::nullopt;
    }
    jobs.push_back(std::move(*job));
  }
  return jobs;
}

// (job index, exception class name, message, detail, findings)
PyObject* failure_tuple(const NativeState& state, const JobFailure& failure) {
  const OwnedRef index(PyLong_FromSize_t(failure.job));
  if (!index) return nullptr;
  const OwnedRef class_name(PyType_GetName(reinterpret_cast<PyTypeObject*>(exception_type(state.errors, failure.error.error_class))));
  if (!class_name) return nullptr;
  const OwnedRef message(str_of_text(failure.error.message));
  if (!message) return nullptr;
  const OwnedRef detail(str_of_text(failure.error.detail));
  if (!detail) return nullptr;
  const OwnedRef findings(finding_tuples(failure.error.findings));
  if (!findings) return nullptr;
  return PyTuple_Pack(5, index.get(), class_name.get(), message.get(), detail.get(), findings.get());
}

// Calls on_failures(converted, [failure tuple, ...]) with the count so far
// and the failures since the last call; false with the error set when that
// fails.
bool call_on_failures(const NativeState& state, PyObject* on_failures, std::size_t converted,
                      const std::vector<JobFailure>& failures) {
  const OwnedRef list(PyList_New(static_cast<Py_ssize_t>(failures.size())));
  if (!list) return false;
  for (std::size_t i = 0; i < failures.size(); ++i) {
    PyObject* item = failure_tuple(state, failures[i]);
    if (item == nullptr) return false;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return OwnedRef(PyObject_CallFunction(on_failures, "nO", static_cast<Py_ssize_t>(converted), list.get())) != nullptr;
}

// Hands the failures on. A signal that came while the workers were waited
// for raises as the call starts, before it takes any: so a call that raises
// is made once more with its exception held aside, and no failure is lost;
// false with that exception set.
bool hand_on(const NativeState& state, PyObject* on_failures, std::size_t converted,
             const std::vector<JobFailure>& failures) {
  if (call_on_failures(state, on_failures, converted, failures)) return true;
  OwnedRef raised(PyErr_GetRaisedException());
  if (!call_on_failures(state, on_failures, converted, failures)) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
  return false;
}

// Calls progress(converted, failed) unless it is None.
bool report_progress(PyObject* progress, BatchCounts counts) {
  if (progress == nullptr) return true;
  return OwnedRef(PyObject_CallFunction(progress, "nn", static_cast<Py_ssize_t>(counts.converted),
                                        static_cast<Py_ssize_t>(counts.failed))) != nullptr;
}

// A run that could start no thread at all raises what stopped it.
PyObject* raise_start_error(int error_number) {
  if (error_number == ENOMEM) return PyErr_NoMemory();
  const OwnedRef text(PyUnicode_FromFormat("cannot start a worker thread: %s", std::strerror(error_number)));
  if (text) PyErr_SetObject(PyExc_OSError, OwnedRef(Py_BuildValue("(iO)", error_number, text.get())).get());
  return nullptr;
}

// Stops the run for the exception that is set, waits for the workers, hands
// on what they did last and sets the exception again.
PyObject* stop_for_exception(const NativeState& state, BatchRun& run, PyObject* on_failures) {
  OwnedRef raised(PyErr_GetRaisedException());
  run.stop();
  const std::vector<JobFailure> last = without_gil([&] { return run.finish(); });
  // The exception that stopped the run is the one raised, whatever the
  // last on_failures does.
  if (!hand_on(state, on_failures, run.counts().converted, last)) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
  return nullptr;
}

PyObject* run_batch(const NativeState& state, std::vector<BatchJob> jobs, unsigned workers, BatchWork work,
                    PyObject* on_failures, PyObject* progress) {
  const bool any = !jobs.empty();
  BatchRun run(std::move(jobs), workers, work);
  if (any && run.workers() == 0) return raise_start_error(run.start_error());
  for (;;) {
    const bool finished = without_gil([&] { return run.wait_for(kPollInterval); });
    if (finished) break;
    if (!hand_on(state, on_failures, run.counts().converted, run.take_failures()) ||
        !report_progress(progress, run.counts()) || PyErr_CheckSignals() < 0)
      return stop_for_exception(state, run, on_failures);
  }
  if (!hand_on(state, on_failures, run.counts().converted, run.finish()) || !report_progress(progress, run.counts()))
    return nullptr;
  Py_RETURN_NONE;
}

// Runs the jobs on the workers argument's count of threads (at most 1024);
// null with the error set.
PyObject* run_jobs(PyObject* module, const char* function, std::optional<std::vector<BatchJob>> jobs,
                   PyObject* workers_argument, BatchWork work, PyObject* on_failures, PyObject* progress) {
  if (!jobs) return nullptr;
  const unsigned long workers = PyLong_AsUnsignedLong(workers_argument);
  if (workers == static_cast<unsigned long>(-1) && PyErr_Occurred()) return nullptr;
  return guarded_call(function, [&] {
    return run_batch(native_state(module), std::move(*jobs), static_cast<unsigned>(std::min(workers, 1024ul)), work,
                     on_failures, progress == Py_None ? nullptr : progress);
  });
}

}  // namespace

const char kConvertFilesDoc[] =
    "convert_files($module, jobs, workers, gzip, check, on_failures, progress, /)\n--\n\n"
    "Converts each job on worker threads: an (input, output) pair of path\n"
    "bytes, or an (input, output, record bytes) triple for a record held in\n"
    "memory; with check, each game's lines are checked before they are\n"
    "written. on_failures(converted, [(job index, class name, message,\n"
    "detail, findings), ...]) gets the count so far and the failures since its\n"
    "last call, and progress(converted, failed), unless None, the counts; both\n"
    "are called from this thread every 0.1 s and at the end, and on_failures\n"
    "once more when an exception stops the run. A call of on_failures that\n"
    "raises is made again at once with the same failures, so it may see a\n"
    "failure twice. paiscribe.convert_files is the interface\n"
    "to use.";

PyObject* native_convert_files(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 6) {
    PyErr_Format(PyExc_TypeError, "convert_files() takes exactly 6 arguments (%zd given)", count);
    return nullptr;
  }
  const int gzip = PyObject_IsTrue(args[2]);
  if (gzip < 0) return nullptr;
  const int check = PyObject_IsTrue(args[3]);
  if (check < 0) return nullptr;
  return run_jobs(module, "convert_files", jobs_of(args[0], "convert_files", "a pair or a triple of bytes", conversion_of),
                  args[1],
                  BatchWork{BatchWork::Task::Convert, gzip != 0, check != 0}, args[4], args[5]);
}

const char kCheckFilesDoc[] =
    "check_files($module, inputs, workers, on_failures, progress, /)\n--\n\n"
    "Checks files of mjai lines (path bytes), plain or gzip-compressed, on\n"
    "worker threads, handing on counts and failures as convert_files does; a\n"
    "file whose games break the rules fails as IllegalGameError with its\n"
    "findings. paiscribe.check_files is the interface to use.";

PyObject* native_check_files(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 4) {
    PyErr_Format(PyExc_TypeError, "check_files() takes exactly 4 arguments (%zd given)", count);
    return nullptr;
  }
  return run_jobs(module, "check_files", jobs_of(args[0], "check_files", "bytes", check_of), args[1], BatchWork{BatchWork::Task::Check}, args[2],
                  args[3]);
}

}  // namespace paiscribe

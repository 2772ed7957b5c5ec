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
#include "paiscribe/cpython/facts_tuples.hpp"
#include "paiscribe/cpython/finding_tuples.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/job_feed.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/without_gil.hpp"
#include "paiscribe/pipeline/batch_run.hpp"

namespace paiscribe {
namespace {

constexpr std::chrono::milliseconds kPollInterval{100};
// Jobs waiting in the queue of a run fed from an iterator, per worker.
constexpr std::size_t kQueuedPerWorker = 32;

// Who hears of the run: on_failures always, on_facts in a run with facts,
// progress when it is not None.
struct Listeners {
  PyObject* on_failures;
  PyObject* on_facts;
  PyObject* progress;
};

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

// Makes a call that hands outcomes on. A signal that came while the workers
// were waited for raises as the call starts, before it takes any: so a call
// that raises is made once more with its exception held aside, and no
// outcome is lost; false with that exception set.
template <typename Call>
bool once_more_if_raised(Call call) {
  if (call()) return true;
  OwnedRef raised(PyErr_GetRaisedException());
  if (!call()) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
  return false;
}

bool hand_on(const NativeState& state, PyObject* on_failures, std::size_t converted,
             const std::vector<JobFailure>& failures) {
  return once_more_if_raised([&] { return call_on_failures(state, on_failures, converted, failures); });
}

// The facts first, then the failures, among which are those of any job
// the facts name.
bool hand_on_reports(const NativeState& state, const Listeners& to, std::size_t converted,
                     const BatchReports& reports) {
  if (to.on_facts != nullptr && !reports.facts.empty() && !once_more_if_raised([&] {
        const OwnedRef list(facts_tuples(reports.facts));
        return list && OwnedRef(PyObject_CallOneArg(to.on_facts, list.get())) != nullptr;
      }))
    return false;
  return hand_on(state, to.on_failures, converted, reports.failures);
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
PyObject* stop_for_exception(const NativeState& state, BatchRun& run, const Listeners& to) {
  OwnedRef raised(PyErr_GetRaisedException());
  run.stop();
  const BatchReports last = without_gil([&] { return run.finish_reports(); });
  // The exception that stopped the run is the one raised, whatever the
  // last on_failures does.
  if (!hand_on_reports(state, to, run.counts().converted, last)) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
  return nullptr;
}

// Waits for the workers, handing on what they did every kPollInterval, and
// with a feed keeps their queue topped up.
PyObject* run_batch(const NativeState& state, BatchRun& run, JobFeed* feed, const Listeners& to) {
  auto handed_on = std::chrono::steady_clock::now();
  for (;;) {
    if (feed != nullptr && !feed->top_up(run)) return stop_for_exception(state, run, to);
    const bool finished =
        without_gil([&] { return run.wait_for(kPollInterval, feed != nullptr ? feed->low_water() : 0); });
    if (finished) break;
    const auto now = std::chrono::steady_clock::now();
    if (now - handed_on < kPollInterval) continue;  // woken to top the queue up
    handed_on = now;
    if (!hand_on_reports(state, to, run.counts().converted, run.take_reports()) ||
        !report_progress(to.progress, run.counts()) || PyErr_CheckSignals() < 0)
      return stop_for_exception(state, run, to);
  }
  if (!hand_on_reports(state, to, run.counts().converted, run.finish_reports()) ||
      !report_progress(to.progress, run.counts()))
    return nullptr;
  Py_RETURN_NONE;
}

// The workers argument's count of threads, at most 1024; nullopt with the error set.
std::optional<unsigned> worker_count(PyObject* workers_argument) {
  const unsigned long workers = PyLong_AsUnsignedLong(workers_argument);
  if (workers == static_cast<unsigned long>(-1) && PyErr_Occurred()) return std::nullopt;
  return static_cast<unsigned>(std::min(workers, 1024ul));
}

// Runs the jobs on the workers argument's count of threads; null with the
// error set.
PyObject* run_jobs(PyObject* module, const char* function, std::optional<std::vector<BatchJob>> jobs,
                   PyObject* workers_argument, BatchWork work, const Listeners& to) {
  if (!jobs) return nullptr;
  const auto workers = worker_count(workers_argument);
  if (!workers) return nullptr;
  return guarded_call(function, [&]() -> PyObject* {
    const bool any = !jobs->empty();
    BatchRun run(std::move(*jobs), *workers, work);
    if (any && run.workers() == 0) return raise_start_error(run.start_error());
    return run_batch(native_state(module), run, nullptr, to);
  });
}

// The same for jobs pulled from an iterator as the workers need them.
PyObject* run_fed(PyObject* module, const char* function, PyObject* iterator, PyObject* workers_argument,
                  BatchWork work, const Listeners& to) {
  const auto workers = worker_count(workers_argument);
  if (!workers) return nullptr;
  return guarded_call(function, [&]() -> PyObject* {
    JobFeed feed(iterator, conversion_of, function, "a pair or a triple of bytes",
                 kQueuedPerWorker * std::max(*workers, 1u));
    BatchRun run(*workers, work);
    if (run.workers() == 0) return raise_start_error(run.start_error());
    return run_batch(native_state(module), run, &feed, to);
  });
}

// A run with facts: (on_facts, room or None, hanchan or None, standard
// rules, without disconnections); false with the error set.
bool read_facts_argument(PyObject* argument, BatchWork& work, Listeners& to) {
  if (argument == Py_None) return true;
  PyObject* room = nullptr;
  PyObject* hanchan = nullptr;
  int standard = 0;
  int connected = 0;
  if (!PyArg_ParseTuple(argument, "OOOpp;facts must be (on_facts, room, hanchan, standard, connected)", &to.on_facts,
                        &room, &hanchan, &standard, &connected))
    return false;
  work.facts = true;
  if (room != Py_None) {
    const long index = PyLong_AsLong(room);
    if (index == -1 && PyErr_Occurred()) return false;
    if (index < 0 || index > static_cast<long>(Room::Phoenix)) {
      PyErr_Format(PyExc_ValueError, "room must be 0-3 or None, not %ld", index);
      return false;
    }
    work.filter.room = static_cast<Room>(index);
  }
  if (hanchan != Py_None) {
    const int is_hanchan = PyObject_IsTrue(hanchan);
    if (is_hanchan < 0) return false;
    work.filter.hanchan = is_hanchan != 0;
  }
  work.filter.standard_rules = standard != 0;
  work.filter.without_disconnections = connected != 0;
  return true;
}

}  // namespace

const char kConvertFilesDoc[] =
    "convert_files($module, jobs, workers, gzip, check, on_failures, progress, facts=None, /)\n--\n\n"
    "Converts each job on worker threads: an (input, output) pair of path\n"
    "bytes, or an (input, output, record bytes) triple for a record held in\n"
    "memory; with check, each game's lines are checked before they are\n"
    "written. jobs is a list or tuple, or any other iterable, whose jobs are\n"
    "then taken as the workers need them, a few per worker at a time.\n"
    "on_failures(converted, [(job index, class name, message,\n"
    "detail, findings), ...]) gets the count so far and the failures since its\n"
    "last call, and progress(converted, failed), unless None, the counts; both\n"
    "are called from this thread every 0.1 s and at the end, and on_failures\n"
    "once more when an exception stops the run. A call of on_failures that\n"
    "raises is made again at once with the same failures, so it may see a\n"
    "failure twice. With facts, (on_facts, room, hanchan, standard,\n"
    "connected), each game's facts go to on_facts([(job index, reason or\n"
    "None, facts or None), ...]) just before on_failures, and a game the\n"
    "filter leaves out (room 0-3, hanchan, standard rules, without\n"
    "disconnections; None or false for any) is neither converted nor\n"
    "failed. paiscribe.convert_files is the interface to use.";

PyObject* native_convert_files(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 6 && count != 7) {
    PyErr_Format(PyExc_TypeError, "convert_files() takes 6 or 7 arguments (%zd given)", count);
    return nullptr;
  }
  const int gzip = PyObject_IsTrue(args[2]);
  if (gzip < 0) return nullptr;
  const int check = PyObject_IsTrue(args[3]);
  if (check < 0) return nullptr;
  BatchWork work{BatchWork::Task::Convert, gzip != 0, check != 0};
  Listeners to{args[4], nullptr, args[5] == Py_None ? nullptr : args[5]};
  if (count == 7 && !read_facts_argument(args[6], work, to)) return nullptr;
  if (PyList_Check(args[0]) || PyTuple_Check(args[0]))
    return run_jobs(module, "convert_files",
                    jobs_of(args[0], "convert_files", "a pair or a triple of bytes", conversion_of), args[1], work, to);
  const OwnedRef iterator(PyObject_GetIter(args[0]));
  if (!iterator) return nullptr;
  return run_fed(module, "convert_files", iterator.get(), args[1], work, to);
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
  return run_jobs(module, "check_files", jobs_of(args[0], "check_files", "bytes", check_of), args[1],
                  BatchWork{BatchWork::Task::Check}, Listeners{args[2], nullptr, args[3] == Py_None ? nullptr : args[3]});
}

}  // namespace paiscribe

// convert_files and check_files: the batch runner of the pipeline, driven
// from the calling thread. The workers run without the interpreter lock;
// this thread wakes every kPollInterval to hand over the failures, facts
// and counts so far, to top the queue up from a source given as an
// iterator, and to let signals in. On any exception it stops the workers,
// waits for the logs they hold, hands over what they did last and
// re-raises.
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

// Where the run hands its outcomes to Python: `failures`, a list that gets
// a failure tuple appended for each failed job; `counts`, a list of two
// that holds [converted, failed]; and in a run with facts, `facts`, a list
// that gets each job's facts tuple, appended before the job's failure. All
// are filled with C API calls alone, which run no Python code: no signal
// handler can come between an outcome taken from the workers and its list,
// so a run that a signal stops loses none. `tick`, unless None, is called
// after each filling.
struct Outcomes {
  PyObject* failures;
  PyObject* counts;
  PyObject* tick;
  PyObject* facts = nullptr;
};

// The lists are as Outcomes says; TypeError when they are not.
bool check_outcomes(const char* function, const Outcomes& outcomes) {
  if (!PyList_Check(outcomes.failures) || !PyList_Check(outcomes.counts) || PyList_GET_SIZE(outcomes.counts) != 2 ||
      (outcomes.facts != nullptr && !PyList_Check(outcomes.facts))) {
    PyErr_Format(PyExc_TypeError, "%s() takes lists for the failures and facts and a list of two for the counts",
                 function);
    return false;
  }
  return true;
}

bool set_count(PyObject* counts, Py_ssize_t at, std::size_t count) {
  PyObject* number = PyLong_FromSize_t(count);
  return number != nullptr && PyList_SetItem(counts, at, number) == 0;
}

// Appends the facts and the failures and sets the counts; false with the
// error set when memory ran out.
bool hand_over(const NativeState& state, const Outcomes& outcomes, const BatchReports& reports, BatchCounts counts) {
  if (outcomes.facts != nullptr && !reports.facts.empty()) {
    const OwnedRef facts(facts_tuples(reports.facts));
    if (!facts || PyList_SetSlice(outcomes.facts, PY_SSIZE_T_MAX, PY_SSIZE_T_MAX, facts.get()) < 0) return false;
  }
  for (const JobFailure& failure : reports.failures) {
    const OwnedRef item(failure_tuple(state, failure));
    if (!item || PyList_Append(outcomes.failures, item.get()) < 0) return false;
  }
  return set_count(outcomes.counts, 0, counts.converted) && set_count(outcomes.counts, 1, counts.failed);
}

bool call_tick(const Outcomes& outcomes) {
  return outcomes.tick == nullptr || OwnedRef(PyObject_CallNoArgs(outcomes.tick)) != nullptr;
}

// A run that could start no thread at all raises what stopped it.
PyObject* raise_start_error(int error_number) {
  if (error_number == ENOMEM) {
    PyErr_SetString(PyExc_MemoryError, "no worker thread had the memory to start");
    return nullptr;
  }
  const OwnedRef text(PyUnicode_FromFormat("cannot start a worker thread: %s", std::strerror(error_number)));
  if (text) PyErr_SetObject(PyExc_OSError, OwnedRef(Py_BuildValue("(iO)", error_number, text.get())).get());
  return nullptr;
}

// Stops the run for the exception that is set, waits for the workers, hands
// over what they did last and sets the exception again, whatever the
// handing over does.
PyObject* stop_for_exception(const NativeState& state, BatchRun& run, const Outcomes& outcomes) {
  OwnedRef raised(PyErr_GetRaisedException());
  run.stop();
  const BatchReports last = without_gil([&] { return run.finish(); });
  if (!hand_over(state, outcomes, last, run.counts())) PyErr_Clear();
  PyErr_SetRaisedException(raised.release());
  return nullptr;
}

// Waits for the workers, handing over what they did every kPollInterval,
// and with a feed keeps their queue topped up.
PyObject* run_batch(const NativeState& state, BatchRun& run, JobFeed* feed, const Outcomes& outcomes) {
  auto handed_over = std::chrono::steady_clock::now();
  for (;;) {
    if (feed != nullptr && !feed->top_up(run)) return stop_for_exception(state, run, outcomes);
    const bool finished =
        without_gil([&] { return run.wait_for(kPollInterval, feed != nullptr ? feed->low_water() : 0); });
    if (finished) break;
    const auto now = std::chrono::steady_clock::now();
    if (now - handed_over < kPollInterval) continue;  // woken to top the queue up
    handed_over = now;
    if (!hand_over(state, outcomes, run.take_reports(), run.counts()) || !call_tick(outcomes) ||
        PyErr_CheckSignals() < 0)
      return stop_for_exception(state, run, outcomes);
  }
  if (!hand_over(state, outcomes, run.finish(), run.counts())) return nullptr;
  if (run.working() == 0) return raise_start_error(ENOMEM);
  if (!call_tick(outcomes)) return nullptr;
  Py_RETURN_NONE;
}

// The workers argument's count of threads, at most 1024; nullopt with the error set.
std::optional<unsigned> worker_count(PyObject* workers_argument) {
  const unsigned long workers = PyLong_AsUnsignedLong(workers_argument);
  if (workers == static_cast<unsigned long>(-1) && PyErr_Occurred()) return std::nullopt;
  return static_cast<unsigned>(std::min(workers, 1024ul));
}

// Runs the jobs of a list or tuple on the workers argument's count of
// threads, or those of any other iterable as the workers need them; null
// with the error set.
PyObject* run_jobs(PyObject* module, const char* function, PyObject* jobs, const char* item_must_be,
                   std::optional<BatchJob> (*job_of)(PyObject*), PyObject* workers_argument, BatchWork work,
                   Outcomes outcomes) {
  if (!check_outcomes(function, outcomes)) return nullptr;
  const auto workers = worker_count(workers_argument);
  if (!workers) return nullptr;
  if (outcomes.tick == Py_None) outcomes.tick = nullptr;
  const NativeState& state = native_state(module);
  if (PyList_Check(jobs) || PyTuple_Check(jobs)) {
    auto given = jobs_of(jobs, function, item_must_be, job_of);
    if (!given) return nullptr;
    return guarded_call(function, [&]() -> PyObject* {
      if (given->empty()) Py_RETURN_NONE;
      BatchRun run(std::move(*given), *workers, std::move(work));
      if (run.workers() == 0) return raise_start_error(run.start_error());
      return run_batch(state, run, nullptr, outcomes);
    });
  }
  const OwnedRef iterator(PyObject_GetIter(jobs));
  if (!iterator) return nullptr;
  return guarded_call(function, [&]() -> PyObject* {
    JobFeed feed(iterator.get(), job_of, function, item_must_be, kQueuedPerWorker * std::max(*workers, 1u));
    BatchRun run(*workers, std::move(work));
    if (run.workers() == 0) return raise_start_error(run.start_error());
    return run_batch(state, run, &feed, outcomes);
  });
}

// A run with facts: (facts list, room or None, hanchan or None, standard
// rules, without disconnections); false with the error set.
bool read_facts_argument(PyObject* argument, BatchWork& work, Outcomes& outcomes) {
  if (argument == Py_None) return true;
  PyObject* room = nullptr;
  PyObject* hanchan = nullptr;
  int standard = 0;
  int connected = 0;
  if (!PyArg_ParseTuple(argument, "O!OOpp;facts must be (list, room, hanchan, standard, connected)", &PyList_Type,
                        &outcomes.facts, &room, &hanchan, &standard, &connected))
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
    "convert_files($module, jobs, output_dir, workers, gzip, check, failures, counts, tick, facts=None, /)\n--\n\n"
    "Converts each job on worker threads: an (input, output) pair of path\n"
    "bytes, or an (input, output, record bytes) triple for a record held in\n"
    "memory, each output a path below output_dir (path bytes); its folders\n"
    "are made as needed, and no link below output_dir is followed. With\n"
    "check, each game's lines are checked before they are written. jobs is a\n"
    "list or tuple, or any other iterable, whose jobs are then taken as the\n"
    "workers need them, a few per worker at a time.\n\n"
    "Every 0.1 s and at the end, this thread appends a (job index, class\n"
    "name, message, detail, findings) tuple to the list failures for each job\n"
    "failed since, sets the list counts to [converted, failed], and then calls\n"
    "tick() unless it is None. The lists are filled before any Python code\n"
    "runs, also when an exception stops the run: they then hold every\n"
    "failure. With facts, (list, room, hanchan, standard, connected), each\n"
    "game's (job index, reason or None, facts or None) is appended to that\n"
    "list before its failure, and a game the filter leaves out (room 0-3,\n"
    "hanchan, standard rules, without disconnections; None or false for any)\n"
    "is neither converted nor failed. paiscribe.convert_files is the\n"
    "interface to use.";

PyObject* native_convert_files(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 8 && count != 9) {
    PyErr_Format(PyExc_TypeError, "convert_files() takes 8 or 9 arguments (%zd given)", count);
    return nullptr;
  }
  if (!PyBytes_Check(args[1])) {
    PyErr_Format(PyExc_TypeError, "convert_files() output_dir must be bytes, not %.200s", Py_TYPE(args[1])->tp_name);
    return nullptr;
  }
  const int gzip = PyObject_IsTrue(args[3]);
  if (gzip < 0) return nullptr;
  const int check = PyObject_IsTrue(args[4]);
  if (check < 0) return nullptr;
  BatchWork work{BatchWork::Task::Convert, gzip != 0, check != 0, std::string(view_of(args[1]))};
  Outcomes outcomes{args[5], args[6], args[7]};
  if (count == 9 && !read_facts_argument(args[8], work, outcomes)) return nullptr;
  return run_jobs(module, "convert_files", args[0], "a pair or a triple of bytes", conversion_of, args[2],
                  std::move(work), outcomes);
}

const char kCheckFilesDoc[] =
    "check_files($module, inputs, workers, failures, counts, tick, /)\n--\n\n"
    "Checks files of mjai lines (path bytes), plain, gzip- or bz2-compressed,\n"
    "on worker threads, handing over counts and failures as convert_files\n"
    "does; a file whose games break the rules fails as IllegalGameError with\n"
    "its findings. paiscribe.check_files is the interface to use.";

PyObject* native_check_files(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 5) {
    PyErr_Format(PyExc_TypeError, "check_files() takes exactly 5 arguments (%zd given)", count);
    return nullptr;
  }
  return run_jobs(module, "check_files", args[0], "bytes", check_of, args[1], BatchWork{BatchWork::Task::Check},
                  Outcomes{args[2], args[3], args[4]});
}

}  // namespace paiscribe

// convert_files: the batch runner of the pipeline, driven from the calling
// thread. The workers run without the interpreter lock; this thread wakes
// every kPollInterval to report progress and to let signals in, and on any
// exception stops the workers, waits for the logs they hold and re-raises.
#include <chrono>
#include <algorithm>
#include <optional>
#include <vector>

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_functions.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/cpython/without_gil.hpp"
#include "paiscribe/pipeline/batch_run.hpp"

namespace paiscribe {
namespace {

constexpr std::chrono::milliseconds kPollInterval{100};

// The (input, output) pairs of path bytes; nullopt with TypeError set.
std::optional<std::vector<BatchJob>> jobs_of(PyObject* pairs) {
  const OwnedRef sequence(PySequence_Fast(pairs, "convert_files() jobs must be a sequence"));
  if (!sequence) return std::nullopt;
  const Py_ssize_t count = PySequence_Fast_GET_SIZE(sequence.get());
  std::vector<BatchJob> jobs;
  jobs.reserve(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* pair = PySequence_Fast_GET_ITEM(sequence.get(), i);
    if (!PyTuple_Check(pair) || PyTuple_GET_SIZE(pair) != 2 || !PyBytes_Check(PyTuple_GET_ITEM(pair, 0)) ||
        !PyBytes_Check(PyTuple_GET_ITEM(pair, 1))) {
      PyErr_Format(PyExc_TypeError, "convert_files() job %zd must be a pair of bytes, not %R", i, pair);
      return std::nullopt;
    }
    jobs.push_back({std::string(view_of(PyTuple_GET_ITEM(pair, 0))), std::string(view_of(PyTuple_GET_ITEM(pair, 1)))});
  }
  return jobs;
}

// Calls progress(converted, failed); false with the error set when it raises.
bool report_progress(PyObject* progress, BatchCounts counts) {
  if (progress == nullptr) return true;
  const OwnedRef result(PyObject_CallFunction(progress, "nn", static_cast<Py_ssize_t>(counts.converted),
                                              static_cast<Py_ssize_t>(counts.failed)));
  return result != nullptr;
}

// (job index, exception class name, message, detail)
PyObject* failure_tuple(const NativeState& state, const JobFailure& failure) {
  const OwnedRef index(PyLong_FromSize_t(failure.job));
  if (!index) return nullptr;
  const OwnedRef class_name(PyType_GetName(reinterpret_cast<PyTypeObject*>(exception_type(state.errors, failure.error.error_class))));
  if (!class_name) return nullptr;
  const OwnedRef message(str_of_text(failure.error.message));
  if (!message) return nullptr;
  const OwnedRef detail(str_of_text(failure.error.detail));
  if (!detail) return nullptr;
  return PyTuple_Pack(4, index.get(), class_name.get(), message.get(), detail.get());
}

PyObject* failures_to_list(const NativeState& state, const std::vector<JobFailure>& failures) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(failures.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < failures.size(); ++i) {
    PyObject* item = failure_tuple(state, failures[i]);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject* run_batch(const NativeState& state, std::vector<BatchJob> jobs, unsigned workers, bool gzip,
                    PyObject* progress) {
  BatchRun run(std::move(jobs), workers, gzip);
  for (;;) {
    const bool finished = without_gil([&] { return run.wait_for(kPollInterval); });
    if (!report_progress(progress, run.counts()) || PyErr_CheckSignals() < 0) {
      run.stop();
      without_gil([&] { run.finish(); });
      return nullptr;
    }
    if (finished) break;
  }
  const std::vector<JobFailure> failures = run.finish();
  const OwnedRef failure_list(failures_to_list(state, failures));
  if (!failure_list) return nullptr;
  return Py_BuildValue("nO", static_cast<Py_ssize_t>(run.counts().converted), failure_list.get());
}

}  // namespace

const char kConvertFilesDoc[] =
    "convert_files($module, jobs, workers, gzip, progress, /)\n--\n\n"
    "Converts each (input, output) pair of path bytes on worker threads;\n"
    "returns (converted, [(job index, class name, message, detail)]).\n"
    "progress(converted, failed), unless None, is called from this thread\n"
    "every 0.1 s and once at the end. paiscribe.convert_files is the\n"
    "interface to use.";

PyObject* native_convert_files(PyObject* module, PyObject* const* args, Py_ssize_t count) {
  if (count != 4) {
    PyErr_Format(PyExc_TypeError, "convert_files() takes exactly 4 arguments (%zd given)", count);
    return nullptr;
  }
  auto jobs = jobs_of(args[0]);
  if (!jobs) return nullptr;
  const unsigned long workers = PyLong_AsUnsignedLong(args[1]);
  if (workers == static_cast<unsigned long>(-1) && PyErr_Occurred()) return nullptr;
  const int gzip = PyObject_IsTrue(args[2]);
  if (gzip < 0) return nullptr;
  PyObject* progress = args[3] == Py_None ? nullptr : args[3];

  return guarded_call("convert_files", [&] {
    return run_batch(native_state(module), std::move(*jobs), static_cast<unsigned>(std::min(workers, 1024ul)),
                     gzip != 0, progress);
  });
}

}  // namespace paiscribe

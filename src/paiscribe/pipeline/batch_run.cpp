#include "paiscribe/pipeline/batch_run.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "paiscribe/pipeline/check_lines.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/run_output.hpp"

namespace paiscribe {
namespace {

// A file of lines to check is read by the converter's reader, so a worker
// keeps one set of buffers for both.
std::expected<void, PipelineError> check_job(const BatchJob& job, Converter& converter) {
  auto findings = job.text ? check_lines(job.text->view()) : check_file(job.input, converter.reader());
  if (!findings) return std::unexpected(std::move(findings.error()));
  if (!findings->empty()) return std::unexpected(illegal_game(std::move(*findings)));
  return {};
}

std::expected<void, PipelineError> convert_job(BatchJob& job, const BatchWork& work, Converter& converter,
                                               RunOutput& output) {
  auto started = job.text ? converter.start(*std::exchange(job.text, std::nullopt), kBatchRecord)
                          : converter.start_file(job.input, kBatchRecord);
  if (!started) return started;
  auto lines = converter.all_lines();
  if (!lines) return std::unexpected(std::move(lines.error()));
  if (work.check) {
    if (auto findings = check_lines((*lines)->text(), rules_of_record(converter.record())); !findings.empty())
      return std::unexpected(illegal_game(std::move(findings)));
  }
  return output.write(job.output, (*lines)->text(), work.gzip);
}

// A thread must not let an exception escape, so one that a log raises
// becomes that log's failure.
std::expected<void, PipelineError> guarded_job(BatchJob& job, const BatchWork& work, Converter& converter,
                                               RunOutput& output) {
  try {
    if (work.task == BatchWork::Task::Check) return check_job(job, converter);
    return convert_job(job, work, converter, output);
  } catch (const std::bad_alloc&) {
    return std::unexpected(PipelineError{ErrorClass::MemoryError, "out of memory"});
  } catch (const std::exception& fault) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, std::string("internal error: ") + fault.what()});
  } catch (...) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, "internal error"});
  }
}

// A worker's first exception makes libstdc++ fetch its thread-local
// globals, which glibc allocates at first use in a module loaded with
// dlopen, and when that allocation fails glibc aborts the process. So a
// worker fetches them as it starts, right after it found memory free for
// them: one that finds none takes no job, as if it had never started.
bool secure_thread_memory() {
  constexpr std::size_t kRoom = std::size_t{64} << 10;  // below the size glibc maps apart
  void* room = std::malloc(kRoom);
  if (room == nullptr) return false;
  std::free(room);
  [[maybe_unused]] volatile int fetched = std::uncaught_exceptions();
  return true;
}

}  // namespace

BatchRun::BatchRun(std::vector<BatchJob> jobs, unsigned workers, BatchWork work)
    : jobs_(std::move(jobs)), work_(std::move(work)), out_of_memory_(jobs_.size()) {
  if (work_.task == BatchWork::Task::Convert && !jobs_.empty()) output_folder_ = OutputFolder::open(work_.output_dir);
  const std::size_t count = std::min<std::size_t>(std::max(workers, 1u), jobs_.size());
  running_ = static_cast<unsigned>(count);  // before any worker can finish
  workers_.reserve(count);
  for (std::size_t started = 0; started < count; ++started) {
    int error = 0;
    try {
      workers_.emplace_back([this] { take_jobs(); });
      continue;
    } catch (const std::system_error& refused) {
      error = refused.code().value();
    } catch (const std::bad_alloc&) {
      error = ENOMEM;
    }
    // The process may have no room for another thread: the run goes on
    // with the workers it has.
    const std::lock_guard lock(mutex_);
    running_ -= static_cast<unsigned>(count - started);
    start_error_ = error;
    break;
  }
}

BatchRun::~BatchRun() { stop(); }

BatchCounts BatchRun::counts() const {
  return {converted_.load(std::memory_order_relaxed), failed_.load(std::memory_order_relaxed)};
}

bool BatchRun::wait_for(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return worker_done_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

void BatchRun::stop() { stopping_.store(true, std::memory_order_relaxed); }

std::vector<JobFailure> BatchRun::take_failures() {
  const std::lock_guard lock(mutex_);
  record_marked();
  return std::exchange(failures_, {});
}

std::vector<JobFailure> BatchRun::finish() {
  for (std::jthread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  const std::lock_guard lock(mutex_);
  record_marked();
  std::ranges::sort(failures_, {}, &JobFailure::job);
  return std::move(failures_);
}

void BatchRun::take_jobs() {
  std::optional<Converter> converter;
  try {
    // Kept from log to log, so that the worker's heap does not shrink and grow again for each.
    if (secure_thread_memory()) converter.emplace();
  } catch (...) {
  }
  // Without the memory to begin, the worker ends as if it had never started.
  if (converter) {
    working_.fetch_add(1, std::memory_order_relaxed);
    RunOutput output(output_folder_, work_.output_dir);
    while (!stopping_.load(std::memory_order_relaxed)) {
      const std::size_t job = next_job_.fetch_add(1, std::memory_order_relaxed);
      if (job >= jobs_.size()) break;
      try {
        auto converted = guarded_job(jobs_[job], work_, *converter, output);
        converter->keep_typical();
        if (converted) converted_.fetch_add(1, std::memory_order_relaxed);
        else note_failure(job, std::move(converted.error()));
      } catch (...) {
        // No memory even to record the job's failure: a mark made at the
        // run's start keeps it, to be recorded when the failures are taken.
        out_of_memory_[job].store(true, std::memory_order_relaxed);
        marked_.fetch_add(1, std::memory_order_release);
        failed_.fetch_add(1, std::memory_order_relaxed);
      }
    }
  }
  const std::lock_guard lock(mutex_);
  --running_;
  worker_done_.notify_all();
}

// The jobs marked out of memory since the last call become failures.
// Called with the lock held.
void BatchRun::record_marked() {
  const std::size_t marked = marked_.load(std::memory_order_acquire);
  if (marked == recorded_marks_) return;
  for (std::size_t job = 0; job < out_of_memory_.size(); ++job) {
    if (out_of_memory_[job].exchange(false, std::memory_order_relaxed))
      failures_.push_back({job, PipelineError{ErrorClass::MemoryError, "out of memory"}});
  }
  recorded_marks_ = marked;
}

void BatchRun::note_failure(std::size_t job, PipelineError error) {
  failed_.fetch_add(1, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  failures_.push_back({job, std::move(error)});
}

}  // namespace paiscribe

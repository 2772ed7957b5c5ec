#include "paiscribe/pipeline/batch_run.hpp"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

#include "paiscribe/pipeline/check_lines.hpp"
#include "paiscribe/pipeline/convert_file.hpp"
#include "paiscribe/pipeline/converter.hpp"

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

std::expected<void, PipelineError> convert_job(BatchJob& job, BatchWork work, Converter& converter) {
  auto started = job.text ? converter.start(*std::exchange(job.text, std::nullopt), kBatchRecord)
                          : converter.start_file(job.input, kBatchRecord);
  if (!started) return started;
  if (work.check) {
    auto lines = converter.all_lines();
    if (!lines) return std::unexpected(std::move(lines.error()));
    if (auto findings = check_lines((*lines)->text()); !findings.empty())
      return std::unexpected(illegal_game(std::move(findings)));
  }
  return write_game(converter, job.output, work.gzip, kBatchRecord.files);
}

// A thread must not let an exception escape, so one that a log raises
// becomes that log's failure.
std::expected<void, PipelineError> guarded_job(BatchJob& job, BatchWork work, Converter& converter) {
  try {
    if (work.task == BatchWork::Task::Check) return check_job(job, converter);
    return convert_job(job, work, converter);
  } catch (const std::bad_alloc&) {
    return std::unexpected(PipelineError{ErrorClass::MemoryError, "out of memory"});
  } catch (const std::exception& fault) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, std::string("internal error: ") + fault.what()});
  } catch (...) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, "internal error"});
  }
}

}  // namespace

BatchRun::BatchRun(std::vector<BatchJob> jobs, unsigned workers, BatchWork work)
    : jobs_(std::move(jobs)), work_(work) {
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
  return std::exchange(failures_, {});
}

std::vector<JobFailure> BatchRun::finish() {
  for (std::jthread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  std::ranges::sort(failures_, {}, &JobFailure::job);
  return std::move(failures_);
}

void BatchRun::take_jobs() {
  try {
    // Kept from log to log, so that the worker's heap does not shrink and grow again for each.
    Converter converter;
    while (!stopping_.load(std::memory_order_relaxed)) {
      const std::size_t job = next_job_.fetch_add(1, std::memory_order_relaxed);
      if (job >= jobs_.size()) break;
      auto converted = guarded_job(jobs_[job], work_, converter);
      converter.keep_typical();
      if (converted) converted_.fetch_add(1, std::memory_order_relaxed);
      else note_failure(job, std::move(converted.error()));
    }
  } catch (...) {
    // No memory for a worker's converter, or for a failure's record: the
    // worker ends, and those that remain take the other jobs.
  }
  const std::lock_guard lock(mutex_);
  --running_;
  worker_done_.notify_all();
}

void BatchRun::note_failure(std::size_t job, PipelineError error) {
  failed_.fetch_add(1, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  failures_.push_back({job, std::move(error)});
}

}  // namespace paiscribe

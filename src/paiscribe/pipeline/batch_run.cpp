#include "paiscribe/pipeline/batch_run.hpp"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <iterator>
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

// What a job came to, beside its failure: with facts, the game's, and
// whether the filter left it out.
struct JobEnd {
  std::optional<JobFacts> facts;
  bool left_out = false;
};

std::expected<void, PipelineError> convert_job(BatchJob& job, std::size_t index, BatchWork work, Converter& converter,
                                               JobEnd& end) {
  if (work.facts) end.facts.emplace(JobFacts{index, {}, std::nullopt});
  auto started = job.text ? converter.start(*std::exchange(job.text, std::nullopt), kBatchRecord)
                          : converter.start_file(job.input, kBatchRecord);
  if (!started) return started;
  if (work.facts) {
    end.facts->facts = facts_of(converter.record(), converter.details());
    end.facts->left_out = left_out_by(*end.facts->facts, work.filter);
    if (!end.facts->left_out.empty()) {
      end.left_out = true;
      return {};
    }
  }
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
std::expected<void, PipelineError> guarded_job(BatchJob& job, std::size_t index, const BatchWork& work,
                                               Converter& converter, JobEnd& end) {
  try {
    if (work.task == BatchWork::Task::Check) return check_job(job, converter);
    return convert_job(job, index, work, converter, end);
  } catch (const std::bad_alloc&) {
    return std::unexpected(PipelineError{ErrorClass::MemoryError, "out of memory"});
  } catch (const std::exception& fault) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, std::string("internal error: ") + fault.what()});
  } catch (...) {
    return std::unexpected(PipelineError{ErrorClass::RuntimeError, "internal error"});
  }
}

}  // namespace

BatchRun::BatchRun(std::vector<BatchJob> jobs, unsigned workers, BatchWork work) : work_(std::move(work)) {
  queue_.assign(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
  closed_ = true;
  start_workers(std::min<std::size_t>(std::max(workers, 1u), queue_.size()));
}

BatchRun::BatchRun(unsigned workers, BatchWork work) : work_(std::move(work)) { start_workers(std::max(workers, 1u)); }

void BatchRun::start_workers(std::size_t count) {
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

void BatchRun::add(BatchJob job) {
  const std::lock_guard lock(mutex_);
  queue_.push_back(std::move(job));
  job_added_.notify_one();
}

void BatchRun::close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
  job_added_.notify_all();
}

std::size_t BatchRun::queued() {
  const std::lock_guard lock(mutex_);
  return queue_.size();
}

bool BatchRun::wait_for(std::chrono::milliseconds timeout, std::size_t hungry_below) {
  std::unique_lock lock(mutex_);
  hungry_below_ = hungry_below;
  worker_done_.wait_for(lock, timeout,
                        [&] { return running_ == 0 || (!closed_ && queue_.size() < hungry_below); });
  return running_ == 0;
}

void BatchRun::stop() {
  stopping_.store(true, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  job_added_.notify_all();
}

std::vector<JobFailure> BatchRun::take_failures() {
  const std::lock_guard lock(mutex_);
  return std::exchange(failures_, {});
}

BatchReports BatchRun::take_reports() {
  const std::lock_guard lock(mutex_);
  return {std::exchange(facts_, {}), std::exchange(failures_, {})};
}

std::vector<JobFailure> BatchRun::finish() { return finish_reports().failures; }

BatchReports BatchRun::finish_reports() {
  for (std::jthread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  std::ranges::sort(failures_, {}, &JobFailure::job);
  std::ranges::sort(facts_, {}, &JobFacts::job);
  return {std::move(facts_), std::move(failures_)};
}

// The next job and its number; none once the run stops, or when the queue
// is closed and empty.
std::optional<std::pair<std::size_t, BatchJob>> BatchRun::next_job() {
  std::unique_lock lock(mutex_);
  job_added_.wait(lock, [this] { return stopping_.load(std::memory_order_relaxed) || !queue_.empty() || closed_; });
  if (stopping_.load(std::memory_order_relaxed) || queue_.empty()) return std::nullopt;
  std::pair<std::size_t, BatchJob> next{taken_++, std::move(queue_.front())};
  queue_.pop_front();
  if (!closed_ && queue_.size() < hungry_below_) worker_done_.notify_all();
  return next;
}

void BatchRun::take_jobs() {
  try {
    // Kept from log to log, so that the worker's heap does not shrink and grow again for each.
    Converter converter;
    converter.gather_details(work_.facts);
    while (auto next = next_job()) {
      JobEnd end;
      auto converted = guarded_job(next->second, next->first, work_, converter, end);
      converter.keep_typical();
      if (converted && !end.left_out) converted_.fetch_add(1, std::memory_order_relaxed);
      if (converted) {
        if (end.facts) note(next->first, std::nullopt, std::move(end.facts));
      } else {
        note(next->first, std::move(converted.error()), std::move(end.facts));
      }
    }
  } catch (...) {
    // No memory for a worker's converter, or for a failure's record: the
    // worker ends, and those that remain take the other jobs.
  }
  const std::lock_guard lock(mutex_);
  --running_;
  worker_done_.notify_all();
}

void BatchRun::note(std::size_t job, std::optional<PipelineError> error, std::optional<JobFacts> facts) {
  if (error) failed_.fetch_add(1, std::memory_order_relaxed);
  const std::lock_guard lock(mutex_);
  // One lock for both, so that whoever takes a job's facts finds its failure too.
  if (error) failures_.push_back({job, std::move(*error)});
  if (facts) facts_.push_back(std::move(*facts));
}

}  // namespace paiscribe

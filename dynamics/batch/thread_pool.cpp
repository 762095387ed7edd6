#include "dynamics/batch/thread_pool.h"

namespace pendula {

ThreadPool::ThreadPool(int threadCount) {
  const int workers = threadCount > 1 ? threadCount - 1 : 0;
  workers_.reserve(static_cast<std::size_t>(workers));
  for (int w = 0; w < workers; ++w) workers_.emplace_back([this, w] { WorkerLoop(w); });
}

ThreadPool::~ThreadPool() {
  {
    const std::lock_guard<std::mutex> lock(state_);
    stopping_ = true;
  }
  jobPosted_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void ThreadPool::RunTasks(int thread) {
  int ran = 0;
  std::unique_lock<std::mutex> lock(state_);
  while (nextTask_ < taskCount_) {
    const int index = nextTask_++;
    lock.unlock();
    task_(context_, index, thread);
    ++ran;
    lock.lock();
  }
  tasksDone_ += ran;
}

void ThreadPool::WorkerLoop(int worker) {
  long long seen = 0;
  std::unique_lock<std::mutex> lock(state_);
  for (;;) {
    jobPosted_.wait(lock, [&] { return stopping_ || (job_ != seen && worker < workersWanted_); });
    if (stopping_) return;
    seen = job_;
    ++workersBusy_;
    lock.unlock();
    RunTasks(worker + 1);
    lock.lock();
    --workersBusy_;
    if (tasksDone_ == taskCount_ && workersBusy_ == 0) jobDone_.notify_one();
  }
}

void ThreadPool::Run(int taskCount, Task task, void* context, int threads) {
  if (taskCount <= 0) return;
  if (threads > ThreadCount()) threads = ThreadCount();
  if (threads > taskCount) threads = taskCount;
  if (threads <= 1) {
    for (int index = 0; index < taskCount; ++index) task(context, index, 0);
    return;
  }
  const std::lock_guard<std::mutex> oneJob(jobInProgress_);
  {
    const std::lock_guard<std::mutex> lock(state_);
    task_ = task;
    context_ = context;
    nextTask_ = 0;
    taskCount_ = taskCount;
    tasksDone_ = 0;
    workersWanted_ = threads - 1;
    ++job_;
  }
  jobPosted_.notify_all();
  RunTasks(0);
  // Every task is taken; wait until the workers that took some have finished theirs. A worker
  // that wakes only now finds nothing left and goes back to waiting.
  std::unique_lock<std::mutex> lock(state_);
  jobDone_.wait(lock, [&] { return tasksDone_ == taskCount_ && workersBusy_ == 0; });
  workersWanted_ = 0;
}

}  // namespace pendula

// A pool of worker threads, made once and reused: Run hands out the tasks 0 .. taskCount - 1 of
// one job to the pool's threads and to the calling thread, which joins in, and returns when all
// are done. No thread is started and nothing is allocated after construction.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace pendula {

class ThreadPool {
 public:
  // One task of a job: task(context, index, thread) for index = 0 .. taskCount - 1, in any order
  // and on any of the threads; the tasks of one job must not write the same memory, and must not
  // throw. thread is the slot of the thread running the task, 0 for the caller of Run and 1 ..
  // ThreadCount() - 1 for the workers, below the job's thread count: no two tasks run at the
  // same time with the same slot, so a task may use working data of its own slot's.
  using Task = void (*)(void* context, int index, int thread);

  // A pool that runs jobs on threadCount threads: threadCount - 1 workers, started here, and the
  // caller of Run. threadCount below 1 is taken as 1 (no workers: Run runs every task itself).
  explicit ThreadPool(int threadCount);
  // Waits for the workers to finish and joins them; no Run may be in progress.
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  // The threads a job runs on, the caller's included.
  int ThreadCount() const { return static_cast<int>(workers_.size()) + 1; }

  // Runs tasks 0 .. taskCount - 1 on at most `threads` threads of the pool (at most
  // ThreadCount(); 1 or less, or a single task, runs them all on the caller alone, waking no
  // worker) and returns when every task has returned. One job at a time: a Run from another
  // thread meanwhile waits for this one to finish.
  void Run(int taskCount, Task task, void* context, int threads);

 private:
  void WorkerLoop(int worker);
  // Takes and runs tasks of the current job on slot `thread` until none is left.
  void RunTasks(int thread);

  std::vector<std::thread> workers_;
  std::mutex jobInProgress_;  // held by Run for the whole of a job
  std::mutex state_;          // guards everything below
  std::condition_variable jobPosted_, jobDone_;
  long long job_ = 0;      // number of the latest job, so each worker takes part in it once
  int workersWanted_ = 0;  // workers 0 .. workersWanted_ - 1 take part in the job
  int nextTask_ = 0, taskCount_ = 0, tasksDone_ = 0;
  int workersBusy_ = 0;
  Task task_ = nullptr;
  void* context_ = nullptr;
  bool stopping_ = false;
};

}  // namespace pendula

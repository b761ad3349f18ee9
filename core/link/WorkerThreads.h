#pragma once
// Threads that run to their own end. Finished ones are joined whenever a new one starts, the
// rest when the owner goes away; nothing is ever detached.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace nr {

class WorkerThreads {
 public:
  WorkerThreads() = default;
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;
  ~WorkerThreads() { Join(true); }

  void Start(std::function<void()> body) {
    Join(false);
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread t([body = std::move(body), done] {
      body();
      done->store(true);
    });
    std::lock_guard lock(mutex_);
    workers_.push_back(Worker{std::move(t), std::move(done)});
  }

  // Joins the finished threads, or all of them. Never call it from one of these threads.
  void Join(bool all) {
    std::vector<Worker> finished;
    {
      std::lock_guard lock(mutex_);
      for (auto it = workers_.begin(); it != workers_.end();) {
        if (all || it->done->load()) {
          finished.push_back(std::move(*it));
          it = workers_.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (Worker& w : finished) w.thread.join();
  }

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::mutex mutex_;
  std::vector<Worker> workers_;
};

}  // namespace nr

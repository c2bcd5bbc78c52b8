#include "platform/event.h"

namespace mendora {

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  signalled_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return signalled_;
}

void Event::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return signalled_; });
}

bool Event::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, timeout, [this] { return signalled_; });
}

void WorkerThread::Start(std::function<void()> body) {
  Join();
  ended_.store(false, std::memory_order_release);
  thread_ = std::thread([this, body = std::move(body)] {
    try {
      body();
    } catch (...) {
      // A worker never lets an exception end the process.
    }
    ended_.store(true, std::memory_order_release);
  });
}

void WorkerThread::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace mendora

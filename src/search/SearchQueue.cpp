#include "search/SearchQueue.h"

namespace mendora {

void SearchQueue::Post(SearchMessage message) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(std::move(message));
  }
  cv_.notify_one();
}

bool SearchQueue::WaitNext(SearchMessage* message, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!cv_.wait_until(lock, deadline, [this] { return !messages_.empty(); })) return false;
  *message = std::move(messages_.front());
  messages_.pop_front();
  return true;
}

}  // namespace mendora

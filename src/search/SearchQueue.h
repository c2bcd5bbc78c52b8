#pragma once
// The search dialog's message queue: the worker posts into it from its own
// thread, the user-interface thread takes messages out, as a window's queue
// with PostMessage. Each message owns its text, so nothing the worker sends
// has to outlive it.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

namespace mendora {

struct SearchMessage {
  enum Kind {
    kFoundRecord,  // WM_APP+1: a candidate for missing link `index`; the worker waits for the reply
    kFolderText,   // WM_APP+2: the folder the worker starts to walk
    kButton,       // a button of the search dialog: IDOK (Reference) or IDCANCEL
    kWalkEnded,    // WM_APP+2 as well: the worker has ended, the window need not wait for its timer
  };
  Kind kind = kFolderText;
  int index = 0;
  std::string text;
};

class SearchQueue {
 public:
  void Post(SearchMessage message);
  // The next message, waiting at most until `deadline`; false when none came.
  bool WaitNext(SearchMessage* message, std::chrono::steady_clock::time_point deadline);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<SearchMessage> messages_;
};

}  // namespace mendora

#include "rewrite/PlainFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mendora {

PlainFile::~PlainFile() {
  // The owner closes; a forgotten file still goes away, its outcome lost.
  if (file_ != nullptr) Close();
}

int PlainFile::Open(const std::string& path, OpenMode mode) {
  if (file_ != nullptr) Close();
  file_ = fs_.Open(path, mode);
  if (file_ == nullptr) return 0;
  writable_ = mode == OpenMode::kCreateWrite || mode == OpenMode::kCreateNewWrite;
  failed_ = false;
  position_ = 0;
  wbuf_.clear();
  for (Window& w : windows_) w.length = 0;
  uint64_t size = 0;
  end_ = file_->Size(&size) ? size : 0;
  return 1;
}

int PlainFile::Close() {
  if (file_ == nullptr) return 1;
  const bool flushed = Flush();
  const bool closed = file_->Close();
  file_.reset();
  wbuf_.clear();
  wbuf_.shrink_to_fit();
  for (Window& w : windows_) w = Window();
  position_ = 0;
  return flushed && closed ? 1 : 0;
}

bool PlainFile::Sync() {
  if (file_ == nullptr) return false;
  const bool flushed = Flush();
  return file_->Flush() && flushed;
}

bool PlainFile::Flush() {
  if (wbuf_.empty()) return !failed_;
  bool ok = !failed_ && file_->Seek(wstart_);
  if (ok) ok = file_->Write(wbuf_.data(), wbuf_.size()) == wbuf_.size();
  if (!ok) failed_ = true;
  wbuf_.clear();
  return ok;
}

PlainFile::Window* PlainFile::FillWindow(Window* w, uint64_t at) {
  // A small file needs no more buffer than it has bytes.
  const size_t want = static_cast<size_t>(std::clamp<uint64_t>(end_, 4096, kWindow));
  if (w->bytes.size() < want) w->bytes.resize(want);
  w->start = at;
  w->length = file_->ReadAt(at, w->bytes.data(), w->bytes.size());
  w->reads = 0;
  w->served = 0;
  return w->length > 0 ? w : nullptr;
}

PlainFile::Window* PlainFile::Follow(uint64_t at, bool* following) {
  Window* best = nullptr;
  for (Window& w : windows_) {
    if (w.used == 0 || w.cursor > at || at - w.cursor >= kFollowDistance) continue;
    if (best == nullptr || w.cursor > best->cursor) best = &w;
  }
  *following = best != nullptr;
  if (best == nullptr) best = windows_[0].used <= windows_[1].used ? &windows_[0] : &windows_[1];
  return best;
}

size_t PlainFile::Read(void* buffer, size_t n) {
  if (file_ == nullptr || n == 0) return 0;
  if (!wbuf_.empty() && !Flush()) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  Window* last = nullptr;
  while (done < n) {
    Window* hit = nullptr;
    for (Window& w : windows_)
      if (position_ >= w.start && position_ < w.start + w.length) hit = &w;
    if (hit == nullptr) {
      if (n - done >= kDirect) {
        const size_t got = file_->ReadAt(position_, out + done, n - done);
        done += got;
        position_ += got;
        break;
      }
      bool following = false;
      Window* w = Follow(position_, &following);
      // A reader whose last window served few reads skips through the file:
      // its next small reads go straight to the file, then it tries again.
      const bool sparse = w->reads < kWorthyFill || w->served * kWorthyShare < w->length;
      if (following && w->direct_left == 0 && w->length != 0 && sparse) w->direct_left = kSparseReads;
      if (following && w->direct_left > 0) {
        --w->direct_left;
        const size_t got = file_->ReadAt(position_, out + done, n - done);
        done += got;
        position_ += got;
        w->cursor = position_;
        w->used = ++clock_;
        break;
      }
      hit = FillWindow(w, position_);
      if (hit == nullptr) break;
    }
    if (hit != last) ++hit->reads;
    last = hit;
    hit->used = ++clock_;
    const size_t at = static_cast<size_t>(position_ - hit->start);
    const size_t take = std::min(n - done, hit->length - at);
    std::memcpy(out + done, hit->bytes.data() + at, take);
    hit->served += take;
    done += take;
    position_ += take;
    hit->cursor = position_;
  }
  return done;
}

size_t PlainFile::Write(const void* buffer, size_t n) {
  if (file_ == nullptr || !writable_ || failed_) return 0;
  if (n == 0) return 0;
  for (Window& w : windows_) w.length = 0;  // they may hold bytes this write replaces
  const auto* in = static_cast<const uint8_t*>(buffer);
  if (n >= kDirect) {
    if (!Flush()) return 0;
    if (!file_->Seek(position_) || file_->Write(in, n) != n) {
      failed_ = true;
      return 0;
    }
  } else {
    if (!wbuf_.empty() && (position_ != wstart_ + wbuf_.size() || wbuf_.size() + n > kWriteBuffer) && !Flush()) {
      return 0;
    }
    if (wbuf_.empty()) wstart_ = position_;
    wbuf_.insert(wbuf_.end(), in, in + n);
  }
  position_ += n;
  end_ = std::max(end_, position_);
  return n;
}

uint64_t PlainFile::Seek(int64_t offset, Origin origin) {
  if (file_ == nullptr) return position_;
  uint64_t target;
  if (origin == kBegin) {
    target = offset < 0 ? 0 : static_cast<uint64_t>(offset);
  } else if (offset < 0) {
    const uint64_t back = static_cast<uint64_t>(-(offset + 1)) + 1;
    target = back > position_ ? 0 : position_ - back;
  } else {
    target = position_ + static_cast<uint64_t>(offset);
  }
  if (target > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return position_;
  position_ = target;
  if (writable_ && target > end_) {
    // Lengthen the file now, so reserved areas exist even if nothing is
    // ever written into them.
    if (Flush() && file_->Seek(target) && file_->SetEnd()) {
      end_ = target;
    } else {
      failed_ = true;
    }
  }
  return position_;
}

uint64_t PlainFile::Size() {
  if (file_ == nullptr) return 0;
  if (writable_) return end_;
  uint64_t size = 0;
  return file_->Size(&size) ? size : 0;
}

}  // namespace mendora

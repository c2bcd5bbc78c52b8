#include "support/counting_fs.h"

namespace mendora::test {
namespace {

class CountingFile : public File {
 public:
  CountingFile(std::unique_ptr<File> inner, std::shared_ptr<std::atomic<uint64_t>> counter)
      : inner_(std::move(inner)), counter_(std::move(counter)) {}

  size_t Read(void* buffer, size_t n) override { return Count(inner_->Read(buffer, n)); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override { return Count(inner_->ReadAt(offset, buffer, n)); }
  size_t ReadAtEach(const uint64_t* offsets, size_t count, size_t size, uint8_t* out) override {
    const size_t whole = inner_->ReadAtEach(offsets, count, size, out);
    Count(whole * size);
    return whole;
  }
  size_t Write(const void* buffer, size_t n) override { return inner_->Write(buffer, n); }
  bool Seek(uint64_t offset) override { return inner_->Seek(offset); }
  uint64_t Tell() override { return inner_->Tell(); }
  bool Size(uint64_t* size) override { return inner_->Size(size); }
  bool SetEnd() override { return inner_->SetEnd(); }
  bool Close() override { return inner_->Close(); }
  bool Flush() override { return inner_->Flush(); }

 private:
  size_t Count(size_t n) {
    counter_->fetch_add(n);
    return n;
  }
  std::unique_ptr<File> inner_;
  std::shared_ptr<std::atomic<uint64_t>> counter_;
};

}  // namespace

std::unique_ptr<File> CountingFileSystem::Open(const std::string& path, OpenMode mode) {
  std::unique_ptr<File> file = inner_.Open(path, mode);
  if (!file || path != watched_) return file;
  return std::make_unique<CountingFile>(std::move(file), counter_);
}

}  // namespace mendora::test

#include "refavi/GetContentList.h"

namespace mendora {

int ContentListReader::GetContentList(const std::string& path, int flags, DataLinkList* list,
                                      ProgressReporter* progress) {
  progress_ = progress;
  if (list != nullptr) list->Clear();
  path_ = path;
  file_ = std::make_unique<BufferedFile>(fs_);
  if ((flags & 1) == 0) return 0;
  if (!file_->Open(path, 0)) return 0;
  file_size_ = file_->Size();

  const int result = WalkTopLevel(list);
  const bool cancelled = Cancelled();
  if (cancelled && list != nullptr) list->Clear();
  if (result == 0) {
    Close();
  } else {
    SelectVideoStream(0);
    SelectAudioStream(0);
  }
  if (list == nullptr) return result;
  if (list->empty()) return 0;
  return result;
}

}  // namespace mendora

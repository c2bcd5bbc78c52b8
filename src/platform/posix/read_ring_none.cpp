// Built without liburing: files are read one pread at a time.
#include "platform/posix/read_ring.h"

namespace mendora {

std::unique_ptr<ReadRing> ReadRing::Create(int) { return nullptr; }
std::unique_ptr<ReadRing> ReadRing::CreateWithFailingWaits(int, std::function<int()>) { return nullptr; }

}  // namespace mendora

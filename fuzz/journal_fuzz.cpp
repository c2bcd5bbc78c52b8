// A carry journal is read from the disk after a crash, in whatever state the
// crash or the user left it: any bytes must be refused or parsed without a
// crash, and a journal that parses must format back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "operation/Journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  mendora::CarryJournal journal;
  if (!mendora::ParseJournal(bytes, &journal)) return 0;
  const std::string formatted = mendora::FormatJournal(journal);
  mendora::CarryJournal again;
  if (!mendora::ParseJournal(formatted, &again) || mendora::FormatJournal(again) != formatted) std::abort();
  return 0;
}

#include "refavi/ChunkTrace.h"

#include <cstdarg>
#include <cstdio>

namespace mendora {

void TraceLine(File* handle, const char* format, ...) {
  // Formatting is most of the walk's time when done for nobody.
  if (handle == nullptr) return;
  char text[kTraceLineBuffer + 1];  // room for the CR of a final CR LF
  va_list args;
  va_start(args, format);
  const int wanted = std::vsnprintf(text, kTraceLineBuffer, format, args);
  va_end(args);
  if (wanted <= 0) return;
  size_t length = static_cast<size_t>(wanted);
  if (length > kTraceLineBuffer - 1) length = kTraceLineBuffer - 1;
  if (text[length - 1] == '\n') {
    text[length - 1] = '\r';
    text[length++] = '\n';
  }
  handle->Write(text, length);
}

}  // namespace mendora

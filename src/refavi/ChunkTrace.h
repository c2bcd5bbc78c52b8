#pragma once
// The chunk trace: a plain-text listing of the chunks the analysis meets in
// "movi" lists, with the REF records found in them. Written only when the
// reader was given an output file; normal runs pass none and stay silent.
#include "platform/fs.h"

#if defined(__MINGW32__)
#define MENDORA_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define MENDORA_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

namespace mendora {

// Size of the formatting buffer; longer text is cut to fit.
constexpr size_t kTraceLineBuffer = 2048;

// Formats one piece of text and writes it to `handle` (nothing when null).
// A final line feed is written as CR LF. Write errors are ignored.
void TraceLine(File* handle, const char* format, ...) MENDORA_PRINTF_FORMAT(2, 3);

}  // namespace mendora

// Writing a message to the standard error stream from a signal handler (POSIX) or from the
// console's control handler thread (Windows), where the C and C++ streams must not be used: their
// locks may be held by the interrupted code. One file per platform.
#pragma once

#include <cstddef>

namespace zt {

// Writes `length` bytes of `text` to the error stream, unbuffered; what cannot be written is lost.
void writeToStderrFromSignal(const char* text, std::size_t length);

}  // namespace zt

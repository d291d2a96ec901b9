#include "platform/signal_safe_write.h"

#include <io.h>

namespace zt {

void writeToStderrFromSignal(const char* text, std::size_t length) {
    _write(2, text, static_cast<unsigned>(length));
}

}  // namespace zt

#include "platform/signal_safe_write.h"

#include <unistd.h>

namespace zt {

void writeToStderrFromSignal(const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(STDERR_FILENO, text, length);
        if (written <= 0) return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

}  // namespace zt

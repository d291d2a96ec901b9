#include "platform/terminal.h"

#include <unistd.h>

namespace zt {

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace zt

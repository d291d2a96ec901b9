#include "platform/terminal.h"

#include <io.h>

#include <cstdio>

namespace zt {

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace zt

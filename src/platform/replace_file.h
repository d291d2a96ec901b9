// The few file calls of the transfers that differ per platform. Paths are UTF-8; each platform
// file (replace_file_posix.cpp, replace_file_win.cpp) turns them into what its system takes.
// None keeps state; any thread may call them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/open_file.h"  // openFile, which the transfers use with these

namespace zt {

// Size in bytes of an open stream's file, or -1 when it is not a regular file (a directory, a
// device) or its size cannot be learnt.
std::int64_t regularFileSize(std::FILE* file);

// Creates a new, empty file in the folder of `target`, under a short name that did not exist
// (".zt<n>.part"), opened for binary writing; its name goes into `temporaryPath`. nullptr when no
// such file can be made (missing folder, no permission). The caller closes the stream.
std::FILE* createFileBeside(const std::string& target, std::string& temporaryPath);

// Makes the closed file `from` durable and puts it in the place of `to`, replacing `to` in one
// step if it exists. False when that failed; `to` is then as it was and `from` still exists.
bool replaceFile(const std::string& from, const std::string& to);

// Deletes the file; false when it could not be deleted.
bool removeFile(const std::string& path);

}  // namespace zt

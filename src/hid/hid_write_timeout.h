// The tool's one addition to hidapi: a write with a caller-given time-out.
//
// hid_write_timeout(device, data, length, milliseconds)
//   data[0] is the report id. A report shorter than the device's output report length is sent
//   zero-extended to that length. Gives the number of bytes written (the extended length), or -1
//   when the write could not be started, did not finish within `milliseconds`, or failed; a write
//   that timed out is cancelled, so none stays pending. The caller keeps ownership of `data`.
//   Called from one thread at a time per device (the worker).
//
// One implementation per platform backend, chosen by the build.
#pragma once

#include <cstddef>

#include <hidapi.h>

extern "C" int hid_write_timeout(hid_device* device, const unsigned char* data, std::size_t length,
                                 int milliseconds);

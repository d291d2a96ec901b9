// The tool's one addition to hidapi: a write with a caller-given time-out.
//
// hid_write_timeout(device, data, length, milliseconds)
//   `device` is an open handle, as for hidapi's own calls; data[0] is the report id. A report
//   shorter than the device's output report length is sent zero-extended to that length. Gives
//   the number of bytes written (the extended length), or -1 when the write could not be started,
//   did not finish within `milliseconds`, or failed; a write that timed out is cancelled, so none
//   stays pending. The caller keeps ownership of `data`.
//   Called from one thread at a time per device (the worker).
//
// How far the time-out holds depends on the backend, one per platform, chosen by the build:
// - Windows: as above; the write is overlapped, waited for at most `milliseconds`, then cancelled.
// - Linux (hidraw) and macOS: NOT bounded. A write cannot be limited or cancelled from user space
//   there; it blocks until the kernel has taken the report, at worst until the kernel's own USB
//   time-out (a few seconds), and may therefore take longer than `milliseconds`. No zero extension
//   either: those backends do not tell the output report length.
// So callers treat the time-out as an upper wish, not a promise: nothing may depend on a write
// returning within it. The callers here only judge the result (a failed write is a missing
// answer, a failed block or a failed channel write), send whole reports of their protocol's
// size, and count retry budgets in attempts, not in elapsed time.
#pragma once

#include <cstddef>

#include <hidapi.h>

extern "C" int hid_write_timeout(hid_device* device, const unsigned char* data, std::size_t length,
                                 int milliseconds);

/* A hidapi device over an overlapped handle the test owns until hid_close takes it. */
#pragma once

#include <windows.h>

#include <hidapi.h>

#ifdef __cplusplus
extern "C" {
#endif

hid_device *zt_hid_device_over_handle(HANDLE handle, unsigned short output_report_length);

#ifdef __cplusplus
}
#endif

/* Test access to hidapi's Windows backend with the tool's hid_write_timeout patched in: the
   backend's own source is compiled here, so a test can make a device whose handle is any
   overlapped file handle (a pipe end), without a real HID device. */
#include "hid.c"

#include "hid_device_over_handle.h"

hid_device *zt_hid_device_over_handle(HANDLE handle, unsigned short output_report_length)
{
	hid_device *dev = new_hid_device();
	if (dev == NULL)
		return NULL;
	dev->device_handle = handle;
	dev->output_report_length = output_report_length;
	return dev;
}

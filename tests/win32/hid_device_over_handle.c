/* hidapi's patched Windows backend, plus a device over any overlapped handle (a pipe end). */
#include "hid.c"

hid_device *zt_hid_device_over_handle(HANDLE handle, unsigned short output_report_length)
{
	hid_device *dev = new_hid_device();
	dev->device_handle = handle;
	dev->output_report_length = output_report_length;
	return dev;
}

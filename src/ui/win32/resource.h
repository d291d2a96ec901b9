// Resource ids of the Windows build. The device pictures are 151 + catalogue row, which is each
// row's bitmapId in the catalogue.
#pragma once

#define IDI_LARGE_ICON 107
#define IDI_SMALL_ICON 108
// Looked up at start; the resources hold no such table, so no keystroke is ever translated.
#define IDA_ACCELERATORS 109

#define IDB_DEVICE_FIRST 151
#define IDB_DEVICE_LAST 158

// PresetTransfer: saving a preset bank of the selected device into a presets file (download), and
// replaying a presets or wavetables file into the device (upload). Both work on the file named by
// the presets path buffer at the moment they are called, and on the selected kind's USB ids.
//
// Progress goes to the registry's reportProgress (0..100). Worker thread only; one transfer at a
// time. Results are the codes below; nothing is thrown and nothing is shown.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "transfer/transfer_packet.h"

namespace zt {

class DeviceChannel;
class DeviceRegistry;

// downloadPresets results.
inline constexpr int kDownloadDone = 0;           // the file is complete and in place
inline constexpr int kDownloadNoDevice = 1;       // no device with the ids; no file touched
inline constexpr int kDownloadFileFailed = 2;     // the file could not be created or written
inline constexpr int kDownloadRequestFailed = 3;  // a ReadRequest could not be written
inline constexpr int kDownloadReadFailed = 4;     // the transport failed while reading an answer
inline constexpr int kDownloadSilent = 5;         // the first slot's requests got no record at all
inline constexpr int kDownloadShort = 6;          // the answers ended short of a whole bank
inline constexpr int kDownloadOverlong = 7;       // the answers ran past a whole bank
inline constexpr int kDownloadStopped = 8;        // a stop request ended it between two records

// uploadFile results.
inline constexpr int kUploadDone = 0;             // every record sent and accepted
inline constexpr int kUploadFileFailed = 1;       // the file could not be opened or read
inline constexpr int kUploadNoDevice = 2;         // no device with the ids
inline constexpr int kUploadWriteFailed = 3;      // a record could not be written; none after it
inline constexpr int kUploadRefused = 5;          // all sent, but an acknowledgement was missing

class PresetTransfer {
public:
    // Keeps references to all three; `presetsPath` is read at each call.
    PresetTransfer(DeviceChannel& channel, DeviceRegistry& registry,
                   const std::string& presetsPath);
    PresetTransfer(const PresetTransfer&) = delete;
    PresetTransfer& operator=(const PresetTransfer&) = delete;

    // Saves `slotCount` slots from `firstSlot` on: for each slot the answers to the requests of
    // section `selector` (0 bank A or the only bank, 1 bank B) and of section selector + 2, between
    // two setPcConnection records (1 first, 0 last). The device is in PC-connection mode for the
    // requests and is switched off again on every path that switched it on.
    //
    // The file is written under a short new name in the target's folder and put in the target's
    // place only when everything succeeded; after any failure the target is as it was and the
    // new file is gone. A target that cannot be created gives 2 before the device is addressed; a
    // write failure later gives 2 after the switch-off. Each answer ends at its EndRecord or after
    // 1000 ms of silence, so a responsive device never costs a time-out; a device that gives no
    // record for either request of the first slot ends the download with 5 instead of costing two
    // seconds per slot.
    //
    // Only a whole bank is kept: the file must end at exactly the size that presetsFileMatches
    // accepts for the selected kind, or a backup that "Load" refuses would be reported saved.
    // Shorter gives 6; the download stops with 7 at the first record past that size, so an answer
    // that never ends cannot grow the file without bound. A stop request (stopRequested) is
    // honoured before each request and after each record, with 8.
    int downloadPresets(int selector, int firstSlot, int slotCount);

    // During a download: sends one ReadRequest and appends every record of the answer to the file
    // being written (a report shorter than 64 bytes is stored zero-filled). 0, 2 (the file could
    // not be written; the answer is still read to its end), 3, 4, 7 or 8, as downloadPresets.
    int receiveAnswer(int selector, int slot);
    // During a download: appends a setPcConnection record with `value` to the file without
    // sending anything. False when it could not be written.
    bool recordPcConnection(int value);

    // Sends the file's records one by one. `targetBank` -1 sends them unchanged; 0 or 1 (bank A or
    // B) rewrites the bank of each SectionRecord's selector in the copy that is sent (0/1 become
    // the target, 2/3 the target + 2, others stay). Records of acknowledged types wait up to
    // 1000 ms for their acknowledgement; refusals are counted and the upload goes on. The file is
    // only read, never past the size it had when opened; a file that is empty, not a multiple of
    // 64 bytes long or shorter than that size while being read gives 1.
    int uploadFile(int targetBank);

private:
    struct Answer {
        int code = 0;
        int records = 0;
    };
    Answer receive(int selector, int slot);
    bool append(const TransferPacket& record);
    int finishDownload(int failure, const std::string& temporary, const std::string& target);

    DeviceChannel& channel_;
    DeviceRegistry& registry_;
    const std::string& presetsPath_;
    std::FILE* output_ = nullptr;  // the file a download is writing, open only while it runs
    std::int64_t room_ = 0;        // answer records the running download may still take
};

}  // namespace zt

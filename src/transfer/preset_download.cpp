// downloadPresets: a preset bank from the device into a presets file.
#include <array>

#include "devices/device_registry.h"
#include "transfer/device_channel.h"
#include "transfer/preset_files.h"
#include "transfer/preset_transfer.h"
#include "platform/replace_file.h"
#include "platform/stop_request.h"

namespace zt {

namespace {

// False for no name at all, and when the target exists but is no regular file (a folder, a
// device): nothing could ever be put in its place, so the download must not start.
bool canTakeThePlaceOf(const std::string& target) {
    if (target.empty()) return false;
    std::FILE* existing = openFile(target, "rb");
    if (existing == nullptr) return true;
    const bool regular = regularFileSize(existing) >= 0;
    std::fclose(existing);
    return regular;
}

}  // namespace

PresetTransfer::PresetTransfer(DeviceChannel& channel, DeviceRegistry& registry,
                               const std::string& presetsPath)
    : channel_(channel), registry_(registry), presetsPath_(presetsPath) {}

int PresetTransfer::downloadPresets(int selector, int firstSlot, int slotCount) {
    const std::string target = presetsPath_;
    if (!channel_.open(registry_.selectedVendorId(), registry_.selectedProductId())) {
        return kDownloadNoDevice;
    }
    std::string temporary;
    if (canTakeThePlaceOf(target)) output_ = createFileBeside(target, temporary);
    if (output_ == nullptr) {
        channel_.close();
        return kDownloadFileFailed;
    }
    // Room for the answers of a whole bank between the two setPcConnection records; none at all
    // for a kind without a bank, whose download can then never be kept.
    const std::int64_t whole = acceptedPresetsSize(registry_);
    const auto framing = static_cast<std::int64_t>(2 * kPacketSize);
    room_ = whole > framing ? (whole - framing) / static_cast<std::int64_t>(kPacketSize) : 0;

    // The acknowledgements of the two switches are not examined: a device that refuses them is
    // still asked for every slot.
    channel_.setPcConnection(true);
    int failure = recordPcConnection(1) ? kDownloadDone : kDownloadFileFailed;
    for (int i = 0; failure == kDownloadDone && i < slotCount; ++i) {
        // The second section is asked for even when the first failed, so both requests of a slot
        // always reach the device.
        const Answer first = receive(selector, firstSlot + i);
        const Answer second = receive(selector + 2, firstSlot + i);
        registry_.reportProgress(i * 100 / slotCount);
        failure = first.code != 0 ? first.code : second.code;
        if (failure == kDownloadDone && i == 0 && first.records == 0 && second.records == 0) {
            failure = kDownloadSilent;
        }
    }
    if (failure == kDownloadDone && room_ != 0) failure = kDownloadShort;
    // The closing record only matters in a file that will be kept.
    if (failure == kDownloadDone && !recordPcConnection(0)) failure = kDownloadFileFailed;
    channel_.setPcConnection(false);
    channel_.close();
    return finishDownload(failure, temporary, target);
}

int PresetTransfer::finishDownload(int failure, const std::string& temporary,
                                   const std::string& target) {
    const bool clean = std::ferror(output_) == 0;
    // Closed on every path, failed writes included: an open temporary file could not be removed
    // on Windows. fclose flushes the buffer, so a full disk may show only here.
    const bool closed = std::fclose(output_) == 0;
    output_ = nullptr;
    if (failure == kDownloadDone && !(clean && closed)) failure = kDownloadFileFailed;
    if (failure == kDownloadDone && !replaceFile(temporary, target)) failure = kDownloadFileFailed;
    if (failure != kDownloadDone) removeFile(temporary);
    return failure;
}

int PresetTransfer::receiveAnswer(int selector, int slot) { return receive(selector, slot).code; }

PresetTransfer::Answer PresetTransfer::receive(int selector, int slot) {
    Answer answer;
    if (stopRequested()) {
        answer.code = kDownloadStopped;
        return answer;
    }
    const TransferPacket request = TransferPacket::readRequest(static_cast<std::uint16_t>(selector),
                                                               static_cast<std::uint16_t>(slot));
    if (!channel_.writePacket(request.bytes.data(), kPacketSize)) {
        answer.code = kDownloadRequestFailed;
        return answer;
    }
    for (;;) {
        if (stopRequested()) {
            answer.code = kDownloadStopped;
            return answer;
        }
        TransferPacket record;  // zeroed, so a short report is stored zero-filled
        const int read = channel_.readPacket(record.bytes.data(), kPacketSize);
        if (read < 0) {
            answer.code = kDownloadReadFailed;
            return answer;
        }
        if (read == 0) break;  // a second of silence ends the answer
        // A record past a whole bank: the answer is not one that "Load" could take back, and one
        // that never ends must not hold the download (and grow the file) for ever.
        if (room_ == 0) {
            if (answer.code == kDownloadDone) answer.code = kDownloadOverlong;
            return answer;
        }
        --room_;
        ++answer.records;
        // After a failed write the answer is still read to its end, so that its leftover records
        // are not taken for the answer to the next packet.
        if (answer.code == kDownloadDone && !append(record)) answer.code = kDownloadFileFailed;
        if (record.type() == kEndRecord) break;
    }
    return answer;
}

bool PresetTransfer::recordPcConnection(int value) {
    TransferPacket record = TransferPacket::pcConnection(false);
    record.setField(2, static_cast<std::uint16_t>(value));
    return append(record);
}

bool PresetTransfer::append(const TransferPacket& record) {
    return output_ != nullptr &&
           std::fwrite(record.bytes.data(), 1, kPacketSize, output_) == kPacketSize;
}

}  // namespace zt

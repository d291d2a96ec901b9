// uploadFile: a presets or wavetables file replayed into the device, record by record.
#include "devices/device_registry.h"
#include "transfer/device_channel.h"
#include "transfer/preset_transfer.h"
#include "platform/replace_file.h"

namespace zt {

namespace {

// Directs a SectionRecord at the target bank: bit 0 of the selector is the bank and is replaced,
// bit 1 (first or second section) is kept. Selectors beyond 3 and every other type pass as they
// are.
void redirect(TransferPacket& record, int targetBank) {
    if ((targetBank != 0 && targetBank != 1) || record.type() != kSectionRecord) return;
    const std::uint16_t selector = record.field(4);
    if (selector == 0 || selector == 1) record.setField(4, static_cast<std::uint16_t>(targetBank));
    if (selector == 2 || selector == 3) {
        record.setField(4, static_cast<std::uint16_t>(targetBank + 2));
    }
}

}  // namespace

int PresetTransfer::uploadFile(int targetBank) {
    std::FILE* file = openFile(presetsPath_, "rb");
    if (file == nullptr) return kUploadFileFailed;
    const std::int64_t size = regularFileSize(file);
    // Only whole records are ever sent: an empty or ragged file, or a folder, is not read at all.
    if (size <= 0 || size % static_cast<std::int64_t>(kPacketSize) != 0) {
        std::fclose(file);
        return kUploadFileFailed;
    }
    if (!channel_.open(registry_.selectedVendorId(), registry_.selectedProductId())) {
        std::fclose(file);
        return kUploadNoDevice;
    }

    int code = kUploadDone;
    int refusals = 0;
    // Counting down from the size learnt at opening: a file that grows meanwhile is not read past
    // it, one that shrinks ends the upload at the first short read.
    for (std::int64_t remaining = size; remaining > 0; remaining -= kPacketSize) {
        registry_.reportProgress(static_cast<int>(100 - remaining * 100 / size));
        TransferPacket record;
        if (std::fread(record.bytes.data(), 1, kPacketSize, file) != kPacketSize) {
            code = kUploadFileFailed;
            break;
        }
        redirect(record, targetBank);
        if (!channel_.writePacket(record.bytes.data(), kPacketSize)) {
            code = kUploadWriteFailed;
            break;
        }
        // A refusal is counted, not fatal: the rest of the file still goes to the device.
        if (DeviceChannel::expectsAcknowledgement(record.type()) && !channel_.acknowledged()) {
            ++refusals;
        }
    }
    std::fclose(file);
    channel_.close();
    if (code != kUploadDone) return code;
    return refusals > 0 ? kUploadRefused : kUploadDone;
}

}  // namespace zt

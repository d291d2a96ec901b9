// The one registry of device kinds: the catalogue rows in order, which kinds the last search found,
// which kind is selected, and the questions the rest of the tool asks about the selected kind.
//
// Threads: used only by the worker, except rowCount(), which the GUI thread may read (the row list
// does not change after start-up).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devices/device_kind.h"

namespace zt {

class BootloaderChannel;
class ProgressSink;

class DeviceRegistry {
public:
    static constexpr std::uint16_t firstStageVendorId = 0x16C0;
    static constexpr std::uint16_t firstStageProductId = 0x0478;

    DeviceRegistry() = default;
    DeviceRegistry(const DeviceRegistry&) = delete;
    DeviceRegistry& operator=(const DeviceRegistry&) = delete;

    // Wiring done once at start-up, after the objects exist. Both may stay unset in tests that do
    // not need them: progress then goes nowhere, and the loader questions answer false / 1.
    void setProgressSink(ProgressSink* sink) { progress_ = sink; }
    void attachBootloader(BootloaderChannel* channel) { bootloader_ = channel; }

    void addKind(DeviceKind& row) {
        rows_.push_back(&row);
        closed_.push_back(0);
    }
    unsigned rowCount() const { return static_cast<unsigned>(rows_.size()); }
    DeviceKind& row(unsigned index) const { return *rows_.at(index); }

    // Opens and closes the first HID device with each kind's ids (and the first-stage loader's
    // ids for CAP_FIRST_STAGE kinds); sets every row's found flag. True when anything answered.
    // A kind that could not be opened but that the system lists is marked closed instead: it is
    // there, but this user may not open it (no permission, or another program holds it).
    bool enumerate();
    // The row's found flag; 0 for an index at or beyond rowCount().
    std::int32_t isFound(unsigned index) const;
    // 1 when the last search saw the row's device listed but could not open it; else 0.
    std::int32_t isClosed(unsigned index) const;
    // True when the last search marked any row closed.
    bool anyClosed() const;
    // Selects the row; an index at or beyond rowCount() changes nothing.
    void select(unsigned index);
    std::uint32_t selectedIndex() const { return selected_; }
    std::int32_t bitmapIdOf(unsigned index) const { return rows_.at(index)->bitmapId; }

    // Questions about the selected kind. With no rows they answer false / 0.
    bool canUpdate() const;
    bool hasCapability(int bit) const;
    // True when the kind's fileKey occurs in the file name (the part after the last backslash or
    // slash), compared without regard to the case of A-Z. The whole path is considered, however
    // long, so the file name is never cut off.
    bool firmwareNameMatches(const std::string& path) const;
    std::uint16_t selectedVendorId() const;
    std::uint16_t selectedProductId() const;

    // Forwards a percentage (0..100) to the progress sink.
    void reportProgress(int percentage);

    // True when the selected device is attached as a loader rather than in normal mode.
    bool bootloaderPresent();
    // Writes the firmware file into the selected device; 0 or a result code.
    int installFirmware(const std::string& fileName);
    // True when the file exists and has the size the selected kind accepts.
    bool presetsFileMatches(const std::string& fileName) const;
    bool wavetablesFileMatches(const std::string& fileName) const;

    using Ids = std::pair<std::uint16_t, std::uint16_t>;  // vendor, product

    // Opens and at once closes the first HID device with the ids; true when the open succeeded.
    static bool isDevicePresent(std::uint16_t vendorId, std::uint16_t productId);

private:
    const DeviceKind* selectedRow() const;

    // Looks for the ids: 1 found (opened), 0 not there; marks the row closed when only listed.
    // `listed` is the search's listing of the system's devices, read here when still empty.
    bool look(unsigned index, std::uint16_t vendorId, std::uint16_t productId,
              std::optional<std::vector<Ids>>& listed);

    std::vector<DeviceKind*> rows_;
    std::vector<std::int32_t> closed_;  // per row, as isClosed()
    std::uint32_t selected_ = 0;
    ProgressSink* progress_ = nullptr;
    BootloaderChannel* bootloader_ = nullptr;
};

}  // namespace zt

// The catalogue, value by value. What a search finds shows in tests/cli (`zentari list`).
#include <gtest/gtest.h>

#include "devices/catalogue.h"
#include "devices/device_registry.h"

namespace zt {
namespace {

auto fields(const DeviceKind& k) {
    return std::make_tuple(std::string(k.name), k.bitmapId, k.vendorId, k.productId, k.flags,
                           k.codeSize, k.auxSize, k.blockSize, std::string(k.fileKey), k.found);
}

// Every value of every row, as the devices and their firmware files know them; a firmware file
// matches by its own name in any case, never by its folder's, at the root or deep in a path.
TEST(RegistryTest, CatalogueRows) {
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    DeviceRegistry scratch;
    const DeviceKind rows[] = {
        {scratch, "Kado", 151, 0x1FC9, 0x815B, 7, 0x40000, 2048, 1024, "kado"},
        {scratch, "Vossa 1", 152, 0x1FC9, 0x815C, 0, 0, 0, 0, "vossa"},
        {scratch, "Pulka", 153, 0x1FC9, 0x815A, 0, 0, 0, 0, "pulka"},
        {scratch, "Siravel", 154, 0x16D0, 0x0DAF, 11, 0x40000, 2048, 1024, "siravel"},
        {scratch, "Vossa 2", 155, 0x16D0, 0x0E9E, 2, 0x1F000, 1024, 512, "vossa"},
        {scratch, "Mondrel", 156, 0x16D0, 0x0EA1, 2, 0x40000, 2048, 1024, "mondrel"},
        {scratch, "Ostrel", 157, 0x16D0, 0x0E9F, 2, 0x100000, 4096, 1024, "ostrel"},
        {scratch, "Jubble", 158, 0x16D0, 0x0EA0, 2, 0x100000, 4096, 1024, "jubble"},
    };
    ASSERT_EQ(registry.rowCount(), 8u);
    for (unsigned i = 0; i < 8; ++i) {
        EXPECT_EQ(fields(registry.row(i)), fields(rows[i]));
        registry.select(i);
        const auto said = std::make_tuple(registry.selectedProductId(), registry.hasCapability(0));
        EXPECT_EQ(said, std::make_tuple(rows[i].productId, (rows[i].flags & 1) != 0));
        const std::string key = rows[i].fileKey;
        std::string upper = key;
        for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
        EXPECT_TRUE(registry.firmwareNameMatches("\\" + upper + "_v2.kzt")) << key;
        EXPECT_TRUE(registry.firmwareNameMatches("/" + std::string(400, 'x') + "/" + key + ".hex"));
        EXPECT_FALSE(registry.firmwareNameMatches("C:\\" + key + "\\firmware.hex")) << key;
    }
    for (unsigned index : {8u, 0xFFFFFFFFu}) {  // out of range: ignored
        registry.select(index);
        EXPECT_EQ(registry.isFound(index) + registry.isClosed(index), 0);
    }
    EXPECT_EQ(registry.selectedIndex(), 7u);
}

}  // namespace
}  // namespace zt

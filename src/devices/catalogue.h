// The fixed catalogue of the eight device kinds, in row order.
#pragma once

#include "devices/device_kind.h"

namespace zt {

// The eight rows. Constructing a Catalogue appends its rows, in order, to the registry given; the
// registry must have no rows yet so that row index = catalogue row.
struct Catalogue {
    explicit Catalogue(DeviceRegistry& registry);

    DeviceKind kado;
    DeviceKind vossa1;
    DeviceKind pulka;
    DeviceKind siravel;
    DeviceKind vossa2;
    DeviceKind mondrel;
    DeviceKind ostrel;
    DeviceKind jubble;
};

inline constexpr int kCatalogueRows = 8;

}  // namespace zt

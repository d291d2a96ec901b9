// `zentari list`: one line per kind that the search found or saw closed, in catalogue order; or,
// with --json, one array of objects for scripts.
#include <cstdio>

#include "app/tool.h"
#include "cli/session.h"
#include "platform/closed_device.h"

namespace zt::cli {

namespace {

std::string ids(const DeviceKind& kind) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(kind.vendorId & 0xFFFF),
                  static_cast<unsigned>(kind.productId & 0xFFFF));
    return text;
}

// The hints are fixed texts of our own, but a quote or backslash must never break the JSON.
std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

int Session::list(bool json) {
    const DeviceRegistry& registry = tool_.registry;
    std::string lines;
    for (unsigned row = 0; row < registry.rowCount(); ++row) {
        const bool found = registry.isFound(row) == 1;
        if (!found && registry.isClosed(row) != 1) continue;
        const DeviceKind& kind = registry.row(row);
        const std::string state = found ? "ready" : closedDeviceHint();
        if (json) {
            lines += lines.empty() ? "\n  " : ",\n  ";
            lines += "{\"name\": " + jsonText(kind.name) + ", \"id\": \"" + ids(kind) +
                     "\", \"ready\": " + (found ? "true" : "false") +
                     ", \"state\": " + jsonText(state) + "}";
        } else {
            char name[16];
            std::snprintf(name, sizeof name, "%-10s", kind.name);
            lines += std::string(name) + " " + ids(kind) + "  " + state + "\n";
        }
    }
    if (json) {
        out_ << "[" << lines << (lines.empty() ? "]\n" : "\n]\n");
    } else {
        out_ << lines;
        if (lines.empty()) err_ << "No devices found\n";
    }
    return kExitSuccess;
}

}  // namespace zt::cli

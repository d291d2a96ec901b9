// The four file dialogs as the worker runs them: from another thread, modal to the real window,
// answered inside the real QFileDialog.
#include <fstream>

#include "qt/qt_tool_fixture.h"
#include "support/hex_text.h"
#include "ui/window_layout.h"

namespace zt::test {
namespace {

class QtFileDialog : public QtTool {
protected:
    // Runs the dialog off the GUI thread with `path` in the buffer; true when it was confirmed.
    // Every dialog shows only the files of its patterns.
    bool run(const FileDialogSpec& params, std::string& path, const DialogAnswer& answer) {
        bool confirmed = false;
        offGuiThread([&] { confirmed = controls->runFileDialog(params, path); });
        EXPECT_TRUE(answer.seen);
        const bool firmware = &params == &layout::kFirmwareDialog;
        EXPECT_EQ(answer.patterns.join(' '), firmware ? "*.hex *.kzt *.kzp" : "*.zentari");
        return confirmed;
    }

    const ScratchFolder folder;
};

TEST_F(QtFileDialog, ConfirmedAndCancelledChoices) {
    struct Case {
        const char* name;
        const FileDialogSpec& params;
        std::string proposed;  // in the temporary folder; empty: an empty buffer
        std::string existing;  // a file made beforehand
        std::string typed;     // confirmed in the dialog; empty: the proposed name
        bool cancel;
        std::string path;      // the buffer afterwards
    };
    const Case cases[] = {
        {"the save dialog proposes the buffer's name", layout::kSavePresetsDialog,
         "kadoPresets.zentari", "", "", false, "kadoPresets.zentari"},
        {"a name typed without extension gets .zentari", layout::kSavePresetsDialog, "", "", "mine",
         false, "mine.zentari"},
        {"a name typed with an extension keeps it", layout::kSavePresetsDialog, "", "", "mine.bin",
         false, "mine.bin"},
        {"an open dialog returns the existing file chosen", layout::kLoadPresetsDialog, "",
         "bank.zentari", "bank.zentari", false, "bank.zentari"},
        {"an open dialog adds no extension", layout::kFirmwareDialog, "", "kado-2.kzt", "kado-2.kzt",
         false, "kado-2.kzt"},
        {"cancel leaves the buffer as it was", layout::kFirmwareDialog, "old.hex", "", "", true,
         "old.hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.existing.empty()) folder.write(c.existing, "");
        std::string path = c.proposed.empty() ? "" : folder.path(c.proposed);
        const DialogAnswer answer(c.typed.empty() ? "" : folder.path(c.typed), c.cancel);
        EXPECT_EQ(run(c.params, path, answer), !c.cancel);
        EXPECT_EQ(path, folder.path(c.path));
        if (!c.proposed.empty()) {
            EXPECT_EQ(answer.shownName.toStdString(), c.proposed);
        }
    }
}

// A path in `folder` (ending in '/') whose UTF-8 form is exactly `bytes` long, built of `fill`
// (one or two bytes) and ending in ".zentari".
std::string pathOfLength(std::string path, std::size_t bytes, const std::string& fill) {
    const std::string suffix = ".zentari";
    while (path.size() + fill.size() + suffix.size() <= bytes) path += fill;
    while (path.size() + suffix.size() < bytes) path += 'a';
    return path + suffix;
}

// The buffer holds largestPath bytes with the terminating zero; a longer path is a failure and
// must not be cut into a different, wrong name.
TEST_F(QtFileDialog, PathsLongerThanTheBufferAreRefused) {
    struct Case {
        const char* name;
        const FileDialogSpec& params;
        std::size_t bytes;
        const char* fill;
        bool confirmed;
    };
    const Case cases[] = {
        {"254 bytes fit the 255-byte presets buffer", layout::kLoadPresetsDialog, 254, "a", true},
        {"255 bytes do not", layout::kLoadPresetsDialog, 255, "a", false},
        {"259 bytes of two-byte characters fit 260", layout::kWavetablesDialog, 259, "\xc3\xbc", true},
        {"260 bytes of two-byte characters do not", layout::kWavetablesDialog, 260, "\xc3\xbc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = pathOfLength(folder.path(""), c.bytes, c.fill);
        ASSERT_EQ(target.size(), c.bytes);
        std::ofstream{target};
        const std::string before = folder.path("before.zentari");
        std::string path = before;
        EXPECT_EQ(run(c.params, path, DialogAnswer(target)), c.confirmed);
        EXPECT_EQ(path, c.confirmed ? target : before);
    }
}

}  // namespace
}  // namespace zt::test

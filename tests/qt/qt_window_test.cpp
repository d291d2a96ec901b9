// The window's places and the selection, as the real widgets show them.
#include <QStyle>
#include <QStyleOptionButton>

#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "qt/qt_tool_fixture.h"

namespace zt::test {
namespace {

TEST_F(QtTool, StartsWithOnlyTheSearchButtonAtItsPlaces) {
    QWidget* window = controls->window();
    EXPECT_EQ(window->windowTitle(), "Zentari Tool");
    EXPECT_EQ(window->size(), QSize(344, 206));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    struct Place { const char* name; QWidget* widget; QRect rect; bool visible; };
    const Place places[] = {
        {"Find Devices", slot(0), {10, 2, 104, 79}, true},
        {"Update", slot(1), {10, 86, 104, 79}, false},
        {"slot 3", slot(3), {222, 86, 104, 24}, false},
        {"slot 6", slot(6), {169, 141, 104, 24}, false},
        {"progress", controls->progressBar(), {222, 32, 104, 20}, false},
        {"status left", controls->statusMessagePart(), {0, 184, 304, 22}, true},
        {"status right", controls->statusVersionPart(), {304, 184, 40, 22}, true},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        ASSERT_NE(place.widget, nullptr);
        EXPECT_EQ(QRect(place.widget->mapTo(window, QPoint()), place.widget->size()), place.rect);
        EXPECT_EQ(place.widget->isVisible(), place.visible);
    }
    EXPECT_EQ(slot(0)->text(), "Find Devices");
    EXPECT_EQ(controls->statusVersionPart()->text(), "v" ZT_VERSION);
    EXPECT_EQ(status(), "");
    // Every device button exists, hidden, and carries its picture (loaded once the first frame is
    // painted) and nothing else.
    for (unsigned row = 0; row < tool->registry.rowCount(); ++row) {
        SCOPED_TRACE(row);
        ASSERT_NE(device(row), nullptr);
        EXPECT_FALSE(device(row)->isVisible());
        EXPECT_EQ(device(row)->size(), QSize(104, 79));
        EXPECT_TRUE(device(row)->text().isEmpty());
        EXPECT_TRUE(waitUntil([&] { return !device(row)->icon().pixmap(QSize(100, 75)).isNull(); }));
    }
}

TEST_F(QtTool, SearchWithNothingAttachedSaysSo) {
    press(slot(0));
    ASSERT_TRUE(endsWith("No devices found")) << status().toStdString();
    for (unsigned row = 0; row < tool->registry.rowCount(); ++row) EXPECT_FALSE(device(row)->isVisible()) << row;
    EXPECT_FALSE(slot(1)->isVisible());
}

// The search places the found kinds' buttons in catalogue order on the grid; selecting one moves
// it to the first place, hides the rest and shows its kind's buttons, every caption whole.
TEST_F(QtTool, FoundKindsTakeTheirPlacesAndASelectionShowsItsButtons) {
    // The first-stage loader answers for both first-stage kinds (Kado, Siravel).
    hidsim::attach(0x16C0, 0x0478, std::make_shared<hidsim::HalfKayLoader>(0x40000, 1024));
    hidsim::attach(0x16D0, 0x0EA1, std::make_shared<hidsim::KbootBootloader>());  // Mondrel
    hidsim::attach(0x16D0, 0x0EA0, std::make_shared<hidsim::PresenceDevice>());   // Jubble
    press(slot(0));
    ASSERT_TRUE(waitUntil([&] { return device(7)->isVisible(); })) << status().toStdString();
    EXPECT_EQ(status(), "Devices found, select one");
    const QPoint places[] = {{116, 2}, {}, {}, {222, 2}, {}, {10, 86}, {}, {116, 86}};
    for (unsigned row = 0; row < tool->registry.rowCount(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(device(row)->isVisible(), !places[row].isNull());
        EXPECT_EQ(device(row)->isVisible() ? device(row)->pos() : QPoint(), places[row]);
    }
    screenshot("found-devices");

    press(device(3));
    ASSERT_TRUE(waitUntil([&] { return slot(6)->isVisible(); }));  // "Load Wavetables" shows last
    EXPECT_EQ(status(), "Device selected");
    EXPECT_EQ(device(3)->pos(), QPoint(116, 2));
    for (unsigned row : {0u, 5u, 7u}) EXPECT_FALSE(device(row)->isVisible()) << row;
    const char* captions[] = {"Find Devices", "Update", "Save Bank A", "Save Bank B",
                              "Load Bank A", "Load Bank B", "Load Wavetables"};
    for (int index = 0; index <= 6; ++index) {
        QPushButton* button = slot(index);
        EXPECT_TRUE(button->isVisible()) << index;
        EXPECT_EQ(button->text(), captions[index]);
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), room.width())
            << captions[index] << " is cut in " << QFontInfo(button->font()).family().toStdString();
    }
    screenshot("siravel-selected");
}

}  // namespace
}  // namespace zt::test

// The real Qt window over a real Tool: clicks on the widgets travel through the dispatcher to the
// worker, and the worker's window operations come back to the GUI thread.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "ui/qt/qt_controls.h"

namespace zt::test {
namespace {

// Long enough for any action here; reaching it means the window never got where it should.
constexpr int kPatienceMs = 20000;

class QtWindow : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        controls = std::make_unique<QtControls>(
            [this](ControlHandle sender, int code) { tool->dispatcher.onCommand(sender, code); });
        tool = std::make_unique<Tool>(*controls);
        ASSERT_TRUE(tool->window.create());
        ASSERT_TRUE(tool->dispatcher.startWorker());
    }

    void TearDown() override {
        // The worker may be waiting for the GUI thread, so stop it from a helper thread while this
        // one keeps serving events.
        std::atomic<bool> stopped{false};
        std::thread stopper([&] {
            tool->dispatcher.stopWorker();
            stopped.store(true);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return stopped.load(); }, kPatienceMs));
        stopper.join();
        tool.reset();
        controls.reset();
        hidsim::detachAll();
    }

    QPushButton* slot(int index) const { return controls->button(tool->window.commandButton(index)); }
    QPushButton* device(unsigned row) const {
        return controls->button(tool->window.deviceButton(row));
    }
    QString status() const { return controls->statusMessagePart()->text(); }

    // Serves events until the condition holds.
    template <typename Condition>
    bool waitUntil(Condition condition) {
        return QTest::qWaitFor(condition, kPatienceMs);
    }

    std::unique_ptr<QtControls> controls;
    std::unique_ptr<Tool> tool;
};

TEST_F(QtWindow, StartsWithOnlyTheSearchButtonAtItsPlaces) {
    QWidget* window = controls->window();
    EXPECT_EQ(window->windowTitle(), "Zentari Tool");
    EXPECT_EQ(window->size(), QSize(344, 206));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    struct Place {
        const char* name;
        QWidget* widget;
        QRect rect;
        bool visible;
    };
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
    EXPECT_EQ(controls->statusVersionPart()->text(), "v1.2.1");
    EXPECT_EQ(status(), "");

    // Every device button exists, hidden, and carries its picture and nothing else.
    for (unsigned row = 0; row < tool->registry.rowCount(); ++row) {
        SCOPED_TRACE(row);
        ASSERT_NE(device(row), nullptr);
        EXPECT_FALSE(device(row)->isVisible());
        EXPECT_EQ(device(row)->size(), QSize(104, 79));
        EXPECT_TRUE(device(row)->text().isEmpty());
        EXPECT_FALSE(device(row)->icon().pixmap(QSize(100, 75)).isNull());
    }
}

TEST_F(QtWindow, SearchWithNothingAttachedSaysSo) {
    QTest::mouseClick(slot(0), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return status() == "No devices found"; })) << status().toStdString();
    for (unsigned row = 0; row < tool->registry.rowCount(); ++row) {
        EXPECT_FALSE(device(row)->isVisible()) << row;
    }
    EXPECT_FALSE(slot(1)->isVisible());
}

TEST_F(QtWindow, SelectingATwoBankKindShowsItsFiveBankButtons) {
    for (unsigned row : {0u, 3u}) {
        const DeviceKind& kind = tool->registry.row(row);
        hidsim::attach(static_cast<std::uint16_t>(kind.vendorId),
                       static_cast<std::uint16_t>(kind.productId),
                       std::make_shared<hidsim::PresenceDevice>());
    }
    slot(0)->click();
    ASSERT_TRUE(waitUntil([&] { return device(3)->isVisible(); }));
    EXPECT_EQ(status(), "Devices found, select one");
    EXPECT_EQ(device(0)->pos(), QPoint(116, 2));
    EXPECT_EQ(device(3)->pos(), QPoint(222, 2));

    // A press that lands while the search is still placing buttons is dropped, as any press
    // during an action is; so press until the selection happens. "Load Wavetables" is the last
    // control it shows.
    ASSERT_TRUE(waitUntil([&] {
        if (status() == "Devices found, select one") device(3)->click();
        return slot(6)->isVisible();
    }));
    EXPECT_EQ(status(), "Device selected");
    EXPECT_FALSE(device(0)->isVisible());
    EXPECT_EQ(device(3)->pos(), QPoint(116, 2));
    EXPECT_TRUE(slot(1)->isVisible());
    const char* captions[] = {"Save Bank A", "Save Bank B", "Load Bank A", "Load Bank B",
                              "Load Wavetables"};
    for (int index = 2; index <= 6; ++index) {
        EXPECT_TRUE(slot(index)->isVisible()) << index;
        EXPECT_EQ(slot(index)->text(), captions[index - 2]);
    }
    // Every caption is read whole: none is cut by its button's edges.
    for (int index = 0; index <= 6; ++index) {
        QPushButton* button = slot(index);
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const int width = button->fontMetrics().horizontalAdvance(button->text());
        EXPECT_LE(width, room.width()) << button->text().toStdString() << " in "
                                       << QFontInfo(button->font()).family().toStdString();
    }
}

}  // namespace
}  // namespace zt::test

#include "ui/qt/qt_controls.h"

#include <QEvent>
#include <QFileDialog>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <utility>

namespace zt {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Qt reads the patterns of a name filter as a space-separated list inside the last parentheses;
// the layout gives them separated by ';' as Windows does.
QString nameFilter(const FileDialogSpec& params) {
    QString patterns = QString::fromUtf8(params.filterPattern);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return QString::fromUtf8(params.filterDescription) + QStringLiteral(" (") + patterns +
           QLatin1Char(')');
}

// A picture with its twice-as-large twin, so a 200% screen gets drawn pixels, not enlarged ones.
// Added by hand: Qt looks for the twin itself only when a screen at 200% is there at start-up.
void addPicture(QIcon& icon, const QString& stem) {
    icon.addFile(stem + QStringLiteral(".png"));
    icon.addFile(stem + QStringLiteral("@2x.png"));
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        addPicture(icon, QStringLiteral(":/icons/icon-%1").arg(size));
    }
    return icon;
}

// Calls `then` once, on the next turn of the event loop after the watched window's first paint.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* window, std::function<void()> then)
        : QObject(window), then_(std::move(then)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, then_);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> then_;
};

// Enter presses the focused button, as Space does; Qt's push buttons take Enter only as dialog
// default buttons, whose frame would change the window's look.
class PressOnEnter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:  // on the keypad
            static_cast<QPushButton*>(watched)->click();
            return true;
        default:
            return false;
        }
    }
};

QLabel* statusPart(QWidget* parent, QRect place) {
    auto* part = new QLabel(parent);
    part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    part->setIndent(2);
    part->setGeometry(place);
    return part;
}

}  // namespace

QtControls::QtControls(CommandCallback onCommand)
    : onCommand_(std::move(onCommand)), window_(std::make_unique<QWidget>()) {
    pressOnEnter_ = new PressOnEnter(window_.get());
    courier_ = new QTimer(window_.get());
    courier_->setSingleShot(true);
    courier_->setInterval(0);
    QObject::connect(courier_, &QTimer::timeout, window_.get(), [this] { deliver(); });
}

QtControls::~QtControls() = default;

void QtControls::onGuiThread(const std::function<void()>& work) {
    if (QThread::currentThread() == window_->thread()) {
        work();
        return;
    }
    // The call goes through a mailbox under our own mutex, and Qt only rings the bell: the
    // courier timer starts on the GUI thread and its time-out runs deliver(). Nothing made on
    // this thread crosses over inside Qt, whose own hand-over the thread sanitizer cannot see.
    const std::lock_guard<std::mutex> oneCallAtATime(callMutex_);
    {
        const std::lock_guard<std::mutex> lock(mailboxMutex_);
        pending_ = &work;
        delivered_ = false;
    }
    QMetaObject::invokeMethod(courier_, "start", Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(mailboxMutex_);
    deliveredSignal_.wait(lock, [&] { return delivered_; });
}

void QtControls::deliver() {
    const std::function<void()>* work = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mailboxMutex_);
        work = pending_;
        pending_ = nullptr;
    }
    if (!work) return;
    (*work)();
    {
        const std::lock_guard<std::mutex> lock(mailboxMutex_);
        delivered_ = true;
    }
    deliveredSignal_.notify_one();
}

void QtControls::loadPictures() {
    if (iconPending_) {
        window_->setWindowIcon(applicationIcon());
        iconPending_ = false;
    }
    // A missing picture leaves an empty button that still works.
    for (const auto& [button, bitmapId] : pendingPictures_) {
        QIcon picture;
        addPicture(picture, QStringLiteral(":/devices/%1").arg(bitmapId));
        button->setIcon(picture);
    }
    pendingPictures_.clear();
}

void QtControls::keepReadingOrder() {
    std::vector<QWidget*> buttons;
    for (QWidget* control : controls_) {
        if (qobject_cast<QPushButton*>(control)) buttons.push_back(control);
    }
    // Tab skips hidden buttons by itself; the chain only has to follow the places.
    const auto place = [](QWidget* w) { return std::pair(w->y(), w->x()); };
    std::ranges::stable_sort(buttons, std::less{}, place);
    QWidget* previous = nullptr;
    for (QWidget* button : buttons) {
        if (previous) QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

ControlHandle QtControls::adopt(QWidget* widget) {
    controls_.push_back(widget);
    return static_cast<ControlHandle>(controls_.size());
}

QWidget* QtControls::window() const { return window_.get(); }

QWidget* QtControls::widget(ControlHandle control) const {
    if (control < 1 || control > static_cast<ControlHandle>(controls_.size())) return nullptr;
    return controls_[static_cast<std::size_t>(control - 1)];
}

QPushButton* QtControls::button(ControlHandle control) const {
    return qobject_cast<QPushButton*>(widget(control));
}

QLabel* QtControls::statusMessagePart() const { return statusMessage_; }
QLabel* QtControls::statusVersionPart() const { return statusVersion_; }
QProgressBar* QtControls::progressBar() const { return progress_; }

bool QtControls::createWindow(const WindowSpec& params) {
    onGuiThread([&] {
        QWidget& window = *window_;
        window.setWindowTitle(QString::fromUtf8(params.title));
        window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
        window.setFixedSize(kClientWidth, kClientHeight);
        new AfterFirstPaint(&window, [this] { loadPictures(); });
        // The outer size centred on the primary screen, as the window was specified for Windows.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            window.move(area.x() + (area.width() - params.outerWidth) / 2,
                        area.y() + (area.height() - params.outerHeight) / 2);
        }
        window.show();
    });
    return true;
}

ControlHandle QtControls::createStatusBar(int, int rightPartWidth, const std::string& rightText) {
    ControlHandle handle = 0;
    onGuiThread([&] {
        auto* bar = new QWidget(window_.get());
        bar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
        const int split = kClientWidth - rightPartWidth;
        statusMessage_ = statusPart(bar, QRect(0, 0, split, kStatusBarHeight));
        statusVersion_ = statusPart(bar, QRect(split, 0, rightPartWidth, kStatusBarHeight));
        // Forty pixels barely hold the version in the default font; centred, it is not cut.
        statusVersion_->setIndent(0);
        statusVersion_->setAlignment(Qt::AlignCenter);
        statusVersion_->setText(fromUtf8(rightText));
        // A label's accessible name is its text, so the status reads as what it says.
        statusMessage_->setAccessibleDescription(QStringLiteral("Status"));
        statusVersion_->setAccessibleDescription(QStringLiteral("Version"));
        bar->show();
        handle = adopt(bar);
    });
    return handle;
}

ControlHandle QtControls::createButton(const ControlSpec& params) {
    ControlHandle handle = 0;
    onGuiThread([&] {
        auto* button = new QPushButton(window_.get());
        button->setGeometry(params.rect.x, params.rect.y, params.rect.width, params.rect.height);
        button->setAutoDefault(false);
        button->installEventFilter(pressOnEnter_);
        if (params.kind == ControlKind::CommandButton) {
            QFont font(QStringLiteral("Arial"));
            font.setPixelSize(kButtonFontPixels);
            button->setFont(font);
            button->setText(QString::fromUtf8(params.text));
        } else {
            // The picture is all a sighted user sees; the name is for everyone else.
            button->setAccessibleName(QString::fromUtf8(params.text));
            button->setToolTip(QString::fromUtf8(params.text));
            button->setIconSize(QSize(100, 75));
            pendingPictures_.emplace_back(button, params.bitmapId);
        }
        button->setVisible(params.visible);
        handle = adopt(button);
        keepReadingOrder();
        const ControlHandle sender = handle;
        QObject::connect(button, &QPushButton::clicked, window_.get(),
                         [this, sender] { onCommand_(sender, 0); });
    });
    return handle;
}

ControlHandle QtControls::createProgressBar(int, Rect rect) {
    ControlHandle handle = 0;
    onGuiThread([&] {
        progress_ = new QProgressBar(window_.get());
        progress_->setGeometry(rect.x, rect.y, rect.width, rect.height);
        progress_->setTextVisible(false);
        progress_->setAccessibleName(QStringLiteral("Progress"));
        // Hidden until a mode is set: the marquee or the stepped range.
        progress_->hide();
        handle = adopt(progress_);
    });
    return handle;
}

void QtControls::setVisible(ControlHandle control, bool visible) {
    onGuiThread([&] {
        if (visible) loadPictures();
        if (QWidget* target = widget(control)) target->setVisible(visible);
    });
}

void QtControls::moveAndRaise(ControlHandle control, int x, int y) {
    onGuiThread([&] {
        if (QWidget* target = widget(control)) {
            target->move(x, y);
            target->raise();
            keepReadingOrder();
        }
    });
}

void QtControls::setText(ControlHandle control, const std::string& text) {
    onGuiThread([&] {
        if (QPushButton* target = button(control)) target->setText(fromUtf8(text));
    });
}

void QtControls::setFocus(ControlHandle control) {
    onGuiThread([&] {
        if (QWidget* target = widget(control)) target->setFocus(Qt::OtherFocusReason);
    });
}

void QtControls::setStatusText(const std::string& text) {
    onGuiThread([&] {
        if (statusMessage_) statusMessage_->setText(fromUtf8(text));
    });
}

// The style animates a busy bar at its own pace; the interval has no Qt counterpart.
void QtControls::setProgressMarquee(int) {
    onGuiThread([&] {
        if (progress_) progress_->setRange(0, 0);
    });
}

void QtControls::setProgressRange(int maximum) {
    onGuiThread([&] {
        if (progress_) progress_->setRange(0, maximum);
    });
}

void QtControls::setProgressPosition(int position) {
    onGuiThread([&] {
        if (progress_) progress_->setValue(position);
    });
}

bool QtControls::runFileDialog(const FileDialogSpec& params, std::string& path) {
    QByteArray chosen;  // stays empty unless the user confirmed a file
    const QString proposed = fromUtf8(path);
    onGuiThread([&] {
        QFileDialog dialog(window_.get());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        // The description already names its patterns; Qt need not repeat them.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilter(nameFilter(params));
        if (params.kind == FileDialogKind::Save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            // Qt asks before an existing file is replaced: every save proposes the same name, so
            // without the question a second save would silently replace the first backup.
            dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        if (params.defaultExtension) dialog.setDefaultSuffix(QString::fromUtf8(params.defaultExtension));
        if (!proposed.isEmpty()) dialog.selectFile(proposed);
        if (dialog.exec() == QDialog::Accepted) chosen = dialog.selectedFiles().value(0).toUtf8();
    });
    // The path buffer holds largestPath characters with the terminating zero.
    if (chosen.isEmpty() || chosen.size() + 1 > params.largestPath) return false;
    path.assign(chosen.constData(), static_cast<std::size_t>(chosen.size()));
    return true;
}

}  // namespace zt

#include "framework/Application.h"

#include "framework/Fitting.h"
#include "framework/Image.h"
#include "framework/WindowSystem.h"

#include "app/MessageText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QIconEngine>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

TApplication ApplicationObject;

// Qt keeps pointers to these for the life of the QApplication. The command line is ignored.
int ArgumentCount = 1;
char ProgramName[] = "pelwick";
char* Arguments[] = {ProgramName, nullptr};

int OpenMessageBoxes = 0;

// Closing the main window ends the program. Watched after the close has been handled, so that
// a window that refuses to close keeps the program running.
class TMainFormWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            auto* form = static_cast<QWidget*>(watched);
            QMetaObject::invokeMethod(
                this,
                [form] {
                    if (Application->MainForm == form && form->isHidden()) {
                        Application->Terminate();
                    }
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

// Some window managers place a window they map by their own rules (below a title bar they add, at
// least as high as they think sane) and then carry out what the window asks for. At its exposure,
// by when the window manager has placed it, a window found elsewhere than it asked, or at another
// size than its fixed one, asks once more.
class TPlacementCheck : public QObject {
public:
    TPlacementCheck(QWidget* form, QRect wanted) : QObject(form), Form(form), Wanted(wanted) {
        Form->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && Form->windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            // The platform window's geometry: the widget's may not have caught up yet.
            QWindow* window = Form->windowHandle();
            if (window->geometry() != Wanted) {
                window->setGeometry(Wanted);
            }
            deleteLater();
        }
        return false;
    }

private:
    QWidget* Form;
    QRect Wanted;
};

class TMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    // The box sizes itself to its text when shown, and again once its layout has settled.
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        FitToScreen();
        CenterOnPrimaryScreen(this);
    }
    void resizeEvent(QResizeEvent* event) override {
        QMessageBox::resizeEvent(event);
        CenterOnPrimaryScreen(this);
    }

private:
    // A box taller or wider than the screen's free area (a long text at a large scale) is
    // drawn smaller as a whole until it fits; its window frame stays as the system draws it.
    void FitToScreen() {
        double factor = FitFactorOnPrimaryScreen(frameGeometry().size());
        if (factor >= 1.0) {
            return;
        }
        if (!Scaler) {
            // In pixels, so that the text and the button, which take the box's font, scale
            // with it.
            QFont font = this->font();
            font.setPixelSize(QFontInfo(font).pixelSize());
            setFont(font);
            Scaler = std::make_unique<TLayoutScaler>(this);
        }
        // The text wraps anew at every size: a few rounds settle it.
        for (int round = 0; round < 4 && factor < 1.0; ++round) {
            Scaler->Apply(Scaler->Factor() * factor);
            adjustSize();
            factor = FitFactorOnPrimaryScreen(frameGeometry().size());
        }
    }

    std::unique_ptr<TLayoutScaler> Scaler;
};

// The window icon's pictures, handed out as read. Qt's own icon engine keeps a copy of each
// picture it hands out in the pixmap cache, whose clean-up then wakes the idle program once,
// 30 s after the start.
class TIconEngine : public QIconEngine {
public:
    // `pictures` from the smallest to the largest.
    explicit TIconEngine(QList<QPixmap> pictures) : Pictures(std::move(pictures)) {}

    QIconEngine* clone() const override { return new TIconEngine(Pictures); }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const QPixmap& picture : Pictures) {
            sizes.append(picture.size());
        }
        return sizes;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return Fitted(Best(size).size(), size);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const QPixmap best = Best(size);
        const QSize fitted = Fitted(best.size(), size);
        return fitted == best.size()
                   ? best
                   : best.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const QPixmap shown = pixmap(rect.size(), mode, state);
        QRect target(QPoint(), shown.size());
        target.moveCenter(rect.center());
        painter->drawPixmap(target, shown);
    }

private:
    // The smallest picture that covers the size, else the largest.
    QPixmap Best(const QSize& size) const {
        for (const QPixmap& picture : Pictures) {
            if (picture.width() >= size.width() && picture.height() >= size.height()) {
                return picture;
            }
        }
        return Pictures.isEmpty() ? QPixmap() : Pictures.last();
    }

    // Scaled down, never up, to fit the size with its proportions.
    static QSize Fitted(const QSize& picture, const QSize& size) {
        if (picture.width() <= size.width() && picture.height() <= size.height()) {
            return picture;
        }
        return picture.scaled(size, Qt::KeepAspectRatio);
    }

    QList<QPixmap> Pictures;
};

} // namespace

TApplication* Application = &ApplicationObject;

TApplication::TApplication() = default;

TApplication::~TApplication() {
    DestroyComponents();
}

void TApplication::Initialize() {
    if (QCoreApplication::instance() == nullptr) {
        ChooseWindowSystem();
        OwnedApplication = std::make_unique<QApplication>(ArgumentCount, Arguments);
        NoteNativeWayland();
        EndWithTheSession();
    }
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Pixmaps read by ReadPicture: a file added to an icon by name has its format probed, and
    // the probe loads every image plugin at start-up.
    QList<QPixmap> pictures;
    for (const char* path : {":/icons/pelwick-16.png", ":/icons/pelwick-32.png"}) {
        pictures.append(QPixmap::fromImage(ReadPicture(QString::fromLatin1(path))));
    }
    QApplication::setWindowIcon(QIcon(new TIconEngine(std::move(pictures))));
}

void TApplication::Run() {
    Terminated = false;
    auto recorded = std::move(Recorded);
    Recorded.clear();
    for (auto& create : recorded) {
        create();
    }
    if (!Terminated && MainForm != nullptr) {
        QApplication::exec();
    }
}

void TApplication::Adopt(QWidget* form, std::function<void()> forget) {
    Owned.push_back({form, std::move(forget)});
}

void TApplication::Disown(QWidget* form) {
    std::erase_if(Owned, [form](const TOwned& owned) { return owned.Form == form; });
}

void TApplication::Created(QWidget* form) {
    // A session that ended while the first-start wizard was open shows no ticker any more.
    if (MainForm != nullptr || Terminated) {
        return;
    }
    MainForm = form;
    form->installEventFilter(new TMainFormWatcher(form));
    CenterOnPrimaryScreen(form);
    CheckPlacementWhenExposed(form);
    form->show();
    form->raise();
}

void TApplication::HandleException(const Exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr) {
        return;
    }
    ShowException(e);
}

void TApplication::ShowException(const Exception& e) {
    ShowMessageBox(ExceptionMessageText(e));
}

void TApplication::Terminate() {
    Terminated = true;
    QCoreApplication::exit(0);
}

void TApplication::DestroyComponents() {
    // Last created first: a later window may refer to an earlier one.
    while (!Owned.empty()) {
        TOwned owned = std::move(Owned.back());
        Owned.pop_back();
        if (owned.Form == MainForm) {
            MainForm = nullptr;
        }
        delete owned.Form;
        owned.Forget();
    }
    MainForm = nullptr;
    OwnedApplication.reset();
}

bool MessageBoxShowing() {
    return OpenMessageBoxes > 0;
}

void ShowMessageBox(const std::u16string& text) {
    TMessageBox box;
    box.setWindowTitle(QString::fromStdU16String(Application->Title));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdU16String(text));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    // Above the ticker, which stays on top of every other window.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    struct TOpenCount {
        TOpenCount() { ++OpenMessageBoxes; }
        ~TOpenCount() { --OpenMessageBoxes; }
        TOpenCount(const TOpenCount&) = delete;
        TOpenCount& operator=(const TOpenCount&) = delete;
    } open;
    box.exec();
}

void CenterOnPrimaryScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    // The frame is centred where there is one; it is known once the window is shown.
    const QSize size = window->frameGeometry().size();
    const TPoint at = PlacedWithin(ToRect(screen->geometry()), ToRect(screen->availableGeometry()),
                                   size.width(), size.height());
    window->move(at.X, at.Y);
}

void CheckPlacementWhenExposed(QWidget* window) {
    if (window->windowHandle() != nullptr && window->minimumSize() == window->maximumSize()) {
        new TPlacementCheck(window, window->geometry());
    }
}

TRect ToRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

double FitFactorOnPrimaryScreen(QSize size) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return 1.0;
    }
    return FitFactor(ToRect(screen->availableGeometry()), size.width(), size.height());
}

Qt::CursorShape QtCursor(TCursor cursor) {
    switch (cursor) {
    case TCursor::Cross:
        return Qt::CrossCursor;
    case TCursor::SizeAll:
        return Qt::SizeAllCursor;
    case TCursor::Default:
        break;
    }
    return Qt::ArrowCursor;
}

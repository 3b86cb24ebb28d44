#include "QtSupport.h"

#include "framework/Application.h"
#include "framework/Image.h"
#include "framework/WindowSystem.h"
#include "runtime/Exceptions.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QtMath>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(MessageBox, ShowsTheTextWithAnEmptyTitleAndOneOkCentred) {
    TBoxWatcher watcher;
    ShowMessageBox(u"Eine l\u00E4ngere Meldung");
    ASSERT_EQ(watcher.Seen.size(), 1U);
    const TSeenBox& box = watcher.Seen.front();
    EXPECT_EQ(box.Title, u"");
    EXPECT_EQ(box.Text, u"Eine l\u00E4ngere Meldung");
    EXPECT_EQ(box.Buttons, std::vector<std::u16string>{u"OK"});
    EXPECT_EQ(box.Geometry.topLeft(), CenteredOnPrimaryScreen(box.Geometry.size()));
    EXPECT_FALSE(MessageBoxShowing());
}

TEST(HandleException, DropsAbortAndShowsEverythingElse) {
    TBoxWatcher watcher;
    Application->HandleException(EAbort(u"still"));
    EXPECT_TRUE(watcher.Seen.empty());
    Application->HandleException(EConvertError(u"'x' ist kein g\u00FCltiger Gleitkommawert"));
    ASSERT_EQ(watcher.Seen.size(), 1U);
    EXPECT_EQ(watcher.Seen[0].Text, u"'x' ist kein g\u00FCltiger Gleitkommawert.");
}

TEST(Guarded, NoExceptionLeavesAHandler) {
    TBoxWatcher watcher;
    EXPECT_NO_THROW(Guarded([] { throw EZeroDivide(u"Gleitkommadivision durch Null"); }));
    EXPECT_NO_THROW(Guarded([] { throw std::runtime_error("not ours"); }));
    EXPECT_NO_THROW(Guarded([] { throw EAbort(u""); }));
    ASSERT_EQ(watcher.Seen.size(), 2U);
    EXPECT_EQ(watcher.Seen[0].Text, u"Gleitkommadivision durch Null.");
    EXPECT_EQ(watcher.Seen[1].Text, u""); // anything else is a failure without text
}

TEST(FittedRect, KeepsTheProportionsAndCentres) {
    const QRectF fitted = TImage::FittedRect({299, 30}, {286, 29});
    EXPECT_DOUBLE_EQ(fitted.width(), 286.0);
    EXPECT_NEAR(fitted.height(), 28.6956, 1e-4);
    EXPECT_DOUBLE_EQ(fitted.left(), 0.0);
    EXPECT_NEAR(fitted.top(), (29 - fitted.height()) / 2, 1e-12);
    const QRectF tall = TImage::FittedRect({100, 100}, {300, 50});
    EXPECT_EQ(tall, QRectF(125, 0, 50, 50));
}

// The last column of `row` that is not transparent, in pixels of `image`.
int RightmostDrawn(const QImage& image, int row) {
    for (int x = image.width() - 1; x >= 0; --x) {
        if (image.pixelColor(x, row).alpha() > 0) {
            return x;
        }
    }
    return -1;
}

// The ticker's picture as a scaled screen shows it: the whole cigarette fitted as at 1x, from
// the @2x picture above 1x, each zone where the 1x picture has it.
TEST(TImage, TheWholeCigaretteAtEveryScale) {
    TImage image;
    image.setSource(QStringLiteral(":/images/cigarette.png"));
    const QImage reference = image.Rendered(QSize(286, 29), 1);
    // Logical x of the zones (y 12, the body's middle): filter, paper, burning tip.
    const struct {
        int X;
        const char* Zone;
    } zones[] = {{10, "filter"}, {60, "filter"}, {150, "paper"}, {240, "paper"}, {281, "ash tip"}};
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage shown = image.Rendered(QSize(286, 29), ratio);
        ASSERT_EQ(shown.size(), QSize(qRound(286 * ratio), qRound(29 * ratio)));
        for (const auto& zone : zones) {
            SCOPED_TRACE(zone.Zone);
            const QColor want = reference.pixelColor(zone.X, 12);
            const QColor got = shown.pixelColor(qFloor(zone.X * ratio), qFloor(12 * ratio));
            // The @2x picture is drawn, not the 1x one scaled, so colours differ a little;
            // another zone differs a lot (orange filter, white paper, grey ash).
            EXPECT_NEAR(got.red(), want.red(), 48);
            EXPECT_NEAR(got.green(), want.green(), 48);
            EXPECT_NEAR(got.blue(), want.blue(), 48);
            EXPECT_EQ(got.alpha(), 255);
        }
        // Nothing is cut off at the right: the body ends where it ends at 1x.
        EXPECT_NEAR(RightmostDrawn(shown, qFloor(14 * ratio)) / ratio,
                    RightmostDrawn(reference, 14), 3);
        // And nothing is drawn outside the fitted picture.
        EXPECT_EQ(shown.pixelColor(0, 0).alpha(), 0);
    }
}

QImage Premultiplied(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Every picture the program reads, at its size and with its PNG's pixels, whether the build
// decoded it beside the PNG or not; the window icon holds the 16 and 32 pixel pictures as their
// files have them.
TEST(Pictures, ReadWithThePixelsOfTheirFiles) {
    const struct {
        const char* Path;
        QSize Size;
        bool Decoded;
    } pictures[] = {
        {":/images/cigarette.png", {299, 30}, true}, {":/images/cigarette@2x.png", {598, 60}, true},
        {":/images/banner.png", {1107, 269}, false}, {":/icons/pelwick-16.png", {16, 16}, true},
        {":/icons/pelwick-32.png", {32, 32}, true},
    };
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.Path);
        const QString path = QString::fromLatin1(picture.Path);
        EXPECT_EQ(QFile::exists(path.chopped(4) + ".argb"), picture.Decoded);
        EXPECT_EQ(PictureSize(path), picture.Size);
        const QImage image = ReadPicture(path);
        EXPECT_EQ(image.size(), picture.Size);
        EXPECT_EQ(Premultiplied(image), Premultiplied(QImage(path)));
    }

    const QIcon icon = QApplication::windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}}));
    // Asked for a size, the icon gives the smallest picture that covers it, scaled down to
    // it, or the largest picture when none covers it: never one scaled up.
    const struct {
        int Asked;
        int Given;
        int From;
    } sizes[] = {{16, 16, 16}, {32, 32, 32}, {8, 8, 16}, {24, 24, 32}, {64, 32, 32}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.Asked);
        const QSize asked(size.Asked, size.Asked);
        const QPixmap shown = icon.pixmap(asked);
        EXPECT_EQ(shown.size(), QSize(size.Given, size.Given));
        EXPECT_EQ(icon.actualSize(asked), shown.size());
        // A pixmap holds its picture premultiplied, and is scaled so.
        const QImage file = QImage(QStringLiteral(":/icons/pelwick-%1.png").arg(size.From))
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage expected =
            file.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_EQ(shown.toImage().convertToFormat(expected.format()), expected);
    }
}

// A decoded twin is read only when it is whole; anything else falls back to the PNG.
TEST(Pictures, ADecodedTwinThatIsNotWholeIsPassedOver) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString png = folder.filePath("p.png");
    QImage file(3, 2, QImage::Format_ARGB32_Premultiplied);
    file.fill(qRgba(10, 20, 30, 255));
    ASSERT_TRUE(file.save(png));
    QImage other(3, 2, QImage::Format_ARGB32_Premultiplied);
    other.fill(qRgba(0, 0, 128, 128));
    const auto twin = [&other](quint32 width, quint32 height, int cut) {
        QByteArray bytes(reinterpret_cast<const char*>(&width), 4);
        bytes.append(reinterpret_cast<const char*>(&height), 4);
        bytes.append(reinterpret_cast<const char*>(other.constBits()), other.sizeInBytes());
        return bytes.chopped(cut);
    };
    const struct {
        const char* Name;
        QByteArray Twin; // empty: none
        bool TwinRead;
    } cases[] = {
        {"no twin", {}, false},
        {"whole", twin(3, 2, 0), true},
        {"cut short", twin(3, 2, 1), false},
        {"larger than its pixels", twin(3, 3, 0), false},
        {"no width", twin(0, 2, 0), false},
        {"no pixels", twin(3, 2, int(other.sizeInBytes())), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile decoded(folder.filePath("p.argb"));
        decoded.remove();
        if (!c.Twin.isEmpty()) {
            ASSERT_TRUE(decoded.open(QIODevice::WriteOnly));
            decoded.write(c.Twin);
            decoded.close();
        }
        const QImage& expected = c.TwinRead ? other : file;
        EXPECT_EQ(Premultiplied(ReadPicture(png)), expected);
        EXPECT_EQ(PictureSize(png), expected.size());
    }
}

// A window that records what its construction saw.
struct TProbeState {
    bool referenceSetInConstructor = false;
    bool createdAfterConstructor = false;
    bool visibleInFormCreate = true;
    bool failInConstructor = false;
    bool failInFormCreate = false;
    int formCreates = 0;
};
TProbeState Probe;

class TProbeForm : public QWidget {
public:
    explicit TProbeForm(TApplication*);
    void FormCreate(QObject* sender);

    bool Constructed = false;
};
TProbeForm* ProbeForm = nullptr;

TProbeForm::TProbeForm(TApplication*) {
    resize(286, 29);
    Probe.referenceSetInConstructor = ProbeForm == this;
    if (Probe.failInConstructor) {
        throw Exception(u"constructor");
    }
    Constructed = true;
}

void TProbeForm::FormCreate(QObject* sender) {
    ++Probe.formCreates;
    Probe.createdAfterConstructor = Constructed && sender == this && ProbeForm == this;
    Probe.visibleInFormCreate = isVisible();
    if (Probe.failInFormCreate) {
        throw Exception(u"creation");
    }
}

class ApplicationRun : public testing::Test {
protected:
    void SetUp() override { Probe = {}; }
    void TearDown() override {
        Application->DestroyComponents();
        EXPECT_EQ(ProbeForm, nullptr);
    }

    // Runs the loop until it is idle, then ends it; what was seen inside is kept.
    void RunUntilIdle() {
        QTimer::singleShot(0, [this] {
            mainForm = Application->MainForm;
            visible = ProbeForm != nullptr && ProbeForm->isVisible();
            Application->Terminate();
        });
        Application->Run();
    }

    QWidget* mainForm = nullptr;
    bool visible = false;
};

TEST_F(ApplicationRun, CreatesTheRecordedWindowAndShowsItAsMainForm) {
    Application->CreateForm(ProbeForm);
    EXPECT_EQ(ProbeForm, nullptr); // recorded only
    RunUntilIdle();
    EXPECT_TRUE(Probe.referenceSetInConstructor);
    EXPECT_TRUE(Probe.createdAfterConstructor);
    EXPECT_EQ(Probe.formCreates, 1);
    EXPECT_FALSE(Probe.visibleInFormCreate);
    ASSERT_NE(ProbeForm, nullptr);
    EXPECT_EQ(mainForm, ProbeForm);
    EXPECT_TRUE(visible);
    EXPECT_EQ(ProbeForm->pos(), CenteredOnPrimaryScreen({286, 29}));
}

TEST_F(ApplicationRun, FailedConstructionLeavesRunWithTheReferenceNull) {
    for (const bool inConstructor : {true, false}) {
        Probe = {};
        Probe.failInConstructor = inConstructor;
        Probe.failInFormCreate = !inConstructor;
        Application->CreateForm(ProbeForm);
        try {
            Application->Run();
            ADD_FAILURE() << "Run returned normally";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), inConstructor ? u"constructor" : u"creation");
        }
        EXPECT_EQ(ProbeForm, nullptr);
        EXPECT_EQ(Application->MainForm, nullptr);
    }
}

TEST_F(ApplicationRun, ClosingTheMainFormEndsTheLoop) {
    Application->CreateForm(ProbeForm);
    QTimer::singleShot(0, [] { ProbeForm->close(); });
    Application->Run(); // returns only when the loop has ended
    EXPECT_TRUE(Application->IsTerminated());
    ASSERT_NE(ProbeForm, nullptr);
    EXPECT_TRUE(ProbeForm->isHidden());
}

// A label that notes the presses it gets, and ignores them as labels do, so that Qt hands
// them on to the form as well.
class TRecordingLabel : public QLabel {
public:
    TRecordingLabel(QWidget* parent, bool& saw) : QLabel(parent), Saw(saw) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        Saw = true;
        QLabel::mousePressEvent(event);
    }

private:
    bool& Saw;
};

class FormMouse : public testing::Test {
protected:
    void SetUp() override {
        form.resize(200, 100);
        form.move(300, 200);
        child = new TRecordingLabel(&form, childSawIt);
        child->setGeometry(50, 20, 100, 40);
        InstallFormMouseHandlers(
            &form, {[this](Qt::MouseButton button, Qt::MouseButtons, float x, float y) {
                        calls.push_back({"down", button, x, y, childSawIt});
                    },
                    [this](Qt::MouseButtons, float x, float y) {
                        calls.push_back({"move", Qt::NoButton, x, y, childSawIt});
                    },
                    [this](Qt::MouseButton button, Qt::MouseButtons, float x, float y) {
                        calls.push_back({"up", button, x, y, childSawIt});
                    }});
        form.show();
    }

    void Send(QWidget* target, QEvent::Type type, QPointF local, Qt::MouseButton button,
              Qt::MouseButtons held) {
        const QPointF global = target->mapTo(&form, local) + QPointF(form.geometry().topLeft());
        QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    struct TCall {
        std::string kind;
        Qt::MouseButton button;
        float x, y;
        bool childFirst;
    };
    QWidget form;
    QLabel* child = nullptr;
    bool childSawIt = false;
    std::vector<TCall> calls;
};

TEST_F(FormMouse, SeesEveryEventOverAChildOnceBeforeTheChild) {
    Send(child, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton, Qt::LeftButton);
    Send(child, QEvent::MouseMove, {12.5, 7}, Qt::NoButton, Qt::LeftButton);
    Send(child, QEvent::MouseButtonRelease, {12, 7}, Qt::LeftButton, Qt::NoButton);
    Send(&form, QEvent::MouseButtonPress, {3, 4}, Qt::RightButton, Qt::RightButton);
    ASSERT_EQ(calls.size(), 4U);
    const std::vector<std::string> kinds{calls[0].kind, calls[1].kind, calls[2].kind,
                                         calls[3].kind};
    EXPECT_EQ(kinds, (std::vector<std::string>{"down", "move", "up", "down"}));
    EXPECT_FALSE(calls[0].childFirst);
    EXPECT_TRUE(childSawIt);
    // In the form's client coordinates.
    EXPECT_EQ(calls[0].x, 60.0F);
    EXPECT_EQ(calls[0].y, 25.0F);
    EXPECT_EQ(calls[1].x, 62.5F);
    EXPECT_EQ(calls[3].button, Qt::RightButton);
    EXPECT_EQ(calls[3].x, 3.0F);
}

TEST_F(FormMouse, ChildrenAddedLaterAreWatchedToo) {
    auto* late = new QLabel(child);
    late->setGeometry(0, 0, 10, 10);
    Send(late, QEvent::MouseButtonPress, {1, 2}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].x, 51.0F);
    EXPECT_EQ(calls[0].y, 22.0F);
}

TEST(ChooseWindowSystem, WaylandSessionsRunThroughXWaylandWhereTheUserAllowsIt) {
    const char* names[] = {"QT_QPA_PLATFORM", "XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "DISPLAY"};
    std::vector<std::pair<QByteArray, bool>> saved;
    for (const char* name : names) {
        saved.emplace_back(qgetenv(name), qEnvironmentVariableIsSet(name));
    }
    const struct {
        const char* chosen;
        const char* session;
        const char* wayland;
        const char* display;
        const char* result;
    } cases[] = {
        {nullptr, "wayland", "wayland-0", ":0", "xcb"},
        {nullptr, nullptr, "wayland-0", ":0", "xcb"},
        {nullptr, "wayland", nullptr, ":0", "xcb"},
        {"wayland;xcb", "wayland", "wayland-0", ":0", "xcb"},
        {"wayland-egl;xcb:nograb", "wayland", "wayland-0", ":0", "xcb:nograb"},
        // Forced: natively, and through XWayland where the Wayland plugin is missing.
        {"wayland", "wayland", "wayland-0", ":0", "wayland;xcb"},
        {"wayland-egl;wayland", "wayland", "wayland-0", ":0", "wayland-egl;wayland;xcb"},
        {"offscreen", "wayland", "wayland-0", ":0", "offscreen"},
        {nullptr, "wayland", "wayland-0", nullptr, nullptr}, // no XWayland to run through
        {"wayland;xcb", "wayland", "wayland-0", nullptr, "wayland;xcb"},
        {nullptr, "x11", nullptr, ":0", nullptr},
        {"wayland", "x11", nullptr, ":0", "wayland"},
    };
    for (const auto& c : cases) {
        const char* values[] = {c.chosen, c.session, c.wayland, c.display};
        for (int i = 0; i < 4; ++i) {
            if (values[i] != nullptr) {
                qputenv(names[i], values[i]);
            } else {
                qunsetenv(names[i]);
            }
        }
        ChooseWindowSystem();
        if (c.result != nullptr) {
            EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray(c.result));
        } else {
            EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (saved[i].second) {
            qputenv(names[i], saved[i].first);
        } else {
            qunsetenv(names[i]);
        }
    }
}

} // namespace

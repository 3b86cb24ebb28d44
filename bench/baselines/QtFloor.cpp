// The least a Qt 6 Widgets program can do to show Pelwick's kind of window: frameless,
// translucent, top-most, off the task bar, 286 x 29, one label. Nothing else runs in it, so
// its start-up, memory and idle wake-ups are the floor for any Qt program of this shape.

#include <QApplication>
#include <QFont>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    QLabel window;
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool);
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.setWindowTitle(QStringLiteral("FormMain"));
    window.setFixedSize(286, 29);
    QFont font;
    font.setPixelSize(18);
    font.setBold(true);
    window.setFont(font);
    window.setText(QStringLiteral("    600      195,00\u20ac"));
    window.show();

    return QApplication::exec();
}

#pragma once

// A notice from the ticker: a desktop notification through the session's notification service
// where one runs, else a balloon at the ticker that closes on a click or after 20 s.

#include <QString>

#include <functional>

class QWidget;

void ShowNotice(QWidget* ticker, const QString& title, const QString& text,
                std::function<void()> clicked);

// The session's notification service, where one runs or can be started: true once it took the
// notice. Platform files: DesktopNoticeDBus.cpp, DesktopNoticeWin32.cpp.
bool SendDesktopNotice(const QString& title, const QString& text, std::function<void()> clicked);

#include "framework/Notice.h"

// Windows has no freedesktop notification service: the balloon.
bool SendDesktopNotice(const QString&, const QString&, std::function<void()>) {
    return false;
}

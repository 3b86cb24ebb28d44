#include "BoxAnswerer.h"

#include <algorithm>
#include <chrono>

namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK CollectBox(HWND window, LPARAM data) {
    if (IsWindowVisible(window) && ClassOf(window) == L"#32770") {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    }
    return TRUE;
}

} // namespace

TBoxAnswerer::TBoxAnswerer() : Thread(GetCurrentThreadId()), Watcher([this] { Watch(); }) {}

TBoxAnswerer::~TBoxAnswerer() {
    Stop = true;
    Watcher.join();
}

std::vector<TAnsweredBox> TBoxAnswerer::Answered() const {
    const std::lock_guard<std::mutex> guard(Lock);
    return Boxes;
}

void TBoxAnswerer::Watch() {
    while (!Stop) {
        std::vector<HWND> boxes;
        EnumThreadWindows(Thread, CollectBox, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            if (std::find(Handled.begin(), Handled.end(), box) != Handled.end()) {
                continue;
            }
            Handled.push_back(box);
            TAnsweredBox answered;
            answered.Title = TextOf(box);
            // The message is the static control 0xFFFF; the only button is OK.
            answered.Text = TextOf(GetDlgItem(box, 0xFFFF));
            answered.Button = TextOf(GetDlgItem(box, IDOK));
            GetWindowRect(box, &answered.Window);
            {
                const std::lock_guard<std::mutex> guard(Lock);
                Boxes.push_back(answered);
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
        // A box that closed may leave its handle to the next one.
        Handled.erase(std::remove_if(Handled.begin(), Handled.end(),
                                     [](HWND window) { return !IsWindow(window); }),
                      Handled.end());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

#pragma once

// Answers the program's message boxes as a user would, from a thread of its own: reads each
// box's title and text, then presses its "OK".

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TAnsweredBox {
    std::wstring Title;
    std::wstring Text;
    std::wstring Button;
    RECT Window{}; // on the screen, as it was answered
};

class TBoxAnswerer {
public:
    TBoxAnswerer();
    ~TBoxAnswerer();
    TBoxAnswerer(const TBoxAnswerer&) = delete;
    TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;

    // The boxes answered so far, in order.
    std::vector<TAnsweredBox> Answered() const;

private:
    void Watch();

    DWORD Thread;
    std::atomic<bool> Stop{false};
    mutable std::mutex Lock;
    std::vector<TAnsweredBox> Boxes;
    std::vector<HWND> Handled;
    std::thread Watcher;
};

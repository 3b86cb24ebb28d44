#pragma once

// The local clock, set by hand for as long as the fake lives.

#include "conversions/Clock.h"

class TTestClock {
public:
    explicit TTestClock(TLocalTime now) : Previous(SetLocalClock(&Read)) { Now = now; }
    ~TTestClock() { SetLocalClock(Previous); }
    TTestClock(const TTestClock&) = delete;
    TTestClock& operator=(const TTestClock&) = delete;

    // What the clock reads; a test may move it.
    inline static TLocalTime Now{};

private:
    static TLocalTime Read() { return Now; }

    TLocalClock Previous;
};

#include "conversions/Clock.h"

#include <windows.h>

TLocalTime ReadPlatformLocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    TLocalTime t;
    t.Year = st.wYear;
    t.Month = st.wMonth;
    t.Day = st.wDay;
    t.Hour = st.wHour;
    t.Minute = st.wMinute;
    t.Second = st.wSecond;
    t.Millisecond = st.wMilliseconds;
    return t;
}

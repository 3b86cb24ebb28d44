#include "conversions/StartupSettings.h"

#include "conversions/FloatingPoint.h"
#include "conversions/PlatformSettings.h"

TFormatSettings FormatSettings;
unsigned NarrowCodePage = 1252;

void InitializeStartupSettings() {
    SelectUserThreadLocale();
    SetFloatingPointMode();
    NarrowCodePage = ReadAnsiCodePage();
    LoadFormatSettings();
}

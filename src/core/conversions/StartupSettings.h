#pragma once

// The three process-wide settings that every conversion depends on, fixed once at start-up.

struct TFormatSettings {
    char16_t DecimalSeparator = u'.';
    char16_t ThousandSeparator = u',';
};

// Filled once by LoadFormatSettings at start-up, read-only afterwards.
extern TFormatSettings FormatSettings;

// The ANSI code page through which narrow text constants are widened (1252 outside Windows).
extern unsigned NarrowCodePage;

// Reads the user's regional settings into FormatSettings.
void LoadFormatSettings();

// Establishes all start-up settings in order: thread locale, floating-point mode, code page,
// FormatSettings. Called once, first thing in main (and in the tests' main).
void InitializeStartupSettings();

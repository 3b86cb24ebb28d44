#pragma once

#include "conversions/StartupSettings.h"

#include <gtest/gtest.h>

// Puts a decimal separator in force for one test and restores the start-up settings after it.
class TSeparatorScope {
public:
    explicit TSeparatorScope(char16_t separator) : saved_(FormatSettings) {
        FormatSettings.DecimalSeparator = separator;
    }
    ~TSeparatorScope() { FormatSettings = saved_; }
    TSeparatorScope(const TSeparatorScope&) = delete;
    TSeparatorScope& operator=(const TSeparatorScope&) = delete;

private:
    TFormatSettings saved_;
};

// German regional settings: ',' as the decimal separator.
class TGermanSeparator : public testing::Test {
private:
    TSeparatorScope scope_{u','};
};

// English regional settings: '.' as the decimal separator.
class TEnglishSeparator : public testing::Test {
private:
    TSeparatorScope scope_{u'.'};
};

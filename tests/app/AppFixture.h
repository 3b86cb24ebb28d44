#pragma once

// The app layer's tests run on the platform's real registry (the SQLite hive here, the
// registry under Wine), a fresh one for each test, with a German decimal separator and a clock
// set by hand.

#include "SeparatorScope.h"
#include "TestClock.h"
#include "TestHive.h"
#include "Unitsetting.h"
#include "conversions/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

// The figures a test stores before it starts; an empty optional stores nothing.
struct TStored {
    std::optional<std::u16string> UserName = {};
    std::optional<std::u16string> UserDOB = {};
    std::optional<std::int32_t> CigConsQty = {};
    std::optional<float> CigBoxPrice = {};
    std::optional<std::int32_t> CigBoxQty = {};
    std::optional<TDateTime> UserStopTime = {};
    std::optional<bool> SetupCompl = {};
    bool operator==(const TStored&) const = default;
};

class TAppTest : public testing::Test {
protected:
    // 1 March 2024, 12:00; day 45352 since 30 December 1899.
    static constexpr TLocalTime Noon{2024, 3, 1, 12, 0, 0, 0};
    static constexpr TDateTime Today = 45352;

    void SetUp() override {
        UseFreshHive();
        if (Setting == nullptr) {
            Setting = new TSetting; // as the program: one store for the whole run
        }
    }

    static void Store(const TStored& s) {
        if (s.UserName) {
            Setting->SetUserName(*s.UserName);
        }
        if (s.UserDOB) {
            Setting->SetUserDOB(*s.UserDOB);
        }
        if (s.CigConsQty) {
            Setting->SetCigConsQty(*s.CigConsQty);
        }
        if (s.CigBoxPrice) {
            Setting->SetCigBoxPrice(*s.CigBoxPrice);
        }
        if (s.CigBoxQty) {
            Setting->SetCigBoxQty(*s.CigBoxQty);
        }
        if (s.UserStopTime) {
            Setting->SetUserStopTime(*s.UserStopTime);
        }
        if (s.SetupCompl) {
            Setting->SetSetupCompl(*s.SetupCompl);
        }
    }

    // What the store holds now: an absent value reads as its sentinel and becomes empty.
    static TStored Stored() {
        // Sentinels no test stores (a NaN would not survive the store's checked narrowing).
        constexpr std::int32_t noInt = std::numeric_limits<std::int32_t>::min();
        constexpr float noFloat = -1e30F;
        constexpr TDateTime noDay = -1e300;
        const std::u16string noText = u"<absent>";
        TStored s;
        if (auto v = Setting->ReadStringValue(UserNameName, noText); v != noText) {
            s.UserName = v;
        }
        if (auto v = Setting->ReadStringValue(UserDOBName, noText); v != noText) {
            s.UserDOB = v;
        }
        if (auto v = Setting->ReadIntegerValue(CigConsQtyName, noInt); v != noInt) {
            s.CigConsQty = v;
        }
        if (auto v = Setting->ReadFloatValue(CigBoxPriceName, noFloat); v != noFloat) {
            s.CigBoxPrice = v;
        }
        if (auto v = Setting->ReadIntegerValue(CigBoxQtyName, noInt); v != noInt) {
            s.CigBoxQty = v;
        }
        if (auto v = Setting->ReadDateTimeValue(UserStopTimeName, noDay); v != noDay) {
            s.UserStopTime = v;
        }
        if (auto v = Setting->ReadIntegerValue(SetupComplName, noInt); v != noInt) {
            s.SetupCompl = v != 0;
        }
        return s;
    }

    TTestClock Clock{Noon};

private:
    TSeparatorScope Separator{u','};
};

inline std::ostream& operator<<(std::ostream& os, const TStored& s) {
    const auto text = [](const std::optional<std::u16string>& v) {
        return v ? "'" + std::string(v->begin(), v->end()) + "'" : std::string("-");
    };
    const auto number = [](const auto& v) { return v ? std::to_string(*v) : std::string("-"); };
    return os << "{UserName " << text(s.UserName) << ", UserDOB " << text(s.UserDOB)
              << ", CigConsQty " << number(s.CigConsQty) << ", CigBoxPrice "
              << number(s.CigBoxPrice) << ", CigBoxQty " << number(s.CigBoxQty) << ", UserStopTime "
              << number(s.UserStopTime) << ", SetupCompl " << number(s.SetupCompl) << "}";
}

// The settings store over the platform's registry: defaults, byte layouts, type checks and the
// messages the user sees. The same tests run on the SQLite hive and on Wine's registry.

#include "Bytes.h"
#include "TestHive.h"
#include "Unitsetting.h"
#include "registry/StoreFile.h"

#include "registry/Registry.h"
#include "registry/RegistryApi.h"
#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

using namespace RegistryApi;

namespace {

struct TStored {
    DWORD type;
    TBytes data;
};

// A value as another program would leave it in the store's key.
void Plant(const std::u16string& name, DWORD type, const TBytes& data) {
    HKEY key = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, RegistryKeyPath.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    // Guard bytes after the data: advapi32 extends a text's size over a NUL that follows it.
    TBytes padded = data;
    padded.insert(padded.end(), {0xEE, 0xEE});
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : padded.data(),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// What the store's key holds under a name; type REG_NONE and no data when nothing.
TStored Stored(const std::u16string& name) {
    HKEY key = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RegistryKeyPath.c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return {REG_NONE, {}};
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    TStored result{REG_NONE, {}};
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        result.data.resize(size);
        EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, &type, result.data.data(), &size),
                  ERROR_SUCCESS);
        result.type = type;
    }
    RegCloseKey(key);
    return result;
}

bool KeyExists(const std::u16string& path) {
    HKEY key = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::u16string Quoted(const std::u16string& format, const std::u16string& name) {
    return FormatRegistryMessage(format, name);
}

class Store : public testing::Test {
protected:
    void SetUp() override { UseFreshHive(); }

    // The message of the ERegistryException that call raises, or a note that it did not.
    static std::u16string MessageOf(const std::function<void()>& call) {
        try {
            call();
        } catch (const ERegistryException& e) {
            return e.Message();
        } catch (const Exception& e) {
            return u"other exception: " + e.Message();
        }
        return u"no exception";
    }

    TSetting setting_;
};

TEST_F(Store, FirstStartReadsDefaultsAndLeavesTheKeyCreatedEmpty) {
    EXPECT_FALSE(KeyExists(u"Software\\Korvenda"));
    EXPECT_EQ(setting_.GetCigConsQty(), 0);
    EXPECT_EQ(setting_.GetCigBoxQty(), 0);
    EXPECT_EQ(setting_.GetCigBoxPrice(), 0.0f);
    EXPECT_EQ(setting_.GetUserName(), u"");
    EXPECT_EQ(setting_.GetUserDOB(), u"");
    EXPECT_EQ(setting_.GetUserStopTime(), 0.0);
    EXPECT_FALSE(setting_.GetSetupCompl());

    EXPECT_TRUE(KeyExists(RegistryKeyPath));
    for (const auto* name : {&CigConsQtyName, &CigBoxQtyName, &CigBoxPriceName, &UserNameName,
                             &UserDOBName, &UserStopTimeName, &SetupComplName}) {
        EXPECT_EQ(Stored(*name).type, REG_NONE) << ToUtf8(*name);
    }
}

TEST_F(Store, UsesTheFixedKeyAndValueNames) {
    EXPECT_EQ(RegistryKeyPath, u"Software\\Korvenda\\Pelwick");
    const std::u16string names[] = {CigConsQtyName, CigBoxQtyName,    CigBoxPriceName, UserNameName,
                                    UserDOBName,    UserStopTimeName, SetupComplName};
    const std::u16string expected[] = {u"CigConsQty", u"CigBoxQty",    u"CigBoxPrice", u"UserName",
                                       u"UserDOB",    u"UserStopTime", u"SetupCompl"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(names[i], expected[i]);
    }
}

struct TLayoutCase {
    const char* what;
    std::function<void(TSetting&)> set;
    const std::u16string* name;
    TStored expected;
};

TEST_F(Store, SettersStoreTheExactBytes) {
    const TLayoutCase cases[] = {
        {"price 5.3",
         [](TSetting& s) { s.SetCigBoxPrice(5.3f); },
         &CigBoxPriceName,
         {REG_BINARY, {0x00, 0x00, 0x00, 0x40, 0x33, 0x33, 0x15, 0x40}}},
        {"stop time 2015-01-01",
         [](TSetting& s) { s.SetUserStopTime(42005.0); },
         &UserStopTimeName,
         {REG_BINARY, {0x00, 0x00, 0x00, 0x00, 0xa0, 0x82, 0xe4, 0x40}}},
        {"name abc",
         [](TSetting& s) { s.SetUserName(u"abc"); },
         &UserNameName,
         {REG_SZ, {0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00}}},
        {"empty birth year",
         [](TSetting& s) { s.SetUserDOB(u""); },
         &UserDOBName,
         {REG_SZ, {0x00, 0x00}}},
        {"name beyond Latin-1",
         [](TSetting& s) { s.SetUserName(u"J\u00F6rg \u20AC"); },
         &UserNameName,
         {REG_SZ, {0x4A, 0, 0xF6, 0, 0x72, 0, 0x67, 0, 0x20, 0, 0xAC, 0x20, 0, 0}}},
        {"setup complete",
         [](TSetting& s) { s.SetSetupCompl(true); },
         &SetupComplName,
         {REG_DWORD, {0x01, 0x00, 0x00, 0x00}}},
        {"setup incomplete",
         [](TSetting& s) { s.SetSetupCompl(false); },
         &SetupComplName,
         {REG_DWORD, {0x00, 0x00, 0x00, 0x00}}},
        {"20 a day",
         [](TSetting& s) { s.SetCigConsQty(20); },
         &CigConsQtyName,
         {REG_DWORD, {0x14, 0x00, 0x00, 0x00}}},
        {"negative pack size",
         [](TSetting& s) { s.SetCigBoxQty(-2); },
         &CigBoxQtyName,
         {REG_DWORD, {0xfe, 0xff, 0xff, 0xff}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.set(setting_);
        const TStored stored = Stored(*c.name);
        EXPECT_EQ(stored.type, c.expected.type);
        EXPECT_EQ(stored.data, c.expected.data);
    }
}

TEST_F(Store, ReadsBackWhatItWrote) {
    setting_.SetCigConsQty(2147483647);
    setting_.SetCigBoxQty(-2147483647 - 1);
    setting_.SetCigBoxPrice(7.1f);
    setting_.SetUserName(u"Anna \U0001F6AD");
    setting_.SetUserDOB(u"1970");
    setting_.SetUserStopTime(45000.123456789);
    setting_.SetSetupCompl(true);
    EXPECT_EQ(setting_.GetCigConsQty(), 2147483647);
    EXPECT_EQ(setting_.GetCigBoxQty(), -2147483647 - 1);
    EXPECT_EQ(setting_.GetCigBoxPrice(), 7.1f);
    EXPECT_EQ(setting_.GetUserName(), u"Anna \U0001F6AD");
    EXPECT_EQ(setting_.GetUserDOB(), u"1970");
    EXPECT_EQ(setting_.GetUserStopTime(), 45000.123456789);
    EXPECT_TRUE(setting_.GetSetupCompl());

    // The empty text exists as a value: it reads as itself, not as the default.
    setting_.SetUserName(u"");
    EXPECT_EQ(setting_.ReadStringValue(UserNameName, u"fallback"), u"");
    EXPECT_EQ(setting_.ReadStringValue(UserDOBName, u"fallback"), u"1970");
    EXPECT_EQ(setting_.ReadStringValue(u"Absent", u"fallback"), u"fallback");
    EXPECT_EQ(setting_.ReadIntegerValue(u"Absent", 42), 42);
}

using TExpected = std::variant<std::int32_t, bool, float, double, std::u16string>;

struct TPlantedCase {
    const char* what;
    const std::u16string* name;
    TStored planted;
    // The value the getter returns, or the ERegistryException message format it raises with.
    TExpected value;
    const std::u16string* raises = nullptr;
};

TExpected ReadByGetter(TSetting& s, const std::u16string& name) {
    if (name == CigConsQtyName) {
        return s.GetCigConsQty();
    }
    if (name == CigBoxQtyName) {
        return s.GetCigBoxQty();
    }
    if (name == CigBoxPriceName) {
        return s.GetCigBoxPrice();
    }
    if (name == UserNameName) {
        return s.GetUserName();
    }
    if (name == UserDOBName) {
        return s.GetUserDOB();
    }
    if (name == UserStopTimeName) {
        return s.GetUserStopTime();
    }
    return s.GetSetupCompl();
}

TEST_F(Store, GettersReadWhatOtherProgramsStored) {
    const TBytes twoDigits = Utf16Bytes(std::u16string(u"12\0", 3));
    const TBytes oneDigit = Utf16Bytes(std::u16string(u"1\0", 2));
    const TPlantedCase cases[] = {
        {"boolean 2 is true", &SetupComplName, {REG_DWORD, {2, 0, 0, 0}}, true},
        {"boolean 0 is false", &SetupComplName, {REG_DWORD, {0, 0, 0, 0}}, false},
        {"integers are signed", &CigBoxQtyName, {REG_DWORD, {0xff, 0xff, 0xff, 0xff}}, -1},
        {"short dword zero-extends", &CigBoxQtyName, {REG_DWORD, {0x34, 0x12}}, 0x1234},
        {"integer as 6-byte text", &CigConsQtyName, {REG_SZ, twoDigits}, 0, &SRegGetDataFailed},
        {"integer as 4-byte text", &CigConsQtyName, {REG_SZ, oneDigit}, 0, &SInvalidRegType},
        {"integer as binary", &CigConsQtyName, {REG_BINARY, {1, 0, 0, 0}}, 0, &SInvalidRegType},
        {"boolean as text", &SetupComplName, {REG_SZ, oneDigit}, false, &SInvalidRegType},
        {"price as dword", &CigBoxPriceName, {REG_DWORD, {1, 0, 0, 0}}, 0.0f, &SInvalidRegType},
        {"price as 4-byte binary",
         &CigBoxPriceName,
         {REG_BINARY, {0, 0, 0x80, 0x3f}},
         0.0f,
         &SInvalidRegType},
        {"price as 16-byte binary",
         &CigBoxPriceName,
         {REG_BINARY, TBytes(16, 0)},
         0.0f,
         &SRegGetDataFailed},
        {"price as the double 5.3",
         &CigBoxPriceName,
         {REG_BINARY, {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x15, 0x40}},
         5.3f},
        {"stop time keeps its double",
         &UserStopTimeName,
         {REG_BINARY, {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x15, 0x40}},
         5.3},
        {"stop time as 8 bytes of another type",
         &UserStopTimeName,
         {REG_QWORD, TBytes(8, 0)},
         0.0,
         &SInvalidRegType},
        {"expandable text read literally",
         &UserNameName,
         {REG_EXPAND_SZ, Utf16Bytes(std::u16string(u"%USERNAME%\0", 11))},
         std::u16string(u"%USERNAME%")},
        {"text cut at an inner NUL",
         &UserNameName,
         {REG_SZ, Utf16Bytes(std::u16string(u"ab\0cd\0", 6))},
         std::u16string(u"ab")},
        {"text without terminator",
         &UserNameName,
         {REG_SZ, Utf16Bytes(u"abc")},
         std::u16string(u"abc")},
        {"text of odd size", &UserNameName, {REG_SZ, {'a', 0, 'b', 0, 'c'}}, std::u16string(u"ab")},
        {"text of 0 bytes", &UserDOBName, {REG_SZ, {}}, std::u16string()},
        {"text as dword",
         &UserNameName,
         {REG_DWORD, {1, 0, 0, 0}},
         std::u16string(),
         &SInvalidRegType},
        {"text as multi-string",
         &UserNameName,
         {REG_MULTI_SZ, Utf16Bytes(u"a\0\0")},
         std::u16string(),
         &SInvalidRegType},
        {"text as type 12345",
         &UserDOBName,
         {12345, Utf16Bytes(u"1970")},
         std::u16string(),
         &SInvalidRegType},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Plant(*c.name, c.planted.type, c.planted.data);
        if (c.raises) {
            // A wrong type raises on every call, and each time the key is closed again.
            for (int attempt = 0; attempt < 2; ++attempt) {
                EXPECT_EQ(ToUtf8(MessageOf([&] { ReadByGetter(setting_, *c.name); })),
                          ToUtf8(Quoted(*c.raises, *c.name)));
            }
            setting_.SetUserDOB(u"1980");
            EXPECT_EQ(setting_.GetUserDOB(), u"1980");
        } else {
            EXPECT_EQ(ReadByGetter(setting_, *c.name), c.value);
        }
        Plant(*c.name, REG_NONE, {}); // let the next case start from a harmless value
    }
    // No failure left a key open: an open key would have turned the store's relative path into
    // a nested copy of itself.
    EXPECT_FALSE(KeyExists(RegistryKeyPath + u"\\Software"));
}

TEST_F(Store, ForeignPriceIsRoundedToSingleAndWrittenBackAsSingle) {
    Plant(CigBoxPriceName, REG_BINARY, {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x15, 0x40});
    const float price = setting_.GetCigBoxPrice();
    EXPECT_EQ(static_cast<double>(price), 5.300000190734863);
    setting_.SetCigBoxPrice(price);
    EXPECT_EQ(Stored(CigBoxPriceName).data,
              (TBytes{0x00, 0x00, 0x00, 0x40, 0x33, 0x33, 0x15, 0x40}));
}

TEST_F(Store, PriceBeyondSingleRangeRaisesInsteadOfGivingInfinity) {
    // 1e300 as a double: no single-precision number is near it.
    Plant(CigBoxPriceName, REG_BINARY, {0x9c, 0x75, 0x88, 0x3c, 0xe4, 0x37, 0x7e, 0x7e});
    EXPECT_THROW(setting_.GetCigBoxPrice(), EOverflow);
    EXPECT_EQ(setting_.GetCigConsQty(), 0);
}

TEST_F(Store, SetterReplacesAValueOfTheWrongType) {
    Plant(CigConsQtyName, REG_SZ, Utf16Bytes(std::u16string(u"12\0", 3)));
    setting_.SetCigConsQty(12);
    EXPECT_EQ(Stored(CigConsQtyName).type, REG_DWORD);
    EXPECT_EQ(setting_.GetCigConsQty(), 12);
}

TEST_F(Store, SeesWhatAnotherProgramChangedAtTheNextRead) {
    setting_.SetCigConsQty(10);
    EXPECT_EQ(setting_.GetCigConsQty(), 10);
    Plant(CigConsQtyName, REG_DWORD, {11, 0, 0, 0});
    EXPECT_EQ(setting_.GetCigConsQty(), 11);
    TSetting other;
    other.SetCigConsQty(12);
    EXPECT_EQ(setting_.GetCigConsQty(), 12);
}

TEST_F(Store, KeyThatCannotBeCreatedFailsWritesAndDefaultsReads) {
    if (!BlockKeyCreation()) {
        GTEST_SKIP() << "this registry cannot be made to refuse a key";
    }
    const std::u16string expected =
        u"Erzeugung von Schl\u00FCssel Software\\Korvenda\\Pelwick misslungen";
    EXPECT_EQ(MessageOf([&] { setting_.SetCigConsQty(1); }), expected);
    EXPECT_EQ(MessageOf([&] { setting_.SetUserName(u"x"); }), expected);
    EXPECT_EQ(MessageOf([&] { setting_.SetCigBoxPrice(1.0f); }), expected);
    EXPECT_EQ(MessageOf([&] { setting_.SetSetupCompl(true); }), expected);
    EXPECT_EQ(setting_.GetCigConsQty(), 0);
    EXPECT_EQ(setting_.GetUserName(), u"");
    EXPECT_EQ(setting_.GetUserStopTime(), 0.0);
    EXPECT_FALSE(setting_.GetSetupCompl());
}

TEST_F(Store, KeyThatMayOnlyBeReadShowsItsValuesAndFailsWrites) {
    setting_.SetCigConsQty(20);
    setting_.SetUserName(u"Anna");
    if (!MakeKeyReadOnly()) {
        GTEST_SKIP() << "this registry cannot make a key read-only";
    }
    EXPECT_EQ(setting_.GetCigConsQty(), 20);
    EXPECT_EQ(setting_.GetUserName(), u"Anna");
    // Where the store is a file of its own, a refused write says why.
    const std::u16string why = StoreReadOnlyReason();
    const auto refused = [&](const std::u16string& name) {
        return why.empty() ? u"Fehler beim Setzen der Daten f\u00FCr '" + name + u"'"
                           : u"\u00C4nderungen an deinen Einstellungen k\u00F6nnen nicht "
                             u"gespeichert werden: " +
                                 why;
    };
    EXPECT_EQ(MessageOf([&] { setting_.SetCigConsQty(5); }), refused(u"CigConsQty"));
    EXPECT_EQ(MessageOf([&] { setting_.SetUserName(u"Bert"); }), refused(u"UserName"));
    EXPECT_EQ(Stored(CigConsQtyName).data, (TBytes{20, 0, 0, 0}));
    EXPECT_EQ(Stored(UserNameName).data, Utf16Bytes(std::u16string(u"Anna\0", 5)));
}

} // namespace

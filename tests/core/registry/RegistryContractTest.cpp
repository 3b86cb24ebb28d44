// The registry call set as TRegistry relies on it. The same cases run against the SQLite hive
// natively and against advapi32 under Wine, whose answers are the reference.

#include "Bytes.h"
#include "registry/RegistryApi.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace RegistryApi;

namespace {

// Each test works in a key of its own, so the tests of one program never meet.
class RegistryContract : public testing::Test {
protected:
    void SetUp() override {
        path_ = u"Software\\PelwickContract\\" +
                FromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name());
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    }
    void TearDown() override {
        for (HKEY h : extra_) {
            RegCloseKey(h);
        }
        if (key_) {
            EXPECT_EQ(RegCloseKey(key_), ERROR_SUCCESS);
        }
    }

    void Set(const std::u16string& name, DWORD type, const TBytes& data) {
        // Guard bytes after the data: advapi32 extends a text's size over a NUL that follows.
        TBytes padded = data;
        padded.insert(padded.end(), {0xEE, 0xEE});
        ASSERT_EQ(RegSetValueExW(key_, name.c_str(), 0, type,
                                 data.empty() ? nullptr : padded.data(),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }

    HKEY Open(const std::u16string& sub, REGSAM access) {
        HKEY h = 0;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (path_ + sub).c_str(), 0, access, &h),
                  ERROR_SUCCESS);
        extra_.push_back(h);
        return h;
    }

    std::u16string path_;
    HKEY key_ = 0;
    std::vector<HKEY> extra_;
};

struct TQueryCase {
    const char* what;
    DWORD type;
    TBytes stored;
    DWORD bufferSize; // 0xFFFFFFFF: no buffer, only the size is asked
    LSTATUS status;
    TBytes buffer; // what the first bytes of a 0xEE-filled 16-byte buffer hold afterwards
};

TEST_F(RegistryContract, QueryReportsTypeSizeAndData) {
    constexpr DWORD NoBuffer = 0xFFFFFFFF;
    const TBytes dword7 = {7, 0, 0, 0};
    const TBytes empty = {0, 0};
    const TBytes innerNul = Utf16Bytes(std::u16string(u"ab\0cd\0", 6));
    const TBytes expand = Utf16Bytes(std::u16string(u"%USERPROFILE%\\x\0", 16));
    const TBytes noNul = Utf16Bytes(u"ab");
    const TQueryCase cases[] = {
        {"dword fits", REG_DWORD, dword7, 4, ERROR_SUCCESS, {7, 0, 0, 0, 0xEE}},
        {"dword, size only", REG_DWORD, dword7, NoBuffer, ERROR_SUCCESS, {0xEE}},
        {"buffer too small", REG_DWORD, dword7, 2, ERROR_MORE_DATA, {0xEE, 0xEE}},
        {"buffer of size 0", REG_DWORD, dword7, 0, ERROR_MORE_DATA, {0xEE}},
        {"six-byte text into four",
         REG_SZ,
         Utf16Bytes(std::u16string(u"12\0", 3)),
         4,
         ERROR_MORE_DATA,
         {0xEE, 0xEE, 0xEE, 0xEE}},
        {"empty text is 2 bytes", REG_SZ, empty, 16, ERROR_SUCCESS, {0, 0, 0xEE}},
        {"text with a NUL inside", REG_SZ, innerNul, 16, ERROR_SUCCESS, innerNul},
        {"expandable text kept literally", REG_EXPAND_SZ, expand, 40, ERROR_SUCCESS, expand},
        {"type outside the four", 12345, dword7, 16, ERROR_SUCCESS, {7, 0, 0, 0, 0xEE}},
        {"type above 16 bits", 0x12345678, dword7, 16, ERROR_SUCCESS, {7, 0, 0, 0, 0xEE}},
        {"binary of 0 bytes", REG_BINARY, {}, 16, ERROR_SUCCESS, {0xEE}},
        {"binary gets no terminator",
         REG_BINARY,
         noNul,
         16,
         ERROR_SUCCESS,
         {'a', 0, 'b', 0, 0xEE, 0xEE}},
        {"text without NUL, room left", REG_SZ, noNul, 16, ERROR_SUCCESS, {'a', 0, 'b', 0, 0, 0}},
        {"text without NUL, exact fit",
         REG_SZ,
         noNul,
         4,
         ERROR_SUCCESS,
         {'a', 0, 'b', 0, 0xEE, 0xEE}},
        {"short dword", REG_DWORD, {9, 0}, 4, ERROR_SUCCESS, {9, 0, 0xEE, 0xEE}},
        {"text of odd size",
         REG_SZ,
         {'a', 0, 'b', 0, 'c'},
         16,
         ERROR_SUCCESS,
         {'a', 0, 'b', 0, 'c', 0, 0, 0xEE}},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string name = u"v" + FromUtf8(std::to_string(index++));
        Set(name, c.type, c.stored);
        std::uint8_t buffer[48];
        std::fill(std::begin(buffer), std::end(buffer), 0xEE);
        DWORD type = 0xDEAD;
        DWORD size = c.bufferSize == NoBuffer ? 0 : c.bufferSize;
        EXPECT_EQ(RegQueryValueExW(key_, name.c_str(), nullptr, &type,
                                   c.bufferSize == NoBuffer ? nullptr : buffer, &size),
                  c.status);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.stored.size());
        EXPECT_EQ(TBytes(buffer, buffer + c.buffer.size()), c.buffer);
    }
}

TEST_F(RegistryContract, MissingValueLeavesTheOutputsAlone) {
    DWORD type = 0xDEAD;
    DWORD size = 16;
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(RegQueryValueExW(key_, u"Missing", nullptr, &type, buffer, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 0xDEADu);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(RegQueryValueExW(key_, u"Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryContract, NamesIgnoreCaseAndAValueIsReplacedWhateverItsType) {
    Set(u"CigConsQty", REG_SZ, Utf16Bytes(std::u16string(u"20\0", 3)));
    Set(u"CIGCONSQTY", REG_DWORD, {20, 0, 0, 0});
    DWORD type = 0;
    DWORD size = 8;
    std::uint8_t buffer[8] = {};
    ASSERT_EQ(RegQueryValueExW(key_, u"cigconsqty", nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(buffer[0], 20);

    // The key itself, found under another spelling, holds the same value.
    HKEY other = 0;
    std::u16string upper;
    for (char16_t ch : path_) {
        upper.push_back(ch >= u'a' && ch <= u'z' ? static_cast<char16_t>(ch - 32) : ch);
    }
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, upper.c_str(), 0, KEY_READ, &other), ERROR_SUCCESS);
    size = 8;
    EXPECT_EQ(RegQueryValueExW(other, u"CigConsQty", nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(other), ERROR_SUCCESS);
}

TEST_F(RegistryContract, ValuesPersistAcrossHandles) {
    Set(u"", REG_SZ, Utf16Bytes(std::u16string(u"d\0", 2)));
    Set(u"x", REG_BINARY, {1, 2, 3});
    HKEY again = Open(u"", KEY_READ);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(again, u"x", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    // A null name is the key's unnamed value, as an empty one is.
    EXPECT_EQ(RegQueryValueExW(again, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);
}

struct TPathCase {
    const char16_t* create; // relative to the test's key; null: not created
    const char16_t* open;
    LSTATUS createStatus;
    LSTATUS openStatus;
};

TEST_F(RegistryContract, PathsAreRelativeAndForgiveRepeatedSeparators) {
    const TPathCase cases[] = {
        {u"\\a\\b", u"\\a\\b", ERROR_SUCCESS, ERROR_SUCCESS},   // to the test key
        {u"\\c\\\\d", u"\\c\\d", ERROR_SUCCESS, ERROR_SUCCESS}, // double separator
        {u"\\e\\", u"\\e", ERROR_SUCCESS, ERROR_SUCCESS},       // trailing separator
        {u"\\f", u"\\f\\\\", ERROR_SUCCESS, ERROR_SUCCESS},     // opened with extra ones
        {nullptr, u"\\missing", ERROR_SUCCESS, ERROR_FILE_NOT_FOUND},
        {nullptr, u"\\missing\\deeper", ERROR_SUCCESS, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.open));
        HKEY h = 0;
        DWORD disposition = 0;
        if (c.create) {
            ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + c.create).c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &h, &disposition),
                      c.createStatus);
            EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
            RegCloseKey(h);
        }
        const LSTATUS status =
            RegOpenKeyExW(HKEY_CURRENT_USER, (path_ + c.open).c_str(), 0, KEY_READ, &h);
        EXPECT_EQ(status, c.openStatus);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(h);
        }
    }
}

TEST_F(RegistryContract, LeadingSeparatorIsABadPath) {
    HKEY h = 0;
    DWORD disposition = 0;
    const std::u16string absolute = u"\\" + path_;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, absolute.c_str(), 0, KEY_READ, &h),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, absolute.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &h, &disposition),
              ERROR_BAD_PATHNAME);
}

TEST_F(RegistryContract, CreatingMakesEveryLevelAndReportsWhatItDid) {
    HKEY h = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(key_, u"One\\Two\\Three", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(h);
    for (const char16_t* level : {u"\\One", u"\\One\\Two"}) {
        Open(level, KEY_READ);
    }
    ASSERT_EQ(RegCreateKeyExW(key_, u"ONE\\two\\THREE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(h);
}

TEST_F(RegistryContract, EmptyPathOpensTheRootItself) {
    HKEY h = 0;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"", 0, KEY_READ, &h), ERROR_SUCCESS);
    EXPECT_EQ(h, HKEY_CURRENT_USER);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryContract, HandlesOnlyDoWhatTheirAccessAllows) {
    Set(u"v", REG_DWORD, {1, 0, 0, 0});
    const std::uint8_t data[4] = {2, 0, 0, 0};
    DWORD size = 4;
    std::uint8_t buffer[4];

    HKEY reader = Open(u"", STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
    EXPECT_EQ(RegSetValueExW(reader, u"v", 0, REG_DWORD, data, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryValueExW(reader, u"v", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);

    HKEY writer = Open(u"", KEY_SET_VALUE);
    EXPECT_EQ(RegQueryValueExW(writer, u"v", nullptr, nullptr, buffer, &size), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExW(writer, u"v", 0, REG_DWORD, data, 4), ERROR_SUCCESS);

    HKEY nothing = Open(u"", 0);
    EXPECT_EQ(RegQueryValueExW(nothing, u"v", nullptr, nullptr, buffer, &size),
              ERROR_ACCESS_DENIED);
    size = 4;
    ASSERT_EQ(RegQueryValueExW(key_, u"v", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(buffer[0], 2);
}

TEST_F(RegistryContract, ClosedAndUnknownHandlesAreInvalid) {
    HKEY h = Open(u"", KEY_READ);
    extra_.clear();
    EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(h, u"v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    const std::uint8_t data[4] = {};
    EXPECT_EQ(RegSetValueExW(h, u"v", 0, REG_DWORD, data, 4), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(h), ERROR_INVALID_HANDLE);
    HKEY sub = 0;
    EXPECT_EQ(RegOpenKeyExW(h, u"x", 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(0, u"Software", 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegFlushKey(key_), ERROR_SUCCESS);
}

TEST_F(RegistryContract, MalformedArgumentsAreRefused) {
    DWORD size = 4;
    DWORD reserved = 0;
    std::uint8_t buffer[4];
    EXPECT_EQ(RegQueryValueExW(key_, u"v", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    Set(u"v", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(RegQueryValueExW(key_, u"v", &reserved, nullptr, buffer, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key_, u"v", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    HKEY h = 0;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(key_, u"r", 1, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, &disposition),
              ERROR_INVALID_PARAMETER);
    const std::u16string tooLong(300, u'x');
    EXPECT_EQ(RegCreateKeyExW(key_, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              &disposition),
              ERROR_INVALID_PARAMETER);
    const std::u16string longest(255, u'y');
    ASSERT_EQ(RegCreateKeyExW(key_, longest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              &disposition),
              ERROR_SUCCESS);
    RegCloseKey(h);
}

} // namespace

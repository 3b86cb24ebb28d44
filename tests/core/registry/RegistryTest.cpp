// TRegistry's own state: which key a path means, and that failures change nothing.

#include "registry/Registry.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using namespace RegistryApi;

namespace {

class Accessor : public testing::Test {
protected:
    void SetUp() override {
        base_ = u"Software\\PelwickAccessor\\" +
                FromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    static bool ExistsFromRoot(const std::u16string& path) {
        HKEY h = 0;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(h);
        return true;
    }

    std::u16string base_;
    TRegistry registry_;
};

TEST_F(Accessor, StartsWithTheStoresSettingsAndNoKeyOpen) {
    EXPECT_EQ(registry_.RootKey, HKEY_CURRENT_USER);
    EXPECT_EQ(registry_.Access, 0xF003Fu);
    EXPECT_TRUE(registry_.LazyWrite);
    EXPECT_EQ(registry_.CurrentKey(), 0u);
    EXPECT_EQ(registry_.CurrentPath(), u"");
}

TEST_F(Accessor, RelativePathsFollowTheOpenKeyAndAbsoluteOnesTheRoot) {
    ASSERT_TRUE(registry_.OpenKey(base_, true));
    EXPECT_EQ(registry_.CurrentPath(), base_);
    ASSERT_TRUE(registry_.OpenKey(u"Inner", true));
    EXPECT_EQ(registry_.CurrentPath(), base_ + u"\\Inner");
    EXPECT_TRUE(ExistsFromRoot(base_ + u"\\Inner"));

    ASSERT_TRUE(registry_.OpenKey(u"\\" + base_ + u"\\Other", true));
    EXPECT_EQ(registry_.CurrentPath(), base_ + u"\\Other");
    EXPECT_TRUE(ExistsFromRoot(base_ + u"\\Other"));
    EXPECT_FALSE(ExistsFromRoot(base_ + u"\\Inner\\" + base_));

    registry_.CloseKey();
    EXPECT_EQ(registry_.CurrentKey(), 0u);
    EXPECT_EQ(registry_.CurrentPath(), u"");
    registry_.CloseKey(); // nothing open: nothing happens
}

TEST_F(Accessor, FailuresLeaveTheOpenKeyAsItWas) {
    ASSERT_TRUE(registry_.OpenKey(base_, true));
    const HKEY open = registry_.CurrentKey();
    EXPECT_FALSE(registry_.OpenKey(u"Missing", false));
    const std::u16string tooLong(300, u'x');
    EXPECT_FALSE(registry_.OpenKey(tooLong, true));
    EXPECT_EQ(registry_.CurrentKey(), open);
    EXPECT_EQ(registry_.CurrentPath(), base_);

    // KeyExists and CreateKey work beside the open key and leave it alone.
    EXPECT_FALSE(registry_.KeyExists(u"Sub"));
    EXPECT_TRUE(registry_.CreateKey(u"Sub"));
    EXPECT_TRUE(registry_.KeyExists(u"Sub"));
    EXPECT_TRUE(registry_.KeyExists(u"\\" + base_ + u"\\Sub"));
    EXPECT_EQ(registry_.CurrentKey(), open);
    try {
        registry_.CreateKey(tooLong);
        ADD_FAILURE() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), u"Erzeugung von Schl\u00FCssel " + tooLong + u" misslungen");
    }
    EXPECT_EQ(registry_.CurrentKey(), open);
}

TEST_F(Accessor, ValueExistsForAnyTypeAndSize) {
    ASSERT_TRUE(registry_.OpenKey(base_, true));
    EXPECT_FALSE(registry_.ValueExists(u"v"));
    ASSERT_EQ(RegSetValueExW(registry_.CurrentKey(), u"v", 0, 12345, nullptr, 0), ERROR_SUCCESS);
    EXPECT_TRUE(registry_.ValueExists(u"v"));
    EXPECT_TRUE(registry_.ValueExists(u"V"));
}

TEST_F(Accessor, BinaryDataReadsOnlyAtItsExactSize) {
    ASSERT_TRUE(registry_.OpenKey(base_, true));
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    const struct {
        DWORD Type, Size;
        std::u16string Failure;
    } cases[] = {
        {REG_BINARY, 3, u""},
        {REG_BINARY, 2, u"Ung\u00FCltiger Datentyp f\u00FCr 'v'"},
        {REG_BINARY, 4, u"Fehler beim Holen der Daten f\u00FCr 'v'"}, // longer than asked
        {REG_DWORD, 3, u"Ung\u00FCltiger Datentyp f\u00FCr 'v'"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(RegSetValueExW(registry_.CurrentKey(), u"v", 0, c.Type, bytes, c.Size),
                  ERROR_SUCCESS);
        std::uint8_t read[3] = {};
        std::u16string failure;
        try {
            registry_.ReadBinaryData(u"v", read, sizeof read);
        } catch (const ERegistryException& e) {
            failure = e.Message();
        }
        EXPECT_EQ(failure, c.Failure) << c.Size;
        if (c.Failure.empty()) {
            EXPECT_EQ(read[2], 3);
        }
    }
    registry_.WriteBinaryData(u"w", bytes, 0);
    EXPECT_TRUE(registry_.ValueExists(u"w"));
}

} // namespace

// A text that another writer lengthens and shortens while it is read: the size and the data
// of one read may come from two different writes, and the read must still give one whole text
// that was written, never a failure or a cut text. On Windows and on the SQLite hive alike.
TEST_F(Accessor, ATextThatAnotherWriterRewritesReadsAsOneWholeText) {
    ASSERT_TRUE(registry_.OpenKey(base_, true));
    registry_.WriteString(u"Name", u"a");
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        TRegistry other;
        if (!other.OpenKey(base_, false)) {
            return;
        }
        for (std::size_t i = 0; !stop.load(); ++i) {
            other.WriteString(u"Name", std::u16string(1 + (i * 37) % 300, u'a' + i % 26));
        }
    });
    int failures = 0;
    std::u16string bad;
    for (int i = 0; i < 3000; ++i) {
        try {
            const std::u16string text = registry_.ReadString(u"Name");
            if (text.empty() || text.size() > 300 ||
                text.find_first_not_of(text.front()) != std::u16string::npos) {
                bad = text;
                ++failures;
            }
        } catch (const ERegistryException& e) {
            bad = e.Message();
            ++failures;
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(failures, 0) << "for example: " << ToUtf8(bad);
}

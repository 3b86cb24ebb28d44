// The resources that pelwick.exe carries, read back by the loader's own functions from a
// program that links the same .rc file.

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> OwnVersionInfo() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_GT(length, 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    EXPECT_GT(size, 0u) << "no version record, error " << GetLastError();
    std::vector<unsigned char> data(size);
    if (size > 0) {
        EXPECT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    }
    return data;
}

std::wstring StringValue(std::vector<unsigned char>& info, const std::wstring& name) {
    struct TTranslation {
        WORD Language;
        WORD CodePage;
    };
    TTranslation* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof(TTranslation)) {
        ADD_FAILURE() << "no translation table";
        return {};
    }
    wchar_t block[64];
    wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", translation->Language, translation->CodePage);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), (std::wstring(block) + name).c_str(),
                        reinterpret_cast<void**>(&value), &size) ||
        value == nullptr) {
        ADD_FAILURE() << "no string value";
        return {};
    }
    return std::wstring(value);
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST(ResourcesTest, VersionRecordHoldsFileAndProductVersions) {
    std::vector<unsigned char> info = OwnVersionInfo();
    ASSERT_FALSE(info.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);

    struct TCase {
        const char* What;
        DWORD Actual;
        DWORD Expected;
    };
    const TCase cases[] = {
        {"file version, high", fixed->dwFileVersionMS, (1u << 16) | 0u},
        {"file version, low", fixed->dwFileVersionLS, (5491u << 16) | 45449u},
        {"product version, high", fixed->dwProductVersionMS, (1u << 16) | 0u},
        {"product version, low", fixed->dwProductVersionLS, 0u},
        {"file type", fixed->dwFileType, static_cast<DWORD>(VFT_APP)},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(c.Actual, c.Expected) << c.What;
    }

    struct TString {
        const wchar_t* Name;
        const char* Expected;
    };
    const TString strings[] = {
        {L"FileVersion", "1.0.0.0"},
        {L"ProductVersion", "1.0.0.0"},
        {L"ProductName", "Pelwick"},
        {L"OriginalFilename", "pelwick.exe"},
    };
    for (const TString& s : strings) {
        EXPECT_EQ(Narrow(StringValue(info, s.Name)), s.Expected) << Narrow(s.Name);
    }
}

// The directory of an icon group as the resource compiler stores it.
#pragma pack(push, 2)
struct TGroupIconEntry {
    BYTE Width;
    BYTE Height;
    BYTE ColourCount;
    BYTE Reserved;
    WORD Planes;
    WORD BitCount;
    DWORD BytesInRes;
    WORD Id;
};
struct TGroupIconDir {
    WORD Reserved;
    WORD Type;
    WORD Count;
};
#pragma pack(pop)

TEST(ResourcesTest, MainIconGroupHasSixteenAndThirtyTwoPixelsInThirtyTwoBitColour) {
    HRSRC found = FindResourceW(nullptr, L"MAINICON", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    ASSERT_NE(found, nullptr) << "no icon group MAINICON";
    const auto* data =
        static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(data, nullptr);
    TGroupIconDir dir;
    std::memcpy(&dir, data, sizeof dir);
    ASSERT_EQ(dir.Count, 2);
    std::vector<int> sizes;
    for (int i = 0; i < dir.Count; ++i) {
        TGroupIconEntry entry;
        std::memcpy(&entry, data + sizeof dir + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.BitCount, 32);
        sizes.push_back(entry.Width);
        EXPECT_EQ(entry.Width, entry.Height);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32}));

    // The loader can build both icons from it.
    for (const int size : {16, 32}) {
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) {
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
}

TEST(ResourcesTest, ManifestBringsCommonControlsSixAndAsksForNoElevation) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_NE(found, nullptr) << "no application manifest";
    const auto* text = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    const std::string manifest(text, SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);

    // The manifest is not just present but in effect: the process's activation context hands
    // out version 6 of the common controls from the side-by-side store, not the old version
    // from the system folder.
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
    std::string loaded = Narrow(path);
    for (char& c : loaded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(loaded.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << loaded;
    FreeLibrary(comctl);
}

} // namespace

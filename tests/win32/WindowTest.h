#pragma once

// What the window tests share: the application object initialised once, a fresh current-user
// hive for each test, and real messages posted to real windows and dispatched by the
// application's own message handling.

#include "TestHive.h"
#include "framework/Application.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override {
        UseFreshHive();
        Application->Terminated = false;
    }

    // Dispatches everything waiting, as the program's loops do.
    static void Pump() {
        for (int round = 0; round < 3; ++round) {
            Application->ProcessMessages();
            Sleep(5);
        }
    }
    static void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        ASSERT_TRUE(PostMessageW(window, message, wParam, lParam));
    }
    // Characters as the keyboard types them into a focused edit.
    static void Type(HWND edit, std::u16string_view text) {
        for (char16_t c : text) {
            Post(edit, WM_CHAR, c, 1);
        }
        Pump();
    }
    // A key pressed and released in `window`.
    static void Key(HWND window, WPARAM key) {
        Post(window, WM_KEYDOWN, key, 1);
        Post(window, WM_KEYUP, key, 0xC0000001);
        Pump();
    }
    // A left click in the middle of a control.
    static void Click(HWND control) {
        RECT rect{};
        GetClientRect(control, &rect);
        const LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
        Post(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Post(control, WM_LBUTTONUP, 0, at);
        Pump();
    }
    static std::wstring TextOf(HWND window) {
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        return text;
    }
    static RECT ScreenRect(HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }

    // A value of the store's key as the registry holds it: its type and its bytes.
    struct TStored {
        DWORD Type = 0;
        std::vector<std::uint8_t> Bytes;
        bool operator==(const TStored&) const = default;
    };
    static TStored Stored(const wchar_t* name) {
        TStored value;
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Korvenda\\Pelwick", name,
                         RRF_RT_ANY | RRF_NOEXPAND, &value.Type, nullptr, &size) != ERROR_SUCCESS) {
            return {};
        }
        value.Bytes.resize(size);
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Korvenda\\Pelwick", name,
                     RRF_RT_ANY | RRF_NOEXPAND, &value.Type, value.Bytes.data(), &size);
        return value;
    }
    static TStored Dword(std::uint32_t number) {
        return {REG_DWORD,
                {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                 static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
    }
    static TStored Binary(std::vector<std::uint8_t> bytes) { return {REG_BINARY, bytes}; }
    static TStored Sz(std::u16string_view text) {
        TStored value{REG_SZ, {}};
        for (char16_t c : text) {
            value.Bytes.push_back(static_cast<std::uint8_t>(c));
            value.Bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        value.Bytes.push_back(0);
        value.Bytes.push_back(0);
        return value;
    }
};

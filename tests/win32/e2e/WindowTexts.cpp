// Reads the windows of the programs in the same Wine prefix from outside, as a second program
// would: every top-level window with its class, text, visibility and place, and its child
// windows likewise, one JSON object a line on standard output.

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (code == '"' || code == '\\') {
            out += '\\';
            out += static_cast<char>(code);
        } else if (code < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", code);
            out += escaped;
        } else if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out + "\"";
}

// Threads that did not answer a text request in time: their other windows are not asked.
std::set<DWORD> Silent;

std::string Describe(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    // WM_GETTEXT also reads the controls of another process. A thread that does not answer
    // within half a second (busy starting, or stuck) has its windows listed without their
    // texts rather than stopping the listing: the caller asks again.
    std::wstring text(4096, L'\0');
    DWORD_PTR length = 0;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (Silent.count(thread) > 0 ||
        SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, 500, &length) == 0) {
        Silent.insert(thread);
        length = 0;
    }
    text.resize(static_cast<std::size_t>(length));
    RECT rect{};
    GetWindowRect(window, &rect);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char numbers[160];
    std::snprintf(numbers, sizeof(numbers),
                  "\"pid\":%lu,\"visible\":%s,\"enabled\":%s,\"rect\":[%ld,%ld,%ld,%ld]",
                  static_cast<unsigned long>(process), IsWindowVisible(window) ? "true" : "false",
                  IsWindowEnabled(window) ? "true" : "false", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    return "{\"class\":" + Json(name) + ",\"text\":" + Json(text) + "," + numbers;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::string line = Describe(window) + ",\"children\":[";
    for (std::size_t i = 0; i < children.size(); ++i) {
        line += (i > 0 ? "," : "") + Describe(children[i]) + "}";
    }
    line += "]}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return TRUE;
}

} // namespace

int main() {
    EnumWindows(PrintTopLevel, 0);
    return 0;
}

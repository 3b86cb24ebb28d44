#include "app/Autostart.h"

#include <sstream>

bool AutostartOn() {
    const TAutostartEntry entry = ReadAutostart();
    return entry.Present && entry.Enabled;
}

void TurnOnAutostartAtFirstSetup() {
    if (AutostartAtFirstSetup && !ReadAutostart().Present) {
        WriteAutostart(true);
    }
}

namespace {

// The Exec key's quoting (", `, $ and \ escaped inside double quotes, % doubled), then the
// value's own escape of the backslash.
std::string ExecValue(const std::string& program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        value += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return value;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::string AutostartEntryText(const std::string& desktopEntry, const std::string& program) {
    std::istringstream lines(desktopEntry);
    std::string text;
    std::string group;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("[")) {
            group = Trimmed(line);
        }
        if (group == "[Desktop Entry]" && line.starts_with("Exec=")) {
            line = "Exec=" + ExecValue(program);
        }
        text += line + "\n";
    }
    return text;
}

bool AutostartEntryEnabled(const std::string& text) {
    std::istringstream lines(text);
    std::string group;
    for (std::string line; std::getline(lines, line);) {
        line = Trimmed(line);
        if (line.starts_with("[")) {
            group = line;
            continue;
        }
        const auto equals = line.find('=');
        if (group != "[Desktop Entry]" || equals == std::string::npos) {
            continue;
        }
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

#include "framework/Layout.h"

#include "runtime/Exceptions.h"
#include "runtime/Text.h"

#include <charconv>
#include <set>

namespace {

[[noreturn]] void Malformed(int line, std::string_view why) {
    throw Exception(FromUtf8("Layout line " + std::to_string(line) + ": " + std::string(why)));
}

// Splits a line into blank-separated tokens; a double-quoted stretch keeps its blanks and
// loses its quotes ("" inside it is one quote).
std::vector<std::string> Tokens(std::string_view line, int number) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string token;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] != '"') {
                token += line[i++];
                continue;
            }
            ++i;
            for (;;) {
                if (i >= line.size()) {
                    Malformed(number, "unterminated quote");
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        token += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token += line[i++];
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

int ToInteger(std::string_view text, int line) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        Malformed(line, "'" + std::string(text) + "' is not a whole number");
    }
    return value;
}

} // namespace

bool TLayoutRecord::Has(std::u16string_view key) const {
    return Properties.find(std::u16string(key)) != Properties.end();
}

std::u16string TLayoutRecord::Text(std::u16string_view key, std::u16string_view fallback) const {
    const auto found = Properties.find(std::u16string(key));
    return found == Properties.end() ? std::u16string(fallback) : found->second;
}

int TLayoutRecord::Integer(std::u16string_view key, int fallback) const {
    const auto found = Properties.find(std::u16string(key));
    if (found == Properties.end()) {
        return fallback;
    }
    return ToInteger(ToUtf8(found->second), 0);
}

std::vector<TLayoutRecord> ParseLayout(std::string_view utf8) {
    std::vector<TLayoutRecord> records;
    std::set<std::u16string> names;
    int number = 0;
    while (!utf8.empty()) {
        ++number;
        const std::size_t end = utf8.find('\n');
        std::string_view line = utf8.substr(0, end);
        utf8 = end == std::string_view::npos ? std::string_view() : utf8.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::vector<std::string> tokens = Tokens(line, number);
        if (tokens.empty() || tokens.front().starts_with('#')) {
            continue;
        }
        if (tokens.size() < 7) {
            Malformed(number, "a record needs name, kind, parent, x, y, width and height");
        }
        TLayoutRecord record;
        record.Name = FromUtf8(tokens[0]);
        record.Kind = FromUtf8(tokens[1]);
        record.Parent = tokens[2] == "-" ? std::u16string() : FromUtf8(tokens[2]);
        record.X = ToInteger(tokens[3], number);
        record.Y = ToInteger(tokens[4], number);
        record.Width = ToInteger(tokens[5], number);
        record.Height = ToInteger(tokens[6], number);
        for (std::size_t i = 7; i < tokens.size(); ++i) {
            const std::size_t equals = tokens[i].find('=');
            if (equals == std::string::npos || equals == 0) {
                Malformed(number, "'" + tokens[i] + "' is not key=value");
            }
            record.Properties[FromUtf8(tokens[i].substr(0, equals))] =
                FromUtf8(tokens[i].substr(equals + 1));
        }
        if (!names.insert(record.Name).second) {
            Malformed(number, "'" + tokens[0] + "' is declared twice");
        }
        if (records.empty() != record.Parent.empty()) {
            Malformed(number, records.empty() ? "the first record must be the window"
                                              : "only the first record is the window");
        }
        if (!record.Parent.empty() && !names.contains(record.Parent)) {
            Malformed(number, "parent '" + tokens[2] + "' is not declared above");
        }
        records.push_back(std::move(record));
    }
    if (records.empty()) {
        Malformed(number, "no window declared");
    }
    return records;
}

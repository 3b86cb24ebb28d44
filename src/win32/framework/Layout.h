#pragma once

// A window's layout as declared data: one record per component, compiled into the executable
// as a resource named after the window's class and read when the window is built.
//
// One record a line: name, kind, parent ("-" for the window itself), x, y, width, height, then
// properties as key=value, a value with blanks in double quotes. '#' starts a comment line.

#include <map>
#include <string>
#include <string_view>
#include <vector>

struct TLayoutRecord {
    std::u16string Name;
    std::u16string Kind;
    std::u16string Parent;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    std::map<std::u16string, std::u16string> Properties;

    bool Has(std::u16string_view key) const;
    // The property's text, or `fallback` when the record has none.
    std::u16string Text(std::u16string_view key, std::u16string_view fallback = u"") const;
    // The property as a decimal integer; raises when it is there and not one.
    int Integer(std::u16string_view key, int fallback) const;
};

// Raises Exception naming the line for a malformed record, an unknown parent or a name used
// twice; the parent must come before its children.
std::vector<TLayoutRecord> ParseLayout(std::string_view utf8);

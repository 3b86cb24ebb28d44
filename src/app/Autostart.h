#pragma once

// Pelwick's start at sign-in, one switch on both systems: on Linux the XDG autostart entry
// $XDG_CONFIG_HOME/autostart/de.korvenda.Pelwick.desktop (default ~/.config/autostart), made
// from the program's own desktop entry with the path of the running program; on Windows the
// value "Pelwick" under HKCU\Software\Microsoft\Windows\CurrentVersion\Run that the installer
// writes, with the quoted path of the running pelwick.exe. Platform files: AutostartPosix.cpp,
// AutostartWin32.cpp.

#include <string>

struct TAutostartEntry {
    bool Present = false;
    // An entry the user disabled by hand (Hidden=true, X-GNOME-Autostart-enabled=false) is
    // present but off.
    bool Enabled = false;
};

// What the system holds now.
TAutostartEntry ReadAutostart();
// Writes the entry for the running program, or removes it. Raises an Exception with a German
// message where that fails.
void WriteAutostart(bool on);
// Whether the first completed setup turns the start on: on Linux, where no installer offers it.
extern const bool AutostartAtFirstSetup;

// The switch's state: on only for an entry present and not disabled by hand.
bool AutostartOn();
// Once, at the first completed setup where AutostartAtFirstSetup: on, unless an entry exists
// already, even one disabled by hand, which is never turned on behind the user's back.
void TurnOnAutostartAtFirstSetup();

// The entry's text from the program's desktop entry: Exec= the program's path, quoted as the
// desktop entry format wants it.
std::string AutostartEntryText(const std::string& desktopEntry, const std::string& program);
// Whether an entry's text leaves it on: neither Hidden=true nor X-GNOME-Autostart-enabled=false
// in its [Desktop Entry] group.
bool AutostartEntryEnabled(const std::string& text);

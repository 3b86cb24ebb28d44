// The start at sign-in on Linux: the autostart entry made from the program's desktop entry, the
// switch's state read from it, and the first completed setup that turns it on only where no
// entry exists, never over one the user disabled by hand.

#include "AppFixture.h"

#include "app/Autostart.h"
#include "app/DesktopEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace {

std::filesystem::path Entry() {
    return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "autostart" /
           "de.korvenda.Pelwick.desktop";
}

std::optional<std::string> EntryText() {
    std::ifstream file(Entry());
    if (!file) {
        return std::nullopt;
    }
    return std::string{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Program() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

TEST(AutostartEntryText, ExecIsTheProgramQuotedAndTheRestKept) {
    const std::string entry = "[Desktop Entry]\nName=Pelwick\nExec=pelwick\n"
                              "[Desktop Action Other]\nExec=other\n";
    EXPECT_EQ(AutostartEntryText(entry, "/opt/a b/$x\\y%z\"`"),
              "[Desktop Entry]\nName=Pelwick\nExec=\"/opt/a b/\\\\$x\\\\\\\\y%%z\\\\\"\\\\`\"\n"
              "[Desktop Action Other]\nExec=other\n");
}

class Autostart : public TAppTest {};

TEST_F(Autostart, TheFirstSetupTurnsItOnOnlyWhereNoEntryIsAndTheSwitchChangesIt) {
    const std::string disabledHidden = "[Desktop Entry]\nExec=pelwick\nHidden=true\n";
    const std::string disabledGnome =
        "[Desktop Entry]\nExec=pelwick\nX-GNOME-Autostart-enabled = false\n";
    const std::string otherGroup = "[Desktop Entry]\nExec=pelwick\n[Other]\nHidden=true\n";
    const struct {
        const char* Name;
        std::optional<std::string> Before;
        char Act; // 'f' the first setup, '1' the switch on, '0' the switch off
        bool OnAfter;
        std::optional<std::string> After; // "made": the entry made for this program
    } cases[] = {
        {"no entry, first setup: made", std::nullopt, 'f', true, "made"},
        {"Hidden=true, first setup: left off", disabledHidden, 'f', false, disabledHidden},
        {"GNOME's switch off, first setup: left off", disabledGnome, 'f', false, disabledGnome},
        {"Hidden in another group reads as on", otherGroup, 'f', true, otherGroup},
        {"the switch on over an entry disabled by hand", disabledHidden, '1', true, "made"},
        {"the switch off removes it", "made", '0', false, std::nullopt},
        {"the switch off with no entry", std::nullopt, '0', false, std::nullopt},
    };
    const std::string made = AutostartEntryText(DesktopEntryText, Program());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        UseFreshHive();
        if (c.Before) {
            std::filesystem::create_directories(Entry().parent_path());
            std::ofstream(Entry()) << (*c.Before == "made" ? made : *c.Before);
        }
        if (c.Act == 'f') {
            TurnOnAutostartAtFirstSetup();
        } else {
            WriteAutostart(c.Act == '1');
        }
        EXPECT_EQ(AutostartOn(), c.OnAfter);
        EXPECT_EQ(EntryText(), c.After && *c.After == "made" ? made : c.After);
    }
}

} // namespace

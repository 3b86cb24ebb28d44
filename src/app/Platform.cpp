#include "app/Platform.h"

#include <vector>

namespace {

// The entries of a platform list ("wayland;xcb"), each a name with options after a colon.
std::vector<std::string_view> Entries(std::string_view list) {
    std::vector<std::string_view> entries;
    while (!list.empty()) {
        const auto end = list.find(';');
        const std::string_view entry = list.substr(0, end);
        if (!entry.empty()) {
            entries.push_back(entry);
        }
        if (end == std::string_view::npos) {
            break;
        }
        list.remove_prefix(end + 1);
    }
    return entries;
}

std::string_view Name(std::string_view entry) {
    return entry.substr(0, entry.find(':'));
}

} // namespace

bool IsNativeWayland(std::string_view platformName) {
    return platformName.starts_with("wayland");
}

std::string ChoosePlatform(const TSession& session) {
    const std::string requested(session.RequestedPlatform);
    if (!session.Wayland || !session.XServer) {
        return requested; // without an X server native Wayland is the only way
    }
    const std::vector<std::string_view> entries = Entries(session.RequestedPlatform);
    if (entries.empty()) {
        return "xcb";
    }
    bool allWayland = true;
    for (const std::string_view entry : entries) {
        if (Name(entry) == "xcb") {
            return std::string(entry); // with the options the user gave it
        }
        allWayland = allWayland && IsNativeWayland(Name(entry));
    }
    // Natively, as the user insists; through XWayland where the Wayland plugin is missing.
    return allWayland ? requested + ";xcb" : requested;
}

std::string NativeWaylandNote(bool xServer) {
    std::string note =
        "Pelwick l\u00E4uft direkt unter Wayland. Dort bleibt die Zigarette nicht \u00FCber "
        "den anderen Fenstern, erscheint in der Taskleiste und kann nicht selbst bestimmen, wo "
        "sie liegt. ";
    note += xServer
                ? "Mit QT_QPA_PLATFORM=xcb l\u00E4uft Pelwick \u00FCber XWayland und "
                  "verh\u00E4lt sich wie gewohnt."
                : "Mit XWayland in der Sitzung (DISPLAY gesetzt) l\u00E4uft Pelwick dar\u00FCber "
                  "und verh\u00E4lt sich wie gewohnt.";
    return note + "\n";
}

#pragma once

// The file the store lives in, where the platform keeps it in a file of its own (the SQLite
// hive): what start-up has to say about it, and why writes to it are refused. Where the store is
// the system's registry there is nothing to say.

#include <string>

struct TStoreCheck {
    enum class TState {
        Usable,   // nothing to say
        ReadOnly, // its values can be read, changes cannot be saved
        Rescued,  // it could not be read: kept aside, what could be read carried into a new one
        Unusable, // it could not be read and could not be set aside
    };
    TState State = TState::Usable;
    // German, to be said once at start; empty when usable.
    std::u16string Message;
};

// Looks at the file before anything else uses it. A file that cannot be read as a hive (not
// one, or damaged) is moved aside in its folder under a name with the day, its bytes untouched,
// and every setting and every kept attempt that can still be read from it goes into a new
// file. A file of another user or open to others, or one that another program holds, is left
// to the store's own rules.
TStoreCheck CheckStoreFile();

// Why the store's file refuses writes, as the end of a German sentence ("die Datei deiner
// Einstellungen ... ist schreibgeschuetzt"); empty when it does not or it is not known.
std::u16string StoreReadOnlyReason();

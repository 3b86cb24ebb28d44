#pragma once

// The emulated HKEY_CURRENT_USER hive outside Windows: where it lives and its kept connection.

#include <string>

// $XDG_CONFIG_HOME/pelwick/hkcu.sqlite3; an unset, empty or relative XDG_CONFIG_HOME means
// $HOME/.config. Empty when no home folder can be found. Read anew on every call.
std::string SqliteHivePath();

// Drops the connection that the hive keeps open between calls (open handles stay valid); the
// next call connects again. For a process that is about to fork, and for tests.
void SqliteHiveDisconnect();

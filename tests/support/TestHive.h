#pragma once

// What the store tests need of the platform's registry beyond the call set itself.

// Gives the running test a current-user hive without Software\Korvenda.
void UseFreshHive();

// Makes the store's key impossible to create from now on (until the next UseFreshHive).
// False when this platform's registry cannot be made to refuse.
bool BlockKeyCreation();

// Creates the store's key and leaves it readable but not writable by the store from now on
// (until the next UseFreshHive). False when this platform cannot do that.
bool MakeKeyReadOnly();

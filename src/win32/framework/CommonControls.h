#pragma once

// The common controls library is not loaded at start: the ticker needs none of it until the
// pointer first rests on it (the tooltip), and the wizard none until its first showing. Whatever
// needs one of its window classes or functions calls this first.

// Loads the library, as the manifest asks for it (version 6), and registers the classes the
// program uses (month calendar, tooltip, progress bar and the standard controls). Returns
// whether the library is there; only the first call does any work.
bool EnsureCommonControls();

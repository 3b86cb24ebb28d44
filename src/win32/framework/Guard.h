#pragma once

// No C++ exception may cross a window procedure: the platform's code between our frames
// cannot unwind. Every procedure of ours runs its work in Guarded, which hands a failure to the
// application object and reports whether the work finished.

#include <functional>

bool Guarded(const std::function<void()>& work) noexcept;

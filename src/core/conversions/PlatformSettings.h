#pragma once

// The platform's part of the start-up settings, one implementation file per platform.

// Makes the user's default locale the calling thread's locale (a no-op where threads have none).
void SelectUserThreadLocale();

// The ANSI code page through which narrow text constants are widened.
unsigned ReadAnsiCodePage();

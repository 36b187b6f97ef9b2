// The Win32 API as the program spells it: <windows.h> on Windows, and our own layer of the same
// operations elsewhere (gdi.h for drawing, user.h for windows and messages, over a host).
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include "portable_win32/win32_names.h"
#endif

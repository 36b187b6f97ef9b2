// Keys as the layer knows them: by their USB usage, the key's place on the keyboard (SDL's
// scancodes are these usages). The hosts name keys by it, and the window half turns it into the
// virtual-key code of WM_KEYDOWN. Pure functions, tested without a display.
#pragma once

#include <cstdint>

#include "portable_win32/user.h"

namespace portable_win32 {

// The usage of a Linux key code (linux/input-event-codes.h, as Wayland's keyboards send them); 0
// for a code not known here.
uint32_t UsageOfLinuxKey(uint32_t code);
// The usage of a key a keymap names by what it does (Escape, F5, the keypad's +, a letter), by its
// X keysym as xkbcommon gives it; 0 for the others, which their place or character names.
uint32_t UsageOfKeysym(uint32_t keysym);
// The usage of a key named by the browser's KeyboardEvent.code; 0 for a name not known here.
uint32_t UsageOfKeyCode(const char* code);

// The virtual-key code of a key, by its usage and the symbol the layout puts on it unshifted (a
// Unicode code point, 0 when unknown); 0 for keys without one here.
WPARAM VirtualKeyOf(uint32_t usage, uint32_t symbol);

}  // namespace portable_win32

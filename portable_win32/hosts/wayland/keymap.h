// How the Wayland host names a key to the layer, by the compositor's keymap: for the tests, which
// give it keymaps of their own.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>

namespace portable_win32 {

struct LayerKey {
  uint32_t usage;   // USB usage, by the key's place
  uint32_t symbol;  // what the layout puts on it unshifted; 0 for none, or for the keypad's
};

LayerKey LayerKeyOf(xkb_keymap* keymap, xkb_state* state, uint32_t linuxKey);

}  // namespace portable_win32

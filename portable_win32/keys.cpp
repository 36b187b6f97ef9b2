#include "portable_win32/keys.h"

#include <cstring>

#include "portable_win32/win32_names.h"

namespace portable_win32 {

namespace {

// Keys by their USB usage, with the browser's name for each, and their virtual-key codes. Letters,
// digits, F1 ... F12 and the keypad's digits are runs worked out apart.
struct KeyName {
  uint32_t usage;
  const char* code;
  WPARAM virtualKey;
};
constexpr uint32_t kUsageA = 0x04, kUsage1 = 0x1E, kUsageF1 = 0x3A, kUsageKeypad1 = 0x59;
constexpr uint32_t kUsageMinus = 0x2D, kUsageEquals = 0x2E;
constexpr KeyName kKeyNames[] = {
    {0x29, "Escape", VK_ESCAPE},
    {0x28, "Enter", VK_RETURN},
    {0x2A, "Backspace", VK_BACK},
    {0x2B, "Tab", VK_TAB},
    {0x2C, "Space", VK_SPACE},
    {0x27, "Digit0", '0'},
    {kUsageMinus, "Minus", VK_OEM_MINUS},
    {kUsageEquals, "Equal", VK_OEM_PLUS},
    {0x2F, "BracketLeft", VK_OEM_4},
    {0x30, "BracketRight", VK_OEM_6},
    {0x31, "Backslash", VK_OEM_5},
    {0x33, "Semicolon", VK_OEM_1},
    {0x34, "Quote", VK_OEM_7},
    {0x35, "Backquote", VK_OEM_3},
    {0x36, "Comma", VK_OEM_COMMA},
    {0x37, "Period", VK_OEM_PERIOD},
    {0x38, "Slash", VK_OEM_2},
    {0x62, "Numpad0", VK_NUMPAD0},
    {0x57, "NumpadAdd", VK_ADD},
    {0x56, "NumpadSubtract", VK_SUBTRACT},
    {0x55, "NumpadMultiply", VK_MULTIPLY},
    {0x54, "NumpadDivide", VK_DIVIDE},
    {0x63, "NumpadDecimal", VK_DECIMAL},
    {0x58, "NumpadEnter", VK_RETURN},
    {0x50, "ArrowLeft", VK_LEFT},
    {0x4F, "ArrowRight", VK_RIGHT},
    {0x52, "ArrowUp", VK_UP},
    {0x51, "ArrowDown", VK_DOWN},
    {0x4A, "Home", VK_HOME},
    {0x4D, "End", VK_END},
    {0x4B, "PageUp", VK_PRIOR},
    {0x4E, "PageDown", VK_NEXT},
    {0x49, "Insert", VK_INSERT},
    {0x4C, "Delete", VK_DELETE},
    {0xE1, "ShiftLeft", VK_SHIFT},
    {0xE5, "ShiftRight", VK_SHIFT},
    {0xE0, "ControlLeft", VK_CONTROL},
    {0xE4, "ControlRight", VK_CONTROL},
    {0xE2, "AltLeft", VK_MENU},
    {0xE6, "AltRight", VK_MENU},
};

// Linux key codes to USB usages.
// clang-format off
constexpr uint8_t kUsageOfLinuxKey[128] = {
    // 0: Esc, 1 ... 9, 0, minus, equals, Backspace, Tab
    0x00, 0x29, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x2D, 0x2E, 0x2A, 0x2B,
    // 16: Q W E R T Y U I O P [ ] Enter, left Ctrl, A S
    0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13, 0x2F, 0x30, 0x28, 0xE0, 0x04, 0x16,
    // 32: D F G H J K L ; ' `, left Shift, backslash, Z X C V
    0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F, 0x33, 0x34, 0x35, 0xE1, 0x31, 0x1D, 0x1B, 0x06, 0x19,
    // 48: B N M , . /, right Shift, keypad *, left Alt, Space, Caps Lock, F1 ... F5
    0x05, 0x11, 0x10, 0x36, 0x37, 0x38, 0xE5, 0x55, 0xE2, 0x2C, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E,
    // 64: F6 ... F10, Num Lock, Scroll Lock, keypad 7 8 9 -, 4 5 6 +, 1
    0x3F, 0x40, 0x41, 0x42, 0x43, 0x53, 0x47, 0x5F, 0x60, 0x61, 0x56, 0x5C, 0x5D, 0x5E, 0x57, 0x59,
    // 80: keypad 2 3 0 ., the key left of Z on ISO keyboards, F11, F12
    0x5A, 0x5B, 0x62, 0x63, 0x00, 0x00, 0x64, 0x44, 0x45, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    // 96: keypad Enter, right Ctrl, keypad /, Print Screen, right Alt, Home, Up, Page Up, Left,
    // Right, End, Down, Page Down, Insert, Delete
    0x58, 0xE4, 0x54, 0x46, 0xE6, 0x00, 0x4A, 0x52, 0x4B, 0x50, 0x4F, 0x4D, 0x51, 0x4E, 0x49, 0x4C,
    // 112: Pause, left and right logo keys, Menu
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE3, 0xE7, 0x65,
};
// clang-format on

// X's keysyms (which xkbcommon keeps) of the keys that a keymap names by what they do, not by
// where they are. F1 ... F12, the keypad's digits and the letters are runs worked out apart.
struct KeySymbol {
  uint32_t keysym;
  uint32_t usage;
};
constexpr uint32_t kKeysymF1 = 0xFFBE, kKeysymKeypad0 = 0xFFB0, kKeysymA = 'a';
constexpr KeySymbol kKeySymbols[] = {
    {0xFF1B, 0x29},  // Escape
    {0xFF0D, 0x28},  // Return
    {0xFF08, 0x2A},  // BackSpace
    {0xFF09, 0x2B},  // Tab
    {0xFF51, 0x50},  // Left
    {0xFF52, 0x52},  // Up
    {0xFF53, 0x4F},  // Right
    {0xFF54, 0x51},  // Down
    {0xFF50, 0x4A},  // Home
    {0xFF57, 0x4D},  // End
    {0xFF55, 0x4B},  // Prior
    {0xFF56, 0x4E},  // Next
    {0xFF63, 0x49},  // Insert
    {0xFFFF, 0x4C},  // Delete
    {0xFFAB, 0x57},  // KP_Add
    {0xFFAD, 0x56},  // KP_Subtract
    {0xFFAA, 0x55},  // KP_Multiply
    {0xFFAF, 0x54},  // KP_Divide
    {0xFFAE, 0x63},  // KP_Decimal
    {0xFF8D, 0x58},  // KP_Enter
    {kKeysymKeypad0, 0x62},
};

}  // namespace

uint32_t UsageOfLinuxKey(uint32_t code) { return code < 128 ? kUsageOfLinuxKey[code] : 0u; }

uint32_t UsageOfKeysym(uint32_t keysym) {
  if (keysym >= kKeysymF1 && keysym < kKeysymF1 + 12) return kUsageF1 + (keysym - kKeysymF1);
  if (keysym > kKeysymKeypad0 && keysym <= kKeysymKeypad0 + 9)
    return kUsageKeypad1 + (keysym - kKeysymKeypad0 - 1);
  if (keysym >= kKeysymA && keysym < kKeysymA + 26) return kUsageA + (keysym - kKeysymA);
  for (const KeySymbol& k : kKeySymbols)
    if (k.keysym == keysym) return k.usage;
  return 0;
}

uint32_t UsageOfKeyCode(const char* code) {
  if (code == nullptr) return 0;
  const size_t length = std::strlen(code);
  const auto digitAfter = [&](const char* prefix) {
    const size_t n = std::strlen(prefix);
    return length == n + 1 && std::strncmp(code, prefix, n) == 0 && code[n] >= '1' && code[n] <= '9'
               ? code[n] - '1'
               : -1;
  };
  if (length == 4 && std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z')
    return kUsageA + (code[3] - 'A');
  if (digitAfter("Digit") >= 0) return kUsage1 + digitAfter("Digit");
  if (digitAfter("Numpad") >= 0) return kUsageKeypad1 + digitAfter("Numpad");
  if (digitAfter("F") >= 0) return kUsageF1 + digitAfter("F");
  if (std::strcmp(code, "F10") == 0 || std::strcmp(code, "F11") == 0 ||
      std::strcmp(code, "F12") == 0)
    return kUsageF1 + 9 + (code[2] - '0');
  for (const KeyName& k : kKeyNames)
    if (std::strcmp(k.code, code) == 0) return k.usage;
  return 0;
}

// The main keyboard's plus and minus keys are wherever the layout puts '+' or '=' and '-', as
// Windows finds them for any country; a key at their place on a US keyboard that the layout gives
// another symbol has no code here.
WPARAM VirtualKeyOf(uint32_t usage, uint32_t symbol) {
  if (symbol == '+' || symbol == '=') return VK_OEM_PLUS;
  if (symbol == '-') return VK_OEM_MINUS;
  if ((usage == kUsageEquals || usage == kUsageMinus) && symbol != 0) return 0;
  if (usage >= kUsageA && usage < kUsageA + 26) return 'A' + (usage - kUsageA);
  if (usage >= kUsage1 && usage < kUsage1 + 9) return '1' + (usage - kUsage1);
  if (usage >= kUsageF1 && usage < kUsageF1 + 12) return VK_F1 + (usage - kUsageF1);
  if (usage >= kUsageKeypad1 && usage < kUsageKeypad1 + 9)
    return VK_NUMPAD0 + 1 + (usage - kUsageKeypad1);
  for (const KeyName& k : kKeyNames)
    if (k.usage == usage) return k.virtualKey;
  return 0;
}

}  // namespace portable_win32

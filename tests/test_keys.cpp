// Keys as the layer names them, without a window: each to the virtual key Windows would give, the
// main keyboard's plus and minus wherever the layout puts them and the rest by their place.
#include <gtest/gtest.h>

#include <string>

#include "portable_win32/keys.h"
#include "portable_win32/win32.h"
#if defined(OSTREVANE_WAYLAND)
#include "portable_win32/hosts/wayland/keymap.h"
#endif

namespace {

// The page names keys by KeyboardEvent.code and gives the layout's unshifted symbol.
TEST(Keys, BrowserKeysAreWhereTheLayoutPutsThem) {
  struct Case {
    const char* code;
    uint32_t symbol;
    WPARAM expected;  // 0: no key
  };
  // The runs worked out apart, at their ends; keys of the table; US, then German plus and minus,
  // with an accent where US has = and no zoom key there; names not known here.
  // clang-format off
  const Case cases[] = {
      {"KeyA", 'a', 'A'}, {"KeyZ", 'z', 'Z'}, {"Digit1", '1', '1'}, {"Digit9", '9', '9'},
      {"Digit0", '0', '0'}, {"F1", 0, VK_F1}, {"F9", 0, VK_F1 + 8}, {"F10", 0, VK_F10},
      {"F12", 0, VK_F12}, {"Numpad1", 0, VK_NUMPAD0 + 1}, {"Numpad9", 0, VK_NUMPAD0 + 9},
      {"Numpad0", 0, VK_NUMPAD0}, {"NumpadAdd", 0, VK_ADD}, {"Escape", 0, VK_ESCAPE},
      {"ArrowLeft", 0, VK_LEFT},
      {"Equal", '=', VK_OEM_PLUS}, {"Minus", '-', VK_OEM_MINUS},
      {"BracketRight", '+', VK_OEM_PLUS}, {"Slash", '-', VK_OEM_MINUS}, {"Equal", 0xB4, 0},
      {"F13", 0, 0}, {"F0", 0, 0}, {"Digit10", 0, 0}, {"KeyAB", 0, 0}, {"Keya", 'a', 0},
      {"", 0, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(VirtualKeyOf(UsageOfKeyCode(c.code), c.symbol), c.expected) << '"' << c.code << '"';
  }
}

#if defined(OSTREVANE_WAYLAND)
// A virtual keyboard's own keymap (as wtype makes one): F5 and minus at codes of its choosing,
// the codes of Escape and 1 on a real keyboard.
constexpr char kVirtualKeymap[] = R"(xkb_keymap {
  xkb_keycodes "virtual" { minimum = 8; maximum = 10; <K1> = 9; <K2> = 10; };
  xkb_types "virtual" { include "complete" };
  xkb_compatibility "virtual" { include "complete" };
  xkb_symbols "virtual" { key <K1> { [ F5 ] }; key <K2> { [ minus ] }; };
};)";

// On Wayland the keys come as Linux key codes, named through the compositor's keymap: US and
// German keyboards give the keys Windows would, an accent where US has = no zoom key; French
// letters as the layout has them; a virtual keyboard's keys by their symbols; a code beyond those
// known here, none.
TEST(Keys, WaylandKeysAreWhereTheLayoutPutsThem) {
  struct Case {
    const char* layout;
    uint32_t linuxKey;
    WPARAM expected;  // 0: no key
  };
  const Case cases[] = {
      {"us", 13, VK_OEM_PLUS},
      {"us", 12, VK_OEM_MINUS},
      {"de", 27, VK_OEM_PLUS},
      {"de", 53, VK_OEM_MINUS},
      {"de", 13, 0},
      {"de", 12, 0},
      {"de", 78, VK_ADD},
      {"de", 74, VK_SUBTRACT},
      {"us", 63, VK_F5},
      {"us", 87, VK_F11},
      {"de", 1, VK_ESCAPE},
      {"us", 30, 'A'},
      {"us", 11, '0'},
      {"us", 82, VK_NUMPAD0},
      {"us", 96, VK_RETURN},
      {"us", 105, VK_LEFT},
      {"fr", 16, 'A'},
      {"virtual", 1, VK_F5},
      {"virtual", 2, VK_OEM_MINUS},
      {"us", 200, 0},
  };
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  ASSERT_NE(context, nullptr);
  for (const Case& c : cases) {
    const xkb_rule_names names = {"evdev", "pc105", c.layout, "", ""};
    xkb_keymap* keymap =
        std::string(c.layout) == "virtual"
            ? xkb_keymap_new_from_string(context, kVirtualKeymap, XKB_KEYMAP_FORMAT_TEXT_V1,
                                         XKB_KEYMAP_COMPILE_NO_FLAGS)
            : xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ASSERT_NE(keymap, nullptr) << c.layout;
    xkb_state* state = xkb_state_new(keymap);
    const portable_win32::LayerKey named = portable_win32::LayerKeyOf(keymap, state, c.linuxKey);
    EXPECT_EQ(VirtualKeyOf(named.usage, named.symbol), c.expected)
        << c.layout << " key " << c.linuxKey;
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
  }
  xkb_context_unref(context);
}
#endif

}  // namespace

// Process entry where there is no Windows start-up: WinMain gets the module, an empty command
// line and the default show state, and its result is the exit code.
#include "portable_win32/win32_names.h"

int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState);

int main() {
  static char noArguments[] = "";
  return WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT);
}

// Process entry. The toolchain's standard start-up hands WinMain the module instance and the show
// state: wShowWindow when the start-up information carries STARTF_USESHOWWINDOW, else
// SW_SHOWDEFAULT. The previous instance and the command line are not used.
#include "app/shell.h"
#include "portable_win32/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showState) {
  if (!CreateMainWindow(instance, showState)) return 0;
  return RunMessageLoop();
}

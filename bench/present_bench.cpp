// What showing a frame costs the program on a desktop: a 1280 x 800 client filled, then shown by
// its ReleaseDC and the message pump after it (on X11 SDL's shared-memory image and the wait for
// the server; on Wayland the copy into a buffer the compositor has let go of, and the commit).
// The display is whatever the environment names; bench/run-benchmarks.sh runs it on X11 and
// under weston at scales 1 and 2. Frames come 20 ms apart, as a user's moves do, so that a
// compositor's own pace is not counted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "portable_win32/win32.h"

namespace {

constexpr int kWidth = 1280, kHeight = 800;
constexpr int kWarmUpFrames = 10, kFrames = 100;

using Clock = std::chrono::steady_clock;

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Fills the client in a grey other than the last frame's, and times its showing. The events that
// came meanwhile are taken first, as the program takes the input a frame answers.
double PresentFrame(HWND hwnd, int frame) {
  PumpMessages();
  const RECT client = {0, 0, kWidth, kHeight};
  HBRUSH brush = CreateSolidBrush(frame % 2 != 0 ? RGB(96, 96, 96) : RGB(160, 160, 160));
  HDC dc = GetDC(hwnd);
  FillRect(dc, &client, brush);
  const Clock::time_point start = Clock::now();
  ReleaseDC(hwnd, dc);
  PumpMessages();
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  DeleteObject(brush);
  return ms;
}

}  // namespace

int main() {
  HWND hwnd = CreateWindowExA(0, "STATIC", "present", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) return 1;
  // Until the desktop has shown the window at its size.
  for (int i = 0; i < 50; ++i) {
    PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  RECT client;
  GetClientRect(hwnd, &client);
  std::vector<double> ms;
  for (int frame = 0; frame < kWarmUpFrames + kFrames; ++frame) {
    const double time = PresentFrame(hwnd, frame);
    if (frame >= kWarmUpFrames) ms.push_back(time);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::sort(ms.begin(), ms.end());
  std::printf("client %ldx%ld: present median %.3f ms, fastest %.3f ms, p90 %.3f ms (%zu frames)\n",
              static_cast<long>(client.right), static_cast<long>(client.bottom), ms[ms.size() / 2],
              ms.front(), ms[ms.size() * 9 / 10], ms.size());
  DestroyWindow(hwnd);
  return 0;
}

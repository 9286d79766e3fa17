// Input for the menu tests: steps run one per timer tick (1 ms) while a menu loop runs, so a
// test can feed keys and mouse messages to TrackPopupMenu or the menu-bar loop from inside.
#pragma once

#include <functional>
#include <vector>

#include "platform/win/winuser.h"
#include "tests/support/keys.h"

inline std::vector<std::function<void()>>& Steps() {
  static std::vector<std::function<void()>> s;
  return s;
}
inline void RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  if (Steps().empty()) {
    KillTimer(nullptr, id);
    return;
  }
  auto f = Steps().front();
  Steps().erase(Steps().begin());
  f();
}
inline void StartSteps(std::vector<std::function<void()>> s) {
  Steps() = std::move(s);
  SetTimer(nullptr, 0, 1, RunStep);
}

// A step pressing and releasing a key.
inline std::function<void()> K(UINT vk) {
  return [vk] { Key(vk); };
}
// A step moving the message clock on, as if the mouse rested that long (the sub-menu hover delay).
inline std::function<void()> Wait(DWORD ms) {
  return [ms] { AdvanceMessageClock(ms); };
}

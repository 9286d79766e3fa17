// A key pressed and released, injected into the message queue as a person would give it; shared
// by the window, menu and control tests.
#pragma once

#include "platform/win/winuser.h"

inline void Key(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

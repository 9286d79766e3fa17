// Input helpers the class library's tests share: keys and clicks injected into the message
// queue as a person would give them, and work run from the message loop of a modal window.
#pragma once

#include <functional>

#include "platform/vcl/controls.h"
#include "platform/vcl/extctrls.h"
#include "platform/win/winuser.h"
#include "tests/support/keys.h"

// A left click at the client point (x, y) of c.
inline void ClickAt(TControl* c, int x, int y) {
  POINT s = c->ClientToScreen(POINT{x, y});
  InjectMouseButton(s.x, s.y, 0, true);
  InjectMouseButton(s.x, s.y, 0, false);
}

// Runs f from the message loop once it turns (inside a modal window or a menu's loop).
inline void Later(TComponent* Owner, std::function<void()> f) {
  auto* t = new TTimer(Owner);
  t->SetInterval(1);
  t->SetOnTimer([t, f](TObject*) {
    t->SetEnabled(false);
    f();
  });
}

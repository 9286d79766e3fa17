// Helpers for the window manager tests: the headless back end, a window class whose procedure
// logs the messages it gets, a message pump that drains the queue, and pixel reads of rendered
// windows.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win/winuser.h"

struct TLogged {
  HWND Wnd;
  UINT Msg;
  WPARAM W;
  LPARAM L;
};

inline std::vector<TLogged>& MsgLog() {
  static std::vector<TLogged> log;
  return log;
}
// Per-window overrides: return true to stop the default handling, with *result.
using TMsgHandler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline std::map<HWND, TMsgHandler>& Handlers() {
  static std::map<HWND, TMsgHandler> h;
  return h;
}

inline LRESULT LoggingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  MsgLog().push_back({w, m, wp, lp});
  auto it = Handlers().find(w);
  LRESULT r = 0;
  if (it != Handlers().end() && it->second(w, m, wp, lp, &r)) return r;
  return DefWindowProc(w, m, wp, lp);
}

inline void RegisterTestClass() {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = LoggingProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "OrvTest";
  RegisterClass(&wc);
}

// Messages of one kind the log holds for a window (null: any window).
inline std::vector<TLogged> Logged(UINT msg, HWND w = nullptr) {
  std::vector<TLogged> out;
  for (auto& l : MsgLog())
    if (l.Msg == msg && (!w || l.Wnd == w)) out.push_back(l);
  return out;
}

// Dispatches everything waiting (posted, input, paint, due timers) without blocking.
inline int Pump() {
  MSG m;
  int n = 0;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
    if (++n > 10000) break;
  }
  return n;
}

// A 32-bit top-down DIB section of w x h; *bits gets its pixels, 0x00RRGGBB, row 0 first.
inline HBITMAP NewDib32(int w, int h, uint32_t** bits) {
  void* p = nullptr;
  HBITMAP bm = CreateDIB32(w, h, &p);
  *bits = static_cast<uint32_t*>(p);
  return bm;
}

inline COLORREF PixelOf(HBITMAP bm, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ o = SelectObject(dc, bm);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, o);
  DeleteDC(dc);
  return c;
}

class WndTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterTestClass();
    MsgLog().clear();
    Handlers().clear();
    ResetInputState();
  }
  void TearDown() override {
    // Handlers may capture the test body's locals, which are gone now; the windows going may
    // still hear messages (activation passes between them).
    Handlers().clear();
    DestroyAllThreadWindows();
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {}
    Handlers().clear();
  }
  HWND Top(int x, int y, int w, int h, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, DWORD ex = 0) {
    return CreateWindowEx(ex, "OrvTest", "Top", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  }
  HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE, int id = 0) {
    return CreateWindowEx(0, "OrvTest", "Child", style, x, y, w, h, parent,
                          reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
};

// The SDL2 display back end: each visible top-level window is a real window showing its
// surface; mouse, keyboard, text input, file drops, the clipboard text, cursors and the
// monitors (display bounds and usable bounds) come from SDL2. Runs on the main thread; other
// threads wake it through an SDL user event.
#include <SDL2/SDL.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/win/wnd_internal.h"

namespace {

UINT VkFromSdl(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<UINT>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<UINT>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<UINT>(VK_F1 + (k - SDLK_F1));
  switch (k) {
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
  }
  return 0;
}

SDL_SystemCursor SdlCursor(uintptr_t id) {
  switch (id) {
    case IDC_IBEAM_ID: return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT_ID: return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_CROSS_ID: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE_ID: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW_ID: return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE_ID: return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS_ID: return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL_ID: return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO_ID: return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND_ID: return SDL_SYSTEM_CURSOR_HAND;
    case IDC_APPSTARTING_ID: return SDL_SYSTEM_CURSOR_WAITARROW;
  }
  return SDL_SYSTEM_CURSOR_ARROW;
}

struct TSdlWindow {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Texture* Texture = nullptr;
  int TexW = 0, TexH = 0;
};

class TSdlBackend : public TDisplayBackend {
  // A popup without caption that is a tool window or says it does not activate (menus, the
  // lists of combo boxes, hints).
  static bool NeverActive(HWND w) {
    if ((w->Style & WS_POPUP) == 0 || (w->Style & WS_CAPTION) == WS_CAPTION) return false;
    return (w->ExStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)) != 0;
  }

public:
  bool Init() {
    // Interrupt and terminate signals keep their default action and end the program, as they
    // do any other: left to the library they only queue a quit event, which windows close on
    // their own window events instead, so the program could not be stopped by a signal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    FWakeEvent = SDL_RegisterEvents(1);
    SDL_StartTextInput();
    return true;
  }
  ~TSdlBackend() override {
    for (auto& [w, s] : FWindows) Drop(s);
    for (auto& [id, c] : FCursors) SDL_FreeCursor(c);
    SDL_Quit();
  }
  const char* Name() const override { return "sdl"; }
  bool TextInputFromBackend() const override { return true; }

  void WindowShown(HWND w, bool shown) override {
    if (!shown) {
      auto it = FWindows.find(w);
      if (it == FWindows.end() || !it->second.Window) return;
      const bool focused = SDL_GetKeyboardFocus() == it->second.Window;
      SDL_HideWindow(it->second.Window);
      if (focused) FocusActive(w);
      return;
    }
    TSdlWindow& s = FWindows[w];
    if (!s.Window) {
      // Menus, drop-down lists and hints never take the focus from the window they belong to:
      // they become popups of the display, which stay out of the keyboard's way.
      Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
      if (NeverActive(w)) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
      s.Window = SDL_CreateWindow(w->Text.c_str(), w->Rect.left, w->Rect.top, std::max(1, int(w->Rect.right - w->Rect.left)),
                                  std::max(1, int(w->Rect.bottom - w->Rect.top)), flags);
      if (!s.Window) return;
      s.Renderer = SDL_CreateRenderer(s.Window, -1, SDL_RENDERER_SOFTWARE);
    } else {
      SDL_ShowWindow(s.Window);
    }
    w->Presentable = true;
  }
  void WindowDestroyed(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end()) return;
    const bool focused = it->second.Window && SDL_GetKeyboardFocus() == it->second.Window;
    Drop(it->second);
    FWindows.erase(it);
    if (focused) FocusActive(w);
  }
  // A display without window manager leaves the keyboard with no window when the window that had
  // it goes (a popup that was given the focus when shown); it goes back to the active window.
  void FocusActive(HWND gone) {
    HWND a = GetActiveWindow();
    if (!a || a == gone) return;
    auto it = FWindows.find(a);
    if (it != FWindows.end() && it->second.Window && (SDL_GetWindowFlags(it->second.Window) & SDL_WINDOW_SHOWN))
      SDL_SetWindowInputFocus(it->second.Window);
  }
  // The window that had the keyboard is hidden or gone by now; without a window manager the
  // display would leave the keyboard with no window, so it goes to the newly active one.
  void ActivationPassed(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end() || !it->second.Window || NeverActive(w)) return;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    if (focus == it->second.Window) return;
    if (focus && (SDL_GetWindowFlags(focus) & SDL_WINDOW_SHOWN)) return;  // another shown window has it
    if (SDL_GetWindowFlags(it->second.Window) & SDL_WINDOW_SHOWN) SDL_SetWindowInputFocus(it->second.Window);
  }
  // The display's windows are stacked as the window manager has them: w comes up, then the
  // windows the window manager keeps in front of it (topmost ones, open menus) go above it again.
  void WindowRaised(HWND w) override {
    std::vector<HWND> front;  // front first
    {
      std::lock_guard<std::recursive_mutex> g(WmLock());
      for (HWND t : Desktop()->Children) {
        if (t == w) break;
        if (t->Style & WS_VISIBLE) front.push_back(t);
      }
    }
    Raise(w);
    for (auto it = front.rbegin(); it != front.rend(); ++it) Raise(*it);
  }
  void Raise(HWND w) {
    auto it = FWindows.find(w);
    if (it != FWindows.end() && it->second.Window && (SDL_GetWindowFlags(it->second.Window) & SDL_WINDOW_SHOWN))
      SDL_RaiseWindow(it->second.Window);
  }
  void WindowMoved(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end() || !it->second.Window) return;
    SDL_SetWindowPosition(it->second.Window, w->Rect.left, w->Rect.top);
    SDL_SetWindowSize(it->second.Window, std::max(1, int(w->Rect.right - w->Rect.left)), std::max(1, int(w->Rect.bottom - w->Rect.top)));
    w->Presentable = true;
  }
  void WindowTextChanged(HWND w) override {
    auto it = FWindows.find(w);
    if (it != FWindows.end() && it->second.Window) SDL_SetWindowTitle(it->second.Window, w->Text.c_str());
  }
  void Present(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end() || !it->second.Renderer || !w->Surface) return;
    TSdlWindow& s = it->second;
    const TGdiSurface& sf = *w->Surface;
    if (!s.Texture || s.TexW != sf.Width || s.TexH != sf.Height) {
      if (s.Texture) SDL_DestroyTexture(s.Texture);
      s.Texture = SDL_CreateTexture(s.Renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, sf.Width, sf.Height);
      s.TexW = sf.Width;
      s.TexH = sf.Height;
    }
    if (!s.Texture) return;
    SDL_UpdateTexture(s.Texture, nullptr, sf.Top, static_cast<int>(sf.Stride));
    SDL_RenderClear(s.Renderer);
    SDL_RenderCopy(s.Renderer, s.Texture, nullptr, nullptr);
    SDL_RenderPresent(s.Renderer);
  }
  bool Pump(int timeoutMs) override {
    SDL_Event e;
    bool any = false;
    if (!SDL_WaitEventTimeout(&e, timeoutMs)) return true;
    do {
      any = true;
      Handle(e);
    } while (SDL_PollEvent(&e));
    return any;
  }
  void Wake() override {
    SDL_Event e{};
    e.type = FWakeEvent;
    SDL_PushEvent(&e);
  }
  void SetCursor(HCURSOR c) override {
    TCursorInfo info;
    if (!c || !GetCursorInfoOf(c, &info)) {
      SDL_ShowCursor(SDL_DISABLE);
      return;
    }
    SDL_ShowCursor(SDL_ENABLE);
    auto key = reinterpret_cast<uintptr_t>(c);
    SDL_Cursor*& sc = FCursors[key];
    if (!sc) {
      if (info.Pixels) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(info.Pixels), info.Width, info.Height, 32,
                                                            info.Width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (s) {
          sc = SDL_CreateColorCursor(s, info.HotX, info.HotY);
          SDL_FreeSurface(s);
        }
      } else {
        sc = SDL_CreateSystemCursor(SdlCursor(info.StandardId));
      }
    }
    if (sc) SDL_SetCursor(sc);
  }
  bool GetText(std::string* out) override {
    if (!SDL_HasClipboardText()) return false;
    char* t = SDL_GetClipboardText();
    if (!t) return false;
    *out = t;
    SDL_free(t);
    return true;
  }
  bool SetText(const std::string& text) override { return SDL_SetClipboardText(text.c_str()) == 0; }
  bool ScreenSize(int* w, int* h) override {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(0, &r) != 0) return false;
    *w = r.w;
    *h = r.h;
    return true;
  }

  bool Monitors(std::vector<TMonitorLayout>* out) override {
    int n = SDL_GetNumVideoDisplays();
    for (int i = 0; i < n; ++i) {
      SDL_Rect b, u;
      if (SDL_GetDisplayBounds(i, &b) != 0) continue;
      if (SDL_GetDisplayUsableBounds(i, &u) != 0) u = b;
      out->push_back(TMonitorLayout{RECT{b.x, b.y, b.x + b.w, b.y + b.h}, RECT{u.x, u.y, u.x + u.w, u.y + u.h}});
    }
    return !out->empty();
  }

private:
  void Drop(TSdlWindow& s) {
    if (s.Texture) SDL_DestroyTexture(s.Texture);
    if (s.Renderer) SDL_DestroyRenderer(s.Renderer);
    if (s.Window) SDL_DestroyWindow(s.Window);
    s = TSdlWindow{};
  }
  HWND FromId(Uint32 id) {
    SDL_Window* sw = SDL_GetWindowFromID(id);
    // Events of a window already gone carry an unknown id; they belong to no window (not to one
    // whose display window was never made).
    if (!sw) return nullptr;
    for (auto& [w, s] : FWindows)
      if (s.Window == sw) return w;
    return nullptr;
  }
  POINT ToScreen(HWND w, int x, int y) {
    if (!w) return POINT{x, y};
    return POINT{w->Rect.left + x, w->Rect.top + y};
  }
  void Handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_MOUSEMOTION: {
        POINT p = ToScreen(FromId(e.motion.windowID), e.motion.x, e.motion.y);
        InjectMouseMove(p.x, p.y);
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        POINT p = ToScreen(FromId(e.button.windowID), e.button.x, e.button.y);
        int b = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2;
        InjectMouseButton(p.x, p.y, b, e.type == SDL_MOUSEBUTTONDOWN);
        break;
      }
      case SDL_MOUSEWHEEL: {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        POINT p = ToScreen(FromId(e.wheel.windowID), x, y);
        InjectMouseWheel(p.x, p.y, e.wheel.y * WHEEL_DELTA);
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (UINT vk = VkFromSdl(e.key.keysym.sym)) InjectKey(vk, e.type == SDL_KEYDOWN);
        break;
      case SDL_TEXTINPUT: InjectText(e.text.text); break;
      case SDL_DROPFILE: {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        InjectDropFiles(x, y, {e.drop.file});
        SDL_free(e.drop.file);
        break;
      }
      case SDL_WINDOWEVENT: {
        HWND w = FromId(e.window.windowID);
        if (!w) break;
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) PostMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) w->Presentable = true;
        // A window hidden or disabled meanwhile (under a modal or progress window) is not made
        // active; the keyboard goes back to the window that is.
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED && GetActiveWindow() != w && !NeverActive(w) &&
            !InjectActivate(w))
          FocusActive(w);
        break;
      }
      case SDL_QUIT: break;
    }
  }
  std::map<HWND, TSdlWindow> FWindows;
  std::map<uintptr_t, SDL_Cursor*> FCursors;
  Uint32 FWakeEvent = 0;
};

}  // namespace

std::unique_ptr<TDisplayBackend> CreateSdlBackend() {
  auto b = std::make_unique<TSdlBackend>();
  if (!b->Init()) return nullptr;
  return b;
}

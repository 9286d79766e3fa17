// The SDL2 display back end: each visible top-level window is a real window showing its
// surface; mouse, keyboard, text input, file drops, the clipboard text, cursors and the
// monitors (display bounds and usable bounds) come from SDL2. Runs on the main thread; other
// threads wake it through an SDL user event.
#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/rtl/dynlib.h"
#include "platform/win/wnd_internal.h"

namespace {

// SDL2 is opened the first time the display is made, not linked: a program that never shows a
// window (the tests, the command-line tools) then never maps it nor the dozens of libraries it
// pulls in (X11, Wayland, sound), which were half of every process's start. The header gives
// the types and constants; every function goes through this table.
#define ORV_SDL_FUNCTIONS(X)        \
  X(CreateColorCursor)              \
  X(CreateRGBSurfaceWithFormatFrom) \
  X(CreateRenderer)                 \
  X(CreateSystemCursor)             \
  X(CreateTexture)                  \
  X(CreateWindow)                   \
  X(DestroyRenderer)                \
  X(DestroyTexture)                 \
  X(DestroyWindow)                  \
  X(FreeCursor)                     \
  X(FreeSurface)                    \
  X(GetClipboardText)               \
  X(GetDisplayBounds)               \
  X(GetDisplayUsableBounds)         \
  X(GetGlobalMouseState)            \
  X(GetKeyboardFocus)               \
  X(GetMouseState)                  \
  X(GetNumVideoDisplays)            \
  X(GetWindowFlags)                 \
  X(GetWindowFromID)                \
  X(HasClipboardText)               \
  X(HideWindow)                     \
  X(Init)                           \
  X(PollEvent)                      \
  X(PushEvent)                      \
  X(Quit)                           \
  X(RaiseWindow)                    \
  X(RegisterEvents)                 \
  X(RenderClear)                    \
  X(RenderCopy)                     \
  X(RenderPresent)                  \
  X(SetClipboardText)               \
  X(SetCursor)                      \
  X(SetHint)                        \
  X(SetWindowInputFocus)            \
  X(SetWindowPosition)              \
  X(SetWindowSize)                  \
  X(SetWindowTitle)                 \
  X(ShowCursor)                     \
  X(ShowWindow)                     \
  X(StartTextInput)                 \
  X(UpdateTexture)                  \
  X(WaitEventTimeout)               \
  X(free)

struct TSdlApi {
  void* Lib = nullptr;
#define X(name) decltype(&::SDL_##name) name = nullptr;
  ORV_SDL_FUNCTIONS(X)
#undef X
};
TSdlApi gSdl;

// Opens the library and resolves every function once; false (and nothing kept) when the
// library or any of its functions is missing. The library stays mapped once loaded: threads
// and exit handlers it starts point into it.
bool SdlLoad() {
  static std::mutex lock;
  std::lock_guard<std::mutex> g(lock);
  if (gSdl.Lib) return true;
  void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return false;
  TSdlApi api;
  bool all = true;
#define X(name) all = ResolveLibraryFunction(lib, &api.name, "SDL_" #name) && all;
  ORV_SDL_FUNCTIONS(X)
#undef X
  if (!all) {
    dlclose(lib);
    return false;
  }
  api.Lib = lib;
  gSdl = api;
  return true;
}

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
    gSdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (gSdl.Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    FWakeEvent = gSdl.RegisterEvents(1);
    gSdl.StartTextInput();
    return true;
  }
  ~TSdlBackend() override {
    for (auto& [w, s] : FWindows) Drop(s);
    for (auto& [id, c] : FCursors) gSdl.FreeCursor(c);
    gSdl.Quit();
  }
  const char* Name() const override { return "sdl"; }
  bool TextInputFromBackend() const override { return true; }

  void WindowShown(HWND w, bool shown) override {
    if (!shown) {
      auto it = FWindows.find(w);
      if (it == FWindows.end() || !it->second.Window) return;
      const bool focused = gSdl.GetKeyboardFocus() == it->second.Window;
      gSdl.HideWindow(it->second.Window);
      if (focused) FocusActive(w);
      return;
    }
    TSdlWindow& s = FWindows[w];
    if (!s.Window) {
      // Menus, drop-down lists and hints never take the focus from the window they belong to:
      // they become popups of the display, which stay out of the keyboard's way.
      Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
      if (NeverActive(w)) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
      s.Window = gSdl.CreateWindow(w->Text.c_str(), w->Rect.left, w->Rect.top, std::max(1, int(w->Rect.right - w->Rect.left)),
                                  std::max(1, int(w->Rect.bottom - w->Rect.top)), flags);
      if (!s.Window) return;
      s.Renderer = gSdl.CreateRenderer(s.Window, -1, SDL_RENDERER_SOFTWARE);
    } else {
      gSdl.ShowWindow(s.Window);
    }
    w->Presentable = true;
  }
  void WindowDestroyed(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end()) return;
    const bool focused = it->second.Window && gSdl.GetKeyboardFocus() == it->second.Window;
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
    if (it != FWindows.end() && it->second.Window && (gSdl.GetWindowFlags(it->second.Window) & SDL_WINDOW_SHOWN))
      gSdl.SetWindowInputFocus(it->second.Window);
  }
  // The window that had the keyboard is hidden or gone by now; without a window manager the
  // display would leave the keyboard with no window, so it goes to the newly active one.
  void ActivationPassed(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end() || !it->second.Window || NeverActive(w)) return;
    SDL_Window* focus = gSdl.GetKeyboardFocus();
    if (focus == it->second.Window) return;
    if (focus && (gSdl.GetWindowFlags(focus) & SDL_WINDOW_SHOWN)) return;  // another shown window has it
    if (gSdl.GetWindowFlags(it->second.Window) & SDL_WINDOW_SHOWN) gSdl.SetWindowInputFocus(it->second.Window);
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
    if (it != FWindows.end() && it->second.Window && (gSdl.GetWindowFlags(it->second.Window) & SDL_WINDOW_SHOWN))
      gSdl.RaiseWindow(it->second.Window);
  }
  void WindowMoved(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end() || !it->second.Window) return;
    gSdl.SetWindowPosition(it->second.Window, w->Rect.left, w->Rect.top);
    gSdl.SetWindowSize(it->second.Window, std::max(1, int(w->Rect.right - w->Rect.left)), std::max(1, int(w->Rect.bottom - w->Rect.top)));
    w->Presentable = true;
  }
  void WindowTextChanged(HWND w) override {
    auto it = FWindows.find(w);
    if (it != FWindows.end() && it->second.Window) gSdl.SetWindowTitle(it->second.Window, w->Text.c_str());
  }
  void Present(HWND w) override {
    auto it = FWindows.find(w);
    if (it == FWindows.end() || !it->second.Renderer || !w->Surface) return;
    TSdlWindow& s = it->second;
    const TGdiSurface& sf = *w->Surface;
    if (!s.Texture || s.TexW != sf.Width || s.TexH != sf.Height) {
      if (s.Texture) gSdl.DestroyTexture(s.Texture);
      s.Texture = gSdl.CreateTexture(s.Renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, sf.Width, sf.Height);
      s.TexW = sf.Width;
      s.TexH = sf.Height;
    }
    if (!s.Texture) return;
    gSdl.UpdateTexture(s.Texture, nullptr, sf.Top, static_cast<int>(sf.Stride));
    gSdl.RenderClear(s.Renderer);
    gSdl.RenderCopy(s.Renderer, s.Texture, nullptr, nullptr);
    gSdl.RenderPresent(s.Renderer);
  }
  bool Pump(int timeoutMs) override {
    SDL_Event e;
    bool any = false;
    if (!gSdl.WaitEventTimeout(&e, timeoutMs)) return true;
    do {
      any = true;
      Handle(e);
    } while (gSdl.PollEvent(&e));
    return any;
  }
  void Wake() override {
    SDL_Event e{};
    e.type = FWakeEvent;
    gSdl.PushEvent(&e);
  }
  void SetCursor(HCURSOR c) override {
    TCursorInfo info;
    if (!c || !GetCursorInfoOf(c, &info)) {
      gSdl.ShowCursor(SDL_DISABLE);
      return;
    }
    gSdl.ShowCursor(SDL_ENABLE);
    auto key = reinterpret_cast<uintptr_t>(c);
    SDL_Cursor*& sc = FCursors[key];
    if (!sc) {
      if (info.Pixels) {
        SDL_Surface* s = gSdl.CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(info.Pixels), info.Width, info.Height, 32,
                                                            info.Width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (s) {
          sc = gSdl.CreateColorCursor(s, info.HotX, info.HotY);
          gSdl.FreeSurface(s);
        }
      } else {
        sc = gSdl.CreateSystemCursor(SdlCursor(info.StandardId));
      }
    }
    if (sc) gSdl.SetCursor(sc);
  }
  bool GetText(std::string* out) override {
    if (!gSdl.HasClipboardText()) return false;
    char* t = gSdl.GetClipboardText();
    if (!t) return false;
    *out = t;
    gSdl.free(t);
    return true;
  }
  bool SetText(const std::string& text) override { return gSdl.SetClipboardText(text.c_str()) == 0; }
  bool ScreenSize(int* w, int* h) override {
    SDL_Rect r;
    if (gSdl.GetDisplayBounds(0, &r) != 0) return false;
    *w = r.w;
    *h = r.h;
    return true;
  }

  bool Monitors(std::vector<TMonitorLayout>* out) override {
    int n = gSdl.GetNumVideoDisplays();
    for (int i = 0; i < n; ++i) {
      SDL_Rect b, u;
      if (gSdl.GetDisplayBounds(i, &b) != 0) continue;
      if (gSdl.GetDisplayUsableBounds(i, &u) != 0) u = b;
      out->push_back(TMonitorLayout{RECT{b.x, b.y, b.x + b.w, b.y + b.h}, RECT{u.x, u.y, u.x + u.w, u.y + u.h}});
    }
    return !out->empty();
  }

private:
  void Drop(TSdlWindow& s) {
    if (s.Texture) gSdl.DestroyTexture(s.Texture);
    if (s.Renderer) gSdl.DestroyRenderer(s.Renderer);
    if (s.Window) gSdl.DestroyWindow(s.Window);
    s = TSdlWindow{};
  }
  HWND FromId(Uint32 id) {
    SDL_Window* sw = gSdl.GetWindowFromID(id);
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
        gSdl.GetMouseState(&x, &y);
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
        gSdl.GetGlobalMouseState(&x, &y);
        InjectDropFiles(x, y, {e.drop.file});
        gSdl.free(e.drop.file);
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
  if (!SdlLoad()) return nullptr;
  auto b = std::make_unique<TSdlBackend>();
  if (!b->Init()) return nullptr;
  return b;
}

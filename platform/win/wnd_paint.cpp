// Painting: visible regions, update regions, window DCs, BeginPaint/EndPaint, RedrawWindow,
// ScrollWindowEx, and rendering windows into bitmaps and PNG files.
//
// Every top-level window owns a 32-bit surface the size of the whole window; its children draw
// into the same surface through DCs whose origin is their client (or window) corner and whose
// visible region leaves out what covers them: siblings above them and the areas outside their
// ancestors' client areas. A window's DC always leaves out its visible children, so painting a
// parent never damages a child and invalidating a parent need not repaint its children.
#include <algorithm>
#include <cstring>

#include "platform/win/pngsnap.h"
#include "platform/win/wnd_internal.h"

namespace {

std::map<HDC, HWND>& WindowDCs() {
  static std::map<HDC, HWND> m;
  return m;
}

TGdiSurface* DummySurface() {
  static TGdiSurface s;
  static uint32_t px = 0;
  s.Width = s.Height = 1;
  s.BitCount = 32;
  s.Top = reinterpret_cast<uint8_t*>(&px);
  s.Stride = 4;
  return &s;
}

void CombineWith(HRGN dst, const RECT& r, int mode) {
  HRGN t = CreateRectRgnIndirect(&r);
  CombineRgn(dst, dst, t, mode);
  DeleteObject(t);
}

// Subtracts a window's visible shape (its rectangle, limited by its window region) placed at
// originInRoot from rgn.
void SubtractWindow(HRGN rgn, HWND s, POINT originInRoot) {
  RECT r{originInRoot.x, originInRoot.y, originInRoot.x + (s->Rect.right - s->Rect.left),
         originInRoot.y + (s->Rect.bottom - s->Rect.top)};
  if (s->WindowRgn) {
    HRGN t = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(t, s->WindowRgn, nullptr, RGN_COPY);
    OffsetRgn(t, originInRoot.x, originInRoot.y);
    CombineWith(t, r, RGN_AND);
    CombineRgn(rgn, rgn, t, RGN_DIFF);
    DeleteObject(t);
  } else {
    CombineWith(rgn, r, RGN_DIFF);
  }
}

// A DC over the window's part of its root surface. While LockWindowUpdate holds the window or an
// ancestor, the visible region is empty unless ignoreLock (DCX_LOCKWINDOWUPDATE, the caret).
// The extra region is in the DC's own coordinates, or in screen coordinates with extraOnScreen.
HDC MakeWindowDC(HWND w, bool client, HRGN extra, int extraMode, bool ignoreLock = false, bool extraOnScreen = false) {
  HWND root = RootOf(w);
  HRGN vis = !ignoreLock && PaintLocked(w) ? nullptr : VisibleRegion(w, client);
  POINT origin = client ? ClientOriginInRoot(w) : WindowOriginInRoot(w);
  TGdiSurface* surf = root->Surface ? root->Surface.get() : nullptr;
  if (!vis || !surf) {
    if (vis) DeleteObject(vis);
    vis = CreateRectRgn(0, 0, 0, 0);
    surf = DummySurface();
  }
  if (extra) {
    HRGN t = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(t, extra, nullptr, RGN_COPY);
    if (extraOnScreen) OffsetRgn(t, -root->Rect.left, -root->Rect.top);
    else OffsetRgn(t, origin.x, origin.y);
    CombineRgn(vis, vis, t, extraMode);
    DeleteObject(t);
  }
  HDC dc = CreateSurfaceDC(surf, origin, vis);
  DeleteObject(vis);
  std::lock_guard<std::recursive_mutex> g(WmLock());
  WindowDCs()[dc] = w;
  return dc;
}

// Adds a region (client coordinates) to the update region.
void AddUpdate(HWND w, HRGN clientRgn, bool erase) {
  RECT cr{0, 0, w->Client.right - w->Client.left, w->Client.bottom - w->Client.top};
  HRGN t = CreateRectRgnIndirect(&cr);
  if (clientRgn) CombineRgn(t, t, clientRgn, RGN_AND);
  RECT box;
  if (GetRgnBox(t, &box) == NULLREGION) {
    DeleteObject(t);
    return;
  }
  if (!w->Update) {
    w->Update = t;
  } else {
    CombineRgn(w->Update, w->Update, t, RGN_OR);
    DeleteObject(t);
  }
  if (erase) w->EraseNeeded = true;
}

void InvalidateRgnTree(HWND w, HRGN clientRgn, bool erase, bool children, bool frame) {
  if (!(w->Style & WS_VISIBLE)) return;
  AddUpdate(w, clientRgn, erase);
  if (frame) w->FrameDirty = true;
  if (!children) return;
  for (HWND c : w->Children) {
    if (!(c->Style & WS_VISIBLE)) continue;
    int ox = c->Rect.left + c->Client.left, oy = c->Rect.top + c->Client.top;
    RECT wr = c->Rect;
    if (clientRgn && !RectInRegion(clientRgn, &wr)) continue;
    HRGN sub = nullptr;
    if (clientRgn) {
      sub = CreateRectRgn(0, 0, 0, 0);
      CombineRgn(sub, clientRgn, nullptr, RGN_COPY);
      OffsetRgn(sub, -ox, -oy);
    }
    InvalidateRgnTree(c, sub, erase, true, true);
    if (sub) DeleteObject(sub);
  }
}

void WakeOwner(HWND w) { WakeQueue(QueueOf(w->Thread)); }

// Paints one window now through its window procedure; validates it if the procedure did not.
void PaintNow(HWND w) {
  if (!ValidWnd(w) || PaintLocked(w)) return;
  if (w->FrameDirty && !w->Update && !w->InternalPaint) {
    w->FrameDirty = false;
    SendMessage(w, WM_NCPAINT, 1, 0);
    return;
  }
  SendMessage(w, WM_PAINT, 0, 0);
  if (!ValidWnd(w)) return;
  if (w->Update) {
    DeleteObject(w->Update);
    w->Update = nullptr;
  }
  w->FrameDirty = false;
  w->InternalPaint = false;
}

void PaintTree(HWND w) {
  if (!ValidWnd(w) || !(w->Style & WS_VISIBLE)) return;
  if (w->Update || w->FrameDirty || w->InternalPaint) PaintNow(w);
  std::vector<HWND> kids = w->Children;
  std::reverse(kids.begin(), kids.end());  // bottom first
  for (HWND c : kids) PaintTree(c);
}

}  // namespace

HRGN VisibleRegion(HWND w, bool client) {
  if (!VisibleChain(w)) return nullptr;
  HWND root = RootOf(w);
  if (!root->Surface) EnsureSurface(root);
  POINT o = WindowOriginInRoot(w);
  RECT r;
  if (client) {
    r = w->Client;
    OffsetRect(&r, o.x, o.y);
  } else {
    r = {o.x, o.y, o.x + (w->Rect.right - w->Rect.left), o.y + (w->Rect.bottom - w->Rect.top)};
  }
  HRGN rgn = CreateRectRgnIndirect(&r);
  if (w->WindowRgn) {
    HRGN t = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(t, w->WindowRgn, nullptr, RGN_COPY);
    OffsetRgn(t, o.x, o.y);
    CombineRgn(rgn, rgn, t, RGN_AND);
    DeleteObject(t);
  }
  for (HWND c = w; !IsTopLevel(c); c = c->Parent) {
    HWND p = c->Parent;
    POINT po = ClientOriginInRoot(p);
    RECT pc{po.x, po.y, po.x + (p->Client.right - p->Client.left), po.y + (p->Client.bottom - p->Client.top)};
    CombineWith(rgn, pc, RGN_AND);
    if (p->WindowRgn) {
      HRGN t = CreateRectRgn(0, 0, 0, 0);
      CombineRgn(t, p->WindowRgn, nullptr, RGN_COPY);
      POINT pw = WindowOriginInRoot(p);
      OffsetRgn(t, pw.x, pw.y);
      CombineRgn(rgn, rgn, t, RGN_AND);
      DeleteObject(t);
    }
    for (HWND s : p->Children) {
      if (s == c) break;
      if (s->Style & WS_VISIBLE) SubtractWindow(rgn, s, WindowOriginInRoot(s));
    }
  }
  if (client)
    for (HWND k : w->Children)
      if (k->Style & WS_VISIBLE) SubtractWindow(rgn, k, WindowOriginInRoot(k));
  RECT sb{0, 0, root->Surface->Width, root->Surface->Height};
  CombineWith(rgn, sb, RGN_AND);
  return rgn;
}

void InvalidateInternal(HWND w, const RECT* r, bool erase, bool children, bool frame) {
  if (!ValidWnd(w)) return;
  if (w->Thread != std::this_thread::get_id()) {
    RECT copy = r ? *r : RECT{};
    bool has = r != nullptr;
    RunOnWindowThread(w, [=] { InvalidateInternal(w, has ? &copy : nullptr, erase, children, frame); });
    return;
  }
  HRGN rgn = r ? CreateRectRgnIndirect(r) : nullptr;
  InvalidateRgnTree(w, rgn, erase, children, frame);
  if (rgn) DeleteObject(rgn);
  WakeOwner(w);
}

void InvalidateParentArea(HWND w, const RECT& rectInParent) {
  HWND p = w->Parent;
  if (!p || p == Desktop()) return;
  InvalidateInternal(p, &rectInParent, true, true, false);
}

// ---- DCs ----
HDC GetDC(HWND w) {
  if (!w) {
    HDC dc = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    std::lock_guard<std::recursive_mutex> g(WmLock());
    WindowDCs()[dc] = nullptr;
    return dc;
  }
  if (!ValidWnd(w)) return nullptr;
  return MakeWindowDC(w, true, nullptr, RGN_AND);
}

HDC GetWindowDC(HWND w) {
  if (!ValidWnd(w)) return w ? nullptr : GetDC(nullptr);
  return MakeWindowDC(w, false, nullptr, RGN_AND);
}

// The region of DCX_INTERSECTRGN / DCX_EXCLUDERGN is in screen coordinates. The handle 1 (what
// WM_NCPAINT's wParam holds when the whole frame is to be painted) stands for the whole window:
// intersecting with it leaves the DC as it is, excluding it leaves nothing.
HDC GetDCEx(HWND w, HRGN clip, DWORD flags) {
  if (!ValidWnd(w)) return GetDC(nullptr);
  int mode = (flags & DCX_EXCLUDERGN) ? RGN_DIFF : RGN_AND;
  HRGN extra = (flags & (DCX_EXCLUDERGN | DCX_INTERSECTRGN)) ? clip : nullptr;
  HRGN all = nullptr;
  if (extra == reinterpret_cast<HRGN>(1)) {
    extra = nullptr;
    if (mode == RGN_DIFF) {
      all = CreateRectRgn(0, 0, 0, 0);
      extra = all;
      mode = RGN_AND;
    }
  }
  HDC dc = MakeWindowDC(w, !(flags & DCX_WINDOW), extra, mode, flags & DCX_LOCKWINDOWUPDATE, true);
  if (all) DeleteObject(all);
  return dc;
}

int ReleaseDC(HWND, HDC dc) {
  HWND w = nullptr;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    auto it = WindowDCs().find(dc);
    if (it == WindowDCs().end()) return 0;
    w = it->second;
    WindowDCs().erase(it);
  }
  DeleteDC(dc);
  if (w && ValidWnd(w)) RootOf(w)->Presentable = true;
  return 1;
}

HWND WindowFromDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> g(WmLock());
  auto it = WindowDCs().find(dc);
  return it == WindowDCs().end() ? nullptr : it->second;
}

HDC BeginPaint(HWND w, PAINTSTRUCT* ps) {
  if (!ValidWnd(w) || !ps) return nullptr;
  if (w->FrameDirty) {
    w->FrameDirty = false;
    SendMessage(w, WM_NCPAINT, 1, 0);
  }
  HRGN upd = w->Update;
  w->Update = nullptr;
  bool erase = w->EraseNeeded;
  w->EraseNeeded = false;
  w->InternalPaint = false;
  *ps = PAINTSTRUCT{};
  if (upd) GetRgnBox(upd, &ps->rcPaint);
  CaretHideForPaint(w);
  HDC dc = MakeWindowDC(w, true, upd, RGN_AND);
  if (upd) DeleteObject(upd);
  ps->hdc = dc;
  // fErase: the background was to be erased and WM_ERASEBKGND left it to the painter.
  ps->fErase = FALSE;
  if (erase) ps->fErase = SendMessage(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND w, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  ReleaseDC(w, ps->hdc);
  if (ValidWnd(w)) CaretShowAfterPaint(w);
  return TRUE;
}

// ---- Invalidation ----
BOOL InvalidateRect(HWND w, const RECT* r, BOOL erase) {
  if (!w) {
    std::vector<HWND> tops = Desktop()->Children;
    for (HWND t : tops) InvalidateInternal(t, r, erase, true, true);
    return TRUE;
  }
  if (!ValidWnd(w)) return FALSE;
  InvalidateInternal(w, r, erase, false, false);
  return TRUE;
}

BOOL InvalidateRgn(HWND w, HRGN rgn, BOOL erase) {
  if (!ValidWnd(w)) return FALSE;
  if (!rgn) return InvalidateRect(w, nullptr, erase);
  InvalidateRgnTree(w, rgn, erase, false, false);
  WakeOwner(w);
  return TRUE;
}

BOOL ValidateRect(HWND w, const RECT* r) {
  if (!ValidWnd(w)) return FALSE;
  if (!w->Update) return TRUE;
  if (!r) {
    DeleteObject(w->Update);
    w->Update = nullptr;
    w->EraseNeeded = false;
    return TRUE;
  }
  CombineWith(w->Update, *r, RGN_DIFF);
  RECT box;
  if (GetRgnBox(w->Update, &box) == NULLREGION) {
    DeleteObject(w->Update);
    w->Update = nullptr;
  }
  return TRUE;
}

BOOL ValidateRgn(HWND w, HRGN rgn) {
  if (!ValidWnd(w)) return FALSE;
  if (!rgn) return ValidateRect(w, nullptr);
  if (!w->Update) return TRUE;
  CombineRgn(w->Update, w->Update, rgn, RGN_DIFF);
  RECT box;
  if (GetRgnBox(w->Update, &box) == NULLREGION) {
    DeleteObject(w->Update);
    w->Update = nullptr;
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND w, RECT* r, BOOL erase) {
  if (!ValidWnd(w)) return FALSE;
  RECT box{0, 0, 0, 0};
  if (w->Update) GetRgnBox(w->Update, &box);
  if (r) *r = box;
  if (erase && w->Update && w->EraseNeeded) {
    HDC dc = GetDC(w);
    w->EraseNeeded = !SendMessage(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(w, dc);
  }
  return w->Update ? TRUE : FALSE;
}

int GetUpdateRgn(HWND w, HRGN rgn, BOOL) {
  if (!ValidWnd(w) || !rgn) return ERROR;
  if (!w->Update) {
    SetRectRgn(rgn, 0, 0, 0, 0);
    return NULLREGION;
  }
  return CombineRgn(rgn, w->Update, nullptr, RGN_COPY);
}

BOOL UpdateWindow(HWND w) {
  if (!ValidWnd(w)) return FALSE;
  if (w->Update || w->FrameDirty || w->InternalPaint) PaintNow(w);
  return TRUE;
}

BOOL RedrawWindow(HWND w, const RECT* r, HRGN rgn, UINT flags) {
  if (!w) {
    std::vector<HWND> tops = Desktop()->Children;
    for (HWND t : tops) RedrawWindow(t, r, rgn, flags);
    return TRUE;
  }
  if (!ValidWnd(w)) return FALSE;
  bool children = flags & RDW_ALLCHILDREN;
  if (flags & RDW_INVALIDATE) {
    HRGN area = rgn ? rgn : (r ? CreateRectRgnIndirect(r) : nullptr);
    InvalidateRgnTree(w, area, flags & RDW_ERASE, children, flags & RDW_FRAME);
    if (area && area != rgn) DeleteObject(area);
    WakeOwner(w);
  }
  if (flags & RDW_INTERNALPAINT) w->InternalPaint = true;
  if (flags & RDW_VALIDATE) {
    if (rgn) ValidateRgn(w, rgn);
    else ValidateRect(w, r);
    if (flags & RDW_NOFRAME) w->FrameDirty = false;
    if (flags & RDW_NOINTERNALPAINT) w->InternalPaint = false;
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (children) PaintTree(w);
    else UpdateWindow(w);
  }
  return TRUE;
}

HWND& LockedUpdateWindow() {
  static HWND locked = nullptr;
  return locked;
}

bool PaintLocked(HWND w) {
  HWND locked = LockedUpdateWindow();
  if (!locked) return false;
  if (!ValidWnd(locked)) {  // destroyed while locked: the lock goes with it
    LockedUpdateWindow() = nullptr;
    return false;
  }
  return w == locked || IsChild(locked, w);
}

// One window at a time may be locked; locking another fails. Unlocking repaints the window and
// its children, frame included, since what they drew meanwhile was never shown.
BOOL LockWindowUpdate(HWND w) {
  HWND prev;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    prev = LockedUpdateWindow();
    if (prev && !ValidWnd(prev)) prev = LockedUpdateWindow() = nullptr;
    if (w) {
      if (!ValidWnd(w) || prev) return FALSE;
      LockedUpdateWindow() = w;
      return TRUE;
    }
    LockedUpdateWindow() = nullptr;
  }
  if (prev) RedrawWindow(prev, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

int ScrollWindowEx(HWND w, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   RECT* updateRect, UINT flags) {
  if (!ValidWnd(w)) return ERROR;
  RECT cr;
  GetClientRect(w, &cr);
  RECT src = scroll ? *scroll : cr;
  RECT lim = cr;
  if (clip) IntersectRect(&lim, &lim, clip);
  IntersectRect(&src, &src, &lim);
  RECT dst = src;
  OffsetRect(&dst, dx, dy);
  IntersectRect(&dst, &dst, &lim);
  // Move the pixels through a copy of the client area, so overlapping moves stay right. The
  // caret is taken off first, or its inverted pixels would move with the rest.
  bool caretHidden = HideCaret(w);
  if (!IsRectEmpty(&src) && !IsRectEmpty(&dst)) {
    HDC dc = GetDC(w);
    int cw = cr.right, ch = cr.bottom;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bm = CreateCompatibleBitmap(dc, std::max(1, cw), std::max(1, ch));
    HGDIOBJ old = SelectObject(mem, bm);
    BitBlt(mem, 0, 0, cw, ch, dc, 0, 0, SRCCOPY);
    IntersectClipRect(dc, dst.left, dst.top, dst.right, dst.bottom);
    BitBlt(dc, src.left + dx, src.top + dy, src.right - src.left, src.bottom - src.top, mem, src.left, src.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bm);
    DeleteDC(mem);
    ReleaseDC(w, dc);
  }
  if (caretHidden) ShowCaret(w);
  HRGN uncovered = CreateRectRgnIndirect(&src);
  CombineWith(uncovered, dst, RGN_DIFF);
  // What was waiting to be painted moves with the pixels.
  if (w->Update) OffsetRgn(w->Update, dx, dy);
  int type = GetRgnBox(uncovered, updateRect ? updateRect : &cr);
  if (update) CombineRgn(update, uncovered, nullptr, RGN_COPY);
  if (flags & SW_INVALIDATE) {
    InvalidateRgnTree(w, uncovered, flags & SW_ERASE, false, false);
    WakeOwner(w);
  }
  DeleteObject(uncovered);
  if (flags & SW_SCROLLCHILDREN) {
    std::vector<HWND> kids = w->Children;
    for (HWND c : kids) {
      RECT r = c->Rect;
      if (scroll) {
        RECT t;
        if (!IntersectRect(&t, &r, scroll)) continue;
      }
      SetWindowPos(c, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return type;
}

BOOL ScrollWindow(HWND w, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(w, dx, dy, scroll, clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE | (scroll ? 0u : UINT(SW_SCROLLCHILDREN))) != ERROR;
}

// ---- Rendering ----
void UpdateAllWindows() {
  std::vector<HWND> tops;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    for (HWND t : Desktop()->Children)
      if (t->Thread == std::this_thread::get_id()) tops.push_back(t);
  }
  for (HWND t : tops) PaintTree(t);
}

HBITMAP RenderWindowToBitmap(HWND w) {
  if (!ValidWnd(w) || !VisibleChain(w)) return nullptr;
  UpdateAllWindows();
  if (!ValidWnd(w)) return nullptr;
  HWND root = RootOf(w);
  EnsureSurface(root);
  POINT o = WindowOriginInRoot(w);
  int wd = w->Rect.right - w->Rect.left, ht = w->Rect.bottom - w->Rect.top;
  if (wd <= 0 || ht <= 0) return nullptr;
  void* bits = nullptr;
  HBITMAP bm = CreateDIB32(wd, ht, &bits);
  TGdiSurface* dst = GetBitmapSurface(bm);
  const TGdiSurface* src = root->Surface.get();
  if (!dst) return bm;
  for (int y = 0; y < ht; ++y) {
    int sy = y + o.y;
    if (sy < 0 || sy >= src->Height) continue;
    for (int x = 0; x < wd; ++x) {
      int sx = x + o.x;
      if (sx < 0 || sx >= src->Width) continue;
      std::memcpy(dst->Row(y) + x * 4, src->Row(sy) + sx * 4, 4);
    }
  }
  return bm;
}

bool SaveWindowToPng(HWND w, const std::string& path) {
  HBITMAP bm = RenderWindowToBitmap(w);
  if (!bm) return false;
  bool ok = SaveBitmapToPng(bm, path);
  DeleteObject(bm);
  return ok;
}

BOOL PrintWindow(HWND w, HDC dc, UINT flags) {
  HBITMAP bm = RenderWindowToBitmap(w);
  if (!bm) return FALSE;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bm);
  int sx = 0, sy = 0, wd = w->Rect.right - w->Rect.left, ht = w->Rect.bottom - w->Rect.top;
  if (flags & PW_CLIENTONLY) {
    sx = w->Client.left;
    sy = w->Client.top;
    wd = w->Client.right - w->Client.left;
    ht = w->Client.bottom - w->Client.top;
  }
  BitBlt(dc, 0, 0, wd, ht, mem, sx, sy, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bm);
  return TRUE;
}

void PresentDirtyWindows() {
  if (!Backend()) return;
  std::vector<HWND> tops;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    for (HWND t : Desktop()->Children)
      if (t->Presentable && (t->Style & WS_VISIBLE) && t->Thread == std::this_thread::get_id()) tops.push_back(t);
  }
  for (HWND t : tops) {
    t->Presentable = false;
    Backend()->Present(t);
  }
}

// Running menus: TrackPopupMenu and the menu-bar loop share one tracker that keeps the open
// popups as a stack of levels (each in a "#32768" window), reads the input itself while it runs
// and dispatches everything else, so timers, painting and sent messages go on as usual.
// Also the layout and painting of a window's menu bar and DefWindowProc's menu keys.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "platform/win/wnd_menu_internal.h"

namespace {

constexpr int kRow = 20, kSeparator = 8, kMinWidth = 160, kBorder = 2, kBarPad = 16;

struct TLevel {
  HMENU Menu = nullptr;
  HWND Wnd = nullptr;
  RECT Screen{};           // the popup's rectangle on the screen
  std::vector<RECT> Rows;  // client coordinates, one per item
  int Hot = -1;
};

struct TTracker {
  HWND Owner = nullptr;
  UINT Flags = 0;
  HMENU Bar = nullptr;  // the menu-bar loop of Owner's menu
  int BarHot = -1;
  std::vector<TLevel> Levels;
  HWND CaptureWnd = nullptr;
  bool Done = false;
  bool DownSeen = false;
  bool ByKeyboard = false;  // accelerators are shown once the keyboard is used
  bool AltDown = false;
  UINT_PTR Chosen = 0;
};
thread_local TTracker* gTrack = nullptr;

const TApiMenuItem* ItemOf(HMENU menu, int i) {
  TApiMenu* m = FindApiMenu(menu);
  if (!m || i < 0 || i >= static_cast<int>(m->Items.size())) return nullptr;
  return &m->Items[static_cast<size_t>(i)];
}

int Count(HMENU menu) { return std::max(GetMenuItemCount(menu), 0); }

bool Selectable(const TApiMenuItem* it) {
  return it && !(it->Flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

// The text without its accelerator marks ("&&" stays one "&"), and the marked character.
std::string Plain(const std::string& s, char* accel = nullptr) {
  std::string out;
  if (accel) *accel = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != '&' && accel && !*accel) *accel = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    }
    out += s[i];
  }
  return out;
}

int TextWidth(const std::string& s) {
  if (s.empty()) return 0;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE sz{0, 0};
  std::string p = Plain(s);
  GetTextExtentPoint32(dc, p.c_str(), static_cast<int>(p.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return sz.cx;
}

// WM_MEASUREITEM for an owner-drawn item, starting from the given size.
SIZE Measure(HWND owner, const TApiMenuItem& it, int width, int height) {
  MEASUREITEMSTRUCT mis{ODT_MENU, 0, static_cast<UINT>(it.Id), static_cast<UINT>(width), static_cast<UINT>(height),
                        it.Data};
  if (owner) SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
  return SIZE{static_cast<LONG>(mis.itemWidth), std::max<LONG>(static_cast<LONG>(mis.itemHeight), 1)};
}

UINT OwnerDrawState(const TApiMenuItem& it, bool selected, bool hot, bool noAccel) {
  UINT s = 0;
  if (selected) s |= ODS_SELECTED;
  if (hot) s |= ODS_HOTLIGHT;
  if (it.Flags & MF_GRAYED) s |= ODS_GRAYED;
  if (it.Flags & (MF_GRAYED | MF_DISABLED)) s |= ODS_DISABLED;
  if (it.Flags & MF_CHECKED) s |= ODS_CHECKED;
  if (it.Flags & MF_DEFAULT) s |= ODS_DEFAULT;
  if (noAccel) s |= ODS_NOACCEL;
  return s;
}

void SendDrawItem(HWND owner, HMENU menu, const TApiMenuItem& it, HDC dc, RECT r, UINT state) {
  DRAWITEMSTRUCT dis{ODT_MENU, 0, static_cast<UINT>(it.Id), ODA_DRAWENTIRE, state, reinterpret_cast<HWND>(menu), dc, r,
                     it.Data};
  int saved = SaveDC(dc);
  if (owner) SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  RestoreDC(dc, saved);
}

void MenuSelect(HMENU menu, int index) {
  const TApiMenuItem* it = ItemOf(menu, index);
  if (!it || !gTrack->Owner) return;
  UINT flags = (it->Flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_OWNERDRAW | MF_POPUP)) | MF_HILITE;
  if (!gTrack->ByKeyboard) flags |= MF_MOUSESELECT;
  WORD id = (it->Flags & MF_POPUP) ? static_cast<WORD>(index) : static_cast<WORD>(it->Id);
  SendMessage(gTrack->Owner, WM_MENUSELECT, MAKEWPARAM(id, static_cast<WORD>(flags)), reinterpret_cast<LPARAM>(menu));
}

// ---- Menu bar layout ----
// Item rectangles in window coordinates, left to right along the row (clipped at its end).
std::vector<RECT> BarRects(HWND wnd, HMENU menu) {
  std::vector<RECT> out;
  RECT bar;
  TApiMenu* m = FindApiMenu(menu);
  if (!m || !GetMenuBarRect(wnd, &bar)) return out;
  int x = bar.left;
  for (const TApiMenuItem& it : m->Items) {
    int w = (it.Flags & MF_OWNERDRAW) ? static_cast<int>(Measure(wnd, it, 0, bar.bottom - bar.top).cx)
                                      : TextWidth(it.Text) + kBarPad;
    out.push_back(RECT{x, bar.top, std::min<LONG>(x + w, bar.right), bar.bottom});
    x += w;
  }
  return out;
}

int BarItemAt(POINT screen) {
  RECT wr;
  GetWindowRect(gTrack->Owner, &wr);
  POINT p{screen.x - wr.left, screen.y - wr.top};
  std::vector<RECT> rects = BarRects(gTrack->Owner, gTrack->Bar);
  for (size_t i = 0; i < rects.size(); ++i)
    if (PtInRect(&rects[i], p)) return static_cast<int>(i);
  return -1;
}

// ---- Popup levels ----
TLevel* LevelOf(HWND w) {
  if (!gTrack) return nullptr;
  for (TLevel& l : gTrack->Levels)
    if (l.Wnd == w) return &l;
  return nullptr;
}

void PaintLevel(HWND w) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w, &ps);
  TLevel* lv = LevelOf(w);
  RECT c;
  GetClientRect(w, &c);
  FillRect(dc, &c, GetSysColorBrush(COLOR_MENU));
  DrawEdge(dc, &c, EDGE_RAISED, BF_RECT);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  // The default item is written in bold.
  LOGFONTA lf{};
  GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  HFONT bold = CreateFontIndirect(&lf);
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; lv && i < lv->Rows.size(); ++i) {
    const TApiMenuItem* it = ItemOf(lv->Menu, static_cast<int>(i));
    if (!it) break;
    RECT row = lv->Rows[i];
    bool hot = static_cast<int>(i) == lv->Hot;
    if (it->Flags & MF_OWNERDRAW) {
      SendDrawItem(gTrack->Owner, lv->Menu, *it, dc, row, OwnerDrawState(*it, hot, false, !gTrack->ByKeyboard));
      continue;
    }
    if ((it->Flags & MF_MENUBARBREAK) && row.left > kBorder) {
      RECT bar{row.left - 1, kBorder, row.left + 1, c.bottom - kBorder};
      DrawEdge(dc, &bar, EDGE_ETCHED, BF_LEFT);
    }
    if (it->Flags & MF_SEPARATOR) {
      RECT line{row.left + 2, (row.top + row.bottom) / 2 - 1, row.right - 2, (row.top + row.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    hot = hot && Selectable(it);
    SelectObject(dc, (it->Flags & MF_DEFAULT) && bold ? static_cast<HGDIOBJ>(bold) : GetStockObject(DEFAULT_GUI_FONT));
    if (hot) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(!Selectable(it) ? COLOR_GRAYTEXT : hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    // "Caption\tShortcut": the shortcut text goes right-aligned.
    size_t tab = it->Text.find('\t');
    std::string label = it->Text.substr(0, tab);
    UINT prefix = gTrack->ByKeyboard ? 0u : UINT(DT_HIDEPREFIX);
    RECT t{row.left + 20, row.top, row.right - 16, row.bottom};
    DrawText(dc, label.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | prefix);
    if (tab != std::string::npos) {
      std::string keys = it->Text.substr(tab + 1);
      DrawText(dc, keys.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
    if ((it->Flags & MF_CHECKED) && (it->Flags & MFT_RADIOCHECK)) {
      // A radio item shows a dot.
      int cy = (row.top + row.bottom) / 2, cx = row.left + 11;
      HGDIOBJ ob = SelectObject(dc, GetSysColorBrush(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
      HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
      Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
      SelectObject(dc, op);
      SelectObject(dc, ob);
    } else if (it->Flags & MF_CHECKED) {
      RECT m{row.left + 4, row.top, row.left + 18, row.bottom};
      DrawText(dc, "v", -1, &m, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
    if (it->Flags & MF_POPUP) {
      // A small arrow pointing at the sub-menu.
      int cy = (row.top + row.bottom) / 2, x = row.right - 10;
      POINT tri[3] = {{x, cy - 4}, {x + 4, cy}, {x, cy + 4}};
      HGDIOBJ ob = SelectObject(dc, GetSysColorBrush(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
      HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
      Polygon(dc, tri, 3);
      SelectObject(dc, op);
      SelectObject(dc, ob);
    }
  }
  SelectObject(dc, oldFont);
  if (bold) DeleteObject(bold);
  EndPaint(w, &ps);
}

LRESULT PopupProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      PaintLevel(w);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return DefWindowProc(w, msg, wp, lp);
}

void RegisterPopupClass() {
  WNDCLASSA existing;
  if (GetClassInfo(nullptr, "#32768", &existing)) return;
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = PopupProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_MENU + 1));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "#32768";
  RegisterClass(&wc);
}

// Rows of a popup: owner-drawn items size themselves, texts are measured, and the popup is at
// least kMinWidth wide. An item with MF_MENUBREAK or MF_MENUBARBREAK starts a new column; each
// column is as wide as its widest item.
SIZE LayOut(TLevel& lv) {
  TApiMenu* m = FindApiMenu(lv.Menu);
  std::vector<SIZE> sizes;
  for (const TApiMenuItem& it : m->Items) {
    int w = 0, h = kRow;
    if (it.Flags & MF_OWNERDRAW) {
      SIZE s = Measure(gTrack->Owner, it, 0, kRow);
      w = s.cx;
      h = s.cy;
    } else if (it.Flags & MF_SEPARATOR) {
      h = kSeparator;
    } else {
      size_t tab = it.Text.find('\t');
      w = 20 + TextWidth(it.Text.substr(0, tab)) + 20;
      if (tab != std::string::npos) w += 16 + TextWidth(it.Text.substr(tab + 1));
    }
    sizes.push_back(SIZE{w, h});
  }
  // Columns as [first, last) item ranges.
  std::vector<std::pair<size_t, size_t>> cols;
  for (size_t i = 0; i < m->Items.size(); ++i)
    if (i == 0 || (m->Items[i].Flags & (MF_MENUBREAK | MF_MENUBARBREAK))) cols.push_back({i, i + 1});
    else cols.back().second = i + 1;
  lv.Rows.assign(m->Items.size(), RECT{0, 0, 0, 0});
  int x = kBorder, bottom = kBorder;
  for (size_t c = 0; c < cols.size(); ++c) {
    int width = 0;
    for (size_t i = cols[c].first; i < cols[c].second; ++i) width = std::max<int>(width, sizes[i].cx);
    if (c + 1 == cols.size()) width = std::max(width, kMinWidth - kBorder - x);
    int y = kBorder;
    for (size_t i = cols[c].first; i < cols[c].second; ++i) {
      lv.Rows[i] = RECT{x, y, x + width, y + static_cast<int>(sizes[i].cy)};
      y += sizes[i].cy;
    }
    bottom = std::max(bottom, y);
    x += width;
  }
  return SIZE{x + kBorder, bottom + kBorder};
}

// Keeps [pos, pos + size) inside [0, limit): flips to the other side of the anchor range
// [a0, a1) when the first choice does not fit and the other side does, else shifts.
int Place(int pos, int size, int limit, int a0, int a1, bool after) {
  if (pos >= 0 && pos + size <= limit) return pos;
  int flipped = after ? a0 - size : a1;
  if (flipped >= 0 && flipped + size <= limit) return flipped;
  return std::max(0, std::min(pos, limit - size));
}

void SetHot(TLevel& lv, int row) {
  if (row == lv.Hot) return;
  lv.Hot = row;
  InvalidateRect(lv.Wnd, nullptr, TRUE);
  if (row >= 0) MenuSelect(lv.Menu, row);
}

// The next selectable row from the hot one in direction step, wrapping; the hot one when none.
int NextRow(const TLevel& lv, int step) {
  int n = static_cast<int>(lv.Rows.size());
  int r = lv.Hot;
  for (int k = 0; k < n; ++k) {
    r = r < 0 ? (step > 0 ? 0 : n - 1) : (r + step + n) % n;
    if (Selectable(ItemOf(lv.Menu, r))) return r;
  }
  return lv.Hot;
}

void CloseFrom(size_t level) {
  while (gTrack->Levels.size() > level) {
    HWND w = gTrack->Levels.back().Wnd;
    gTrack->Levels.pop_back();
    if (w) DestroyWindow(w);
  }
}

// Opens menu as a new level. The anchor is the parent's row (or bar item) in screen
// coordinates; a drop-down opens below it, a sub-menu beside it. false when the owner left the
// menu empty in WM_INITMENUPOPUP.
bool OpenLevel(HMENU menu, int index, RECT anchor, bool dropDown, bool selectFirst) {
  if (gTrack->Owner)
    SendMessage(gTrack->Owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(static_cast<WORD>(index), 0));
  if (!gTrack || gTrack->Done || Count(menu) == 0) return false;
  TLevel lv;
  lv.Menu = menu;
  SIZE sz = LayOut(lv);
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  int x, y;
  if (dropDown) {
    x = Place(anchor.left, sz.cx, sw, anchor.left, anchor.right, true);
    y = Place(anchor.bottom, sz.cy, sh, anchor.top, anchor.bottom, true);
    if (y != anchor.bottom && anchor.top - sz.cy >= 0) y = anchor.top - sz.cy;
  } else {
    x = Place(anchor.right, sz.cx, sw, anchor.left, anchor.right, true);
    y = Place(anchor.top - kBorder, sz.cy, sh, anchor.top, anchor.bottom, false);
    if (y != anchor.top - kBorder) y = std::max(0, std::min<int>(anchor.top - kBorder, sh - sz.cy));
  }
  lv.Screen = RECT{x, y, x + sz.cx, y + sz.cy};
  lv.Wnd = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "#32768", "", WS_POPUP, x, y, sz.cx, sz.cy,
                          gTrack->Owner, nullptr, nullptr, nullptr);
  if (!lv.Wnd) return false;
  gTrack->Levels.push_back(lv);
  ShowWindow(lv.Wnd, SW_SHOWNA);
  if (selectFirst) {
    TLevel& top = gTrack->Levels.back();
    SetHot(top, NextRow(top, 1));
  }
  return true;
}

RECT RowOnScreen(const TLevel& lv, int row) {
  RECT r = lv.Rows[static_cast<size_t>(row)];
  OffsetRect(&r, lv.Screen.left, lv.Screen.top);
  return r;
}

// Opens the sub-menu of row in level l (closing deeper ones).
void OpenSub(size_t l, int row, bool selectFirst) {
  CloseFrom(l + 1);
  const TApiMenuItem* it = ItemOf(gTrack->Levels[l].Menu, row);
  if (!Selectable(it) || !(it->Flags & MF_POPUP)) return;
  // Beside the parent popup, level with the row.
  const TLevel& parent = gTrack->Levels[l];
  RECT r = RowOnScreen(parent, row);
  OpenLevel(it->Sub, row, RECT{parent.Screen.left, r.top, parent.Screen.right, r.bottom}, false, selectFirst);
}

void Choose(HMENU menu, int row) {
  const TApiMenuItem* it = ItemOf(menu, row);
  if (!Selectable(it) || (it->Flags & MF_POPUP)) return;
  gTrack->Chosen = it->Id;
  gTrack->Done = true;
}

// ---- Menu bar in the loop ----
RECT BarItemOnScreen(int i) {
  std::vector<RECT> rects = BarRects(gTrack->Owner, gTrack->Bar);
  RECT wr, r{0, 0, 0, 0};
  GetWindowRect(gTrack->Owner, &wr);
  if (i >= 0 && i < static_cast<int>(rects.size())) {
    r = rects[static_cast<size_t>(i)];
    OffsetRect(&r, wr.left, wr.top);
  }
  return r;
}

void SetBarHot(int i) {
  if (i == gTrack->BarHot) return;
  gTrack->BarHot = i;
  DrawMenuBar(gTrack->Owner);
  if (i >= 0) MenuSelect(gTrack->Bar, i);
}

// Highlights bar item i and, when open, shows its drop-down.
void OpenBar(int i, bool open, bool selectFirst) {
  CloseFrom(0);
  SetBarHot(i);
  DrawMenuBar(gTrack->Owner);
  const TApiMenuItem* it = ItemOf(gTrack->Bar, i);
  if (open && Selectable(it) && (it->Flags & MF_POPUP)) OpenLevel(it->Sub, i, BarItemOnScreen(i), true, selectFirst);
}

int NextBar(int step) {
  int n = Count(gTrack->Bar);
  int r = gTrack->BarHot;
  for (int k = 0; k < n; ++k) {
    r = r < 0 ? 0 : (r + step + n) % n;
    if (!(ItemOf(gTrack->Bar, r)->Flags & MF_SEPARATOR)) return r;
  }
  return gTrack->BarHot;
}

// The first item of menu whose text marks ch as its accelerator, or -1.
int AccelRow(HMENU menu, char ch) {
  ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (int i = 0; i < Count(menu); ++i) {
    char a = 0;
    const TApiMenuItem* it = ItemOf(menu, i);
    Plain(it->Text.substr(0, it->Text.find('\t')), &a);
    if (a && a == ch && !(it->Flags & MF_SEPARATOR)) return i;
  }
  return -1;
}

// ---- Input ----
void Key(UINT vk) {
  TTracker& t = *gTrack;
  t.ByKeyboard = true;
  if (vk == VK_MENU || vk == VK_F10) {
    if (t.Bar) t.Done = true;
    return;
  }
  if (t.Levels.empty()) {  // the menu bar alone is highlighted
    const TApiMenuItem* it = ItemOf(t.Bar, t.BarHot);
    if (vk == VK_LEFT || vk == VK_RIGHT) SetBarHot(NextBar(vk == VK_RIGHT ? 1 : -1));
    else if (vk == VK_ESCAPE) t.Done = true;
    else if (vk == VK_DOWN || vk == VK_UP || vk == VK_RETURN) {
      if (it && (it->Flags & MF_POPUP)) OpenBar(t.BarHot, true, true);
      else if (vk == VK_RETURN) Choose(t.Bar, t.BarHot);
    }
    return;
  }
  size_t topIndex = t.Levels.size() - 1;
  TLevel& top = t.Levels.back();
  const TApiMenuItem* hot = ItemOf(top.Menu, top.Hot);
  bool hotHasSub = Selectable(hot) && (hot->Flags & MF_POPUP);
  switch (vk) {
    case VK_DOWN:
    case VK_UP:
      SetHot(top, NextRow(top, vk == VK_DOWN ? 1 : -1));
      break;
    case VK_RIGHT:
      if (hotHasSub) OpenSub(topIndex, top.Hot, true);
      else if (t.Bar) OpenBar(NextBar(1), true, true);
      break;
    case VK_LEFT:
      if (t.Levels.size() > 1) CloseFrom(topIndex);
      else if (t.Bar) OpenBar(NextBar(-1), true, true);
      break;
    case VK_RETURN:
      if (hotHasSub) OpenSub(topIndex, top.Hot, true);
      else Choose(top.Menu, top.Hot);
      break;
    case VK_ESCAPE:
      if (t.Levels.size() > 1 || t.Bar) CloseFrom(topIndex);
      else t.Done = true;
      if (t.Bar && t.Levels.empty()) DrawMenuBar(t.Owner);
      break;
  }
}

void Char(char ch) {
  TTracker& t = *gTrack;
  if (static_cast<unsigned char>(ch) < 0x20) return;
  HMENU menu = t.Levels.empty() ? t.Bar : t.Levels.back().Menu;
  int row = AccelRow(menu, ch);
  if (row < 0 && t.Owner) {
    // No text of the menu has it (owner-drawn items have none): the owner may know the item.
    WORD flags = t.Levels.empty() ? 0 : static_cast<WORD>(MF_POPUP);
    LRESULT r = SendMessage(t.Owner, WM_MENUCHAR, MAKEWPARAM(static_cast<unsigned char>(ch), flags),
                            reinterpret_cast<LPARAM>(menu));
    if (!gTrack || t.Done) return;
    WORD how = HIWORD(static_cast<DWORD>(r));
    if (how == MNC_CLOSE) t.Done = true;
    if (how != MNC_EXECUTE && how != MNC_SELECT) return;
    row = LOWORD(static_cast<DWORD>(r));
    if (!ItemOf(menu, row)) return;
    if (how == MNC_SELECT) {
      if (t.Levels.empty()) SetBarHot(row);
      else SetHot(t.Levels.back(), row);
      return;
    }
  }
  if (row < 0) return;
  const TApiMenuItem* it = ItemOf(menu, row);
  if (t.Levels.empty()) {
    if (it->Flags & MF_POPUP) OpenBar(row, true, true);
    else Choose(t.Bar, row);
    return;
  }
  TLevel& top = t.Levels.back();
  SetHot(top, row);
  if (it->Flags & MF_POPUP) OpenSub(t.Levels.size() - 1, row, true);
  else Choose(top.Menu, row);
}

// The deepest open level containing the point, or -1.
int LevelAt(POINT s) {
  for (int l = static_cast<int>(gTrack->Levels.size()) - 1; l >= 0; --l)
    if (PtInRect(&gTrack->Levels[static_cast<size_t>(l)].Screen, s)) return l;
  return -1;
}

int RowAt(const TLevel& lv, POINT s) {
  POINT c{s.x - lv.Screen.left, s.y - lv.Screen.top};
  for (size_t i = 0; i < lv.Rows.size(); ++i)
    if (PtInRect(&lv.Rows[i], c)) return static_cast<int>(i);
  return -1;
}

void Mouse(UINT msg, POINT s) {
  TTracker& t = *gTrack;
  int l = LevelAt(s);
  int row = l >= 0 ? RowAt(t.Levels[static_cast<size_t>(l)], s) : -1;
  int barItem = (t.Bar && l < 0) ? BarItemAt(s) : -1;
  bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
              msg == WM_RBUTTONDBLCLK;
  bool up = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
  if (msg == WM_MOUSEMOVE) {
    if (l >= 0 && row >= 0) {
      TLevel& lv = t.Levels[static_cast<size_t>(l)];
      bool subOpen = static_cast<size_t>(l) + 1 < t.Levels.size();
      if (row == lv.Hot && subOpen) return;
      CloseFrom(static_cast<size_t>(l) + 1);
      SetHot(lv, row);
      OpenSub(static_cast<size_t>(l), row, false);
    } else if (barItem >= 0 && barItem != t.BarHot) {
      // Moving along the bar carries an open drop-down with it.
      OpenBar(barItem, !t.Levels.empty(), false);
    } else if (l < 0 && !t.Levels.empty() && t.Levels.size() == 1) {
      SetHot(t.Levels.back(), -1);
    }
    return;
  }
  if (down) {
    t.DownSeen = true;
    if (l >= 0) return;
    if (barItem >= 0) {
      if (barItem == t.BarHot && !t.Levels.empty()) t.Done = true;  // a click on the open item closes it
      else OpenBar(barItem, true, false);
      return;
    }
    t.Done = true;  // a click outside cancels
    return;
  }
  if (up) {
    if (l >= 0 && row >= 0) {
      const TApiMenuItem* it = ItemOf(t.Levels[static_cast<size_t>(l)].Menu, row);
      if (it && (it->Flags & MF_POPUP)) return;
      Choose(t.Levels[static_cast<size_t>(l)].Menu, row);
    } else if (barItem >= 0) {
      const TApiMenuItem* it = ItemOf(t.Bar, barItem);
      if (barItem == t.BarHot && it && !(it->Flags & MF_POPUP)) Choose(t.Bar, barItem);
    } else if (l < 0 && t.DownSeen) {
      t.Done = true;
    }
  }
}

bool IsMouse(UINT m) { return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK); }

// Takes the input messages of the loop; true when the message was the menu's.
bool HandleInput(MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (msg.wParam == VK_MENU) {
        gTrack->AltDown = true;
        return true;
      }
      TranslateMessage(&msg);
      Key(static_cast<UINT>(msg.wParam));
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      // Alt pressed and released while the bar is highlighted leaves the menu.
      if (msg.wParam == VK_MENU && gTrack->AltDown) Key(VK_MENU);
      return true;
    case WM_CHAR:
    case WM_SYSCHAR:
      Char(static_cast<char>(msg.wParam));
      return true;
  }
  if (!IsMouse(msg.message)) return false;
  if (msg.message == WM_MOUSEWHEEL) return true;
  POINT s{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
  UINT m = msg.message;
  if (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK) m = m - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
  else if (msg.hwnd) ClientToScreen(msg.hwnd, &s);
  Mouse(m, s);
  return true;
}

// Runs the loop for the tracker set up by the caller; returns the chosen id (0: cancelled).
UINT_PTR Run(TTracker& t) {
  MSG msg;
  bool quit = false;
  int quitCode = 0;
  while (!t.Done) {
    if (GetCapture() != t.CaptureWnd) break;  // someone else took the mouse: cancel
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (HandleInput(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  CloseFrom(0);
  if (GetCapture() == t.CaptureWnd) ReleaseCapture();
  if (quit) PostQuitMessage(quitCode);  // the caller's loop must see it too
  return t.Done ? t.Chosen : 0;
}

void Finish(TTracker& t, BOOL popup) {
  gTrack = nullptr;
  if (!t.Owner || !IsWindow(t.Owner)) return;
  SendMessage(t.Owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  SendMessage(t.Owner, WM_EXITMENULOOP, static_cast<WPARAM>(popup), 0);
}

}  // namespace

bool MenuInUse(HMENU menu) {
  if (!gTrack) return false;
  if (gTrack->Bar == menu) return true;
  for (const TLevel& l : gTrack->Levels)
    if (l.Menu == menu) return true;
  return false;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  TApiMenu* m = FindApiMenu(menu);
  if (!m || m->Items.empty() || gTrack) return FALSE;
  RegisterPopupClass();
  TTracker t;
  t.Owner = IsWindow(owner) ? owner : nullptr;
  t.Flags = flags;
  gTrack = &t;
  if (t.Owner) SendMessage(t.Owner, WM_ENTERMENULOOP, TRUE, 0);
  // The alignment flags place the popup around the point; the anchor is the point itself.
  if (t.Owner) SendMessage(t.Owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  bool shown = false;
  if (Count(menu) > 0) {
    TLevel lv;
    lv.Menu = menu;
    SIZE sz = LayOut(lv);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int left = (flags & TPM_RIGHTALIGN) ? x - sz.cx : (flags & TPM_CENTERALIGN) ? x - sz.cx / 2 : x;
    int top = (flags & TPM_BOTTOMALIGN) ? y - sz.cy : (flags & TPM_VCENTERALIGN) ? y - sz.cy / 2 : y;
    bool centredX = flags & TPM_CENTERALIGN, centredY = flags & TPM_VCENTERALIGN;
    left = centredX ? std::max(0, std::min<int>(left, sw - sz.cx)) : Place(left, sz.cx, sw, x, x, !(flags & TPM_RIGHTALIGN));
    top = centredY ? std::max(0, std::min<int>(top, sh - sz.cy)) : Place(top, sz.cy, sh, y, y, !(flags & TPM_BOTTOMALIGN));
    lv.Screen = RECT{left, top, left + sz.cx, top + sz.cy};
    lv.Wnd = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "#32768", "", WS_POPUP, left, top, sz.cx, sz.cy, t.Owner,
                            nullptr, nullptr, nullptr);
    if (lv.Wnd) {
      t.Levels.push_back(lv);
      shown = true;
    }
  }
  if (!shown) {
    Finish(t, TRUE);
    return FALSE;
  }
  HWND first = t.Levels[0].Wnd;
  ShowWindow(first, SW_SHOWNA);
  // The loop reads the keys whichever window they are for, so the focus stays where it is (no
  // focus events for the control the menu belongs to); without a focus the popup takes it, or
  // the keys would have nowhere to go.
  if (!GetFocus()) SetFocus(first);
  SetCapture(first);
  t.CaptureWnd = first;
  UINT_PTR chosen = Run(t);
  Finish(t, TRUE);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && t.Owner && !(flags & TPM_NONOTIFY)) PostMessage(t.Owner, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
  return chosen != 0;
}

UINT_PTR TrackMenuBar(HWND wnd, int pos, BOOL open, BOOL byKeyboard) {
  HMENU menu = GetMenu(wnd);
  if (gTrack || !IsWindow(wnd) || Count(menu) == 0 || !FindApiMenu(menu)->Bar) return 0;
  RegisterPopupClass();
  TTracker t;
  t.Owner = wnd;
  t.Bar = menu;
  gTrack = &t;
  SendMessage(wnd, WM_ENTERMENULOOP, FALSE, 0);
  SendMessage(wnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  if (!gTrack || GetMenu(wnd) != menu) {  // the owner changed the menu: nothing to run
    Finish(t, FALSE);
    return 0;
  }
  t.ByKeyboard = byKeyboard || !open;
  if (pos < 0 || pos >= Count(menu)) pos = 0;
  SetCapture(wnd);
  t.CaptureWnd = wnd;
  OpenBar(pos, open, open && byKeyboard);
  UINT_PTR chosen = Run(t);
  t.BarHot = -1;
  Finish(t, FALSE);
  DrawMenuBar(wnd);
  return chosen;
}

BOOL EndMenu() {
  if (!gTrack) return FALSE;
  gTrack->Chosen = 0;
  gTrack->Done = true;
  if (gTrack->CaptureWnd) PostMessage(gTrack->CaptureWnd, WM_NULL, 0, 0);
  return TRUE;
}

BOOL GetMenuItemRect(HWND wnd, HMENU menu, UINT item, RECT* r) {
  if (!r || !FindApiMenu(menu)) return FALSE;
  if (wnd && GetMenu(wnd) == menu) {
    std::vector<RECT> rects = BarRects(wnd, menu);
    if (item >= rects.size()) return FALSE;
    RECT wr;
    GetWindowRect(wnd, &wr);
    *r = rects[item];
    OffsetRect(r, wr.left, wr.top);
    return TRUE;
  }
  if (!gTrack) return FALSE;
  for (const TLevel& l : gTrack->Levels)
    if (l.Menu == menu && item < l.Rows.size()) {
      *r = RowOnScreen(l, static_cast<int>(item));
      return TRUE;
    }
  return FALSE;
}

void PaintMenuBarItems(HWND wnd, HDC dc, const RECT& bar) {
  HMENU menu = GetMenu(wnd);
  TApiMenu* m = FindApiMenu(menu);
  if (!m) return;
  std::vector<RECT> rects = BarRects(wnd, menu);
  bool mine = gTrack && gTrack->Bar == menu && gTrack->Owner == wnd;
  bool noAccel = !(mine && gTrack->ByKeyboard);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < rects.size() && i < m->Items.size(); ++i) {
    const TApiMenuItem& it = m->Items[i];
    bool hot = mine && gTrack->BarHot == static_cast<int>(i);
    // The open item is selected; a highlighted one without its drop-down is hot.
    bool open = hot && !gTrack->Levels.empty();
    if (it.Flags & MF_OWNERDRAW) {
      SendDrawItem(wnd, menu, it, dc, rects[i], OwnerDrawState(it, open, hot && !open, noAccel));
      continue;
    }
    if (hot) FillRect(dc, &rects[i], GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(!Selectable(&it) ? COLOR_GRAYTEXT : hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    RECT t = rects[i];
    DrawText(dc, it.Text.c_str(), -1, &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE | (noAccel ? UINT(DT_HIDEPREFIX) : 0u));
  }
  SelectObject(dc, oldFont);
  RestoreDC(dc, saved);
}

namespace {

// Alt alone: the key states when Alt went down, to see at its release whether any other key
// was pressed meanwhile (each press flips a key's low state bit).
thread_local BYTE gAltKeys[256];
thread_local bool gAltArmed = false;

bool OtherKeyPressedSinceAlt() {
  BYTE now[256];
  GetKeyboardState(now);
  for (int k = 1; k < 256; ++k) {
    if (k == VK_MENU || k == VK_LMENU || k == VK_RMENU) continue;
    if ((now[k] & 1) != (gAltKeys[k] & 1) || (now[k] & 0x80)) return true;
  }
  return false;
}

HWND RootWindow(HWND w) {
  HWND r = GetAncestor(w, GA_ROOT);
  return r ? r : w;
}

bool HasApiBar(HWND w) {
  TApiMenu* m = FindApiMenu(GetMenu(w));
  return m && m->Bar && !m->Items.empty();
}

}  // namespace

bool MenuBarDefProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_SYSKEYDOWN:
    case WM_KEYDOWN:
      if (wp == VK_MENU) {
        if (!(lp & (1 << 30))) {
          GetKeyboardState(gAltKeys);
          gAltArmed = true;
        }
        return false;
      }
      gAltArmed = false;
      if (wp == VK_F10 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0) {
        SendMessage(RootWindow(w), WM_SYSCOMMAND, SC_KEYMENU, 0);
        return true;
      }
      return false;
    case WM_SYSKEYUP:
    case WM_KEYUP:
      if (wp == VK_MENU && gAltArmed) {
        gAltArmed = false;
        if (!OtherKeyPressedSinceAlt()) SendMessage(RootWindow(w), WM_SYSCOMMAND, SC_KEYMENU, 0);
      }
      return false;
    case WM_NCLBUTTONDOWN: {
      if (wp != HTMENU || !HasApiBar(w)) return false;
      POINT s{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT wr;
      GetWindowRect(w, &wr);
      POINT p{s.x - wr.left, s.y - wr.top};
      std::vector<RECT> rects = BarRects(w, GetMenu(w));
      for (size_t i = 0; i < rects.size(); ++i)
        if (PtInRect(&rects[i], p)) {
          UINT_PTR id = TrackMenuBar(w, static_cast<int>(i), TRUE);
          if (id) PostMessage(w, WM_COMMAND, id, 0);
          break;
        }
      return true;
    }
    case WM_SYSCOMMAND: {
      if ((wp & 0xFFF0) != SC_KEYMENU || !HasApiBar(w)) return false;
      HMENU menu = GetMenu(w);
      int pos = 0;
      BOOL open = FALSE;
      if (lp) {
        pos = AccelRow(menu, static_cast<char>(lp));
        if (pos < 0) return true;
        const TApiMenuItem* it = ItemOf(menu, pos);
        if (!Selectable(it)) return true;
        if (!(it->Flags & MF_POPUP)) {
          PostMessage(w, WM_COMMAND, it->Id, 0);
          return true;
        }
        open = TRUE;
      }
      UINT_PTR id = TrackMenuBar(w, pos, open, TRUE);
      if (id) PostMessage(w, WM_COMMAND, id, 0);
      return true;
    }
  }
  return false;
}

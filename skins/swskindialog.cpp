// The window object of skinned dialogs and other windows that are not forms (swskinwnd.h).
#include <algorithm>
#include <cctype>

#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinengine.h"
#include "skins/swskinwnd.h"

ORV_CLASS_IMPL(TswSkinWindowWnd, TswSkinWindow)

namespace {

// Window properties that lead a subclassed dialog (and its inner dialog) to the window object.
constexpr const char* kSwDialogProp = "OrvSwSkinWindow";
constexpr const char* kSwInnerDialogProp = "OrvSwSkinInnerDialog";

std::string SwDialogUpperClass(HWND Wnd) {
  char cls[101] = {};
  GetClassNameA(Wnd, cls, sizeof cls);
  std::string s = cls;
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

constexpr UINT kSwDialogFrameFlags =
    SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

}  // namespace

TswSkinWindowWnd::TswSkinWindowWnd(HWND Wnd, TswSkinEngine* Engine, bool Dialog)
    : TswSkinWindow(nullptr, Engine, Dialog), FWnd(Wnd) {
  Attach();
  SkinControls();
  SetSkinActive(FSkinOn);
}

TswSkinWindowWnd::~TswSkinWindowWnd() {
  FDestroying = true;
  FEngine->RemoveWindow(this);
  SetSkinActive(false);
  ReleaseWndControls();
  Detach();
}

TswSkinControlWnd* TswSkinWindowWnd::WndSkinnerOf(HWND Child) const {
  for (const auto& s : FWndSkinners)
    if (s->GetHandle() == Child) return s.get();
  return nullptr;
}

LRESULT TswSkinWindowWnd::SubclassProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto* self = static_cast<TswSkinWindowWnd*>(GetProp(Wnd, kSwDialogProp));
  if (!self) return DefWindowProc(Wnd, Msg, W, L);
  if (Msg == WM_DESTROY) {
    // The window object goes with the dialog in every state of the skin (also while it is off
    // or not yet applied), so nothing is left routed to a window that no longer exists. The
    // dialog's own procedure still hears of its destruction.
    const WNDPROC old = self->FOldProc;
    TswSkinEngine* engine = self->FEngine;
    if (engine->FindWindow(Wnd) == self)
      engine->UnskinHandle(Wnd);
    else
      delete self;
    TswSkinEngine::SetLastDestroyedDialog(Wnd);
    return old ? CallWindowProc(old, Wnd, Msg, W, L) : DefWindowProc(Wnd, Msg, W, L);
  }
  TMessage M{Msg, W, L, 0};
  self->WndProc(M);
  return M.Result;
}

LRESULT TswSkinWindowWnd::InnerDialogProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto* owner = static_cast<TswSkinWindowWnd*>(GetProp(Wnd, kSwInnerDialogProp));
  if (!owner) return DefWindowProc(Wnd, Msg, W, L);
  const WNDPROC old = owner->FInnerOldProc;
  switch (Msg) {
    case WM_CTLCOLORDLG:
      return reinterpret_cast<LRESULT>(owner->FEngine->FormBrush());
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(W), TRANSPARENT);
      return reinterpret_cast<LRESULT>(owner->FEngine->FormBrush());
    case WM_DESTROY:
      // The inner dialog goes first: it gets its own procedure back.
      SetWindowLongPtr(Wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      RemoveProp(Wnd, kSwInnerDialogProp);
      owner->FInner = nullptr;
      owner->FInnerOldProc = nullptr;
      break;
    default:
      break;
  }
  return CallWindowProc(old, Wnd, Msg, W, L);
}

void TswSkinWindowWnd::Attach() {
  FErased = FResizedOnce = FExplorer = FHasAnimation = FFolderBrowser = false;
  SetProp(FWnd, kSwDialogProp, reinterpret_cast<HANDLE>(this));
  FOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(FWnd, GWL_WNDPROC));
  SetWindowLongPtr(FWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&TswSkinWindowWnd::SubclassProc));
}

void TswSkinWindowWnd::Detach() {
  if (FInner && IsWindow(FInner)) {
    SetWindowLongPtr(FInner, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FInnerOldProc));
    RemoveProp(FInner, kSwInnerDialogProp);
    SetWindowPos(FInner, nullptr, 0, 0, 0, 0, kSwDialogFrameFlags);
  }
  FInner = nullptr;
  if (!IsWindow(FWnd)) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtr(FWnd, GWL_WNDPROC)) ==
      &TswSkinWindowWnd::SubclassProc)
    SetWindowLongPtr(FWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProc));
  RemoveProp(FWnd, kSwDialogProp);
  SetWindowPos(FWnd, nullptr, 0, 0, 0, 0, kSwDialogFrameFlags);
}

void TswSkinWindowWnd::CallDefaultProc(TMessage& M) {
  M.Result = FOldProc ? CallWindowProc(FOldProc, FWnd, M.Msg, M.WParam, M.LParam)
                      : DefWindowProc(FWnd, M.Msg, M.WParam, M.LParam);
}

void TswSkinWindowWnd::SaveMetrics() {
  FStyleBefore = GetWindowLongPtr(FWnd, GWL_STYLE);
  RECT wr{}, cr{};
  GetWindowRect(FWnd, &wr);
  GetClientRect(FWnd, &cr);
  POINT o{0, 0};
  ClientToScreen(FWnd, &o);
  FSavedClientWidth = cr.right;
  FSavedClientHeight = cr.bottom;
  FTopFrame = o.y - wr.top;
  FBottomFrame = 4;
  FSideFrame = 4;
}

void TswSkinWindowWnd::SkinControls() {
  for (HWND c = GetTopWindow(FWnd); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!(GetWindowLongPtr(c, GWL_STYLE) & WS_CHILD)) continue;
    if (SendMessage(c, SWM_ISSKINNED, 0, 0) == 1) continue;
    if (std::unique_ptr<TswSkinControlWnd> s = FindWndSkinner(c, this))
      FWndSkinners.push_back(std::move(s));
  }
}

void TswSkinWindowWnd::ReleaseWndControls() {
  while (!FWndSkinners.empty()) {
    std::unique_ptr<TswSkinControlWnd> s = std::move(FWndSkinners.back());
    FWndSkinners.pop_back();
    s->Release();
    s.reset();  // gives the child its procedure back
  }
}

void TswSkinWindowWnd::ApplySkinState() {
  if (!FDestroying)
    for (const auto& s : FWndSkinners) {
      s->Update();
      InvalidateRect(s->GetHandle(), nullptr, TRUE);
    }
  if (!IsWindow(FWnd)) return;
  RECT wr{};
  GetWindowRect(FWnd, &wr);
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  const LONG_PTR visible = GetWindowLongPtr(FWnd, GWL_STYLE) & WS_VISIBLE;
  if (FSkinOn && !FApplied) {
    SetWindowLongPtr(FWnd, GWL_STYLE, ((FStyleBefore & ~static_cast<LONG_PTR>(WS_SYSMENU | WS_VISIBLE)) | visible));
    FSavedMenu = GetMenu(FWnd);
    if (FSavedMenu) SetMenu(FWnd, nullptr);
    // The skinned frame goes around the client area the dialog had.
    const TswSkinMetrics& m = FEngine->Metrics();
    const int top = FTopFrame > 0 ? std::max(CaptionHeight(), FTopFrame) : CaptionHeight();
    const int nw = FSavedClientWidth + std::max(m.LeftBorder, 4) + std::max(m.RightBorder, 4);
    const int nh = FSavedClientHeight + top + std::max(m.BottomBorder, 4);
    FAddedWidth = nw - w;
    FAddedHeight = nh - h;
    FApplied = true;
    SetWindowPos(FWnd, nullptr, wr.left, wr.top, nw, nh,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  } else if (!FSkinOn && FApplied) {
    // The style before skinning comes back (whether or not the dialog was erased yet), with the
    // dialog's current visibility.
    FApplied = false;
    SetWindowLongPtr(FWnd, GWL_STYLE, (FStyleBefore & ~static_cast<LONG_PTR>(WS_VISIBLE)) | visible);
    if (FSavedMenu && IsMenu(FSavedMenu)) SetMenu(FWnd, FSavedMenu);
    FSavedMenu = nullptr;
    SetWindowRgn(FWnd, nullptr, TRUE);
    SetWindowPos(FWnd, nullptr, wr.left, wr.top, std::max(w - FAddedWidth, 1),
                 std::max(h - FAddedHeight, 1), SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    FAddedWidth = FAddedHeight = 0;
  }
}

bool TswSkinWindowWnd::BeforeMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_ERASEBKGND: {
      if (!FErased) {
        FErased = true;
        FStyleAtErase = GetWindowLongPtr(FWnd, GWL_STYLE);
      }
      // The dialog's background in the skin's form colour.
      RECT r{};
      GetClientRect(FWnd, &r);
      FillRect(reinterpret_cast<HDC>(M.WParam), &r, FEngine->FormBrush());
      M.Result = 1;
      return false;
    }
    case WM_SYSCOMMAND:
      if ((M.WParam & 0xFFF0) == SC_CLOSE) {
        PostMessage(FWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        M.Result = 0;
        return false;
      }
      return true;
    case WM_SHOWWINDOW:
      InspectChildren();
      return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(M.WParam), TRANSPARENT);
      M.Result = reinterpret_cast<LRESULT>(FEngine->FormBrush());
      return false;
    case WM_SIZE:
      if (FFolderBrowser) {
        SetRegion();
        return false;
      }
      return true;
    default:
      return true;
  }
}

void TswSkinWindowWnd::AfterMessage(TMessage& M) {
  if (M.Msg != WM_SIZE) return;
  RECT cr{};
  GetClientRect(FWnd, &cr);
  if (!IsZoomed(FWnd) && cr.bottom < FSavedClientHeight && cr.right * 2 > FSavedClientWidth * 3 &&
      !FResizedOnce) {
    // A dialog that laid itself out wider and lower than it was gets its height once.
    FResizedOnce = true;
    RECT wr{};
    GetWindowRect(FWnd, &wr);
    const TswSkinMetrics& m = FEngine->Metrics();
    const int h = wr.bottom - wr.top + CaptionHeight() + m.BottomBorder - FTopFrame;
    SetWindowPos(FWnd, nullptr, 0, 0, wr.right - wr.left, std::max(h, 1),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetRegion();
}

void TswSkinWindowWnd::InspectChildren() {
  bool defView = false, toolBar = false, listBox = false;
  for (HWND c = GetWindow(FWnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const std::string cls = SwDialogUpperClass(c);
    if (cls == "SHELLDLL_DEFVIEW") defView = true;
    if (cls == "TOOLBARWINDOW32") toolBar = true;
    if (cls == "LISTBOX") listBox = true;
    if (cls == "SHBROWSEFORFOLDER SHELLNAMESPACE CONTROL") FFolderBrowser = true;
    if (FFolderBrowser && cls == "SCROLLBAR") ShowWindow(c, SW_HIDE);
    if (cls == "#32770") {
      if (!FInner) {
        FInner = c;
        SetProp(c, kSwInnerDialogProp, reinterpret_cast<HANDLE>(this));
        FInnerOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(c, GWL_WNDPROC));
        SetWindowLongPtr(c, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&TswSkinWindowWnd::InnerDialogProc));
      }
      break;
    }
  }
  FExplorer = defView && toolBar && listBox;
}

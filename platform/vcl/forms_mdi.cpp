// Multiple-document forms: the MDI form's client window, its document windows (fsMDIChild forms),
// their arrangement and the merging of the active document's menu into the MDI form's.
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

namespace {

// Commands of the window menu's document items start here (far above the menu items' own).
constexpr UINT kFormsMdiFirstChildId = 0xFF00;

}  // namespace

TCustomForm* TCustomForm::MDIParentForm() const {
  TCustomForm* mf = Application()->MainForm();
  if (!mf || mf == this || mf->FormStyle() != fsMDIForm) return nullptr;
  mf->HandleNeeded();
  return mf->ClientHandle() ? mf : nullptr;
}

void TCustomForm::CreateMDIClient() {
  CLIENTCREATESTRUCT ccs{};
  ccs.hWindowMenu = FWindowMenu ? FWindowMenu->Handle() : nullptr;
  ccs.idFirstChild = kFormsMdiFirstChildId;
  RECT r{};
  GetClientRect(FHandle, &r);
  FClientHandle = CreateWindowEx(WS_EX_CLIENTEDGE, "MDICLIENT", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 0, 0, r.right, r.bottom, FHandle, nullptr, nullptr, &ccs);
  if (!FClientHandle) throw EOutOfResources("Error creating window");
  // Under the form's aligned controls, which get their windows after it.
  SetWindowPos(FClientHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::DestroyWnd() {
  if (FFormStyle == fsMDIChild) MDIChildActivated(false);
  TWinControl::DestroyWnd();
  FClientHandle = nullptr;
}

void TCustomForm::CreateWindowHandle(const TCreateParams& P) {
  if (FFormStyle != fsMDIChild || Parent()) {
    TWinControl::CreateWindowHandle(P);
    return;
  }
  TCustomForm* mf = MDIParentForm();
  if (!mf) throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
  MDICREATESTRUCTA mc{};
  mc.szClass = P.WinClassName.c_str();
  mc.szTitle = P.Caption.c_str();
  mc.x = P.X;
  mc.y = P.Y;
  mc.cx = P.Width;
  mc.cy = P.Height;
  mc.style = P.Style;
  mc.lParam = reinterpret_cast<LPARAM>(this);
  FHandle = reinterpret_cast<HWND>(SendMessage(mf->ClientHandle(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
}

void TCustomForm::AlignControls(TControl* AControl, RECT& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  // The client window takes what the aligned controls leave.
  if (FClientHandle)
    MoveWindow(FClientHandle, Rect.left, Rect.top, std::max(0L, static_cast<long>(Rect.right - Rect.left)),
               std::max(0L, static_cast<long>(Rect.bottom - Rect.top)), TRUE);
}

void TCustomForm::DefaultHandler(TMessage& M) {
  const bool text = M.Msg == WM_SETTEXT || M.Msg == WM_GETTEXT || M.Msg == WM_GETTEXTLENGTH;
  if (FHandle && !text && FFormStyle == fsMDIChild && (GetWindowLongPtr(FHandle, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
    M.Result = DefMDIChildProc(FHandle, M.Msg, M.WParam, M.LParam);
    return;
  }
  // The form lays its client window out itself (AlignControls), so WM_SIZE stays with it.
  if (FHandle && !text && FClientHandle && M.Msg != WM_SIZE) {
    M.Result = DefFrameProc(FHandle, FClientHandle, M.Msg, M.WParam, M.LParam);
    return;
  }
  TWinControl::DefaultHandler(M);
}

void TCustomForm::MDIChildActivated(bool Active) {
  TCustomForm* mf = Application()->MainForm();
  if (!mf || mf == this || mf->FormStyle() != fsMDIForm || !mf->Menu()) return;
  if (Active) mf->Menu()->Merge(FMenu);
  else if (mf->Menu()->Merged() && mf->Menu()->Merged() == FMenu) mf->Menu()->Merge(nullptr);
}

int TCustomForm::MDIChildCount() const {
  int n = 0;
  if (FClientHandle)
    for (HWND w = GetWindow(FClientHandle, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
      if (dynamic_cast<TCustomForm*>(FindControl(w))) ++n;
  return n;
}

TCustomForm* TCustomForm::MDIChildren(int I) const {
  int n = 0;
  if (FClientHandle)
    for (HWND w = GetWindow(FClientHandle, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
      if (auto* f = dynamic_cast<TCustomForm*>(FindControl(w))) {
        if (n == I) return f;
        ++n;
      }
  throw EListError("List index out of bounds (" + std::to_string(I) + ")");
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  if (!FClientHandle) return nullptr;
  HWND w = reinterpret_cast<HWND>(SendMessage(FClientHandle, WM_MDIGETACTIVE, 0, 0));
  return w ? dynamic_cast<TCustomForm*>(FindControl(w)) : nullptr;
}

void TCustomForm::SetWindowMenu(TMenuItem* Value) {
  if (FWindowMenu == Value) return;
  if (FWindowMenu) FWindowMenu->RemoveFreeNotification(this);
  FWindowMenu = Value;
  if (Value) Value->FreeNotification(this);
  if (FClientHandle && Value) SendMessage(FClientHandle, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(Value->Handle()));
}

void TCustomForm::Cascade() {
  if (FClientHandle) SendMessage(FClientHandle, WM_MDICASCADE, 0, 0);
}

void TCustomForm::Tile() {
  if (FClientHandle)
    SendMessage(FClientHandle, WM_MDITILE, FTileMode == tbHorizontal ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
}

void TCustomForm::ArrangeIcons() {
  if (FClientHandle) SendMessage(FClientHandle, WM_MDIICONARRANGE, 0, 0);
}

void TCustomForm::Next() {
  if (FClientHandle) SendMessage(FClientHandle, WM_MDINEXT, 0, 0);
}

void TCustomForm::Previous() {
  if (FClientHandle) SendMessage(FClientHandle, WM_MDINEXT, 0, 1);
}

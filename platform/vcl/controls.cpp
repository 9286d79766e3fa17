// Controls: message routing, geometry and alignment, painting of windowed and graphic controls,
// mouse and keyboard handling, focus and tab order, in-program drag and drop.
#include "platform/vcl/controls.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/ctlcolor.h"
#include "platform/vcl/dock.h"
#include "platform/vcl/dragimg.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

ORV_CLASS_IMPL(TControlCanvas, TCanvas)
ORV_CLASS_IMPL(TSizeConstraints, TPersistent)
ORV_CLASS_IMPL(TControl, TComponent)
ORV_CLASS_IMPL(TWinControl, TControl)
ORV_CLASS_IMPL(TCustomControl, TWinControl)
ORV_CLASS_IMPL(TGraphicControl, TControl)

namespace {

const char* const kControlProp = "OrvControl";
TControl* gDragControl = nullptr;
POINT gDragStart{0, 0};
int gDragThreshold = -1;
bool gDragActive = false;
TControl* gMouseOver = nullptr;

TCustomForm* FormOf(const TControl* c) {
  while (c && !c->Is<TCustomForm>()) c = c->Parent();
  return const_cast<TCustomForm*>(static_cast<const TCustomForm*>(c));
}

// The drag image follows the cursor (shown from the first move of the drag on), but only over a
// control that displays drag images: those whose ControlStyle has csDisplayDragImage (forms
// set it). Over anything else only the drag cursor shows; the image comes back when
// the cursor returns over such a control.
void ShowDragImageOver(TDragImageList* Images, TControl* Over, POINT Screen) {
  bool show = Over && Over->ControlStyle().Contains(csDisplayDragImage);
  if (!Images->Dragging()) {
    Images->BeginDrag(nullptr, Screen.x, Screen.y);
    if (!show) Images->HideDragImage();
    return;
  }
  if (!show) Images->HideDragImage();
  Images->DragMove(Screen.x, Screen.y);  // only moves the position while hidden
  if (show) Images->ShowDragImage();
}

}  // namespace

TShiftState KeysToShiftState(WORD Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s += ssShift;
  if (Keys & MK_CONTROL) s += ssCtrl;
  if (Keys & MK_LBUTTON) s += ssLeft;
  if (Keys & MK_RBUTTON) s += ssRight;
  if (Keys & MK_MBUTTON) s += ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s += ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s += ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s += ssCtrl;
  if (KeyData & (1 << 29)) s += ssAlt;
  return s;
}

TWinControl* FindControl(HWND Handle) {
  if (!Handle || !IsWindow(Handle)) return nullptr;
  return static_cast<TWinControl*>(GetProp(Handle, kControlProp));
}

TControl* DragControl() { return gDragActive ? gDragControl : nullptr; }

// The key-down message whose handlers already ran in this dispatch: controls that handle keys
// themselves run DoKeyDown first and pass the rest on to TWinControl::WndProc, which must not
// run the handlers a second time. Each dispatch starts clear and puts back the outer value.
static thread_local const TMessage* gKeyDownDone = nullptr;

namespace {
struct TKeyDownScope {
  const TMessage* Saved = gKeyDownDone;
  TKeyDownScope() { gKeyDownDone = nullptr; }
  ~TKeyDownScope() { gKeyDownDone = Saved; }
};
}  // namespace

// The control whose window CreateWnd is making on this thread: the window's first message
// (WM_GETMINMAXINFO comes before WM_NCCREATE) already finds its control.
thread_local TWinControl* gCreatingControl = nullptr;

// ---- The window procedure of every control window ----
LRESULT VclWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* c = static_cast<TWinControl*>(GetProp(Wnd, kControlProp));
  if (!c && Msg == WM_GETMINMAXINFO && gCreatingControl && !gCreatingControl->FHandle) {
    c = gCreatingControl;
    SetProp(Wnd, kControlProp, c);
    c->FHandle = Wnd;
  }
  if (!c && Msg == WM_NCCREATE) {
    // The control rides in on the creation parameters; its handle is known from here on.
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(LParam);
    c = static_cast<TWinControl*>(cs->lpCreateParams);
    if (c) {
      SetProp(Wnd, kControlProp, c);
      c->FHandle = Wnd;
    }
  }
  if (!c) return DefWindowProc(Wnd, Msg, WParam, LParam);
  TMessage m{Msg, WParam, LParam, 0};
  {
    TKeyDownScope scope;
    if (c->WindowProc) c->WindowProc(m);
    else c->WndProc(m);
  }
  if (Msg == WM_NCDESTROY) {
    // The window is gone (perhaps destroyed from outside): the control forgets it.
    RemoveProp(Wnd, kControlProp);
    if (c->FHandle == Wnd) c->FHandle = nullptr;
  }
  return m.Result;
}

// ---- TControlCanvas ----
TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value) {
  if (FControl == Value) return;
  FreeHandle();
  FControl = Value;
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  DeselectHandles();
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
  FWindowHandle = nullptr;
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  HWND w = nullptr;
  POINT org{0, 0};
  RECT clip{0, 0, FControl->Width(), FControl->Height()};
  if (auto* wc = dynamic_cast<TWinControl*>(FControl)) {
    w = wc->Handle();
  } else if (FControl->Parent()) {
    w = FControl->Parent()->Handle();
    org = POINT{FControl->Left(), FControl->Top()};
  }
  if (!w) return;
  FDeviceContext = GetDC(w);
  FWindowHandle = w;
  SetViewportOrgEx(FDeviceContext, org.x, org.y, nullptr);
  IntersectClipRect(FDeviceContext, clip.left, clip.top, clip.right, clip.bottom);
  SetHandle(FDeviceContext);
}

namespace {
// Takes a child out of its parent's lists (and the parent form's active and focused control)
// without realigning or repainting the parent, which keeps its layout. For destructors, which
// must not throw, when RemoveControl failed part way: the parent's realignment needed a window
// that could not be made, say.
void VclDropChild(std::vector<TControl*>& Controls, std::vector<TWinControl*>& Tabs, TControl*& MouseControl,
                  TCustomForm* Form, TControl* Child) {
  Controls.erase(std::remove(Controls.begin(), Controls.end(), Child), Controls.end());
  if (MouseControl == Child) MouseControl = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(Child)) {
    Tabs.erase(std::remove(Tabs.begin(), Tabs.end(), w), Tabs.end());
    if (Form) Form->ControlRemoving(w);
  }
}
}  // namespace

// ---- TControl ----
TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
  WindowProc = [this](TMessage& M) { WndProc(M); };
  FFont->OnChange = [this](TObject*) {
    FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (gDragControl == this) {
    if (TDragImageList* images = GetDragImages()) images->EndDrag();
    gDragControl = nullptr;
    gDragActive = false;
  }
  TDockAccess::ControlDestroying(this);
  if (gMouseOver == this) gMouseOver = nullptr;
  // A destructor must not throw: a parent that cannot realign now keeps its layout, and this
  // control still leaves its lists.
  if (FParent) {
    try {
      FParent->RemoveControl(this);
    } catch (const std::exception&) {
      if (FParent) {
        VclDropChild(FParent->FControls, FParent->FTabList, FParent->FMouseControl, nullptr, this);
        FParent = nullptr;
      }
    }
  }
}

void TSizeConstraints::Publish(TPublisher<TSizeConstraints>& P) {
  P.Prop("MaxHeight", &TSizeConstraints::MaxHeight).Type("TConstraintSize").Default(0);
  P.Prop("MaxWidth", &TSizeConstraints::MaxWidth).Type("TConstraintSize").Default(0);
  P.Prop("MinHeight", &TSizeConstraints::MinHeight).Type("TConstraintSize").Default(0);
  P.Prop("MinWidth", &TSizeConstraints::MinWidth).Type("TConstraintSize").Default(0);
}

void TSizeConstraints::Assign(TPersistent* Source) {
  auto* c = dynamic_cast<TSizeConstraints*>(Source);
  if (!c) return TPersistent::Assign(Source);
  MinWidth = c->MinWidth, MinHeight = c->MinHeight, MaxWidth = c->MaxWidth, MaxHeight = c->MaxHeight;
}

// The usual published control properties and events. Defaults are the values the constructor
// gives, so the filer leaves out exactly what a freshly made control already has.
void TControl::Publish(TPublisher<TControl>& P) {
  P.Prop("Left", &TControl::Left, &TControl::SetLeft);
  P.Prop("Top", &TControl::Top, &TControl::SetTop);
  P.Prop("Width", &TControl::Width, &TControl::SetWidth);
  P.Prop("Height", &TControl::Height, &TControl::SetHeight);
  P.Prop("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Prop("Anchors", &TControl::Anchors, &TControl::SetAnchors).Type(SetTypeInfo("TAnchors", TypeInfo<TAnchorKind>())).Default(TAnchors{akLeft, akTop});
  P.Prop("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode).Default(bdLeftToRight).Stored(&TControl::IsBiDiModeStored);
  P.Prop("Caption", &TControl::Caption, &TControl::SetCaption).Type("TCaption");
  P.Prop("Color", &TControl::Color, &TControl::SetColor).Type("TColor").Stored(&TControl::IsColorStored);
  // A sub-object read and written through its own properties ("Constraints.MinWidth").
  P.Prop("Constraints", +[](TControl& C) { return &C.Constraints(); },
         +[](TControl& C, TSizeConstraints* V) { if (V) C.Constraints().Assign(V); });
  P.Prop("Cursor", &TControl::Cursor, &TControl::SetCursor).Type("TCursor").Default(crDefault);
  P.Prop("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).Type("TCursor").Default(crDrag);
  P.Prop("DragKind", &TControl::DragKind, &TControl::SetDragKind).Default(dkDrag);
  P.Prop("DragMode", &TControl::DragMode, &TControl::SetDragMode).Default(dmManual);
  P.Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Prop("Font", &TControl::Font, &TControl::SetFont).Stored(&TControl::IsFontStored);
  P.Prop("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext).Type("THelpContext").Default(0);
  P.Prop("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode).Default(true);
  P.Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  P.Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
  P.Prop("Hint", &TControl::Hint, &TControl::SetHint);
  P.Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Stored(&TControl::IsShowHintStored);
  P.Prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  P.Prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  P.Prop("Action", &TControl::Action, &TControl::SetAction);
  P.Event("OnClick", &TControl::OnClick).Type("TNotifyEvent");
  P.Event("OnConstrainedResize", &TControl::OnConstrainedResize).Type("TConstrainedResizeEvent");
  P.Event("OnContextPopup", &TControl::OnContextPopup).Type("TContextPopupEvent");
  P.Event("OnDblClick", &TControl::OnDblClick).Type("TNotifyEvent");
  P.Event("OnDragDrop", &TControl::OnDragDrop).Type("TDragDropEvent");
  P.Event("OnDragOver", &TControl::OnDragOver).Type("TDragOverEvent");
  P.Event("OnEndDock", &TControl::OnEndDock).Type("TEndDragEvent");
  P.Event("OnEndDrag", &TControl::OnEndDrag).Type("TEndDragEvent");
  P.Event("OnMouseDown", &TControl::OnMouseDown).Type("TMouseEvent");
  P.Event("OnMouseEnter", &TControl::OnMouseEnter).Type("TNotifyEvent");
  P.Event("OnMouseLeave", &TControl::OnMouseLeave).Type("TNotifyEvent");
  P.Event("OnMouseMove", &TControl::OnMouseMove).Type("TMouseMoveEvent");
  P.Event("OnMouseUp", &TControl::OnMouseUp).Type("TMouseEvent");
  P.Event("OnMouseWheel", &TControl::OnMouseWheel).Type("TMouseWheelEvent");
  P.Event("OnResize", &TControl::OnResize).Type("TNotifyEvent");
  P.Event("OnStartDock", &TControl::OnStartDock).Type("TStartDockEvent");
  P.Event("OnStartDrag", &TControl::OnStartDrag).Type("TStartDragEvent");
}

TBiDiMode TControl::BiDiMode() const {
  return FParentBiDiMode && FParent ? static_cast<const TControl*>(FParent)->BiDiMode() : FBiDiMode;
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  // Nor one of its own children: the parent chain would close into a ring that every walk up
  // it (fonts, colours, visibility, coordinates) follows forever.
  for (TControl* p = AParent; p; p = p->Parent())
    if (p == this) throw EInvalidOperation("A control cannot have one of its children as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

TCustomForm* TControl::GetParentForm() const { return FormOf(this); }

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  bool sized = AWidth != FWidth || AHeight != FHeight;
  if (ALeft == FLeft && ATop == FTop && !sized) return;
  if (Visible() && FParent) FParent->Invalidate();
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Invalidate();
  RequestAlign();
  if (sized) Resize();
}

bool TControl::CheckNewSize(int& NewWidth, int& NewHeight) {
  NewWidth = std::max(0, NewWidth);
  NewHeight = std::max(0, NewHeight);
  // OnConstrainedResize may change the limits for this one resize.
  struct { int MinWidth, MinHeight, MaxWidth, MaxHeight; } c{FConstraints.MinWidth, FConstraints.MinHeight,
                                                             FConstraints.MaxWidth, FConstraints.MaxHeight};
  if (OnConstrainedResize) OnConstrainedResize(this, c.MinWidth, c.MinHeight, c.MaxWidth, c.MaxHeight);
  if (c.MinWidth > 0) NewWidth = std::max(NewWidth, c.MinWidth);
  if (c.MaxWidth > 0) NewWidth = std::min(NewWidth, c.MaxWidth);
  if (c.MinHeight > 0) NewHeight = std::max(NewHeight, c.MinHeight);
  if (c.MaxHeight > 0) NewHeight = std::min(NewHeight, c.MaxHeight);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->OnCanResize && !(ComponentState().Contains(csLoading))) {
    bool resize = true;
    int nw = NewWidth, nh = NewHeight;
    w->OnCanResize(this, nw, nh, resize);
    if (!resize) return false;
    NewWidth = nw;
    NewHeight = nh;
  }
  return true;
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(int Value) { SetWidth(Value + (FWidth - ClientWidth())); }
void TControl::SetClientHeight(int Value) { SetHeight(Value + (FHeight - ClientHeight())); }

POINT TControl::ClientOrigin() {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    POINT p{0, 0};
    ::ClientToScreen(w->Handle(), &p);
    return p;
  }
  if (!FParent) return POINT{FLeft, FTop};
  POINT p = FParent->ClientOrigin();
  return POINT{p.x + FLeft, p.y + FTop};
}

POINT TControl::ClientToScreen(POINT P) {
  POINT o = ClientOrigin();
  return POINT{P.x + o.x, P.y + o.y};
}

POINT TControl::ScreenToClient(POINT P) {
  POINT o = ClientOrigin();
  return POINT{P.x - o.x, P.y - o.y};
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent) FParent->Realign();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Visible()) return false;
    if (!c->Parent()) {
      auto* w = dynamic_cast<const TWinControl*>(c);
      return w && w->HandleAllocated() && IsWindowVisible(const_cast<TWinControl*>(w)->Handle());
    }
  }
  return false;
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  VisibleChanging();
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, Value, 0);
  if (FParent) FParent->Invalidate();
  RequestAlign();
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
  Invalidate();
}

std::string TControl::GetText() const { return FText; }

void TControl::SetTextBuf(const std::string& Value) { FText = Value; }

void TControl::SetText(const std::string& Value) {
  if (GetText() == Value) return;
  SetTextBuf(Value);
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value && FParent) ParentFontChanged();
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value && FParent) ParentColorChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  auto saved = FFont->OnChange;
  FFont->OnChange = nullptr;
  FFont->Assign(FParent->Font());
  FFont->OnChange = saved;
  FontChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent) return;
  FColor = FParent->Color();
  Perform(CM_COLORCHANGED, 0, 0);
  FParentColor = true;
}

void TControl::FontChanged() { Perform(CM_FONTCHANGED, 0, 0); }

void TControl::SetCursor(TCursor Value) {
  FCursor = Value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  FPopupMenu = Value;
  if (Value) FreeNotification(Value);
}

bool TControl::MouseCapture() const {
  HWND cap = GetCapture();
  if (!cap) return false;
  if (auto* w = dynamic_cast<const TWinControl*>(this)) return w->HandleAllocated() && w->FHandle == cap;
  return FParent && FParent->HandleAllocated() && FParent->FHandle == cap && FParent->FMouseControl == this;
}

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() == Value) return;
  if (!Value) {
    ReleaseCapture();
    return;
  }
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    ::SetCapture(w->Handle());
  } else if (FParent) {
    FParent->FMouseControl = this;
    ::SetCapture(FParent->Handle());
  }
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  TKeyDownScope scope;
  if (WindowProc) WindowProc(m);
  else WndProc(m);
  return m.Result;
}

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }

void TControl::MouseMessage(TMessage& M, TMouseButton Button, bool Down, bool Double) {
  TShiftState s = KeysToShiftState(static_cast<WORD>(M.WParam));
  int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
  if (Double) s += ssDouble;
  if (Down) {
    if (Button == mbLeft) {
      FControlState += csLButtonDown; FControlState += csClicked;
      if (FDragMode == dmAutomatic) BeginDrag(false);
    }
    if (Double && Button == mbLeft && FControlStyle.Contains(csDoubleClicks)) DblClick();
    MouseDown(Button, s, x, y);
    return;
  }
  bool click = Button == mbLeft && FControlState.Contains(csClicked);
  FControlState -= csLButtonDown; FControlState -= csClicked;
  if (gDragControl == this) {
    EndDrag(true);
    click = false;
  }
  if (click && FControlStyle.Contains(csClickEvents)) {
    RECT r = ClientRect();
    if (PtInRect(&r, POINT{x, y})) Click();
  }
  MouseUp(Button, s, x, y);
}

void TControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN: MouseMessage(M, mbLeft, true, false); return;
    case WM_LBUTTONDBLCLK: MouseMessage(M, mbLeft, true, true); return;
    case WM_RBUTTONDOWN: MouseMessage(M, mbRight, true, false); return;
    case WM_RBUTTONDBLCLK: MouseMessage(M, mbRight, true, true); return;
    case WM_MBUTTONDOWN: MouseMessage(M, mbMiddle, true, false); return;
    case WM_LBUTTONUP: MouseMessage(M, mbLeft, false, false); return;
    case WM_RBUTTONUP: {
      MouseMessage(M, mbRight, false, false);
      // The popup menu of the control (or of a parent) opens on the right button.
      POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
      bool handled = false;
      if (OnContextPopup) OnContextPopup(this, p, handled);
      if (!handled)
        for (TControl* c = this; c; c = c->Parent())
          if (c->PopupMenu()) {
            POINT s = ClientToScreen(p);
            PopupMenuAt(c->PopupMenu(), this, s.x, s.y);
            break;
          }
      return;
    }
    case WM_MBUTTONUP: MouseMessage(M, mbMiddle, false, false); return;
    case WM_MOUSEMOVE: {
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      if (gDragControl == this && !gDragActive) {
        POINT s = ClientToScreen(POINT{x, y});
        int t = gDragThreshold < 0 ? GetSystemMetrics(SM_CXDRAG) : gDragThreshold;
        if (std::abs(s.x - gDragStart.x) >= t || std::abs(s.y - gDragStart.y) >= t) gDragActive = true;
      }
      if (gDragActive && gDragControl == this && TDockAccess::DockDragMove(this, ClientToScreen(POINT{x, y}))) {
        MouseMove(KeysToShiftState(static_cast<WORD>(M.WParam)), x, y);
        return;
      }
      if (gDragActive && gDragControl == this) {
        POINT s = ClientToScreen(POINT{x, y});
        HWND under = WindowFromPoint(s);
        TWinControl* target = FindControl(under);
        TControl* dst = nullptr;
        if (target) {
          TControl* t = target->ControlAtPos(target->ScreenToClient(s), false, true);
          dst = t ? t : target;
        }
        if (TDragImageList* images = GetDragImages()) ShowDragImageOver(images, dst, s);
        if (dst) {
          POINT dc = dst->ScreenToClient(s);
          bool accept = false;
          dst->DragOver(this, dc.x, dc.y, dsDragMove, accept);
          ::SetCursor(CursorHandle(accept ? FDragCursor : TCursor(crNoDrop)));
        }
      }
      MouseMove(KeysToShiftState(static_cast<WORD>(M.WParam)), x, y);
      return;
    }
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      return;
    case CM_PARENTFONTCHANGED: ParentFontChanged(); return;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); return;
    case CM_HITTEST: M.Result = HTCLIENT; return;
    case CM_DOCKCLIENT:
    case CM_UNDOCKCLIENT:
    case CM_FLOAT: TDockAccess::Message(this, M); return;
  }
  DefaultHandler(M);
}

void TControl::DefaultHandler(TMessage& M) {
  if (M.Msg == WM_GETTEXT && M.WParam > 0 && M.LParam) {
    std::string t = GetText();
    size_t n = std::min(t.size(), static_cast<size_t>(M.WParam - 1));
    std::copy(t.begin(), t.begin() + static_cast<ptrdiff_t>(n), reinterpret_cast<char*>(M.LParam));
    reinterpret_cast<char*>(M.LParam)[n] = 0;
    M.Result = static_cast<LRESULT>(n);
  } else if (M.Msg == WM_GETTEXTLENGTH) {
    M.Result = static_cast<LRESULT>(GetText().size());
  } else if (M.Msg == WM_SETTEXT) {
    FText = M.LParam ? reinterpret_cast<const char*>(M.LParam) : "";
    M.Result = TRUE;
  }
}

void TControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
  RECT r = BoundsRect();
  InvalidateRect(FParent->FHandle, &r, TRUE);
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!FParent) return;
  auto& v = FParent->FControls;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

void TControl::SendToBack() {
  if (!FParent) return;
  auto& v = FParent->FControls;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.insert(v.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  FParent->Invalidate();
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
  gDragControl = this;
  GetCursorPos(&gDragStart);
  gDragThreshold = Threshold;
  gDragActive = Immediate;
  if (FDragKind == dkDock) {
    TDockAccess::BeginDockDrag(this);
  } else if (OnStartDrag) {
    TDragObject* object = nullptr;  // the drag is described by the control itself
    OnStartDrag(this, object);
  }
  SetMouseCapture(true);
}

void TControl::EndDrag(bool Drop) {
  if (gDragControl != this) return;
  bool active = gDragActive;
  gDragControl = nullptr;
  gDragActive = false;
  SetMouseCapture(false);
  if (TDragImageList* images = GetDragImages()) images->EndDrag();
  if (TDockAccess::EndDockDrag(this, Drop && active)) return;
  TObject* target = nullptr;
  POINT s;
  GetCursorPos(&s);
  POINT tp{0, 0};
  if (Drop && active) {
    TWinControl* w = FindControl(WindowFromPoint(s));
    if (w) {
      POINT c = w->ScreenToClient(s);
      TControl* t = w->ControlAtPos(c, false, true);
      TControl* dst = t ? t : w;
      tp = dst->ScreenToClient(s);
      bool accept = false;
      dst->DragOver(this, tp.x, tp.y, dsDragLeave, accept);
      if (accept) {
        dst->DragDrop(this, tp.x, tp.y);
        target = dst;
      }
    }
  }
  DoEndDrag(target, tp.x, tp.y);
}

bool TControl::Dragging() const { return gDragControl == this; }

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
  else if (FActionLink) FActionLink->Execute();
}

TAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TControl::SetAction(TAction* Value) {
  if (!FActionLink) {
    if (!Value) return;
    FActionLink = std::make_unique<TActionLink>(this, [this](TAction* A) { ActionChange(A, FActionLink->CheckDefaults()); });
  }
  FActionLink->SetAction(Value);
}

void TControl::ActionChange(TAction* Sender, bool CheckDefaults) {
  const bool keep = CheckDefaults;  // loading: what was stored wins
  if (!keep || Caption().empty()) SetCaption(Sender->Caption());
  if (!keep || Enabled()) SetEnabled(Sender->Enabled());
  if (!keep || Visible()) SetVisible(Sender->Visible());
  if (!keep || Hint().empty()) SetHint(Sender->Hint());
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && FActionLink) FActionLink->Removed(AComponent);
  // A freed popup menu must not stay referenced (it would be shown, or streamed, later).
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}
bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- TWinControl ----
TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
  FBrush->SetColor(Color());
}

TWinControl::~TWinControl() {
  TDockAccess::SiteDestroying(this);
  DestroyComponents();
  // Children that belong to other owners lose their parent now.
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  // Leave the parent while still a windowed control, so the tab order and the form's focused
  // and active control forget this one (TControl's destructor no longer can). A destructor must
  // not throw: when the parent cannot realign now (its window cannot be made, say), it keeps its
  // layout, and this control is still taken out of its list.
  if (FParent) {
    try {
      FParent->RemoveControl(this);
    } catch (const std::exception&) {
      if (FParent) {
        VclDropChild(FParent->FControls, FParent->FTabList, FParent->FMouseControl, FParent->GetParentForm(), this);
        FParent = nullptr;
      }
    }
  }
  DestroyHandle();
}

void TWinControl::Publish(TPublisher<TWinControl>& P) {
  P.Prop("BevelEdges", &TWinControl::BevelEdges, &TWinControl::SetBevelEdges).Type(SetTypeInfo("TBevelEdges", TypeInfo<TBevelEdge>())).Default(TBevelEdges{beLeft, beTop, beRight, beBottom});
  P.Prop("BevelKind", &TWinControl::BevelKind, &TWinControl::SetBevelKind).Default(bkNone);
  P.Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Type("TTabOrder").Default(-1);
  P.Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  P.Prop("DockSite", &TWinControl::DockSite, &TWinControl::SetDockSite).Default(false);
  P.Prop("DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered).Default(false);
  P.Prop("UseDockManager", &TWinControl::UseDockManager, &TWinControl::SetUseDockManager).Default(true);
  P.Event("OnEnter", &TWinControl::OnEnter).Type("TNotifyEvent");
  P.Event("OnExit", &TWinControl::OnExit).Type("TNotifyEvent");
  P.Event("OnKeyDown", &TWinControl::OnKeyDown).Type("TKeyEvent");
  P.Event("OnKeyPress", &TWinControl::OnKeyPress).Type("TKeyPressEvent");
  P.Event("OnKeyUp", &TWinControl::OnKeyUp).Type("TKeyEvent");
  P.Event("OnCanResize", &TWinControl::OnCanResize).Type("TCanResizeEvent");
  P.Event("OnDockDrop", &TWinControl::OnDockDrop).Type("TDockDropEvent");
  P.Event("OnDockOver", &TWinControl::OnDockOver).Type("TDockOverEvent");
  P.Event("OnGetSiteInfo", &TWinControl::OnGetSiteInfo).Type("TGetSiteInfoEvent");
  P.Event("OnUnDock", &TWinControl::OnUnDock).Type("TUnDockEvent");
}

void TWinControl::SetParent(TWinControl* AParent) {
  bool hadHandle = HandleAllocated();
  TControl::SetParent(AParent);
  if (hadHandle) {
    if (AParent && AParent->HandleAllocated()) ::SetParent(FHandle, AParent->Handle());
    else if (!AParent && !FParentWindow) DestroyHandle();
  } else if (AParent && AParent->HandleAllocated() && Visible()) {
    Handle();
  }
}

void TWinControl::CreateParams(TCreateParams& P) {
  P.Caption = GetText();
  P.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (FParent || FParentWindow) P.Style |= WS_CHILD;
  if (Visible() && !FParentWindow && FParent) P.Style |= WS_VISIBLE;
  if (!Enabled()) P.Style |= WS_DISABLED;
  if (FTabStop) P.Style |= WS_TABSTOP;
  P.X = FLeft;
  P.Y = FTop;
  P.Width = FWidth;
  P.Height = FHeight;
  P.WndParent = FParent ? FParent->Handle() : FParentWindow;
  P.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  P.WindowClass.lpfnWndProc = VclWindowProc;
  P.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  P.WinClassName = ClassName();
}

void TWinControl::CreateWindowHandle(const TCreateParams& P) {
  FHandle = CreateWindowEx(P.ExStyle, P.WinClassName.c_str(), P.Caption.c_str(), P.Style, P.X, P.Y,
                           P.Width, P.Height, P.WndParent, nullptr, nullptr, this);
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  WNDCLASSA existing;
  if (!GetClassInfo(nullptr, p.WinClassName.c_str(), &existing)) {
    p.WindowClass.lpszClassName = p.WinClassName.c_str();
    RegisterClass(&p.WindowClass);
    existing = p.WindowClass;
  }
  // A class of someone else's (a standard class such as "#32770"): the control subclasses the
  // window once it exists and passes on what it does not handle to the class's procedure.
  bool foreign = existing.lpfnWndProc != VclWindowProc;
  FDefWndProc = foreign ? existing.lpfnWndProc : DefWindowProc;
  TWinControl* outer = gCreatingControl;
  gCreatingControl = foreign ? nullptr : this;
  try {
    CreateWindowHandle(p);
  } catch (...) {
    gCreatingControl = outer;
    throw;
  }
  gCreatingControl = outer;
  if (!FHandle) throw EOutOfResources("Error creating window");
  if (foreign) {
    SetProp(FHandle, kControlProp, this);
    SetWindowLongPtr(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(VclWindowProc));
  }
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  FControlState += csCreating;
  CreateWnd();
  FControlState -= csCreating;
  // Children with windows get theirs in z-order (bottom first, each placed on top).
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->HandleNeeded();
  Realign();
}

HWND TWinControl::Handle() {
  if (!FHandle) {
    if (FParent) FParent->HandleNeeded();
    CreateHandle();
  }
  return FHandle;
}

void TWinControl::DestroyWnd() { DestroyWindow(FHandle); }

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  FControlState += csDestroyingHandle;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  HWND h = FHandle;
  DestroyWnd();
  if (IsWindow(h)) RemoveProp(h, "OrvControl");
  FHandle = nullptr;
  FControlState -= csDestroyingHandle;
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyHandle();
  HandleNeeded();
}

void TWinControl::InsertControl(TControl* AControl) {
  AControl->FParent = this;
  FControls.push_back(AControl);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) FTabList.push_back(w);
  AControl->ParentFontChanged();
  AControl->ParentColorChanged();
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), TRUE);
  Realign();
  AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
  AControl->Invalidate();
  if (FMouseControl == AControl) FMouseControl = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
    if (TCustomForm* f = GetParentForm()) f->ControlRemoving(w);
  }
  FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
  AControl->FParent = nullptr;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), FALSE);
  Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (TControl* c = Control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    bool isWin = dynamic_cast<TWinControl*>(c) != nullptr;
    if (isWin && !AllowWinControls) continue;
    if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, Pos)) return c;
  }
  return nullptr;
}

void TWinControl::EnableAlign() {
  if (--FAlignLevel <= 0) {
    FAlignLevel = 0;
    Realign();
  }
}

void TWinControl::Realign() {
  if (FAlignLevel > 0 || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  AlignAll();
}

void TWinControl::AlignAll() {
  RECT r = ClientRect();
  DisableAlign();
  AlignControls(nullptr, r);
  TDockAccess::LayoutSite(this);
  --FAlignLevel;
}

void TWinControl::AlignControls(TControl*, RECT& Rect) {
  // Top, bottom, left, right, then client; within each, in child order, as the original does.
  static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign a : order)
    for (TControl* c : FControls) {
      if (c->Align() != a || !c->Visible()) continue;
      int w = c->Width(), h = c->Height();
      switch (a) {
        case alTop:
          c->SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, h);
          Rect.top += c->Height();
          break;
        case alBottom:
          c->SetBounds(Rect.left, Rect.bottom - h, Rect.right - Rect.left, h);
          Rect.bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(Rect.left, Rect.top, w, Rect.bottom - Rect.top);
          Rect.left += c->Width();
          break;
        case alRight:
          c->SetBounds(Rect.right - w, Rect.top, w, Rect.bottom - Rect.top);
          Rect.right -= c->Width();
          break;
        case alClient:
          c->SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
          break;
        default: break;
      }
    }
}

// Children that are not aligned keep their distance to the anchored sides when this control
// grows or shrinks by dx, dy: anchored to both sides they stretch, to the far side only they
// move, to neither they stay centred. The usual [akLeft, akTop] leaves them where they are.
void TWinControl::AnchorChildren(int dx, int dy) {
  if (ComponentState().Contains(csLoading)) return;
  for (TControl* c : FControls) {
    if (c->Align() != alNone) continue;
    const TAnchors a = c->Anchors();
    auto follow = [](bool nearSide, bool farSide, int delta, int& pos, int& size) {
      if (nearSide && farSide) size += delta;
      else if (farSide) pos += delta;
      else if (!nearSide) pos += delta / 2;
    };
    int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    follow(a.Contains(akLeft), a.Contains(akRight), dx, l, w);
    follow(a.Contains(akTop), a.Contains(akBottom), dy, t, h);
    if (l != c->Left() || t != c->Top() || w != c->Width() || h != c->Height()) c->SetBounds(l, t, w, h);
  }
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  bool sized = AWidth != FWidth || AHeight != FHeight;
  if (ALeft == FLeft && ATop == FTop && !sized) return;
  const int dx = AWidth - FWidth, dy = AHeight - FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (sized) AnchorChildren(dx, dy);
  if (FHandle) {
    RECT wr;
    GetWindowRect(FHandle, &wr);
    if (wr.right - wr.left != AWidth || wr.bottom - wr.top != AHeight || true)
      SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RequestAlign();
  if (sized) {
    Realign();
    Resize();
  }
}

void TWinControl::UpdateBounds() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (GetParent(FHandle) && (GetWindowLongPtr(FHandle, GWL_STYLE) & WS_CHILD)) {
    POINT p{r.left, r.top};
    ::ScreenToClient(GetParent(FHandle), &p);
    OffsetRect(&r, p.x - r.left, p.y - r.top);
  }
  bool sized = r.right - r.left != FWidth || r.bottom - r.top != FHeight;
  const int dx = r.right - r.left - FWidth, dy = r.bottom - r.top - FHeight;
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
  if (sized) {
    AnchorChildren(dx, dy);
    Realign();
    Resize();
  }
}

RECT TWinControl::ClientRect() {
  if (!FHandle) return TControl::ClientRect();
  RECT r;
  GetClientRect(FHandle, &r);
  return r;
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::UpdateShowing() {
  if (!FHandle) {
    if (Visible() && (FParent ? FParent->HandleAllocated() : false)) HandleNeeded();
    return;
  }
  ShowWindow(FHandle, Visible() ? (FParent ? SW_SHOWNOACTIVATE : SW_SHOW) : SW_HIDE);
}

void TWinControl::SetVisible(bool Value) {
  if (Visible() == Value) return;
  TControl::SetVisible(Value);
  if (FParent || FHandle) UpdateShowing();
}

void TWinControl::SetEnabled(bool Value) {
  if (Enabled() == Value) return;
  TControl::SetEnabled(Value);
  if (FHandle) EnableWindow(FHandle, Value);
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return GetParentForm() != nullptr;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  TCustomForm* f = GetParentForm();
  if (f && f != this) f->FocusControl(this);
  else if (f == this) f->SetFocus();
  else ::SetFocus(Handle());
}

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  auto& v = FParent->FTabList;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (!FParent) return;
  auto& v = FParent->FTabList;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  Value = std::clamp(Value, 0, static_cast<int>(v.size()));
  v.insert(v.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
  FTabStop = Value;
  if (FHandle) {
    LONG_PTR s = GetWindowLongPtr(FHandle, GWL_STYLE);
    SetWindowLongPtr(FHandle, GWL_STYLE, Value ? (s | WS_TABSTOP) : (s & ~static_cast<LONG_PTR>(WS_TABSTOP)));
  }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* Cur, bool GoForward, bool CheckTabStop, bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  auto it = std::find(list.begin(), list.end(), Cur);
  size_t start = it == list.end() ? (GoForward ? list.size() - 1 : 0) : static_cast<size_t>(it - list.begin());
  size_t n = list.size();
  for (size_t k = 1; k <= n; ++k) {
    size_t i = GoForward ? (start + k) % n : (start + n - k) % n;
    TWinControl* c = list[i];
    if (c == Cur) break;
    if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) && c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* Cur, bool GoForward, bool CheckTabStop) {
  if (TWinControl* n = FindNextControl(Cur, GoForward, CheckTabStop, false)) n->SetFocus();
}

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TControl* c : FControls)
    if (c->Owner() == Root) Proc(c);
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = First ? std::find(FControls.begin(), FControls.end(), First) : FControls.begin();
  for (; it != FControls.end(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(*it);
    if (!g || !g->Visible()) continue;
    RECT r = g->BoundsRect();
    RECT clip;
    GetClipBox(DC, &clip);
    RECT inter;
    if (!IntersectRect(&inter, &r, &clip)) continue;
    int saved = SaveDC(DC);
    IntersectClipRect(DC, r.left, r.top, r.right, r.bottom);
    POINT old;
    OffsetWindowOrgEx(DC, -r.left, -r.top, &old);
    // Through the control's WindowProc, so that whatever stands in front of it sees the paint.
    g->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

bool IsAccel(WPARAM CharCode, const std::string& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {  // "&&" is a plain ampersand
      ++i;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(Caption[i + 1]);
    return CharCode < 0x80 && std::toupper(c) == std::toupper(static_cast<int>(CharCode));
  }
  return false;
}

void TWinControl::PaintTo(HDC DC, int X, int Y) {
  if (!DC) return;
  HWND h = Handle();
  int saved = SaveDC(DC);
  OffsetViewportOrgEx(DC, X, Y, nullptr);
  SendMessage(h, WM_PRINT, reinterpret_cast<WPARAM>(DC), PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  RestoreDC(DC, saved);
}

void TWinControl::PaintTo(TCanvas* Canvas, int X, int Y) {
  if (!Canvas) return;
  Canvas->Lock();
  PaintTo(Canvas->Handle(), X, Y);
  Canvas->Unlock();
}

void TWinControl::PaintHandler(TMessage& M) {
  PAINTSTRUCT ps;
  HDC dc = reinterpret_cast<HDC>(M.WParam);
  bool own = dc == nullptr;
  if (own) dc = BeginPaint(FHandle, &ps);
  if (FDoubleBuffered && own) {
    RECT r = ClientRect();
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bm = CreateCompatibleBitmap(dc, std::max(1L, static_cast<long>(r.right)), std::max(1L, static_cast<long>(r.bottom)));
    HGDIOBJ old = SelectObject(mem, bm);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), reinterpret_cast<LPARAM>(mem));
    PaintWindow(mem);
    PaintControls(mem, nullptr);
    TDockAccess::PaintSite(this, mem);
    BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bm);
    DeleteDC(mem);
  } else {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
    TDockAccess::PaintSite(this, dc);
  }
  if (own) EndPaint(FHandle, &ps);
}

void TWinControl::ChildMouse(TMessage& M) {
  // Mouse messages over (or captured by) a graphic child go to that child.
  POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  TControl* target = nullptr;
  if (GetCapture() == FHandle && FMouseControl) target = FMouseControl;
  else target = ControlAtPos(p, false);
  if (M.Msg == WM_MOUSEMOVE || M.Msg == WM_LBUTTONDOWN) {
    TControl* over = target ? target : this;
    if (over != gMouseOver) {
      if (gMouseOver) gMouseOver->Perform(CM_MOUSELEAVE, 0, 0);
      gMouseOver = over;
      over->Perform(CM_MOUSEENTER, 0, 0);
      TRACKMOUSEEVENT tme;
      tme.dwFlags = TME_LEAVE;
      tme.hwndTrack = FHandle;
      TrackMouseEvent(&tme);
    }
  }
  if (!target) return;
  bool down = M.Msg == WM_LBUTTONDOWN || M.Msg == WM_RBUTTONDOWN || M.Msg == WM_MBUTTONDOWN ||
              M.Msg == WM_LBUTTONDBLCLK || M.Msg == WM_RBUTTONDBLCLK;
  bool up = M.Msg == WM_LBUTTONUP || M.Msg == WM_RBUTTONUP || M.Msg == WM_MBUTTONUP;
  if (down && target->ControlStyle().Contains(csCaptureMouse)) {
    FMouseControl = target;
    ::SetCapture(FHandle);
  }
  TMessage cm = M;
  cm.LParam = MAKELPARAM(static_cast<WORD>(p.x - target->Left()), static_cast<WORD>(p.y - target->Top()));
  target->WindowProc(cm);
  if (up && FMouseControl == target && GetCapture() == FHandle && !target->Dragging()) {
    FMouseControl = nullptr;
    ReleaseCapture();
  }
  M.Result = 0;
  M.Msg = 0;  // taken
}

bool TWinControl::DoKeyDown(TMessage& M) {
  TCustomForm* f = GetParentForm();
  gKeyDownDone = &M;
  // Menu shortcuts come before the key handlers of the control and the form.
  if (f && f->IsShortCut(M)) return true;
  WORD key = static_cast<WORD>(M.WParam);
  TShiftState s = KeyDataToShiftState(M.LParam);
  if (f && f != this && f->KeyPreview() && f->DoKeyDown(M)) return true;
  KeyDown(key, s);
  M.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& M) {
  TCustomForm* f = GetParentForm();
  if (f && f != this && f->KeyPreview() && f->DoKeyUp(M)) return true;
  WORD key = static_cast<WORD>(M.WParam);
  KeyUp(key, KeyDataToShiftState(M.LParam));
  M.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& M) {
  TCustomForm* f = GetParentForm();
  if (f && f != this && f->KeyPreview() && f->DoKeyPress(M)) return true;
  char ch = M.WParam < 0x80 ? static_cast<char>(M.WParam) : '\0';
  if (M.WParam >= 0x80) return false;  // non-ASCII characters pass on unchanged
  KeyPress(ch);
  M.WParam = static_cast<unsigned char>(ch);
  return ch == 0;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}
void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}
void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::WndProc(TMessage& M) {
  if (FDockManager && IsMouseMessage(M.Msg) && TDockAccess::SiteMouse(this, M)) return;  // grabbers
  if (M.Msg == WM_NCLBUTTONDOWN && M.WParam == HTCAPTION && TDockAccess::CaptionDrag(this)) return;
  switch (M.Msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      // A child control of ours asks for its colours: its own Color and Font colour.
      TWinControl* c = FindControl(reinterpret_cast<HWND>(M.LParam));
      if (!c || c->FParent != this) break;
      HDC dc = reinterpret_cast<HDC>(M.WParam);
      SetTextColor(dc, ColorToRGB(c->Enabled() ? c->Font()->Color() : clGrayText));
      SetBkColor(dc, ColorToRGB(c->Color()));
      c->FBrush->SetColor(c->Color());
      M.Result = reinterpret_cast<LRESULT>(c->FBrush->Handle());
      return;
    }
    case WM_PAINT:
      PaintHandler(M);
      return;
    case WM_PRINTCLIENT:
      // Painting into a given DC: the control's own WM_PAINT with that DC (so descendants and
      // WindowProc hooks that paint on WM_PAINT answer it too).
      if (M.WParam) M.Result = Perform(WM_PAINT, M.WParam, 0);
      return;
    case WM_ERASEBKGND: {
      if (!M.WParam) return;
      RECT r;
      GetClipBox(reinterpret_cast<HDC>(M.WParam), &r);
      FBrush->SetColor(Color());
      ::FillRect(reinterpret_cast<HDC>(M.WParam), &r, FBrush->Handle());
      M.Result = 1;
      return;
    }
    case WM_SIZE:
    case WM_MOVE:
      if (!FControlState.Contains(csCreating)) UpdateBounds();
      DefaultHandler(M);
      return;
    case WM_SETFOCUS:
      if (TCustomForm* f = GetParentForm()) f->SetFocusedControl(this);
      DefaultHandler(M);
      return;
    case WM_KILLFOCUS:
      DefaultHandler(M);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (gKeyDownDone != &M && DoKeyDown(M)) return;
      UINT key = static_cast<UINT>(M.WParam);
      bool special = key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || (key >= VK_PRIOR && key <= VK_DOWN);
      if (special && M.Msg == WM_KEYDOWN) {
        // The control says, for this very key, whether it wants it (wParam the key, lParam the
        // message), as a dialog asks its controls.
        MSG km{FHandle, M.Msg, M.WParam, M.LParam, 0, {0, 0}};
        LRESULT code = Perform(WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&km));
        bool arrows = key >= VK_LEFT && key <= VK_DOWN;
        bool wants = Perform(CM_WANTSPECIALKEY, key, M.LParam) != 0 || (code & DLGC_WANTALLKEYS) ||
                     (arrows && (code & DLGC_WANTARROWS)) || (key == VK_TAB && (code & DLGC_WANTTAB));
        if (!wants && (key == VK_TAB || arrows || key == VK_RETURN || key == VK_ESCAPE)) {
          if (TCustomForm* f = GetParentForm(); f && f->Perform(CM_DIALOGKEY, key, M.LParam)) return;
        }
      }
      DefaultHandler(M);
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(M)) return;
      DefaultHandler(M);
      return;
    case WM_SYSCHAR:
      // Alt+character: a control whose caption has that accelerator takes it before the menu bar.
      if (M.LParam & (1 << 29)) {
        if (TCustomForm* f = GetParentForm(); f && f->Perform(CM_DIALOGCHAR, M.WParam, M.LParam)) {
          M.Result = 0;
          return;
        }
      }
      DefaultHandler(M);
      return;
    case WM_CHAR:
      if (DoKeyPress(M)) return;
      DefaultHandler(M);
      return;
    case WM_MOUSEWHEEL: {
      POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
      TShiftState s = KeysToShiftState(LOWORD(M.WParam));
      int delta = GET_WHEEL_DELTA_WPARAM(M.WParam);
      for (TControl* c = this; c; c = c->Parent())
        if (c->DoMouseWheel(s, delta, p)) {
          M.Result = 1;
          return;
        }
      M.Result = 1;
      return;
    }
    case WM_MOUSELEAVE:
      if (gMouseOver && (gMouseOver == this || gMouseOver->Parent() == this)) {
        gMouseOver->Perform(CM_MOUSELEAVE, 0, 0);
        gMouseOver = nullptr;
      }
      return;
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(M.WParam) == FHandle && LOWORD(M.LParam) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        p = ScreenToClient(p);
        TControl* c = ControlAtPos(p, false);
        TCursor cur = (c ? c : this)->Cursor();
        if (Screen() && Screen()->Cursor() != crDefault) cur = Screen()->Cursor();
        if (cur != crDefault) {
          ::SetCursor(CursorHandle(cur));
          M.Result = 1;
          return;
        }
      }
      DefaultHandler(M);
      return;
    }
    case WM_CONTEXTMENU:
      return;
    case WM_GETDLGCODE:
      M.Result = 0;
      return;
    case CM_COLORCHANGED:
      FBrush->SetColor(Color());
      for (TControl* c : FControls) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
      Invalidate();
      return;
    case CM_FONTCHANGED:
      for (TControl* c : FControls) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
      Invalidate();
      return;
    case CM_TEXTCHANGED:
      if (FHandle) SetWindowText(FHandle, GetText().c_str());
      Invalidate();
      return;
    case CM_FOCUSCHANGED:
      // Broadcast down the tree (LParam: the control that has the focus).
      for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(M.Msg, M.WParam, M.LParam);
      return;
    case CM_ENTER:
      if (OnEnter) OnEnter(this);
      return;
    case CM_EXIT:
      if (OnExit) OnExit(this);
      return;
  }
  if (IsMouseMessage(M.Msg)) {
    ChildMouse(M);
    if (M.Msg == 0) return;
  }
  TControl::WndProc(M);
}

void TWinControl::DefaultHandler(TMessage& M) {
  if (M.Msg == WM_SETTEXT || M.Msg == WM_GETTEXT || M.Msg == WM_GETTEXTLENGTH) {
    TControl::DefaultHandler(M);
    if (M.Msg == WM_SETTEXT && FHandle) InvalidateRect(FHandle, nullptr, TRUE);
    if (M.Msg == WM_SETTEXT && FHandle) DefWindowProc(FHandle, M.Msg, M.WParam, M.LParam);
    return;
  }
  if (!FHandle) return;
  WNDPROC p = FDefWndProc ? FDefWndProc : DefWindowProc;
  M.Result = CallWindowProc(p, FHandle, M.Msg, M.WParam, M.LParam);
}

// ---- TCustomControl ----
TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() { FCanvas->SetControl(nullptr); }

void TCustomControl::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetColor(Color());
  Paint();
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

// ---- TGraphicControl ----
TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->SetControl(nullptr); }

void TGraphicControl::Paint() {}

void TGraphicControl::WndProc(TMessage& M) {
  // The parent paints its graphic controls with a WM_PAINT whose wParam is its device context,
  // already clipped to the control and moved to its origin.
  if (M.Msg == WM_PAINT && M.WParam) {
    FCanvas->Lock();
    FCanvas->SetHandle(reinterpret_cast<HDC>(M.WParam));
    Paint();
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    M.Result = 0;
    return;
  }
  TControl::WndProc(M);
}

// ---- Cursors ----
HCURSOR CursorHandle(TCursor Cursor) { return Screen() ? Screen()->Cursors(Cursor) : LoadCursor(nullptr, IDC_ARROW); }

HBRUSH ParentCtlColor(HWND wnd, UINT msg, HDC dc, const RECT* fill) {
  HWND parent = GetParent(wnd);
  if (!parent || !dc) return nullptr;
  auto br = reinterpret_cast<HBRUSH>(SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)));
  if (br && fill) ::FillRect(dc, fill, br);
  return br;
}

bool TControl::ParentShowHintValue() const { return FParent->ShowHint(); }

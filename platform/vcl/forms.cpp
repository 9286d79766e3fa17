// Forms, the application object, the screen, and the message boxes built from forms.
#include "platform/vcl/forms.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TCustomForm, TWinControl)
ORV_CLASS_IMPL(TForm, TCustomForm)
ORV_CLASS_IMPL(TApplication, TComponent)
ORV_CLASS_IMPL(TApplicationEvents, TComponent)
ORV_CLASS_IMPL(TScreen, TComponent)

namespace {
TApplication* gApplication = nullptr;
TScreen* gScreen = nullptr;
}  // namespace

TApplication* Application() {
  if (!gApplication) {
    gApplication = new TApplication(nullptr);
    SetWakeMainThread([] { PostThreadMessage(MainThreadID, WM_NULL, 0, 0); });
  }
  return gApplication;
}

TScreen* Screen() {
  if (!gScreen) gScreen = new TScreen(nullptr);
  return gScreen;
}

// ---- TCustomForm ----
TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
  ControlStyle().Include(csDisplayDragImage);  // drag images show over forms
  SetVisible(false);
  SetColor(clBtnFace);
  FLeft = 0;
  FTop = 0;
  FWidth = 320;
  FHeight = 240;
  Font()->SetName("Tahoma");
  Font()->SetHeight(-11);
  Screen()->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (FCreated && OnDestroy) OnDestroy(this);
  if (Application()->MainForm() == this) Application()->SetMainForm(nullptr);
  Screen()->RemoveForm(this);
  DestroyComponents();
  FCanvas->SetControl(nullptr);
}

void TCustomForm::Publish(TPublisher<TCustomForm>& P) {
  P.Prop("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon);
  P.Prop("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Type("TFormBorderStyle").Default(bsSizeable);
  P.Prop("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
  P.Prop("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  P.Prop("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  P.Prop("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  P.Prop("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  P.Prop("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
  P.Prop("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  P.Prop("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth).Stored(false);
  P.Prop("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight).Stored(false);
  P.Event("OnCreate", &TCustomForm::OnCreate).Type("TNotifyEvent");
  P.Event("OnDestroy", &TCustomForm::OnDestroy).Type("TNotifyEvent");
  P.Event("OnShow", &TCustomForm::OnShow).Type("TNotifyEvent");
  P.Event("OnHide", &TCustomForm::OnHide).Type("TNotifyEvent");
  P.Event("OnActivate", &TCustomForm::OnActivate).Type("TNotifyEvent");
  P.Event("OnDeactivate", &TCustomForm::OnDeactivate).Type("TNotifyEvent");
  P.Event("OnPaint", &TCustomForm::OnPaint).Type("TNotifyEvent");
  P.Event("OnClose", &TCustomForm::OnClose).Type("TCloseEvent");
  P.Event("OnCloseQuery", &TCustomForm::OnCloseQuery).Type("TCloseQueryEvent");
  P.Event("OnShortCut", &TCustomForm::OnShortCut).Type("TShortCutEvent");
}

void TCustomForm::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    if (!c->HasParent()) Proc(c);
  }
  TWinControl::GetChildren(Proc, Root);
}

void TCustomForm::FinishCreate() {
  if (FCreated) return;
  FCreated = true;
  DoCreate();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  Realign();
}

void TCustomForm::LoadFromText(const std::string& Text) {
  TStringStream in(Text);
  TMemoryStream bin;
  ObjectTextToBinary(&in, &bin);
  bin.SetPosition(0);
  TReader r(&bin, 4096);
  r.ReadRootComponent(this);
}

void TCustomForm::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  P.WndParent = nullptr;
  switch (FBorderStyle) {
    case bsNone: P.Style |= WS_POPUP; break;
    case bsSingle: case bsToolWindow: P.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable: case bsSizeToolWin: P.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: P.Style |= WS_POPUP | WS_CAPTION; P.ExStyle |= WS_EX_DLGMODALFRAME; break;
  }
  if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) P.ExStyle |= WS_EX_TOOLWINDOW;
  if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
    P.Style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
      if (FBorderIcons.Contains(biMinimize)) P.Style |= WS_MINIMIZEBOX;
      if (FBorderIcons.Contains(biMaximize)) P.Style |= WS_MAXIMIZEBOX;
    }
  }
  if (FFormStyle == fsStayOnTop) P.ExStyle |= WS_EX_TOPMOST;
  if (Application()->MainForm() && Application()->MainForm() != this && Application()->MainForm()->HandleAllocated())
    P.WndParent = Application()->MainForm()->Handle();
  if (FFormStyle == fsMDIChild && !Parent()) {
    // A document window: a child of the MDI form's client window, always with a caption.
    P.Style = (P.Style & ~WS_POPUP) | WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION;
    P.ExStyle = (P.ExStyle & ~(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME)) | WS_EX_MDICHILD;
    TCustomForm* mf = MDIParentForm();
    P.WndParent = mf ? mf->ClientHandle() : nullptr;
    if (FPosition == poDefault || FPosition == poDefaultPosOnly) P.X = P.Y = CW_USEDEFAULT;
    if (FPosition == poDefault || FPosition == poDefaultSizeOnly) P.Width = P.Height = CW_USEDEFAULT;
  }
  if (Parent()) {
    // Inside another control (docked, for one) the form is a child window; a docked form has no
    // frame of its own, its dock site draws a grabber for it.
    if (HostDockSite()) P.Style &= ~(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    P.Style = (P.Style & ~WS_POPUP) | WS_CHILD | WS_CLIPSIBLINGS;
    if (Visible()) P.Style |= WS_VISIBLE;
    P.ExStyle &= ~(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME);
    P.WndParent = Parent()->Handle();
  }
}

void TCustomForm::SetParent(TWinControl* AParent) {
  // Between top-level and child the window's kind changes: it is made again for the new place.
  TWinControl* old = Parent();
  if ((old == nullptr) != (AParent == nullptr)) DestroyHandle();
  TWinControl::SetParent(AParent);
  // Leaving a parent that is being destroyed, the form waits to be shown again.
  if (!AParent && Visible() && !(old && old->ComponentState().Contains(csDestroying))) {
    TControl::SetVisible(false);
    SetVisible(true);
  }
}

RECT TCustomForm::ClientRect() {
  if (HandleAllocated()) return TWinControl::ClientRect();
  TCreateParams p;
  CreateParams(p);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, p.Style, FMenu != nullptr, p.ExStyle);
  return RECT{0, 0, std::max(0, Width() - (frame.right - frame.left)), std::max(0, Height() - (frame.bottom - frame.top))};
}

namespace {

// The API bar of a main menu shown on Wnd (the menu redraws that window's bar when it changes).
HMENU BarFor(TMainMenu* Menu, HWND Wnd) {
  if (!Menu) return nullptr;
  Menu->SetWindowHandle(Wnd);
  Menu->Rebuild();
  return Menu->Handle();
}

}  // namespace

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (FMenu && FFormStyle != fsMDIChild) ::SetMenu(FHandle, BarFor(FMenu, FHandle));
  if (FFormStyle == fsMDIForm) CreateMDIClient();
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMenu) {
    FMenu = nullptr;
    if (HandleAllocated() && FFormStyle != fsMDIChild) ::SetMenu(FHandle, nullptr);
  }
  if (Operation == opRemove && AComponent == FWindowMenu) FWindowMenu = nullptr;
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  FMenu = Value;
  if (Value) Value->FreeNotification(this);
  if (HandleAllocated() && FFormStyle == fsMDIChild) {
    // A document's menu shows merged into the MDI form's while the document is active.
    if (TCustomForm* mf = MDIParentForm(); mf && mf->ActiveMDIChild() == this) MDIChildActivated(true);
  } else if (HandleAllocated()) {
    ::SetMenu(FHandle, BarFor(Value, FHandle));
    UpdateBounds();
  }
}

void TCustomForm::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetIcon(TIcon* Value) {
  if (Value)
    FIcon->Assign(Value);
  else
    FIcon = std::make_unique<TIcon>();
  // A skinned caption draws the icon itself: let its frame be painted again.
  if (HandleAllocated()) RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (FBorderIcons == Value) return;
  FBorderIcons = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  const bool mdi = FFormStyle == fsMDIChild || FFormStyle == fsMDIForm || Value == fsMDIChild || Value == fsMDIForm;
  FFormStyle = Value;
  // Document windows and MDI forms are made differently: the window is made again.
  if (mdi && HandleAllocated()) {
    RecreateWnd();
    return;
  }
  if (HandleAllocated())
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() const {
  if (!FHandle) return FWindowState;
  if (IsIconic(FHandle)) return wsMinimized;
  if (IsZoomed(FHandle)) return wsMaximized;
  return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (!FHandle || !Visible()) return;
  ShowWindow(FHandle, Value == wsMaximized ? SW_SHOWMAXIMIZED : Value == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TCustomForm::SetActiveControl(TWinControl* Value) {
  if (Value && (Value == this || !ContainsControl(Value))) throw EInvalidOperation("Invalid control for this form");
  FActiveControl = Value;
  if (Value && FActive && Value->CanFocus()) Value->SetFocus();
}

void TCustomForm::PlaceForm() {
  if (Parent() || FFormStyle == fsMDIChild) return;  // a form inside another control stays where it is put
  RECT wa = Screen()->WorkAreaRect();
  int l = FLeft, t = FTop;
  switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
      l = (Screen()->Width() - FWidth) / 2;
      t = (Screen()->Height() - FHeight) / 2;
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* o = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
      if (!o) o = Application()->MainForm();
      if (o && o != this) {
        l = o->Left() + (o->Width() - FWidth) / 2;
        t = o->Top() + (o->Height() - FHeight) / 2;
      } else {
        l = (Screen()->Width() - FWidth) / 2;
        t = (Screen()->Height() - FHeight) / 2;
      }
      break;
    }
    case poDefault:
    case poDefaultPosOnly:
      l = wa.left + 40;
      t = wa.top + 40;
      break;
    default: break;
  }
  if (l != FLeft || t != FTop) SetBounds(l, t, FWidth, FHeight);
}

void TCustomForm::SetVisible(bool Value) {
  if (Visible() == Value && (!Value || (FHandle && IsWindowVisible(FHandle)))) return;
  if (Value) {
    HandleNeeded();
    PlaceForm();
    TControl::SetVisible(true);
    DoShow();
    int cmd = FWindowState == wsMaximized ? SW_SHOWMAXIMIZED : FWindowState == wsMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    ShowWindow(FHandle, cmd);
    if (FFormStyle == fsMDIChild && FWindowState != wsMinimized && GetParent(FHandle))
      SendMessage(GetParent(FHandle), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(FHandle), 0);
    if (!FActiveControl) {
      if (TWinControl* first = FindNextControl(nullptr, true, true, false)) FActiveControl = first;
    }
    if (GetActiveWindow() == FHandle && FActiveControl && FActiveControl->CanFocus()) FActiveControl->SetFocus();
  } else {
    DoHide();
    TControl::SetVisible(false);
    if (FHandle) ShowWindow(FHandle, SW_HIDE);
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Show() {
  SetVisible(true);
  if (FHandle) BringWindowToTop(FHandle);
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  // Every other enabled top-level window of the program is disabled while the form runs.
  std::vector<HWND> disabled;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* f = Screen()->Forms(i);
    if (f != this && f->HandleAllocated() && IsWindowEnabled(f->Handle())) {
      EnableWindow(f->Handle(), FALSE);
      disabled.push_back(f->Handle());
    }
  }
  HWND prevActive = GetActiveWindow();
  FModal = true;
  FModalResult = mrNone;
  Application()->ModalStarted();
  try {
    Show();
    SetActiveWindow(Handle());
    while (FModalResult == mrNone) {
      Application()->HandleMessage();
      if (Application()->Terminated()) FModalResult = mrCancel;
      if (FModalResult != mrNone) {
        // Closing may be refused (OnCloseQuery) or turned into something else (OnClose).
        TModalResult mr = FModalResult;
        if (!CloseQuery()) {
          FModalResult = mrNone;
          continue;
        }
        TCloseAction action = caHide;
        if (OnClose) OnClose(this, action);
        if (action == caNone) {
          FModalResult = mrNone;
          continue;
        }
        FModalResult = mr;
        if (action == caFree) Release();
      }
      if (FHandle && !IsWindowVisible(FHandle) && FModalResult == mrNone) FModalResult = mrCancel;
    }
  } catch (...) {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    Application()->ModalFinished();
    FModal = false;
    throw;
  }
  for (HWND h : disabled)
    if (IsWindow(h)) EnableWindow(h, TRUE);
  if (prevActive && IsWindow(prevActive)) SetActiveWindow(prevActive);
  Hide();
  Application()->ModalFinished();
  FModal = false;
  return FModalResult;
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  // A document window is minimised (or, without a minimise button, stays) unless OnClose says otherwise.
  TCloseAction action = (Application()->MainForm() == this) ? caFree
                        : FFormStyle == fsMDIChild ? (FBorderIcons.Contains(biMinimize) ? caMinimize : caNone)
                                                   : caHide;
  if (OnClose) OnClose(this, action);
  switch (action) {
    case caNone: return;
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree:
      if (Application()->MainForm() == this) Application()->Terminate();
      Hide();
      if (Application()->MainForm() != this) Release();
      break;
  }
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(FHandle, CM_RELEASE, 0, 0);
  else delete this;
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

void TCustomForm::FocusControl(TWinControl* Control) {
  if (!Control || !Control->CanFocus()) return;
  FActiveControl = Control;
  if (Visible()) ::SetFocus(Control->Handle());
}

namespace {
// Sends a message to every control of the tree below Parent (children before grandchildren,
// in each parent's order); with untilAnswered it stops at the first non-zero answer, which it
// returns.
LRESULT BroadcastTo(TWinControl* Parent, UINT Msg, WPARAM W, LPARAM L, bool untilAnswered) {
  std::vector<TControl*> kids;
  for (int i = 0; i < Parent->ControlCount(); ++i) kids.push_back(Parent->Controls(i));
  for (TControl* c : kids)
    if (LRESULT r = c->Perform(Msg, W, L); r && untilAnswered) return r;
  for (TControl* c : kids)
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (LRESULT r = BroadcastTo(w, Msg, W, L, untilAnswered); r && untilAnswered) return r;
  return 0;
}
}  // namespace

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (Control == this) {
    // The form itself got the focus: pass it on to the active control.
    if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
      PostMessage(FActiveControl->Handle(), WM_NULL, 0, 0);
      ::SetFocus(FActiveControl->Handle());
      return true;
    }
    return false;
  }
  TWinControl* old = FFocusedControl;
  if (old == Control) return true;
  FFocusedControl = Control;
  FActiveControl = Control;
  // CM_EXIT for the controls being left, CM_ENTER for the controls being entered.
  if (old) {
    for (TWinControl* c = old; c && c != this && !c->ContainsControl(Control); c = c->Parent()) c->Perform(CM_EXIT, 0, 0);
  }
  std::vector<TWinControl*> entering;
  for (TWinControl* c = Control; c && c != this && !(old && c->ContainsControl(old)); c = c->Parent()) entering.push_back(c);
  for (auto it = entering.rbegin(); it != entering.rend(); ++it) (*it)->Perform(CM_ENTER, 0, 0);
  // Every control of the form learns which control has the focus now (default buttons redraw).
  if (FFocusedControl == Control) Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  return true;
}

void TCustomForm::ControlRemoving(TWinControl* Control) {
  if (FActiveControl && Control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
  if (FFocusedControl && Control->ContainsControl(FFocusedControl)) FFocusedControl = nullptr;
}

bool TCustomForm::IsShortCut(const TMessage& KeyMessage) {
  WORD key = static_cast<WORD>(KeyMessage.WParam);
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  // The application's handler, then the form's, may take the key before menus and actions.
  TWMKey msg{KeyMessage.Msg, key, KeyMessage.LParam, 0};
  bool handled = false;
  if (Application()->OnShortCut) Application()->OnShortCut(msg, handled);
  if (!handled && OnShortCut) OnShortCut(msg, handled);
  if (handled) return true;
  TShortCut sc = ::ShortCut(key, KeyDataToShiftState(KeyMessage.LParam));
  if (FMenu && FMenu->IsShortCut(sc)) return true;
  // Multiple-document forms: a document's keys also reach the MDI form's menu, and the MDI
  // form's the document menu merged into its bar.
  if (FMenu && FMenu->Merged() && FMenu->Merged()->IsShortCut(sc)) return true;
  if (FFormStyle == fsMDIChild)
    if (TCustomForm* mf = MDIParentForm(); mf && mf->Menu() && mf->Menu()->IsShortCut(sc)) return true;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TActionList*>(Components(i)); list && list->IsShortCut(sc)) return true;
  return false;
}

bool TCustomForm::DoKeyDown(TMessage& M) {
  if (IsShortCut(M)) return true;
  WORD key = static_cast<WORD>(M.WParam);
  KeyDown(key, KeyDataToShiftState(M.LParam));
  M.WParam = key;
  return key == 0;
}

bool TCustomForm::DoKeyUp(TMessage& M) {
  WORD key = static_cast<WORD>(M.WParam);
  KeyUp(key, KeyDataToShiftState(M.LParam));
  M.WParam = key;
  return key == 0;
}

bool TCustomForm::DoKeyPress(TMessage& M) {
  if (M.WParam >= 0x80) return false;
  char ch = static_cast<char>(M.WParam);
  KeyPress(ch);
  M.WParam = static_cast<unsigned char>(ch);
  return ch == 0;
}

void TCustomForm::PaintWindow(HDC DC) {
  if (!OnPaint) return;
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  FCanvas->Font()->Assign(Font());
  OnPaint(this);
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_ACTIVATE: {
      bool active = LOWORD(M.WParam) != WA_INACTIVE;
      FActive = active;
      if (active) {
        Activate();
        if (FActiveControl && FActiveControl->CanFocus()) ::SetFocus(FActiveControl->Handle());
        else ::SetFocus(FHandle);
      } else {
        Deactivate();
      }
      M.Result = 0;
      return;
    }
    case WM_CLOSE:
      Close();
      return;
    case WM_MDIACTIVATE:
      if (FFormStyle == fsMDIChild) {
        HWND activated = reinterpret_cast<HWND>(M.LParam);
        if (activated == FHandle) MDIChildActivated(true);
        else if (!activated) MDIChildActivated(false);
      }
      break;
    case WM_NCLBUTTONDOWN:
      if (M.WParam == HTMENU && FMenu) {
        RECT wr;
        GetWindowRect(FHandle, &wr);
        POINT p{GET_X_LPARAM(M.LParam) - wr.left, GET_Y_LPARAM(M.LParam) - wr.top};
        FMenu->OpenItem(FHandle, FMenu->ItemAt(FHandle, p));
        return;
      }
      break;
    case WM_SYSCOMMAND:
      if ((M.WParam & 0xFFF0) == SC_KEYMENU && FMenu && FMenu->KeyMenu(FHandle, static_cast<char>(M.LParam))) {
        M.Result = 0;
        return;
      }
      if ((M.WParam & 0xFFF0) == SC_KEYMENU && M.LParam) {
        // Alt and a character no menu item takes: the controls may claim it as their
        // accelerator (CM_DIALOGCHAR, the character in WParam; non-zero result: taken).
        std::vector<TWinControl*> all;
        GetTabOrderList(all);
        for (TWinControl* c : all)
          if (c->Perform(CM_DIALOGCHAR, static_cast<WPARAM>(M.LParam), 0)) {
            M.Result = 0;
            return;
          }
      }
      break;
    case WM_COMMAND:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUSELECT:
    case WM_MENUCHAR:
      if (MenuOwnerMessage(M)) return;
      break;
    case CM_RELEASE:
      delete this;
      return;
    case CM_DIALOGCHAR:
      // An accelerator: the first control whose caption has it takes it.
      M.Result = BroadcastTo(this, CM_DIALOGCHAR, M.WParam, M.LParam, true);
      return;
    case CM_DIALOGKEY: {
      UINT key = static_cast<UINT>(M.WParam);
      bool shift = GetKeyState(VK_SHIFT) < 0;
      if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
        SelectNext(FActiveControl, !shift, true);
        M.Result = 1;
        return;
      }
      if (key >= VK_LEFT && key <= VK_DOWN && FActiveControl) {
        // Arrows move among the siblings of the active control (a group of radio buttons); a
        // radio button reached this way is checked.
        TWinControl* from = FActiveControl;
        TWinControl* group = from->Parent() ? from->Parent() : this;
        if (TWinControl* next = group->FindNextControl(from, key == VK_RIGHT || key == VK_DOWN, false, true)) {
          next->SetFocus();
          if (auto* radio = dynamic_cast<TRadioButton*>(next); radio && radio->Focused()) radio->SetChecked(true);
        }
        M.Result = 1;
        return;
      }
      // Enter and Escape go to the default and cancel buttons (any control may claim them).
      std::vector<TWinControl*> all;
      GetTabOrderList(all);
      for (TWinControl* c : all)
        if (c->Perform(CM_DIALOGKEY, M.WParam, M.LParam)) {
          M.Result = 1;
          return;
        }
      M.Result = 0;
      return;
    }
    case WM_GETMINMAXINFO: {
      auto* mm = reinterpret_cast<MINMAXINFO*>(M.LParam);
      if (Constraints().MinWidth) mm->ptMinTrackSize.x = Constraints().MinWidth;
      if (Constraints().MinHeight) mm->ptMinTrackSize.y = Constraints().MinHeight;
      if (Constraints().MaxWidth) mm->ptMaxTrackSize.x = Constraints().MaxWidth;
      if (Constraints().MaxHeight) mm->ptMaxTrackSize.y = Constraints().MaxHeight;
      return;
    }
    case WM_SIZE:
      if (M.WParam == SIZE_MAXIMIZED) FWindowState = wsMaximized;
      else if (M.WParam == SIZE_MINIMIZED) FWindowState = wsMinimized;
      else FWindowState = wsNormal;
      break;
  }
  TWinControl::WndProc(M);
}

// ---- TApplication ----
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() { Screen(); }

void TApplication::Run() {
  if (FMainForm && FShowMainForm) FMainForm->Show();
  while (!FTerminated) {
    HandleMessage();
    if (FMainForm && FMainForm->HandleAllocated() && !IsWindowVisible(FMainForm->Handle()) && !FMainForm->Visible()) {
      // The main form went away (closed): the program ends.
      if (!FMainForm->Visible()) FTerminated = true;
    }
  }
}

void TApplication::Terminate() {
  FTerminated = true;
  PostQuitMessage(0);
}

bool TApplication::DispatchOnMessage(MSG& Msg) {
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  for (size_t i = 0; i < FEvents.size() && !handled; ++i)
    if (FEvents[i]->OnMessage) FEvents[i]->OnMessage(Msg, handled);
  return handled;
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  try {
    if (Msg.message == WM_MOUSEMOVE) HintMouseMessage(Msg);
    if (!DispatchOnMessage(Msg)) {
      TranslateMessage(&Msg);
      DispatchMessage(&Msg);
    }
  } catch (const Exception& e) {
    HandleException(this, e);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG m;
  CheckSynchronize();
  while (ProcessMessage(m)) {
    if (FTerminated) break;
  }
}

void TApplication::Idle() {
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  for (auto* e : FEvents)
    if (e->OnIdle) e->OnIdle(this, done);
  CheckSynchronize();
}

void TApplication::HandleMessage() {
  MSG m;
  try {
    CheckSynchronize();
  } catch (const Exception& e) {
    HandleException(this, e);
  }
  if (ProcessMessage(m)) return;
  Idle();
  if (!FTerminated) WaitMessage();
}

void TApplication::ShowException(const Exception& E) {
  std::string msg = E.Message();
  if (!msg.empty() && msg.back() != '.') msg += ".";
  ::MessageBox(nullptr, msg, FTitle, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* Sender, const Exception& E) {
  if (OnException) {
    OnException(Sender, E);
    return;
  }
  for (auto* ev : FEvents)
    if (ev->OnException) {
      ev->OnException(Sender, E);
      return;
    }
  if (dynamic_cast<const EAbort*>(&E)) return;
  ShowException(E);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  TCustomForm* f = Screen()->ActiveForm();
  return ::MessageBox(f && f->HandleAllocated() ? f->Handle() : nullptr, Text, Caption, Flags);
}

void TApplication::AddEvents(TApplicationEvents* E) { FEvents.push_back(E); }
void TApplication::RemoveEvents(TApplicationEvents* E) {
  FEvents.erase(std::remove(FEvents.begin(), FEvents.end(), E), FEvents.end());
}

void TApplication::NotifyForms(UINT Msg) {
  for (int i = 0; i < Screen()->FormCount(); ++i) Screen()->Forms(i)->Perform(Msg, 0, 0);
}

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) { Application()->AddEvents(this); }
TApplicationEvents::~TApplicationEvents() { Application()->RemoveEvents(this); }

// ---- TScreen ----
TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  // Every living form is a global component under its Name (dock layouts and references in
  // streams find forms this way); a form that is gone is no longer in the list.
  RegisterFindGlobalComponentProc([](const std::string& Name) -> TComponent* {
    if (Name.empty() || !gScreen) return nullptr;
    for (int i = 0; i < gScreen->FormCount(); ++i)
      if (CompareText(gScreen->Forms(i)->Name(), Name) == 0) return gScreen->Forms(i);
    return nullptr;
  });
}
TScreen::~TScreen() = default;

void TScreen::RemoveForm(TCustomForm* F) { FForms.erase(std::remove(FForms.begin(), FForms.end(), F), FForms.end()); }

TCustomForm* TScreen::ActiveForm() const {
  HWND a = GetActiveWindow();
  for (TCustomForm* f : FForms)
    if (f->HandleAllocated() && const_cast<TCustomForm*>(f)->Handle() == a) return f;
  return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
  TCustomForm* f = ActiveForm();
  return f ? f->ActiveControl() : nullptr;
}

void TScreen::SetCursor(TCursor Value) {
  FCursor = Value;
  ::SetCursor(Cursors(Value == crDefault ? int(crArrow) : int(Value)));
}

HCURSOR TScreen::Cursors(int Index) const {
  auto it = FCursors.find(Index);
  if (it != FCursors.end()) return it->second;
  LPCSTR id = IDC_ARROW;
  switch (Index) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: id = IDC_WAIT; break;
    case crNo: case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
  }
  return LoadCursor(nullptr, id);
}

void TScreen::SetCursors(int Index, HCURSOR Handle) {
  if (Handle) FCursors[Index] = Handle;
  else FCursors.erase(Index);
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

RECT TScreen::WorkAreaRect() const {
  RECT r;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

int TScreen::DesktopLeft() const { return GetSystemMetrics(SM_XVIRTUALSCREEN); }
int TScreen::DesktopTop() const { return GetSystemMetrics(SM_YVIRTUALSCREEN); }
int TScreen::DesktopWidth() const { return GetSystemMetrics(SM_CXVIRTUALSCREEN); }
int TScreen::DesktopHeight() const { return GetSystemMetrics(SM_CYVIRTUALSCREEN); }

RECT TMonitor::BoundsRect() const {
  MONITORINFO mi;
  return GetMonitorInfo(FHandle, &mi) ? mi.rcMonitor : RECT{0, 0, 0, 0};
}

RECT TMonitor::WorkareaRect() const {
  MONITORINFO mi;
  return GetMonitorInfo(FHandle, &mi) ? mi.rcWork : RECT{0, 0, 0, 0};
}

bool TMonitor::Primary() const {
  MONITORINFO mi;
  return GetMonitorInfo(FHandle, &mi) && (mi.dwFlags & MONITORINFOF_PRIMARY);
}

void TScreen::RefreshMonitors() const {
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR m, HDC, RECT*, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HMONITOR>*>(p)->push_back(m);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&handles));
  bool same = handles.size() == FMonitors.size();
  for (size_t i = 0; same && i < handles.size(); ++i) same = FMonitors[i]->Handle() == handles[i];
  if (same) return;
  FMonitors.clear();
  for (size_t i = 0; i < handles.size(); ++i)
    FMonitors.push_back(std::make_unique<TMonitor>(handles[i], static_cast<int>(i)));
}

TMonitor* TScreen::FindMonitor(HMONITOR Handle) const {
  if (!Handle) return nullptr;
  RefreshMonitors();
  for (const auto& m : FMonitors)
    if (m->Handle() == Handle) return m.get();
  return nullptr;
}

int TScreen::MonitorCount() const {
  RefreshMonitors();
  return static_cast<int>(FMonitors.size());
}

TMonitor* TScreen::Monitors(int Index) const {
  RefreshMonitors();
  if (Index < 0 || Index >= static_cast<int>(FMonitors.size()))
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FMonitors[static_cast<size_t>(Index)].get();
}

namespace {
DWORD MonitorFlags(TMonitorDefaultTo Default) {
  switch (Default) {
    case mdNull: return MONITOR_DEFAULTTONULL;
    case mdPrimary: return MONITOR_DEFAULTTOPRIMARY;
    case mdNearest: break;
  }
  return MONITOR_DEFAULTTONEAREST;
}
}  // namespace

TMonitor* TScreen::PrimaryMonitor() const {
  return FindMonitor(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

TMonitor* TScreen::MonitorFromPoint(POINT Point, TMonitorDefaultTo Default) const {
  return FindMonitor(::MonitorFromPoint(Point, MonitorFlags(Default)));
}

TMonitor* TScreen::MonitorFromRect(const RECT& Rect, TMonitorDefaultTo Default) const {
  return FindMonitor(::MonitorFromRect(&Rect, MonitorFlags(Default)));
}

TMonitor* TScreen::MonitorFromWindow(HWND Handle, TMonitorDefaultTo Default) const {
  return FindMonitor(::MonitorFromWindow(Handle, MonitorFlags(Default)));
}

// Controls, forms and the application object as scripts see them.
#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "script/bindings/sc_ibindings.h"
#include "script/bindings/sc_icontrolevents.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_ibindhelpers.h"
#include "script/sc_isysrtti.h"

namespace {

using scbind::Obj;
using scbind::Ref;
using scbind::Self;

class TFormsFunctions : public TObject {
public:
  explicit TFormsFunctions(TscScript* S);
  ~TFormsFunctions() override {
    if (TscScript* s = scGlobalScript()) s->RemoveItems(this);
  }
  Variant CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P);
  Variant GetProp(TObject* Instance, TClass C, const std::string& N);
  void SetProp(TObject* Instance, TClass C, const std::string& N, const Variant& V);
};

TFormsFunctions* gFormsFunctions = nullptr;

TFormsFunctions::TFormsFunctions(TscScript* S) {
  S->Registrar = this;
  auto m = [this](TObject* I, TClass C, const std::string& N, TscArgs& P) {
    return CallMethod(I, C, N, P);
  };
  auto g = [this](TObject* I, TClass C, const std::string& N) { return GetProp(I, C, N); };
  auto s = [this](TObject* I, TClass C, const std::string& N, const Variant& V) {
    SetProp(I, C, N, V);
  };
  const std::pair<const char*, int> consts[] = {{"mrNone", 0},
                                                {"mrOk", 1},
                                                {"mrCancel", 2},
                                                {"mrAbort", 3},
                                                {"mrRetry", 4},
                                                {"mrIgnore", 5},
                                                {"mrYes", 6},
                                                {"mrNo", 7},
                                                {"mrAll", 8},
                                                {"mrNoToAll", 9},
                                                {"mrYesToAll", 10},
                                                {"crDefault", 0},
                                                {"crNone", -1},
                                                {"crArrow", -2},
                                                {"crCross", -3},
                                                {"crIBeam", -4},
                                                {"crSize", -22},
                                                {"crSizeNESW", -6},
                                                {"crSizeNS", -7},
                                                {"crSizeNWSE", -8},
                                                {"crSizeWE", -9},
                                                {"crUpArrow", -10},
                                                {"crHourGlass", -11},
                                                {"crDrag", -12},
                                                {"crNoDrop", -13},
                                                {"crHSplit", -14},
                                                {"crVSplit", -15},
                                                {"crMultiDrag", -16},
                                                {"crSQLWait", -17},
                                                {"crNo", -18},
                                                {"crAppStart", -19},
                                                {"crHelp", -20},
                                                {"crHandPoint", -21},
                                                {"crSizeAll", -22},
                                                {"bsNone", 0},
                                                {"bsSingle", 1},
                                                {"bsSizeable", 2},
                                                {"bsDialog", 3},
                                                {"bsToolWindow", 4},
                                                {"bsSizeToolWin", 5},
                                                {"VK_RBUTTON", VK_RBUTTON},
                                                {"VK_CANCEL", VK_CANCEL},
                                                {"VK_MBUTTON", VK_MBUTTON},
                                                {"VK_BACK", VK_BACK},
                                                {"VK_TAB", VK_TAB},
                                                {"VK_RETURN", VK_RETURN},
                                                {"VK_SHIFT", VK_SHIFT},
                                                {"VK_CONTROL", VK_CONTROL},
                                                {"VK_MENU", VK_MENU},
                                                {"VK_PAUSE", VK_PAUSE},
                                                {"VK_CAPITAL", VK_CAPITAL},
                                                {"VK_ESCAPE", VK_ESCAPE},
                                                {"VK_SPACE", VK_SPACE},
                                                {"VK_PRIOR", VK_PRIOR},
                                                {"VK_NEXT", VK_NEXT},
                                                {"VK_END", VK_END},
                                                {"VK_HOME", VK_HOME},
                                                {"VK_LEFT", VK_LEFT},
                                                {"VK_UP", VK_UP},
                                                {"VK_RIGHT", VK_RIGHT},
                                                {"VK_DOWN", VK_DOWN},
                                                {"VK_INSERT", VK_INSERT},
                                                {"VK_DELETE", VK_DELETE},
                                                {"VK_HELP", VK_HELP},
                                                {"VK_LWIN", VK_LWIN},
                                                {"VK_RWIN", VK_RWIN},
                                                {"VK_APPS", VK_APPS},
                                                {"VK_NUMPAD0", 96},
                                                {"VK_NUMPAD1", 97},
                                                {"VK_NUMPAD2", 98},
                                                {"VK_NUMPAD3", 99},
                                                {"VK_NUMPAD4", 100},
                                                {"VK_NUMPAD5", 101},
                                                {"VK_NUMPAD6", 102},
                                                {"VK_NUMPAD7", 103},
                                                {"VK_NUMPAD8", 104},
                                                {"VK_NUMPAD9", 105},
                                                {"VK_MULTIPLY", VK_MULTIPLY},
                                                {"VK_ADD", VK_ADD},
                                                {"VK_SEPARATOR", VK_SEPARATOR},
                                                {"VK_SUBTRACT", VK_SUBTRACT},
                                                {"VK_DECIMAL", VK_DECIMAL},
                                                {"VK_DIVIDE", VK_DIVIDE},
                                                {"VK_F1", 112},
                                                {"VK_F2", 113},
                                                {"VK_F3", 114},
                                                {"VK_F4", 115},
                                                {"VK_F5", 116},
                                                {"VK_F6", 117},
                                                {"VK_F7", 118},
                                                {"VK_F8", 119},
                                                {"VK_F9", 120},
                                                {"VK_F10", 121},
                                                {"VK_F11", 122},
                                                {"VK_F12", 123},
                                                {"VK_NUMLOCK", VK_NUMLOCK},
                                                {"VK_SCROLL", VK_SCROLL}};
  for (const auto& c : consts) S->AddConst(c.first, "Integer", c.second);
  S->AddBaseType("TFormBorderStyle", tcInteger);
  S->AddBaseType("TBorderStyle", tcInteger);
  S->AddEnumSet("TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble");
  S->AddEnum("TAlignment", "taLeftJustify, taRightJustify, taCenter");
  S->AddEnum("TAlign", "alNone, alTop, alBottom, alLeft, alRight, alClient");
  S->AddEnum("TMouseButton", "mbLeft, mbRight, mbMiddle");
  S->AddEnumSet("TAnchors", "akLeft, akTop, akRight, akBottom");
  S->AddEnum("TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace");
  S->AddEnum("TTextLayout", "tlTop, tlCenter, tlBottom");
  S->AddEnum("TEditCharCase", "ecNormal, ecUpperCase, ecLowerCase");
  S->AddEnum("TScrollStyle", "ssNone, ssHorizontal, ssVertical, ssBoth");
  S->AddEnum("TComboBoxStyle",
             "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable");
  S->AddEnum("TCheckBoxState", "cbUnchecked, cbChecked, cbGrayed");
  S->AddEnum("TListBoxStyle", "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable");
  S->AddEnum("TWindowState", "wsNormal, wsMinimized, wsMaximized");
  S->AddEnum("TFormStyle", "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop");
  S->AddEnumSet("TBorderIcons", "biSystemMenu, biMinimize, biMaximize, biHelp");
  S->AddEnum("TPosition",
             "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, "
             "poDesktopCenter");
  S->AddEnum("TCloseAction", "caNone, caHide, caFree, caMinimize");

  if (TscClassVariable* c = S->AddClass(TControl::StaticClass(), "TComponent")) {
    c->AddProperty("Parent", "TWinControl", g, s);
    c->AddMethod("procedure Hide", m);
    c->AddMethod("procedure Show", m);
    c->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)", m);
    c->AddEvent("OnCanResize", TscCanResizeEvent::StaticClass());
    c->AddEvent("OnClick", TscNotifyEvent::StaticClass());
    c->AddEvent("OnDblClick", TscNotifyEvent::StaticClass());
    c->AddEvent("OnMouseDown", TscMouseEvent::StaticClass());
    c->AddEvent("OnMouseMove", TscMouseMoveEvent::StaticClass());
    c->AddEvent("OnMouseUp", TscMouseEvent::StaticClass());
    c->AddEvent("OnResize", TscNotifyEvent::StaticClass());
  }
  if (TscClassVariable* c = S->AddClass(TWinControl::StaticClass(), "TControl")) {
    c->AddMethod("procedure SetFocus", m);
    c->AddEvent("OnEnter", TscNotifyEvent::StaticClass());
    c->AddEvent("OnExit", TscNotifyEvent::StaticClass());
    c->AddEvent("OnKeyDown", TscKeyEvent::StaticClass());
    c->AddEvent("OnKeyPress", TscKeyPressEvent::StaticClass());
    c->AddEvent("OnKeyUp", TscKeyEvent::StaticClass());
  }
  S->AddClass(TCustomControl::StaticClass(), "TWinControl");
  S->AddClass(TGraphicControl::StaticClass(), "TControl");
  for (TClass k : {TGroupBox::StaticClass(), TLabel::StaticClass(), TEdit::StaticClass(),
                   TMemo::StaticClass()})
    S->AddClass(k, "TWinControl");
  // The class library has no separate combo box base: the combo box carries its members.
  if (TscClassVariable* c = S->AddClass(TComboBox::StaticClass(), "TWinControl")) {
    c->AddProperty("DroppedDown", "Boolean", g, s);
    c->AddProperty("ItemIndex", "Integer", g, s);
    c->AddEvent("OnChange", TscNotifyEvent::StaticClass());
    c->AddEvent("OnDropDown", TscNotifyEvent::StaticClass());
  }
  for (TClass k : {TButton::StaticClass(), TCheckBox::StaticClass(), TRadioButton::StaticClass()})
    S->AddClass(k, "TWinControl");
  if (TscClassVariable* c = S->AddClass(TCustomListBox::StaticClass(), "TWinControl")) {
    c->AddProperty("ItemIndex", "Integer", g, s);
    c->AddProperty("SelCount", "Integer", g);
    c->AddIndexProperty("Selected", "Integer", "Boolean", m, false);
  }
  S->AddClass(TListBox::StaticClass(), "TCustomListBox");
  S->AddClass(TScrollingWinControl::StaticClass(), "TWinControl");
  S->AddClass(TScrollBox::StaticClass(), "TScrollingWinControl");
  if (TscClassVariable* c = S->AddClass(TCustomForm::StaticClass(), "TScrollingWinControl")) {
    c->AddMethod("procedure Close", m);
    c->AddMethod("procedure Hide", m);
    c->AddMethod("procedure Show", m);
    c->AddMethod("function ShowModal: Integer", m);
    c->AddEvent("OnActivate", TscNotifyEvent::StaticClass());
    c->AddEvent("OnClose", TscCloseEvent::StaticClass());
    c->AddEvent("OnCloseQuery", TscCloseQueryEvent::StaticClass());
    for (const char* e : {"OnCreate", "OnDestroy", "OnDeactivate", "OnHide", "OnPaint", "OnShow"})
      c->AddEvent(e, TscNotifyEvent::StaticClass());
    c->AddProperty("Canvas", "TCanvas", g);
    c->AddProperty("ModalResult", "Integer", g, s);
  }
  S->AddClass(TForm::StaticClass(), "TCustomForm");
  if (TscClassVariable* c = S->AddClass(TApplication::StaticClass(), "TComponent")) {
    c->AddMethod("procedure Minimize", m);
    c->AddMethod("procedure ProcessMessages", m);
    c->AddMethod("procedure Restore", m);
    c->AddProperty("ExeName", "String", g);
  }
  S->AddObject("Application", Application());
  S->Registrar = nullptr;
}

Variant TFormsFunctions::CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P) {
  if (C == TControl::StaticClass()) {
    auto* c = Self<TControl>(Instance);
    if (N == "HIDE")
      c->Hide();
    else if (N == "SHOW")
      c->Show();
    else if (N == "SETBOUNDS")
      c->SetBounds(P[0].AsInteger(), P[1].AsInteger(), P[2].AsInteger(), P[3].AsInteger());
  } else if (C == TWinControl::StaticClass()) {
    // A label (registered with the windowed controls' members) has no window to focus: refused.
    if (N == "SETFOCUS") Self<TWinControl>(Instance)->SetFocus();
  } else if (C == TCustomListBox::StaticClass()) {
    // Single-selection lists: the selected item is the current one.
    auto* l = Self<TCustomListBox>(Instance);
    int i = P[0].AsInteger();
    if (i < 0 || i >= l->Items()->Count())
      throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    if (N == "SELECTED.GET") return l->ItemIndex() == i;
    if (N == "SELECTED.SET") {
      if (P[1].AsBoolean())
        l->SetItemIndex(i);
      else if (l->ItemIndex() == i)
        l->SetItemIndex(-1);
    }
  } else if (C == TCustomForm::StaticClass()) {
    auto* f = Self<TCustomForm>(Instance);
    if (N == "CLOSE")
      f->Close();
    else if (N == "HIDE")
      f->Hide();
    else if (N == "SHOW")
      f->Show();
    else if (N == "SHOWMODAL")
      return static_cast<int32_t>(f->ShowModal());
  } else if (C == TApplication::StaticClass()) {
    auto* a = Self<TApplication>(Instance);
    if (N == "PROCESSMESSAGES") {
      a->ProcessMessages();
    } else if (N == "MINIMIZE" || N == "RESTORE") {
      if (TCustomForm* f = a->MainForm())
        f->SetWindowState(N == "MINIMIZE" ? wsMinimized : wsNormal);
    }
  }
  return 0;
}

Variant TFormsFunctions::GetProp(TObject* Instance, TClass C, const std::string& N) {
  if (C == TControl::StaticClass() && N == "PARENT") return Ref(Self<TControl>(Instance)->Parent());
  if (C == TComboBox::StaticClass()) {
    auto* c = Self<TComboBox>(Instance);
    if (N == "DROPPEDDOWN") return c->DroppedDown();
    if (N == "ITEMINDEX") return c->ItemIndex();
  } else if (C == TCustomListBox::StaticClass()) {
    auto* l = Self<TCustomListBox>(Instance);
    if (N == "SELCOUNT") return l->ItemIndex() >= 0 ? 1 : 0;
    if (N == "ITEMINDEX") return l->ItemIndex();
  } else if (C == TCustomForm::StaticClass()) {
    auto* f = Self<TCustomForm>(Instance);
    if (N == "MODALRESULT") return static_cast<int32_t>(f->ModalResult());
    if (N == "CANVAS") return Ref(f->Canvas());
  } else if (C == TApplication::StaticClass() && N == "EXENAME") {
    return Variant(ParamStr(0));
  }
  return 0;
}

void TFormsFunctions::SetProp(TObject* Instance, TClass C, const std::string& N, const Variant& V) {
  if (C == TControl::StaticClass() && N == "PARENT") {
    Self<TControl>(Instance)->SetParent(Obj<TWinControl>(V));
  } else if (C == TComboBox::StaticClass()) {
    auto* c = Self<TComboBox>(Instance);
    // Dropping the list down runs it modally until an item is chosen or it is closed.
    if (N == "DROPPEDDOWN") {
      if (V.AsBoolean()) c->DropDown();
    } else if (N == "ITEMINDEX")
      c->SetItemIndex(V.AsInteger());
  } else if (C == TCustomListBox::StaticClass() && N == "ITEMINDEX") {
    Self<TCustomListBox>(Instance)->SetItemIndex(V.AsInteger());
  } else if (C == TCustomForm::StaticClass() && N == "MODALRESULT") {
    Self<TCustomForm>(Instance)->SetModalResult(V.AsInteger());
  }
}

}  // namespace

void scStartFormsRTTI() {
  if (gFormsFunctions) return;
  if (TscScript* s = scGlobalScript()) gFormsFunctions = new TFormsFunctions(s);
}

void scStopFormsRTTI() {
  delete gFormsFunctions;
  gFormsFunctions = nullptr;
}

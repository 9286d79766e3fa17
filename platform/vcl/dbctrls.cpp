// Data-aware controls: the field link plumbing shared by the edit box, memo and combo box, the
// label, and the navigator.
#include "platform/vcl/dbctrls.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/db.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TDBEdit, TCustomEdit)
ORV_CLASS_IMPL(TDBMemo, TMemo)
ORV_CLASS_IMPL(TDBText, TLabel)
ORV_CLASS_IMPL(TDBComboBox, TComboBox)
ORV_CLASS_IMPL(TDBNavigator, TCustomControl)

// What the edit box, the memo and the combo box share: they differ only in their base class.
struct TDBControlHelper {
  template <class C>
  static void Attach(C* Control) {
    TFieldDataLink* L = Control->FDataLink.get();
    L->SetControl(Control);
    L->OnDataChange = [Control](TObject*) { ShowField(Control); };
    L->OnUpdateData = [Control](TObject*) {
      if (TField* f = Control->FDataLink->Field()) f->SetAsString(Control->Text());
    };
  }

  template <class C>
  static void Detach(C* Control) {
    TFieldDataLink* L = Control->FDataLink.get();
    L->OnDataChange = nullptr;
    L->OnUpdateData = nullptr;
    L->SetDataSource(nullptr);
  }

  template <class C>
  static void ShowField(C* Control) {
    TField* f = Control->FDataLink->Field();
    Control->FSettingText = true;
    try {
      Control->SetText(f ? f->AsString() : std::string());
    } catch (...) {
      Control->FSettingText = false;
      throw;
    }
    Control->FSettingText = false;
    Control->SetModified(false);
  }

  // Puts the data set into edit mode before a key changes the text; false when the field cannot
  // be changed (the key is then dropped).
  static bool CanEdit(TFieldDataLink* L) {
    if (!L->CanModify()) return false;
    return L->Editing() || L->Edit();
  }

  // True when the message would change the text.
  static bool IsEditingKey(const TMessage& M, bool Returns, bool Arrows) {
    if (M.Msg == WM_CHAR) {
      const auto ch = static_cast<unsigned>(M.WParam);
      if (ch == '\r') return Returns;
      return ch >= 32 || ch == 8 || ch == 22 /* Ctrl+V */ || ch == 24 /* Ctrl+X */;
    }
    if (M.Msg == WM_KEYDOWN) {
      if (M.WParam == VK_DELETE) return true;
      if (Arrows && (M.WParam == VK_UP || M.WParam == VK_DOWN)) return true;
      if (M.WParam == 'V' && GetKeyState(VK_CONTROL) < 0) return true;
      if (M.WParam == 'X' && GetKeyState(VK_CONTROL) < 0) return true;
    }
    return false;
  }

  // The part of WndProc the bound controls share; true when the message was handled here.
  template <class C>
  static bool Handle(C* Control, TMessage& M, bool Returns, bool Arrows) {
    TFieldDataLink* L = Control->FDataLink.get();
    if (IsEditingKey(M, Returns, Arrows) && !CanEdit(L)) {
      M.Result = 0;
      return true;
    }
    if (M.Msg == WM_KEYDOWN && M.WParam == VK_ESCAPE && L->IsModified()) {
      L->Reset();
      Control->SelectAll();
      M.Result = 0;
      return true;
    }
    if (M.Msg == CM_EXIT) {
      // Leaving the control writes its text into the field; a value the field refuses keeps
      // the focus here.
      try {
        L->UpdateRecord();
      } catch (...) {
        if (Control->CanFocus()) Control->SetFocus();
        throw;
      }
    }
    return false;
  }

  // The text changed: by the program showing the field (nothing to do), or by the user.
  template <class C>
  static void Changed(C* Control) {
    if (Control->FSettingText) return;
    TFieldDataLink* L = Control->FDataLink.get();
    if (!L->Editing()) {
      // A change that did not come through a key (a choice from a list): edit mode first,
      // keeping the new text, which entering edit mode may have replaced.
      const std::string typed = Control->Text();
      if (!CanEdit(L)) {
        ShowField(Control);
        return;
      }
      if (Control->Text() != typed) {
        Control->FSettingText = true;
        Control->SetText(typed);
        Control->FSettingText = false;
      }
    }
    L->Modified();
  }
};

// ---- Published properties ----

void TDBEdit::Publish(TPublisher<TDBEdit>& P) {
  P.Prop("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource);
  P.Prop("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField);
  P.Prop("ReadOnly", &TDBEdit::ReadOnly, &TDBEdit::SetReadOnly);
}

void TDBMemo::Publish(TPublisher<TDBMemo>& P) {
  P.Prop("DataSource", &TDBMemo::DataSource, &TDBMemo::SetDataSource);
  P.Prop("DataField", &TDBMemo::DataField, &TDBMemo::SetDataField);
  P.Prop("ReadOnly", &TDBMemo::ReadOnly, &TDBMemo::SetReadOnly);
}

void TDBComboBox::Publish(TPublisher<TDBComboBox>& P) {
  P.Prop("DataSource", &TDBComboBox::DataSource, &TDBComboBox::SetDataSource);
  P.Prop("DataField", &TDBComboBox::DataField, &TDBComboBox::SetDataField);
  P.Prop("ReadOnly", &TDBComboBox::ReadOnly, &TDBComboBox::SetReadOnly);
}

void TDBText::Publish(TPublisher<TDBText>& P) {
  P.Prop("DataSource", &TDBText::DataSource, &TDBText::SetDataSource);
  P.Prop("DataField", &TDBText::DataField, &TDBText::SetDataField);
}

void TDBNavigator::Publish(TPublisher<TDBNavigator>& P) {
  P.Prop("DataSource", &TDBNavigator::DataSource, &TDBNavigator::SetDataSource);
  P.Prop("ConfirmDelete", &TDBNavigator::ConfirmDelete, &TDBNavigator::SetConfirmDelete).Default(true);
}

// ---- TDBEdit ----

TDBEdit::TDBEdit(TComponent* AOwner) : TCustomEdit(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
  TDBControlHelper::Attach(this);
}

TDBEdit::~TDBEdit() { TDBControlHelper::Detach(this); }

TDataSource* TDBEdit::DataSource() const { return FDataLink->DataSource(); }
void TDBEdit::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }
const std::string& TDBEdit::DataField() const { return FDataLink->FieldName(); }
void TDBEdit::SetDataField(const std::string& Value) { FDataLink->SetFieldName(Value); }
TField* TDBEdit::Field() const { return FDataLink->Field(); }
bool TDBEdit::ReadOnly() const { return FDataLink->ReadOnly(); }
void TDBEdit::SetReadOnly(bool Value) {
  FDataLink->SetReadOnly(Value);
  TCustomEdit::SetReadOnly(Value);
}

void TDBEdit::WndProc(TMessage& M) {
  if (TDBControlHelper::Handle(this, M, false, false)) return;
  TCustomEdit::WndProc(M);
}

void TDBEdit::Change() {
  TDBControlHelper::Changed(this);
  TCustomEdit::Change();
}

// ---- TDBMemo ----

TDBMemo::TDBMemo(TComponent* AOwner) : TMemo(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
  TDBControlHelper::Attach(this);
}

TDBMemo::~TDBMemo() { TDBControlHelper::Detach(this); }

TDataSource* TDBMemo::DataSource() const { return FDataLink->DataSource(); }
void TDBMemo::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }
const std::string& TDBMemo::DataField() const { return FDataLink->FieldName(); }
void TDBMemo::SetDataField(const std::string& Value) { FDataLink->SetFieldName(Value); }
TField* TDBMemo::Field() const { return FDataLink->Field(); }
bool TDBMemo::ReadOnly() const { return FDataLink->ReadOnly(); }
void TDBMemo::SetReadOnly(bool Value) {
  FDataLink->SetReadOnly(Value);
  TMemo::SetReadOnly(Value);
}

void TDBMemo::WndProc(TMessage& M) {
  if (TDBControlHelper::Handle(this, M, WantReturns(), false)) return;
  TMemo::WndProc(M);
}

void TDBMemo::Change() {
  TDBControlHelper::Changed(this);
  TMemo::Change();
}

// ---- TDBComboBox ----

TDBComboBox::TDBComboBox(TComponent* AOwner) : TComboBox(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
  TDBControlHelper::Attach(this);
}

TDBComboBox::~TDBComboBox() { TDBControlHelper::Detach(this); }

TDataSource* TDBComboBox::DataSource() const { return FDataLink->DataSource(); }
void TDBComboBox::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }
const std::string& TDBComboBox::DataField() const { return FDataLink->FieldName(); }
void TDBComboBox::SetDataField(const std::string& Value) { FDataLink->SetFieldName(Value); }
TField* TDBComboBox::Field() const { return FDataLink->Field(); }
bool TDBComboBox::ReadOnly() const { return FDataLink->ReadOnly(); }
void TDBComboBox::SetReadOnly(bool Value) {
  FDataLink->SetReadOnly(Value);
  TComboBox::SetReadOnly(Value);
}

void TDBComboBox::WndProc(TMessage& M) {
  if (TDBControlHelper::Handle(this, M, false, true)) return;
  TComboBox::WndProc(M);
}

void TDBComboBox::Change() {
  TDBControlHelper::Changed(this);
  TComboBox::Change();
}

// ---- TDBText ----

TDBText::TDBText(TComponent* AOwner) : TLabel(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
  SetAutoSize(false);
  FDataLink->SetControl(this);
  FDataLink->OnDataChange = [this](TObject*) {
    TField* f = FDataLink->Field();
    SetCaption(f ? f->DisplayText() : std::string());
  };
}

TDBText::~TDBText() {
  FDataLink->OnDataChange = nullptr;
  FDataLink->SetDataSource(nullptr);
}

TDataSource* TDBText::DataSource() const { return FDataLink->DataSource(); }
void TDBText::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }
const std::string& TDBText::DataField() const { return FDataLink->FieldName(); }
void TDBText::SetDataField(const std::string& Value) { FDataLink->SetFieldName(Value); }
TField* TDBText::Field() const { return FDataLink->Field(); }

// ---- TDBNavigator ----

namespace {

// The navigator's link: any change of the data set may change which buttons are enabled.
class TNavDataLink : public TDataLink {
public:
  explicit TNavDataLink(TControl* Owner) : FOwner(Owner) {}

protected:
  void ActiveChanged() override { FOwner->Invalidate(); }
  void DataSetChanged() override { FOwner->Invalidate(); }
  void DataSetScrolled(int) override { FOwner->Invalidate(); }
  void EditingChanged() override { FOwner->Invalidate(); }

private:
  TControl* FOwner;
};

}  // namespace

TDBNavigator::TDBNavigator(TComponent* AOwner)
    : TCustomControl(AOwner), FDataLink(std::make_unique<TNavDataLink>(this)) {
  FWidth = 240;
  FHeight = 25;
  ControlStyle() -= csDoubleClicks;
}

TDBNavigator::~TDBNavigator() { FDataLink->SetDataSource(nullptr); }

TDataSource* TDBNavigator::DataSource() const { return FDataLink->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* Value) {
  FDataLink->SetDataSource(Value);
  Invalidate();
}

void TDBNavigator::SetVisibleButtons(TButtonSet Value) {
  FVisibleButtons = Value;
  Invalidate();
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn Button) const {
  if (!Enabled() || !FDataLink->Active()) return false;
  TDataSet* ds = FDataLink->DataSet();
  const bool editing = ds->State() == dsEdit || ds->State() == dsInsert;
  const bool canModify = ds->CanModify() && !FDataLink->ReadOnly();
  switch (Button) {
    case nbFirst:
    case nbPrior:
      return !ds->Bof();
    case nbNext:
    case nbLast:
      return !ds->Eof();
    case nbInsert: return canModify;
    case nbDelete: return canModify && !ds->IsEmpty();
    case nbEdit: return canModify && !editing;
    case nbPost:
    case nbCancel:
      return editing;
    case nbRefresh: return !editing;
  }
  return false;
}

RECT TDBNavigator::ButtonRect(TNavigateBtn Button) {
  if (!FVisibleButtons.Contains(Button)) return RECT{0, 0, 0, 0};
  int count = 0, index = 0;
  for (int b = nbFirst; b <= nbRefresh; ++b) {
    if (!FVisibleButtons.Contains(static_cast<TNavigateBtn>(b))) continue;
    if (b == Button) index = count;
    ++count;
  }
  RECT c = ClientRect();
  const int w = c.right / std::max(1, count);
  // The last button takes what the division leaves over.
  const int right = index == count - 1 ? c.right : (index + 1) * w;
  return RECT{index * w, 0, right, c.bottom};
}

int TDBNavigator::ButtonAt(int X, int Y) {
  for (int b = nbFirst; b <= nbRefresh; ++b) {
    RECT r = ButtonRect(static_cast<TNavigateBtn>(b));
    if (X >= r.left && X < r.right && Y >= r.top && Y < r.bottom) return b;
  }
  return -1;
}

void TDBNavigator::BtnClick(TNavigateBtn Button) {
  if (!ButtonEnabled(Button)) return;
  if (BeforeAction) BeforeAction(this, Button);
  TDataSet* ds = FDataLink->DataSet();
  switch (Button) {
    case nbFirst: ds->First(); break;
    case nbPrior: ds->Prior(); break;
    case nbNext: ds->Next(); break;
    case nbLast: ds->Last(); break;
    case nbInsert: ds->Insert(); break;
    case nbDelete:
      if (!FConfirmDelete || MessageDlg("Delete record?", mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0) == mrOk)
        ds->Delete();
      break;
    case nbEdit: ds->Edit(); break;
    case nbPost: ds->Post(); break;
    case nbCancel: ds->Cancel(); break;
    case nbRefresh: ds->Refresh(); break;
  }
  Invalidate();
  if (OnClick) OnClick(this, Button);
}

void TDBNavigator::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    FPressed = ButtonAt(X, Y);
    if (FPressed >= 0 && !ButtonEnabled(static_cast<TNavigateBtn>(FPressed))) FPressed = -1;
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TDBNavigator::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const int pressed = FPressed;
  FPressed = -1;
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft && pressed >= 0) {
    Invalidate();
    if (ButtonAt(X, Y) == pressed) BtnClick(static_cast<TNavigateBtn>(pressed));
  }
}

void TDBNavigator::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(ClientRect());
  for (int b = nbFirst; b <= nbRefresh; ++b) {
    const auto btn = static_cast<TNavigateBtn>(b);
    if (!FVisibleButtons.Contains(btn)) continue;
    RECT r = ButtonRect(btn);
    RECT e = r;
    DrawEdge(c->Handle(), &e, b == FPressed ? static_cast<UINT>(EDGE_SUNKEN) : static_cast<UINT>(EDGE_RAISED), BF_RECT);
    const TColor ink = ButtonEnabled(btn) ? TColor(clBlack) : TColor(clGrayText);
    c->Pen()->SetColor(ink);
    c->Brush()->SetColor(ink);
    const int cx = (r.left + r.right) / 2 + (b == FPressed ? 1 : 0);
    const int cy = (r.top + r.bottom) / 2 + (b == FPressed ? 1 : 0);
    auto left = [&](int x) { c->Polygon({POINT{x + 3, cy - 4}, POINT{x - 1, cy}, POINT{x + 3, cy + 4}}); };
    auto right = [&](int x) { c->Polygon({POINT{x - 3, cy - 4}, POINT{x + 1, cy}, POINT{x - 3, cy + 4}}); };
    auto bar = [&](int x) { c->FillRect(RECT{x, cy - 4, x + 2, cy + 5}); };
    switch (btn) {
      case nbFirst: bar(cx - 4); left(cx); break;
      case nbPrior: left(cx); break;
      case nbNext: right(cx); break;
      case nbLast: right(cx); bar(cx + 3); break;
      case nbInsert:
        c->FillRect(RECT{cx - 4, cy - 1, cx + 5, cy + 1});
        c->FillRect(RECT{cx - 1, cy - 4, cx + 1, cy + 5});
        break;
      case nbDelete: c->FillRect(RECT{cx - 4, cy - 1, cx + 5, cy + 1}); break;
      case nbEdit: c->Polygon({POINT{cx - 4, cy + 3}, POINT{cx, cy - 3}, POINT{cx + 4, cy + 3}}); break;
      case nbPost:
        c->Polyline({POINT{cx - 4, cy}, POINT{cx - 1, cy + 3}, POINT{cx + 4, cy - 3}});
        break;
      case nbCancel:
        c->MoveTo(cx - 3, cy - 3);
        c->LineTo(cx + 4, cy + 4);
        c->MoveTo(cx + 3, cy - 3);
        c->LineTo(cx - 4, cy + 4);
        break;
      case nbRefresh:
        c->Brush()->SetStyle(bsClear);
        c->Ellipse(cx - 4, cy - 4, cx + 5, cy + 5);
        c->Brush()->SetStyle(bsSolid);
        break;
    }
  }
}

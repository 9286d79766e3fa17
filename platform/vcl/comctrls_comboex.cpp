// The combo box with pictures: its items, the inner combo box and how items are drawn.
#include "platform/vcl/comctrls_comboex.h"

#include <algorithm>

#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TComboExItem, TCollectionItem)
ORV_CLASS_IMPL(TComboExItems, TCollection)
ORV_CLASS_IMPL(TComboBoxEx, TWinControl)

namespace {
constexpr int kIndentStep = 10;  // pixels per step of an item's Indent
}  // namespace

// ---- TComboExItem ----
TComboExItem::TComboExItem(TCollection* Collection) : TCollectionItem(Collection) {}

void TComboExItem::Publish(TPublisher<TComboExItem>& P) {
  P.Prop("Caption", &TComboExItem::Caption, &TComboExItem::SetCaption);
  P.Prop("ImageIndex", &TComboExItem::ImageIndex, &TComboExItem::SetImageIndex).Default(-1);
  P.Prop("SelectedImageIndex", &TComboExItem::SelectedImageIndex, &TComboExItem::SetSelectedImageIndex).Default(-1);
  P.Prop("OverlayImageIndex", &TComboExItem::OverlayImageIndex, &TComboExItem::SetOverlayImageIndex).Default(-1);
  P.Prop("Indent", &TComboExItem::Indent, &TComboExItem::SetIndent).Default(0);
}

void TComboExItem::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TComboExItem*>(Source);
  if (!s) {
    TCollectionItem::Assign(Source);
    return;
  }
  FCaption = s->FCaption;
  FImageIndex = s->FImageIndex;
  FSelectedImageIndex = s->FSelectedImageIndex;
  FOverlayImageIndex = s->FOverlayImageIndex;
  FIndent = s->FIndent;
  FData = s->FData;
  Changed(false);
}

void TComboExItem::SetCaption(const std::string& Value) {
  FCaption = Value;
  Changed(false);
}

void TComboExItem::SetImageIndex(int Value) {
  FImageIndex = Value;
  Changed(false);
}

void TComboExItem::SetSelectedImageIndex(int Value) {
  FSelectedImageIndex = Value;
  Changed(false);
}

void TComboExItem::SetIndent(int Value) {
  FIndent = std::max(0, Value);
  Changed(false);
}

// ---- TComboExItems ----
TComboExItems::TComboExItems(TPersistent* AOwner) : TCollection(TComboExItem::StaticClass(), AOwner) {
  SetPropName("ItemsEx");
}

TComboExItem* TComboExItems::Add() { return static_cast<TComboExItem*>(TCollection::Add()); }

TComboExItem* TComboExItems::AddItem(const std::string& Caption, int ImageIndex, int SelectedImageIndex,
                                     int OverlayImageIndex, int Indent, void* Data) {
  BeginUpdate();
  TComboExItem* it = Add();
  it->SetCaption(Caption);
  it->SetImageIndex(ImageIndex);
  it->SetSelectedImageIndex(SelectedImageIndex);
  it->SetOverlayImageIndex(OverlayImageIndex);
  it->SetIndent(Indent);
  it->SetData(Data);
  EndUpdate();
  return it;
}

TComboExItem* TComboExItems::ComboItems(int Index) const { return static_cast<TComboExItem*>(Items(Index)); }

void TComboExItems::Update(TCollectionItem*) {
  if (auto* box = dynamic_cast<TComboBoxEx*>(Owner())) box->ItemsChanged();
}

// ---- TComboBoxEx ----
TComboBoxEx::TComboBoxEx(TComponent* AOwner) : TWinControl(AOwner), FItemsEx(std::make_unique<TComboExItems>(this)) {
  FWidth = 145;
  FHeight = 22;
  SetColor(clWindow);
  // The inner box fills the frame; it is a sub-component, never streamed on its own.
  FCombo = new TComboBox(this);
  FCombo->SetAlign(alClient);
  FCombo->FListOwnerDraw = true;
  FCombo->OnDrawItem = [this](TWinControl*, int Index, RECT R, TOwnerDrawState State) { DrawItem(Index, R, State); };
  FCombo->OnChange = [this](TObject*) {
    if (OnChange) OnChange(this);
  };
  FCombo->OnSelect = [this](TObject*) {
    if (OnSelect) OnSelect(this);
  };
  FCombo->OnDropDown = [this](TObject*) {
    if (OnDropDown) OnDropDown(this);
  };
  FCombo->OnClick = [this](TObject*) { Click(); };
  FCombo->SetParent(this);
}

TComboBoxEx::~TComboBoxEx() {
  // The items go first: their last change must not reach the inner box as it goes.
  FItemsEx.reset();
}

void TComboBoxEx::Publish(TPublisher<TComboBoxEx>& P) {
  P.Prop("ItemsEx", &TComboBoxEx::ItemsEx, &TComboBoxEx::SetItemsEx);
  P.Prop("Images", &TComboBoxEx::Images, &TComboBoxEx::SetImages);
  P.Prop("Style", &TComboBoxEx::Style, &TComboBoxEx::SetStyle).Default(csExDropDown);
  P.Prop("Text", &TComboBoxEx::Text, &TComboBoxEx::SetText).Type("TCaption");
  P.Prop("ItemIndex", &TComboBoxEx::ItemIndex, &TComboBoxEx::SetItemIndex).Default(-1);
  P.Event("OnChange", &TComboBoxEx::OnChange).Type("TNotifyEvent");
  P.Event("OnSelect", &TComboBoxEx::OnSelect).Type("TNotifyEvent");
  P.Event("OnDropDown", &TComboBoxEx::OnDropDown).Type("TNotifyEvent");
}

// Window class "COMBOBOXEX32", the name other code (the skinners) looks for.
void TComboBoxEx::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.WinClassName = "COMBOBOXEX32";
  P.Style |= WS_CLIPCHILDREN;
}

void TComboBoxEx::SetItemsEx(TComboExItems* Value) {
  if (Value && Value != FItemsEx.get()) FItemsEx->Assign(Value);
}

TStrings* TComboBoxEx::Items() const { return FCombo->Items(); }

int TComboBoxEx::ItemIndex() const { return FCombo ? FCombo->ItemIndex() : -1; }

void TComboBoxEx::SetItemIndex(int Value) { FCombo->SetItemIndex(Value); }

std::string TComboBoxEx::GetText() const { return FCombo ? FCombo->Text() : std::string(); }

void TComboBoxEx::SetTextBuf(const std::string& Value) {
  if (FCombo) FCombo->SetText(Value);
}

bool TComboBoxEx::DroppedDown() const { return FCombo->DroppedDown(); }

void TComboBoxEx::DropDown() { FCombo->DropDown(); }

void TComboBoxEx::SetStyle(TComboBoxExStyle Value) {
  FStyle = Value;
  // A list-only box draws its chosen item (picture and caption) in the text area itself.
  FCombo->SetStyle(Value == csExDropDownList ? csOwnerDrawFixed : Value == csExSimple ? csSimple : csDropDown);
  UpdateItemHeight();
}

void TComboBoxEx::SetImages(TImageList* Value) {
  if (FImages == Value) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  UpdateItemHeight();
  FCombo->Invalidate();
}

void TComboBoxEx::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    UpdateItemHeight();
  }
}

// Item heights fit the pictures; a box with free text keeps room for the chosen item's picture
// before the text.
void TComboBoxEx::UpdateItemHeight() {
  FCombo->SetItemHeight(std::max(16, FImages ? FImages->Height() + 2 : 0));
  FCombo->FTextLeft = FImages && FStyle != csExDropDownList ? FImages->Width() + 6 : 2;
  FCombo->Invalidate();
}

// The inner box shows the captions; the selection stays on the same index while it exists.
void TComboBoxEx::ItemsChanged() {
  if (!FCombo || !FItemsEx) return;
  int keep = FCombo->ItemIndex();
  TStrings* s = FCombo->Items();
  s->BeginUpdate();
  s->Clear();
  for (int i = 0; i < FItemsEx->Count(); ++i) s->Add(FItemsEx->ComboItems(i)->Caption());
  s->EndUpdate();
  if (keep >= 0 && keep < s->Count()) FCombo->SetItemIndex(keep);
  FCombo->Invalidate();
}

// An item: its picture (the selected picture while highlighted in the list), then its caption;
// in the list it is indented by its Indent, in the text area it is not.
void TComboBoxEx::DrawItem(int Index, RECT R, TOwnerDrawState State) {
  if (Index < 0 || Index >= FItemsEx->Count()) return;
  TComboExItem* it = FItemsEx->ComboItems(Index);
  TCanvas* c = FCombo->Canvas();
  int x = R.left + 2;
  if (!State.Contains(odComboBoxEdit)) x += it->Indent() * kIndentStep;
  if (FImages) {
    int img = State.Contains(odSelected) && it->SelectedImageIndex() >= 0 ? it->SelectedImageIndex() : it->ImageIndex();
    if (img >= 0 && img < FImages->Count()) FImages->Draw(c, x, R.top + (R.bottom - R.top - FImages->Height()) / 2, img, Enabled());
    x += FImages->Width() + 4;
  }
  RECT t{x, R.top, R.right, R.bottom};
  c->Brush()->SetStyle(bsClear);
  HDC dc = c->Handle();
  HGDIOBJ old = SelectObject(dc, c->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(c->Font()->Color()));
  DrawText(dc, it->Caption().c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, old);
}

void TComboBoxEx::WndProc(TMessage& M) {
  switch (M.Msg) {
    case CBEM_GETCOMBOCONTROL:
      M.Result = reinterpret_cast<LRESULT>(FCombo->Handle());
      return;
    case CBEM_GETEDITCONTROL:
      // The inner box edits its text itself; a list-only box has nothing to edit.
      M.Result = FStyle == csExDropDownList ? 0 : reinterpret_cast<LRESULT>(FCombo->Handle());
      return;
    case CBEM_HASEDITCHANGED: {
      // Typed text that is not the chosen item's caption.
      int i = FCombo->ItemIndex();
      M.Result = FStyle != csExDropDownList && FCombo->Text() != (i >= 0 ? FCombo->Items()->Strings(i) : std::string());
      return;
    }
    case WM_SETFOCUS:
      // The frame passes the focus on to the box that works.
      if (FCombo->CanFocus()) FCombo->SetFocus();
      return;
  }
  TWinControl::WndProc(M);
}

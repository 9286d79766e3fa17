// Docks, toolbars, float windows, spacer panels, dock sites and the placement store.
#include "report/output/rptdock.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/dock.h"
#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"
#include "report/core/rptutils.h"

ORV_CLASS_IMPL(TrptDock, TPanel)
ORV_CLASS_IMPL(TrptDragBox, TGraphicControl)
ORV_CLASS_IMPL(TrptFloatWindow, TForm)
ORV_CLASS_IMPL(TrptToolBar, TPanel)
ORV_CLASS_IMPL(TrptTBPanel, TPanel)
ORV_CLASS_IMPL(TrptDockSite, TPanel)

namespace {

std::vector<TrptToolBar*> VisibleToolBars(TWinControl* Dock, TrptToolBar* Except = nullptr) {
  std::vector<TrptToolBar*> list;
  for (int i = 0; i < Dock->ControlCount(); ++i)
    if (auto* t = dynamic_cast<TrptToolBar*>(Dock->Controls(i)))
      if (t->Visible() && t != Except) list.push_back(t);
  return list;
}

// The across coordinate and size of a toolbar in a dock.
int Near(TControl* C, bool Horz) { return Horz ? C->Top() : C->Left(); }
int Far(TControl* C, bool Horz) { return Horz ? C->Top() + C->Height() : C->Left() + C->Width(); }
void MoveAcross(TControl* C, bool Horz, int Delta) {
  if (Horz)
    C->SetTop(C->Top() + Delta);
  else
    C->SetLeft(C->Left() + Delta);
}

}  // namespace

// ---- dock ----

TrptDock::TrptDock(TComponent* AOwner) : TPanel(AOwner) {
  SetAlign(alTop);
  SetBevelOuter(bvNone);
  SetCaption("");
  SetHeight(1);
}

void TrptDock::Paint() {
  Canvas()->Brush()->SetColor(clBtnFace);
  Canvas()->FillRect(ClientRect());
}

void TrptDock::ArrangeToolbars() {
  const bool horz = Horizontal();
  const bool nearSide = Align() == alTop || Align() == alLeft || Align() == alNone;
  std::vector<TrptToolBar*> bars = VisibleToolBars(this);
  bool any = false;
  for (int i = 0; i < ControlCount(); ++i)
    if (dynamic_cast<TrptToolBar*>(Controls(i))) any = true;
  if (!any) {
    if (horz)
      SetHeight(1);
    else
      SetWidth(1);
    return;
  }
  const int across = horz ? Height() : Width();
  int rows = RowSize > 0 ? across / RowSize : 0;
  int extent = rows * RowSize + 1;
  if (nearSide) {
    int line = 0;
    for (int r = 0; r < rows;) {
      bool occupied = false;
      for (TrptToolBar* t : bars)
        if (Near(t, horz) == line || (line > Near(t, horz) && line < Far(t, horz))) occupied = true;
      if (occupied) {
        line += RowSize;
        ++r;
        continue;
      }
      for (TrptToolBar* t : bars)
        if (Near(t, horz) > line) MoveAcross(t, horz, -RowSize);
      --rows;
      extent -= RowSize;
    }
    for (TrptToolBar* t : bars)
      if (Far(t, horz) > extent) {
        extent = Far(t, horz) + 1;
        break;
      }
  } else {
    int line = across;
    for (int r = 0; r < rows; ++r, line -= RowSize) {
      bool occupied = false;
      for (TrptToolBar* t : bars)
        if (Far(t, horz) == line || (line > Near(t, horz) && line < Far(t, horz))) occupied = true;
      if (occupied) continue;
      for (TrptToolBar* t : bars)
        if (Far(t, horz) > line) MoveAcross(t, horz, -RowSize);
      extent -= RowSize;
    }
    int lowest = 0;
    for (TrptToolBar* t : bars) lowest = std::min(lowest, Near(t, horz));
    if (lowest < 0) {
      for (TrptToolBar* t : bars) MoveAcross(t, horz, 1 - lowest);
      extent += 1 - lowest;
    }
    for (TrptToolBar* t : bars) extent = std::max(extent, Far(t, horz));
  }
  extent = std::max(extent, 1);
  if (horz) {
    const int grow = extent - Height();
    if (Align() == alBottom) SetTop(Top() - grow);
    SetHeight(extent);
  } else {
    const int grow = extent - Width();
    if (Align() == alRight) SetLeft(Left() - grow);
    SetWidth(extent);
  }
}

// ---- grip ----

TrptDragBox::TrptDragBox(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 8, 8); }

void TrptDragBox::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(RECT{0, 0, Width(), Height()});
  c->Pen()->SetColor(clBtnShadow);
  auto* bar = dynamic_cast<TrptToolBar*>(Parent());
  const bool horz = !bar || bar->IsHorizontal();
  if (horz) {
    for (int y = 1; y < Height(); y += 2) {
      c->MoveTo(2, y);
      c->LineTo(5, y);
    }
  } else {
    for (int x = 1; x < Width(); x += 2) {
      c->MoveTo(x, 2);
      c->LineTo(x, 5);
    }
  }
}

void TrptDragBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (auto* bar = dynamic_cast<TrptToolBar*>(Parent())) bar->MouseDown(Button, Shift, X + Left(), Y + Top());
}
void TrptDragBox::MouseMove(TShiftState Shift, int X, int Y) {
  if (auto* bar = dynamic_cast<TrptToolBar*>(Parent())) bar->MouseMove(Shift, X + Left(), Y + Top());
}
void TrptDragBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (auto* bar = dynamic_cast<TrptToolBar*>(Parent())) bar->MouseUp(Button, Shift, X + Left(), Y + Top());
}

// ---- float window ----

TrptFloatWindow::TrptFloatWindow(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetColor(clBtnFace);
  Font()->SetName("Tahoma");
  auto* close = new TSpeedButton(this);
  close->SetParent(this);
  close->SetFlat(true);
  close->SetCaption("x");
  close->SetBounds(Width() - 14, 4, 11, 11);
  close->SetAnchors(TAnchors{akTop, akRight});
  close->OnClick = [this](TObject*) { Close(); };
}

TrptFloatWindow::~TrptFloatWindow() {
  if (ToolBar) ToolBar->FFloatWindow = nullptr;
}

void TrptFloatWindow::PaintWindow(HDC DC) {
  TForm::PaintWindow(DC);
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(0x00808080);
  c->Pen()->SetWidth(3);
  c->Rectangle(1, 1, Width() - 1, Height() - 1);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(0x00808080);
  c->FillRect(RECT{3, 3, Width() - 3, 18});
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetStyle(TFontStyles{fsBold});
  c->Font()->SetColor(clCaptionText);
  c->TextOut(6, 3, Caption());
  c->Brush()->SetStyle(bsSolid);
}

void TrptFloatWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TForm::MouseDown(Button, Shift, X, Y);
  GetCursorPos(&LastPos);
  Moving = true;
}

void TrptFloatWindow::MouseMove(TShiftState Shift, int X, int Y) {
  TForm::MouseMove(Shift, X, Y);
  if (!Moving || !Shift.Contains(ssLeft)) return;
  POINT p;
  GetCursorPos(&p);
  SetBounds(Left() + p.x - LastPos.x, Top() + p.y - LastPos.y, Width(), Height());
  LastPos = p;
  if (ToolBar) {
    if (auto* form = dynamic_cast<TCustomForm*>(Owner())) ToolBar->TryDock(form, form->ScreenToClient(p));
  }
}

void TrptFloatWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TForm::MouseUp(Button, Shift, X, Y);
  Moving = false;
}

// ---- toolbar ----

TrptToolBar::TrptToolBar(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetCaption("");
  SetHeight(26);
  FDragBox = new TrptDragBox(nullptr);
  FDragBox->SetParent(this);
  FDragBox->SetAlign(alLeft);
}

TrptToolBar::~TrptToolBar() {
  delete FDragBox;
  FDragBox = nullptr;
  if (FFloatWindow) {
    FFloatWindow->ToolBar = nullptr;
    FFloatWindow->Hide();
    TrptFloatWindow* w = FFloatWindow;
    FFloatWindow = nullptr;
    SetParent(nullptr);
    delete w;
  }
}

bool TrptToolBar::IsHorizontal() const {
  auto* dock = dynamic_cast<TrptDock*>(Parent());
  return !dock || dock->Horizontal();
}

void TrptToolBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(RECT{0, 0, Width(), Height()});
  if (FFloating) return;
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(0, Height() - 1);
  c->LineTo(0, 0);
  c->LineTo(Width() - 1, 0);
  c->Pen()->SetColor(clBtnShadow);
  c->LineTo(Width() - 1, Height() - 1);
  c->LineTo(0, Height() - 1);
}

void TrptToolBar::Resize() {
  TPanel::Resize();
  if (FDragBox) {
    FDragBox->SetBounds(0, 0, 8, 8);
    FDragBox->SetAlign(IsHorizontal() ? alLeft : alTop);
  }
}

void TrptToolBar::AdjustControls() {
  const bool horz = IsHorizontal();
  if (FDragBox) FDragBox->SetBounds(0, 0, 8, 8);
  std::vector<TControl*> kids;
  for (int i = 0; i < ControlCount(); ++i)
    if (Controls(i) != FDragBox) kids.push_back(Controls(i));
  std::stable_sort(kids.begin(), kids.end(),
                   [horz](TControl* a, TControl* b) { return horz ? a->Left() < b->Left() : a->Top() < b->Top(); });
  if (horz ? Width() < Height() : Height() < Width()) SetBounds(Left(), Top(), Height(), Width());
  DisableAlign();
  for (TControl* c : kids) {
    if (!c->Visible()) continue;
    if (horz) {
      if (c->Align() != alLeft && c->Align() != alRight) {
        const int pos = c->Top();
        c->SetAlign(c->Align() == alBottom ? alRight : alLeft);
        c->SetLeft(pos);
      }
    } else if (c->Align() != alTop && c->Align() != alBottom) {
      const int pos = c->Left();
      c->SetAlign(c->Align() == alRight ? alBottom : alTop);
      c->SetTop(pos);
    }
  }
  if (FDragBox) FDragBox->SetAlign(horz ? alLeft : alTop);
  EnableAlign();
}

void TrptToolBar::FitToControls() {
  Realign();
  const bool horz = IsHorizontal();
  int length = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (Controls(i)->Visible()) length += horz ? Controls(i)->Width() : Controls(i)->Height();
  if (horz)
    SetWidth(length + 4);
  else
    SetHeight(length + 4);
}

void TrptToolBar::DockAt(TrptDock* Dock, int X, int Y) {
  Hide();
  if (FFloating && FFloatWindow) {
    FFloatWindow->Hide();
    FFloatWindow->ToolBar = nullptr;
    FFloatWindow->Release();
    FFloatWindow = nullptr;
  }
  auto* previous = dynamic_cast<TrptDock*>(Parent());
  SetParent(Dock);
  if (previous && previous != Dock) previous->ArrangeToolbars();
  FFloating = false;
  if (FDragBox) FDragBox->Show();
  AdjustControls();
  SetBounds(X, Y, Width(), Height());
  Show();
  FitToControls();
  Dock->ArrangeToolbars();
}

void TrptToolBar::DockTo(TrptDock* Dock) {
  int x = 0, y = 0;
  switch (Dock->Align()) {
    case alBottom: y = 1 - Height(); break;
    case alLeft: x = Dock->Width() - 1; break;
    case alRight: x = 1 - Width(); break;
    default: y = Dock->Height() - 1; break;
  }
  DockAt(Dock, x, y);
}

void TrptToolBar::MakeFloat(int X, int Y) {
  FFloating = true;
  if (FFloatWindow) {
    FFloatWindow->SetBounds(X, Y, FFloatWindow->Width(), FFloatWindow->Height());
    return;
  }
  Hide();
  if (FDragBox) FDragBox->Hide();
  auto* previous = dynamic_cast<TrptDock*>(Parent());
  TCustomForm* form = GetParentForm();
  FFloatWindow = new TrptFloatWindow(form);
  FFloatWindow->ToolBar = this;
  FFloatWindow->SetCaption(Caption());
  FFloatWindow->SetBounds(X, Y, 100, 40);
  SetParent(FFloatWindow);
  AdjustControls();
  FitToControls();
  if (previous) previous->ArrangeToolbars();
  FFloatWindow->SetClientWidth(Width() + 6);
  FFloatWindow->SetClientHeight(Height() + 21);
  SetBounds(3, 18, Width(), Height());
  Show();
  FFloatWindow->Show();
}

bool TrptToolBar::MoveTo(int X, int Y) {
  if (FFloating) return true;
  auto* dock = dynamic_cast<TrptDock*>(Parent());
  if (!dock) return false;
  const bool horz = dock->Horizontal();
  const int len = horz ? Width() : Height();
  const int dockLen = horz ? dock->Width() : dock->Height();
  int along = horz ? X : Y;
  const int across = horz ? Y : X;
  const int acrossSize = horz ? Height() : Width();
  bool floatIt = false;
  int settledPass = 0;
  for (int pass = 1; pass <= 4; ++pass) {
    bool adjusted = false;
    if (along < -20) {
      floatIt = true;
    } else if (along < 0) {
      along = 0;
      adjusted = true;
    } else if (along + len > dockLen) {
      along = std::max(0, dockLen - len);
      adjusted = true;
    }
    if (!floatIt) {
      for (TrptToolBar* t : VisibleToolBars(dock, this)) {
        const int tNear = horz ? t->Top() : t->Left(), tFar = tNear + (horz ? t->Height() : t->Width());
        if (tFar <= across || tNear >= across + acrossSize) continue;
        const int tStart = horz ? t->Left() : t->Top(), tEnd = tStart + (horz ? t->Width() : t->Height());
        if (along >= tStart && along < tEnd) {
          along = tEnd;
          adjusted = true;
        } else if (tStart > along && tStart < along + len) {
          along = tStart - len;
          adjusted = true;
        }
      }
    }
    if (!adjusted || floatIt) {
      settledPass = pass;
      break;
    }
  }
  if (floatIt && !CanFloat) floatIt = false;
  if (!floatIt && (settledPass == 0 || settledPass > 2)) return false;
  if (floatIt) {
    POINT p;
    GetCursorPos(&p);
    MakeFloat(p.x, p.y);
    return true;
  }
  const int oldAcross = horz ? dock->Height() : dock->Width();
  SetBounds(horz ? along : across, horz ? across : along, Width(), Height());
  dock->ArrangeToolbars();
  const bool outside = across < 0 || across + acrossSize > oldAcross;
  if (outside && CanFloat && (horz ? dock->Height() : dock->Width()) == oldAcross) {
    POINT p;
    GetCursorPos(&p);
    MakeFloat(p.x, p.y);
    if (FFloatWindow) {
      FFloatWindow->LastPos = p;
      FFloatWindow->Moving = true;
    }
  }
  return true;
}

bool TrptToolBar::TryDock(TCustomForm* Form, POINT P) {
  for (int i = 0; i < Form->ControlCount(); ++i) {
    auto* dock = dynamic_cast<TrptDock*>(Form->Controls(i));
    if (!dock) continue;
    RECT r = dock->BoundsRect();
    if (P.x < r.left || P.x >= r.right || P.y < r.top || P.y >= r.bottom) continue;
    const bool horzDock = dock->Horizontal();
    if (Orientation == toHorzOnly && !horzDock) return false;
    if (Orientation == toVertOnly && horzDock) return false;
    int x, y;
    if (horzDock) {
      x = std::clamp(static_cast<int>(P.x - dock->Left()), 0, std::max(0, dock->Width() - Width()));
      y = dock->Align() == alBottom ? 1 - Height() : dock->Height() - 1;
    } else {
      y = std::clamp(static_cast<int>(P.y - dock->Top()), 0, std::max(0, dock->Height() - Height()));
      x = dock->Align() == alRight ? 1 - Height() : dock->Width() - 1;
    }
    DockAt(dock, x, y);
    SetMouseCapture(true);
    GetCursorPos(&FLastPos);
    FDragging = true;
    return true;
  }
  return false;
}

bool TrptToolBar::IsVisible() const { return FFloating && FFloatWindow ? FFloatWindow->Visible() : Visible(); }

void TrptToolBar::SetIsVisible(bool Value) {
  if (FFloating && FFloatWindow)
    FFloatWindow->SetVisible(Value);
  else
    SetVisible(Value);
}

void TrptToolBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TPanel::MouseDown(Button, Shift, X, Y);
  GetCursorPos(&FLastPos);
  FDragging = true;
}

void TrptToolBar::MouseMove(TShiftState Shift, int X, int Y) {
  TPanel::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  if (FFloating) {
    FDragging = false;
    return;
  }
  auto* dock = dynamic_cast<TrptDock*>(Parent());
  if (!dock) return;
  POINT p;
  GetCursorPos(&p);
  int dx = p.x - FLastPos.x, dy = p.y - FLastPos.y;
  if (dock->Horizontal())
    dy = dy / dock->RowSize * dock->RowSize;
  else
    dx = dx / dock->RowSize * dock->RowSize;
  if ((dx || dy) && MoveTo(Left() + dx, Top() + dy)) {
    if (dx) FLastPos.x += dx;
    if (dy) FLastPos.y += dy;
  }
}

void TrptToolBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TPanel::MouseUp(Button, Shift, X, Y);
  FDragging = false;
}

// ---- spacer panel ----

TrptTBPanel::TrptTBPanel(TComponent* AOwner) : TPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetCaption("");
  SetBounds(0, 0, 8, 8);
  SetAlign(alLeft);
}

void TrptTBPanel::SetParent(TWinControl* AParent) {
  TPanel::SetParent(AParent);
  if (auto* bar = dynamic_cast<TrptToolBar*>(AParent)) SetAlign(bar->IsHorizontal() ? alLeft : alTop);
}

void TrptTBPanel::Paint() {
  Canvas()->Brush()->SetColor(clBtnFace);
  Canvas()->FillRect(ClientRect());
}

// ---- dock site ----

namespace {
class TrptDockSizer : public TGraphicControl {
public:
  explicit TrptDockSizer(TrptDockSite* ASite) : TGraphicControl(ASite), Site(ASite) {
    SetCursor(crHSplit);
    SetWidth(3);
  }
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    Sizing = true;
    LastX = X;
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!Sizing) return;
    const int dx = X - LastX;
    Site->SetWidth(std::max(1, Site->Width() + (Site->Align() == alLeft ? dx : -dx)));
    Site->PlaceSizer();
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    Sizing = false;
  }
  TrptDockSite* Site;
  bool Sizing = false;
  int LastX = 0;
};
}  // namespace

TrptDockSite::TrptDockSite(TComponent* AOwner) : TPanel(AOwner) {
  SetAlign(alLeft);
  SetCaption(" ");
  SetBevelOuter(bvNone);
  SetBevelInner(bvNone);
  SetWidth(10);
  SetDockSite(true);
  FSizer = new TrptDockSizer(this);
  FSizer->SetVisible(false);
}

void TrptDockSite::SetParent(TWinControl* AParent) {
  TPanel::SetParent(AParent);
  if (FSizer) {
    FSizer->SetParent(AParent);
    PlaceSizer();
  }
}

void TrptDockSite::PlaceSizer() {
  if (!FSizer || !FSizer->Parent()) return;
  FSizer->SetAlign(Align());
  FSizer->SetLeft(Align() == alLeft ? Left() + Width() + 3 : Left() - 3);
}

void TrptDockSite::DockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) {
  if (Source && Source->Control) FDraggedWidth = Source->Control->Width();
  TPanel::DockOver(Source, X, Y, State, Accept);
}

void TrptDockSite::DockDrop(TDragDockObject* Source, int X, int Y) {
  // The width is taken before docking: the site's layout may resize the control.
  const int wanted = Source && Source->Control ? std::max(FDraggedWidth, 0) : 0;
  TPanel::DockDrop(Source, X, Y);
  if (Source && Source->Control && Width() < wanted) Source->Control->SetWidth(wanted);
  if (FSizer) {
    PlaceSizer();
    FSizer->SetVisible(true);
  }
}

bool TrptDockSite::DoUnDock(TWinControl* NewTarget, TControl* Client) {
  if (!TPanel::DoUnDock(NewTarget, Client)) return false;
  int remaining = 0;
  for (int i = 0; i < DockClientCount(); ++i)
    if (DockClients(i) != Client) ++remaining;
  if (FSizer && remaining <= 1) FSizer->SetVisible(false);
  return true;
}

// ---- placement store ----

void rptWriteToolbarPlacement(TCustomIniFile* Ini, TrptToolBar* ToolBar) {
  const std::string s = "ToolBar." + ToolBar->Name();
  Ini->WriteBool(s, "Float", ToolBar->Floating());
  Ini->WriteBool(s, "Visible", ToolBar->IsVisible());
  TControl* placed = ToolBar->Floating() && ToolBar->FloatWindow() ? static_cast<TControl*>(ToolBar->FloatWindow())
                                                                   : static_cast<TControl*>(ToolBar);
  Ini->WriteInteger(s, "Left", placed->Left());
  Ini->WriteInteger(s, "Top", placed->Top());
  Ini->WriteInteger(s, "Width", ToolBar->Width());
  Ini->WriteInteger(s, "Height", ToolBar->Height());
  if (auto* dock = dynamic_cast<TrptDock*>(ToolBar->Parent())) Ini->WriteString(s, "Dock", dock->Name());
}

void rptReadToolbarPlacement(TCustomIniFile* Ini, TrptToolBar* ToolBar) {
  const std::string s = "ToolBar." + ToolBar->Name();
  ToolBar->Hide();
  const int x = Ini->ReadInteger(s, "Left", ToolBar->Left());
  const int y = Ini->ReadInteger(s, "Top", ToolBar->Top());
  if (Ini->ReadBool(s, "Float", false)) {
    ToolBar->MakeFloat(x, y);
  } else {
    ToolBar->SetBounds(x, y, ToolBar->Width(), ToolBar->Height());
    const std::string current = ToolBar->Parent() ? ToolBar->Parent()->Name() : std::string();
    const std::string name = Ini->ReadString(s, "Dock", current);
    if (ToolBar->Owner()) {
      auto* dock = dynamic_cast<TrptDock*>(ToolBar->Owner()->FindComponent(name));
      if (dock && dock != ToolBar->Parent()) ToolBar->DockAt(dock, x, y);
    }
  }
  ToolBar->SetBounds(ToolBar->Left(), ToolBar->Top(), Ini->ReadInteger(s, "Width", ToolBar->Width()),
                     Ini->ReadInteger(s, "Height", ToolBar->Height()));
  ToolBar->FitToControls();
  ToolBar->SetIsVisible(Ini->ReadBool(s, "Visible", true));
}

void rptWriteDockSiteLayout(TCustomIniFile* Ini, TrptDockSite* Site) {
  if (!Site->DockManager()) return;
  TMemoryStream stream;
  Site->DockManager()->SaveToStream(&stream);
  Ini->WriteString("Dock." + Site->Name(), "Data", rptStreamToHex(&stream));
}

void rptReadDockSiteLayout(TCustomIniFile* Ini, TrptDockSite* Site) {
  const std::string data = Ini->ReadString("Dock." + Site->Name(), "Data", "");
  TMemoryStream stream;
  rptHexToStream(data, &stream);
  if (stream.Size() == 0 || !Site->DockManager()) return;
  stream.SetPosition(0);
  Site->DockManager()->LoadFromStream(&stream);
}

void rptWriteFormPlacement(TCustomIniFile* Ini, TCustomForm* Form) {
  const std::string s = "Form." + Form->ClassName();
  Ini->WriteInteger(s, "Left", Form->Left());
  Ini->WriteInteger(s, "Top", Form->Top());
  Ini->WriteInteger(s, "Width", Form->Width());
  Ini->WriteInteger(s, "Height", Form->Height());
  Ini->WriteBool(s, "Maximized", Form->WindowState() == wsMaximized);
  Ini->WriteBool(s, "Visible", Form->Visible());
  Ini->WriteString(s, "Dock", Form->HostDockSite() ? Form->HostDockSite()->Name() : std::string());
}

void rptReadFormPlacement(TCustomIniFile* Ini, TCustomForm* Form) {
  const std::string s = "Form." + Form->ClassName();
  if (Ini->ReadBool(s, "Maximized", false)) {
    Form->SetWindowState(wsMaximized);
  } else {
    Form->SetBounds(Ini->ReadInteger(s, "Left", Form->Left()), Ini->ReadInteger(s, "Top", Form->Top()),
                    Ini->ReadInteger(s, "Width", Form->Width()), Ini->ReadInteger(s, "Height", Form->Height()));
  }
  const std::string dock = Ini->ReadString(s, "Dock", "");
  if (!dock.empty() && Form->Owner()) {
    if (auto* site = dynamic_cast<TWinControl*>(rptComponentByPath(Form->Owner(), dock))) Form->ManualDock(site);
  }
  Form->SetVisible(Ini->ReadBool(s, "Visible", true));
}

// The full-screen viewer.
#include "app/formnewmax.h"

#include <memory>

#include "app/catalog.h"
#include "app/formcrop.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/photosave.h"
#include "app/requirementdialogs.h"
#include "app/seemain.h"
#include "app/settings.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/imageryproc.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TFormNewMax, TForm)

namespace {

const int kCommentPanelHeight = 169;
const int kBottomEdge = 10;  // pixels of the screen's bottom edge that call the comment panel
const int kProgramCursor = 1;
// Posted to the viewer to open its menu at the screen point (WParam, LParam).
const unsigned WM_VIEWERMENU = 0x0400 + 0x1B0;  // WM_USER + 0x1B0

TImageryView* NewPhotoView(TComponent* Owner, TWinControl* Parent, const char* Name) {
  auto* v = new TImageryView(Owner);
  v->SetName(Name);
  v->SetParent(Parent);
  v->SetAlign(alClient);
  v->SetBackground(clBlack);
  v->SetBorderStyle(TIEBorderStyle::bsNone);
  v->SetScrollBars(ssNone);
  // The wheel walks the photos; the views do nothing with it.
  v->MouseWheelParams()->Action = 0;
  return v;
}

}  // namespace

TFormNewMax::TFormNewMax(TComponent* Owner, TFormSeeMain* Main) : TForm(Owner), FMain(Main) {
  SetName("FormNewMax");
  SetBorderStyle(bsNone);
  SetColor(clBlack);
  SetDoubleBuffered(true);
  SetKeyPreview(true);
  SetProgramFont(this);
  RECT wa = Screen()->WorkAreaRect();
  SetBounds(0, 0, Screen()->Width(), Screen()->Height());
  (void)wa;

  // ---- the menu ----
  pp1 = new TPopupMenu(this);
  pp1->SetName("pp1");
  auto item = [this](const char* Name, const char* Caption) {
    auto* i = new TMenuItem(this);
    if (Name) i->SetName(Name);
    i->SetCaption(Caption);
    pp1->Items()->Add(i);
    return i;
  };
  N7 = item("N7", "Selected");
  N8 = item("N8", "UnSelected");
  item(nullptr, "-");
  N16 = item("N16", "Append Production requirements");
  item(nullptr, "-");
  N901 = item("N901", "Rotate Clockwise");
  N1801 = item("N1801", "Rotate Counter Clockwise");
  item(nullptr, "-");
  N3 = item("N3", "Mirror Horizontal");
  N4 = item("N4", "Mirror Vertical");
  N3->SetVisible(false);
  N4->SetVisible(false);
  item(nullptr, "-");
  N9 = item("N9", "Crop");
  item(nullptr, "-");
  N13 = item("N13", "Slide Show ");
  N15 = item("N15", "Stop slide");
  item(nullptr, "-");
  N11 = item("N11", "Photographer Comments");
  item(nullptr, "-");
  N5 = item("N5", "close");
  pp1->OnPopup = [this](TObject* S) { pp1Popup(S); };
  N7->OnClick = [this](TObject* S) { N7Click(S); };
  N8->OnClick = [this](TObject* S) { N8Click(S); };
  N16->OnClick = [this](TObject* S) { N16Click(S); };
  N901->OnClick = [this](TObject* S) { N901Click(S); };
  N1801->OnClick = [this](TObject* S) { N1801Click(S); };
  N3->OnClick = [this](TObject* S) { N3Click(S); };
  N4->OnClick = [this](TObject* S) { N4Click(S); };
  N9->OnClick = [this](TObject* S) { N9Click(S); };
  N13->OnClick = [this](TObject* S) { N13Click(S); };
  N15->OnClick = [this](TObject* S) { N15Click(S); };
  N11->OnClick = [this](TObject* S) { N11Click(S); };
  N5->OnClick = [this](TObject* S) { N5Click(S); };

  // ---- the comment ----
  ADOQuerydianping = new TADOQuery(this);
  ADOQuerydianping->SetName("ADOQuerydianping");
  ADOQuerydianping->SetConnection(Main->ADOConnection1);
  DataSource1 = new TDataSource(this);
  DataSource1->SetName("DataSource1");
  DataSource1->SetDataSet(ADOQuerydianping);

  Panel1 = PlaceControl<TPanel>(this, this, "Panel1", 0, Height() - kCommentPanelHeight, Width(),
                                kCommentPanelHeight);
  Panel1->SetAlign(alBottom);
  Panel1->SetVisible(false);
  PageControl1 = PlaceControl<TPageControl>(this, Panel1, "PageControl1", 0, 0, Width(),
                                            kCommentPanelHeight);
  PageControl1->SetAlign(alClient);
  TabSheet1 = new TTabSheet(this);
  TabSheet1->SetName("TabSheet1");
  TabSheet1->SetPageControl(PageControl1);
  TabSheet1->SetCaption("Photographer Comments");
  DBMemo1 = PlaceControl<TDBMemo>(this, TabSheet1, "DBMemo1", 8, 8, 600, 110);
  DBMemo1->SetDataSource(DataSource1);
  DBMemo1->SetDataField("miaoshu");
  BitBtn1 = PlaceControl<TBitBtn>(this, TabSheet1, "BitBtn1", 620, 8, 90, 30);
  BitBtn1->SetCaption("save");
  Button4 = PlaceButton(this, TabSheet1, "Button4", "close", 620, 48, 90, 30);
  BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
  Button4->OnClick = [this](TObject* S) { Button3Click(S); };

  // The colour adjustment page: its tab is never shown.
  TabSheet2 = new TTabSheet(this);
  TabSheet2->SetName("TabSheet2");
  TabSheet2->SetPageControl(PageControl1);
  TabSheet2->SetCaption("Color Adjust");
  TabSheet2->SetTabVisible(false);
  struct Slider {
    TTrackBar** Bar;
    const char *Name, *Caption;
  } const sliders[] = {{&TrackBar1, "TrackBar1", "Brightness"},
                       {&TrackBar2, "TrackBar2", "Contrast"},
                       {&TrackBar3, "TrackBar3", "Red"},
                       {&TrackBar4, "TrackBar4", "Green"},
                       {&TrackBar5, "TrackBar5", "Blue"}};
  int row = 0;
  for (const Slider& s : sliders) {
    PlaceLabel(this, TabSheet2, (std::string("Label") + std::to_string(row + 1)).c_str(),
               s.Caption, 8, 8 + row * 26);
    auto* bar = PlaceControl<TTrackBar>(this, TabSheet2, s.Name, 80, 4 + row * 26, 360, 24);
    bar->SetMin(-255);
    bar->SetMax(255);
    bar->SetPosition(0);
    bar->SetTickStyle(tsNone);
    bar->OnChange = [this](TObject* S) { TrackBarChange(S); };
    *s.Bar = bar;
    ++row;
  }

  // The customer opinion page: its tab is never shown and its save keeps nothing.
  TabSheet3 = new TTabSheet(this);
  TabSheet3->SetName("TabSheet3");
  TabSheet3->SetPageControl(PageControl1);
  TabSheet3->SetCaption("Customer Opinion");
  TabSheet3->SetTabVisible(false);
  Memo1 = PlaceControl<TMemo>(this, TabSheet3, "Memo1", 8, 8, 600, 110);
  Button1 = PlaceButton(this, TabSheet3, "Button1", "save", 620, 8, 90, 30);
  PageControl1->SetActivePage(TabSheet1);

  // ---- the views and the status line ----
  en1 = NewPhotoView(this, this, "en1");
  en1->SetPopupMenu(pp1);
  en2 = NewPhotoView(this, this, "en2");
  en2->SetPopupMenu(pp1);
  // The status line lies on the fitted view, in front of its picture.
  Label300 = PlaceLabel(this, en2, "Label300", "", 0, 0);
  Label300->Font()->SetName("SimSun");
  Label300->Font()->SetSize(9);
  Label300->Font()->SetColor(static_cast<TColor>(RGB(128, 255, 0)));
  Edit1 = PlaceControl<TEdit>(this, this, "Edit1", 0, 0, 10, 21);
  Edit2 = PlaceControl<TEdit>(this, this, "Edit2", 0, 0, 10, 21);
  Edit3 = PlaceControl<TEdit>(this, this, "Edit3", 0, 0, 10, 21);
  for (TEdit* e : {Edit1, Edit2, Edit3}) e->SetVisible(false);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1500);
  Timer1->SetOnTimer([this](TObject* S) { Timer1Timer(S); });

  ApplicationEvents1 = new TApplicationEvents(this);
  ApplicationEvents1->SetName("ApplicationEvents1");
  ApplicationEvents1->OnMessage = [this](MSG& M, bool& H) { ApplicationEvents1Message(M, H); };

  en2->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    en2MouseDown(S, B, Sh, X, Y);
  };
  en2->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    en2MouseUp(S, B, Sh, X, Y);
  };
  // While a button is held the full-size view is the one under the pointer: its release
  // ends the look at the actual size the same way.
  en1->OnMouseUp = en2->OnMouseUp;
  en2->OnDblClick = [this](TObject* S) { en2DblClick(S); };
  en2->OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) {
    en2MouseMove(S, Sh, X, Y);
  };
  OnMouseWheel = [this](TObject* S, TShiftState Sh, int D, POINT P, bool& H) {
    FormMouseWheel(S, Sh, D, P, H);
  };
  OnKeyPress = [this](TObject* S, char& K) { FormKeyPress(S, K); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
  FinishCreate();
}

TFormNewMax::~TFormNewMax() {
  Timer1->SetEnabled(false);
  ApplicationEvents1->OnMessage = nullptr;
  DiscardCommentRow();
  // The views and panels going away raise no handler of this window.
  en2->OnMouseMove = nullptr;
  en1->OnMouseUp = en2->OnMouseUp = nullptr;
  DestroyComponents();
}

// ---- the list and the status line ----

std::string TFormNewMax::NameAt(int Position) const {
  return FMain->ListBox1->Items()->Strings(Position);
}

int TFormNewMax::Count() const { return FMain->ListBox1->Items()->Count(); }

void TFormNewMax::SetStatus(int Position, const char* Marker, bool HasComment) {
  Label300->SetCaption(std::to_string(Position + 1) + "/" + std::to_string(Count()) +
                       (HasComment ? Marker : "") + " " + NameAt(Position));
}

void TFormNewMax::DiscardCommentRow() {
  if (ADOQuerydianping->Active() &&
      (ADOQuerydianping->State() == dsEdit || ADOQuerydianping->State() == dsInsert))
    ADOQuerydianping->Cancel();
}

bool TFormNewMax::OpenCommentRow() {
  DiscardCommentRow();
  OpenComment(ADOQuerydianping, Edit3->Text());
  if (!ADOQuerydianping->Eof()) {
    ADOQuerydianping->Edit();
    return true;
  }
  ADOQuerydianping->Append();
  return false;
}

void TFormNewMax::UseCursorFile(TControl* Control, const char* File) {
  const std::string path = ProgramFolder() + File;
  TCursor cursor = crDefault;
  if (HCURSOR c = FileExists(path) ? LoadCursorFromFile(path.c_str()) : nullptr) {
    Screen()->SetCursors(kProgramCursor, c);
    cursor = kProgramCursor;
  }
  SetPointer(Control, cursor);
}

void TFormNewMax::SetPointer(TControl* Control, TCursor Cursor) {
  // A view goes back to its own idle cursor after each mouse action: it is told its idle one.
  if (auto* view = dynamic_cast<TImageryView*>(Control))
    view->SetViewCursor(Cursor);
  else
    Control->SetCursor(Cursor);
}

// ---- opening and loading ----

void TFormNewMax::LoadPhoto() {
  en1->SetVisible(false);
  en2->SetVisible(false);
  std::unique_ptr<Exception> failure;
  try {
    en1->GetIO()->LoadFromFile(Edit2->Text());
    if (en1->GetIO()->Aborting.load()) {
      en1->Blank();
      failure = std::make_unique<Exception>("The photo \"" + Edit2->Text() + "\" cannot be read.");
    }
  } catch (const Exception& E) {
    en1->Blank();
    failure = std::make_unique<Exception>(E.Message());
  }
  en1->SetNavigator(en2);
  en2->SetVisibleSelection(false);
  en2->Deselect();
  en2->SetVisible(true);
  en1->SetVisible(false);
  Label300->BringToFront();
  UseCursorFile(en2, "find.cur");
  if (failure) throw Exception(failure->Message());
}

void TFormNewMax::OpenAt(int Position, const std::string& Folder) {
  FPosition = Position;
  Edit1->SetText(IncludeTrailingPathDelimiter(Folder));
  Edit2->SetText(Edit1->Text() + NameAt(Position));
  Edit3->SetText(NameAt(Position));
  std::unique_ptr<Exception> failure;
  try {
    LoadPhoto();
  } catch (const Exception& E) {
    failure = std::make_unique<Exception>(E.Message());
  }
  SetStatus(Position, kViewerCommentMarkerOpen, OpenCommentRow());
  if (failure) throw Exception(failure->Message());
}

void TFormNewMax::ShowSavedPhoto(const std::string& Path) {
  Edit2->SetText(Path);
  LoadPhoto();
}

void TFormNewMax::FormShow(TObject*) {
  Panel1->SetColor(static_cast<TColor>(RGB(230, 230, 230)));
  UseCursorFile(en2, "find.cur");
  Label300->SetTransparent(true);
  Label300->BringToFront();
  Label300->Font()->SetColor(static_cast<TColor>(RGB(128, 255, 0)));
}

void TFormNewMax::FormClose(TObject*, TCloseAction& Action) {
  Timer1->SetEnabled(false);
  // The opener frees the window once its modal loop has ended.
  Action = caHide;
}

void TFormNewMax::FormCloseQuery(TObject*, bool& CanClose) {
  if (FMain->ViewerWindow() == this) FMain->ViewerWindow() = nullptr;
  CanClose = true;
}

// ---- navigation ----

void TFormNewMax::MoveTo(int Position) {
  Edit2->SetText(Edit1->Text() + NameAt(Position));
  Edit3->SetText(NameAt(Position));
  try {
    LoadPhoto();
    SetStatus(Position, kViewerCommentMarkerMove, OpenCommentRow());
  } catch (...) {
    FPosition = Position;
    SetStatus(Position, kViewerCommentMarkerMove, OpenCommentRow());
    throw;
  }
  FPosition = Position;
}

void TFormNewMax::Next(bool) {
  if (FPosition + 1 > Count() - 1) {
    ShowInfo(kViewerEndMessage);
    return;
  }
  MoveTo(FPosition + 1);
}

void TFormNewMax::Previous(bool Wheel) {
  if (FPosition - 1 < 0) {
    ShowInfo(Wheel ? kViewerStartMessageWheel : kViewerStartMessageKey);
    return;
  }
  MoveTo(FPosition - 1);
}

void TFormNewMax::FormMouseWheel(TObject*, TShiftState, int WheelDelta, POINT, bool& Handled) {
  Handled = true;
  if (WheelDelta < 0)
    Next(true);
  else if (WheelDelta > 0)
    Previous(true);
}

void TFormNewMax::FormKeyPress(TObject*, char& Key) {
  // Keys typed into the comment go to the comment.
  if (Panel1->Visible() && ActiveControl() == DBMemo1) return;
  if (Key == 32) {
    Key = 0;
    Next(false);
  } else if (Key == 8) {
    Key = 0;
    Previous(false);
  } else if (Key == 27) {
    Key = 0;
    Close();
  }
}

// ---- the mouse on the picture ----

void TFormNewMax::en2MouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbLeft && Button != mbMiddle) return;  // the right button opens the menu
  en2->Deselect();
  en1->SetVisible(true);
  en2->SetVisible(false);
  SetPointer(en1, crNone);
}

void TFormNewMax::en2MouseUp(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbLeft && Button != mbMiddle) return;
  en2->Deselect();
  en2->SetVisible(true);
  en1->SetVisible(false);
  UseCursorFile(en2, "find.cur");
}

void TFormNewMax::en2DblClick(TObject*) { Close(); }

void TFormNewMax::en2MouseMove(TObject*, TShiftState, int, int) {
  POINT p{};
  GetCursorPos(&p);
  if (p.y >= Screen()->Height() - kBottomEdge) {
    if (Panel1->Visible()) return;
    Panel1->SetVisible(true);
    UseCursorFile(Panel1, "3dgarro.cur");
    OpenCommentRow();
  } else if (Panel1->Visible()) {
    Panel1->SetVisible(false);
    ResetColourSliders();
  }
}

void TFormNewMax::ApplicationEvents1Message(MSG& Msg, bool& Handled) {
  // The press is taken from everyone; the menu opens once the button is up again, out of the
  // handling of this message, so that the menu has the mouse to itself.
  if (Msg.message == WM_RBUTTONDOWN) {
    Handled = true;
    FRightPressed = true;
  } else if (Msg.message == WM_RBUTTONUP && FRightPressed) {
    Handled = true;
    FRightPressed = false;
    POINT p{};
    GetCursorPos(&p);
    PostMessage(Handle(), WM_VIEWERMENU, static_cast<WPARAM>(p.x), static_cast<LPARAM>(p.y));
  }
}

void TFormNewMax::WndProc(TMessage& Message) {
  if (Message.Msg == WM_VIEWERMENU) {
    pp1->Popup(static_cast<int>(Message.WParam), static_cast<int>(Message.LParam));
    return;
  }
  TForm::WndProc(Message);
}

// ---- the comment panel ----

void TFormNewMax::BitBtn1Click(TObject*) {
  if (ADOQuerydianping->State() != dsEdit && ADOQuerydianping->State() != dsInsert)
    ADOQuerydianping->Edit();
  ADOQuerydianping->FieldByName("pic")->SetAsString(Edit3->Text());
  ADOQuerydianping->Post();
  OpenCommentRow();
  Panel1->SetVisible(false);
  UseCursorFile(en2, "find.cur");
}

void TFormNewMax::Button3Click(TObject*) {
  Panel1->SetVisible(false);
  UseCursorFile(en2, "find.cur");
}

// ---- the menu ----

void TFormNewMax::pp1Popup(TObject*) {
  OpenWithText(FMain->ADOQuery1, kSqlPicByNameF1, "f1", NameAt(FPosition));
  const bool picked = !FMain->ADOQuery1->Eof();
  N7->SetEnabled(!picked);
  N8->SetEnabled(picked);
}

void TFormNewMax::N7Click(TObject*) { PickPhoto(FMain->ADOQuery1, NameAt(FPosition)); }

void TFormNewMax::N8Click(TObject*) { UnpickPhoto(FMain->ADOCommand1, NameAt(FPosition)); }

void TFormNewMax::N16Click(TObject*) {
  std::unique_ptr<TFormbeizhu2> dialog(
      new TFormbeizhu2(this, FMain->ADOConnection1, FMain->ADOConnection2));
  dialog->SetPhotos({NameAt(FPosition)}, "Total 1 file");
  dialog->FillLists();
  dialog->ShowModal();
}

void TFormNewMax::Rotate(double Angle) {
  en1->GetProc()->Rotate(Angle, 0, 0, -1);
  SaveTurnedPhoto();
}

void TFormNewMax::Mirror(int Direction) {
  en1->GetProc()->Flip(Direction);
  SaveTurnedPhoto();
}

void TFormNewMax::SaveTurnedPhoto() {
  en1->GetIO()->Params->JPEG_Quality = ReadJpegQuality(FMain->SettingsFile());
  try {
    SavePhotoOver(en1->GetIO(), Edit2->Text(), true);
  } catch (const Exception& E) {
    // The photo on disk is unchanged; the viewer says so rather than showing a turn that is
    // not kept.
    ShowInfo(E.Message());
  }
}

void TFormNewMax::N901Click(TObject*) { Rotate(-90); }
void TFormNewMax::N1801Click(TObject*) { Rotate(90); }
void TFormNewMax::N3Click(TObject*) { Mirror(0); }
void TFormNewMax::N4Click(TObject*) { Mirror(1); }

// ---- the colour adjustment page ----

void TFormNewMax::TrackBarChange(TObject*) {
  TIEBitmap* picture = en1->GetIEBitmap();
  if (!picture) return;
  const int brightness = TrackBar1->Position();
  picture->SetChannelBias(0, brightness + TrackBar3->Position());
  picture->SetChannelBias(1, brightness + TrackBar4->Position());
  picture->SetChannelBias(2, brightness + TrackBar5->Position());
  picture->Contrast = TrackBar2->Position();
  en1->Update();
  en2->Update();
}

void TFormNewMax::ResetColourSliders() {
  for (TTrackBar* bar : {TrackBar1, TrackBar2, TrackBar3, TrackBar4, TrackBar5})
    bar->SetPosition(0);
}

void TFormNewMax::N9Click(TObject*) {
  const int position = FPosition;
  Hide();
  try {
    OpenCropWindow(FMain, this, Edit1->Text() + NameAt(position));
  } catch (...) {
    Show();
    throw;
  }
  Show();
  GridUpdateImage(FMain->ImageryMView1, position);
  FMain->ImageryMView1->Invalidate();
}

void TFormNewMax::N13Click(TObject*) { Timer1->SetEnabled(true); }
void TFormNewMax::N15Click(TObject*) { Timer1->SetEnabled(false); }

void TFormNewMax::N11Click(TObject*) {
  ShowInfo("Move the mouse to the bottom of the screen,it will show.");
}

void TFormNewMax::N5Click(TObject*) { Close(); }

void TFormNewMax::Timer1Timer(TObject*) {
  if (Count() == 0) return;
  const int next = FPosition + 1 > Count() - 1 ? 0 : FPosition + 1;
  Timer1->SetEnabled(false);
  Edit2->SetText(Edit1->Text() + NameAt(next));
  Edit3->SetText(NameAt(next));
  std::unique_ptr<Exception> failure;
  try {
    LoadPhoto();
  } catch (const Exception& E) {
    failure = std::make_unique<Exception>(E.Message());
  }
  SetStatus(next, kViewerCommentMarkerMove, OpenCommentRow());
  FPosition = next;
  if (failure) {
    // The show goes on; the photo that cannot be read is told about once, as it comes.
    Application()->ShowException(*failure);
  }
  Timer1->SetEnabled(true);
}

// ---- opening from the grid ----

void ShowFullScreenViewer(TFormSeeMain* Main) {
  TCustomControl* grid = Main->ImageryMView1;
  const int selected = GridSelectedImage(grid);
  if (selected < 0 || selected >= Main->ListBox1->Items()->Count()) return;
  Main->SetCursor(crHandPoint);
  const std::string folder = TreeSelectedFolder(Main->dir1);
  auto* viewer = new TFormNewMax(Main, Main);
  Main->ViewerWindow() = viewer;
  std::unique_ptr<TFormNewMax> owned(viewer);
  std::unique_ptr<Exception> failure;
  try {
    viewer->OpenAt(selected, folder);
  } catch (const Exception& E) {
    failure = std::make_unique<Exception>(E.Message());
  }
  if (failure) Application()->ShowException(*failure);
  viewer->ShowModal();
  Main->SetCursor(crDefault);
  Main->ViewerPosition() = viewer->Position();
  if (Main->ViewerWindow() == viewer) Main->ViewerWindow() = nullptr;
  owned.reset();
  GridSetSelectedImage(grid, Main->ViewerPosition());
  GridCentreImage(grid, Main->ViewerPosition());
}

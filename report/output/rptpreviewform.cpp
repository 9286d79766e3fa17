// The preview window.
#include "report/output/rptpreviewform.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/strings.h"
#include "platform/rtl/strutils.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptservices.h"
#include "report/core/rptutils.h"
#include "report/output/rptdock.h"
#include "report/output/rptpreview.h"
#include "report/output/rptprinters.h"
#include "report/output/rptuicontrols.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptPreviewForm, TForm)

namespace {

constexpr UINT WM_UPDATEZOOM = WM_USER + 1;

// The 22 toolbar pictures, 16 x 16 each, drawn as simple line glyphs on a magenta key colour.
void DrawToolbarImages(TBitmap* Strip) {
  Strip->SetWidth(352);
  Strip->SetHeight(16);
  TCanvas* c = Strip->Canvas();
  c->Brush()->SetColor(0x00FF00FF);
  c->FillRect(RECT{0, 0, 352, 16});
  c->Pen()->SetColor(clBlack);
  auto page = [&](int x) {
    c->Brush()->SetColor(clWhite);
    c->Rectangle(x + 3, 1, x + 13, 15);
  };
  auto arrow = [&](int x, int dir, bool bar) {
    // A filled triangle pointing left (dir -1) or right (+1), with an end bar.
    c->Brush()->SetColor(0x00800000);
    c->Pen()->SetColor(0x00800000);
    if (dir < 0)
      c->Polygon({POINT{x + 11, 3}, POINT{x + 11, 12}, POINT{x + 6, 8}});
    else
      c->Polygon({POINT{x + 5, 3}, POINT{x + 5, 12}, POINT{x + 10, 8}});
    if (bar) c->Rectangle(dir < 0 ? x + 3 : x + 12, 3, dir < 0 ? x + 5 : x + 14, 13);
    c->Pen()->SetColor(clBlack);
  };
  auto glass = [&](int x) {
    c->Brush()->SetColor(clWhite);
    c->Ellipse(x + 2, 2, x + 11, 11);
    c->MoveTo(x + 10, 10);
    c->LineTo(x + 14, 14);
  };
  for (int i = 0; i < 22; ++i) {
    const int x = i * 16;
    switch (i) {
      case 0:  // open
        c->Brush()->SetColor(0x0000C0FF);
        c->Rectangle(x + 1, 4, x + 15, 14);
        break;
      case 1:  // save
        c->Brush()->SetColor(0x00804000);
        c->Rectangle(x + 2, 2, x + 14, 14);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(x + 4, 2, x + 12, 7);
        break;
      case 2:  // print
        page(x);
        c->Brush()->SetColor(0x00C0C0C0);
        c->Rectangle(x + 1, 7, x + 15, 13);
        break;
      case 3:  // export
        page(x);
        arrow(x, 1, false);
        break;
      case 4: glass(x); break;
      case 5:  // outline
        for (int y = 3; y < 14; y += 4) {
          c->MoveTo(x + 3 + (y == 7 ? 3 : 0), y);
          c->LineTo(x + 14, y);
        }
        break;
      case 7:  // page settings
        page(x);
        c->MoveTo(x + 5, 5);
        c->LineTo(x + 11, 5);
        break;
      case 8: arrow(x, -1, true); break;
      case 9: arrow(x, -1, false); break;
      case 10: arrow(x, 1, false); break;
      case 11: arrow(x, 1, true); break;
      case 12:  // whole page
        page(x);
        break;
      case 13:  // page width
        c->Brush()->SetColor(clWhite);
        c->Rectangle(x + 1, 3, x + 15, 13);
        break;
      case 14:
      case 15:  // 100% and many pages
        glass(x);
        break;
      case 16:  // hand
        c->Brush()->SetColor(0x0080C0FF);
        c->Rectangle(x + 4, 5, x + 12, 14);
        break;
      case 17: glass(x); break;
      case 19:  // new page
        page(x);
        c->MoveTo(x + 6, 8);
        c->LineTo(x + 11, 8);
        c->MoveTo(x + 8, 6);
        c->LineTo(x + 8, 11);
        break;
      case 20:  // delete page
        page(x);
        c->Pen()->SetColor(clRed);
        c->MoveTo(x + 5, 5);
        c->LineTo(x + 12, 12);
        c->MoveTo(x + 11, 5);
        c->LineTo(x + 4, 12);
        c->Pen()->SetColor(clBlack);
        break;
      case 21:  // edit
        page(x);
        c->Pen()->SetColor(0x00008000);
        c->MoveTo(x + 5, 12);
        c->LineTo(x + 12, 5);
        c->Pen()->SetColor(clBlack);
        break;
      default: break;
    }
  }
}

// The window's toolbar lays out its buttons and its panels (zoom box, page number, spacer)
// together, in the order they were added.
class TPreviewToolBar : public TToolBar {
public:
  using TToolBar::TToolBar;
  void AlignControls(TControl* AControl, RECT& Rect) override {
    TToolBar::AlignControls(AControl, Rect);
    int x = Rect.left + 2;
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      if (!c->Visible()) continue;
      if (auto* b = dynamic_cast<TToolButton*>(c)) {
        b->SetLeft(x);
        x += b->Width();
      } else {
        c->SetBounds(x, Rect.top + 2 + std::max(0, (ButtonHeight() - c->Height()) / 2), c->Width(), c->Height());
        x += c->Width();
      }
    }
  }
};

}  // namespace

TrptPreviewForm::TrptPreviewForm(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  SetCaption(rptTextById(100));
  SetClientWidth(741);
  SetClientHeight(584);
  Font()->SetName("Tahoma");
  Font()->SetHeight(-11);
  SetKeyPreview(true);
  SetPosition(poScreenCenter);
  SetShowHint(true);

  MainImages = new TImageList(this);
  MainImages->SetWidth(16);
  MainImages->SetHeight(16);
  {
    TBitmap strip;
    DrawToolbarImages(&strip);
    MainImages->AddMasked(&strip, 0x00FF00FF);
  }
  ToolBar = new TPreviewToolBar(this);
  ToolBar->SetParent(this);
  ToolBar->SetAlign(alTop);
  ToolBar->SetFlat(true);
  ToolBar->SetButtonHeight(23);
  ToolBar->SetHeight(27);
  ToolBar->SetImages(MainImages);
  ExportPopup = new TPopupMenu(this);
  HiddenMenu = new TPopupMenu(this);
  auto* showTemplate = new TMenuItem(this);
  showTemplate->SetName("Showtemplate1");
  showTemplate->SetCaption("Show template");
  showTemplate->OnClick = [this](TObject*) { Preview->EditTemplate(); };
  HiddenMenu->Items()->Add(showTemplate);

  int left = 0;
  auto button = [&](const char* Name, int Image, int Caption, int Hint, TToolButtonStyle Style = tbsButton) {
    auto* b = new TToolButton(this);
    b->SetName(Name);
    b->SetStyle(Style);
    b->SetParent(ToolBar);
    b->SetLeft(left);
    if (Image >= 0) b->SetImageIndex(Image);
    if (Caption > 0) b->SetCaption(rptTextById(Caption));
    if (Hint > 0) b->SetHint(rptTextById(Hint));
    left += Style == tbsSeparator ? 8 : 23;
    return b;
  };
  auto panel = [&](const char* Name, int Width, int Hint) {
    auto* p = new TrptTBPanel(this);
    p->SetName(Name);
    p->SetParent(ToolBar);
    p->SetAlign(alNone);  // placed in button order by the toolbar
    p->SetBounds(left, 0, Width, 22);
    if (Hint > 0) p->SetHint(rptTextById(Hint));
    left += Width;
    return p;
  };
  PrintB = button("PrintB", 2, 101, 102);
  OpenB = button("OpenB", 0, 103, 104);
  SaveB = button("SaveB", 1, 105, 106);
  ExportB = button("ExportB", 3, 107, 108, tbsDropDown);
  ExportB->SetDropdownMenu(ExportPopup);
  FindB = button("FindB", 4, 109, 110);
  Sep1 = button("Sep1", -1, 0, 0, tbsSeparator);
  ZoomWholePageB = button("ZoomWholePageB", 12, 111, 112);
  ZoomPageWidthB = button("ZoomPageWidthB", 13, 113, 114);
  Zoom100B = button("Zoom100B", 14, 115, 116);
  Zoom50B = button("Zoom50B", 15, 117, 118);
  Sep3 = panel("Sep3", 56, 119);
  ZoomCB = new TrptComboBox(this);
  ZoomCB->SetParent(Sep3);
  ZoomCB->SetBounds(0, 0, 49, 21);
  ZoomCB->SetListWidth(100);
  for (const char* z : {"25%", "50%", "75%", "100%", "150%", "200%"}) ZoomCB->Items()->Add(z);
  ZoomCB->Items()->Add(rptGet("zmPageWidth"));
  ZoomCB->Items()->Add(rptGet("zmWholePage"));
  ZoomCB->SetHint(rptTextById(119));
  Sep2 = button("Sep2", -1, 0, 0, tbsSeparator);
  PageSettingsB = button("PageSettingsB", 7, 120, 121);
  OutlineB = button("OutlineB", 5, 122, 123, tbsCheck);
  Sep5 = button("Sep5", -1, 0, 0, tbsSeparator);
  HandToolB = button("HandToolB", 16, 124, 125, tbsCheck);
  HandToolB->SetGrouped(true);
  HandToolB->SetDown(true);
  ZoomToolB = button("ZoomToolB", 17, 126, 127, tbsCheck);
  ZoomToolB->SetGrouped(true);
  Sep7 = button("Sep7", -1, 0, 0, tbsSeparator);
  NewPageB = button("NewPageB", 19, 128, 129);
  DelPageB = button("DelPageB", 20, 130, 131);
  DesignerB = button("DesignerB", 21, 132, 133);
  Sep6 = button("Sep6", -1, 0, 0, tbsSeparator);
  FirstB = button("FirstB", 8, 134, 135);
  PriorB = button("PriorB", 9, 136, 137);
  Sep4 = panel("Sep4", 47, 142);
  PageE = new TEdit(this);
  PageE->SetParent(Sep4);
  PageE->SetBounds(5, 1, 37, 20);
  PageE->SetText("1");
  PageE->SetHint(rptTextById(142));
  NextB = button("NextB", 10, 138, 139);
  LastB = button("LastB", 11, 140, 141);
  rpTBPanel1 = panel("rpTBPanel1", 50, 0);
  CancelB = new TSpeedButton(this);
  CancelB->SetParent(ToolBar);
  CancelB->SetBounds(left, 0, 68, 23);
  CancelB->SetFlat(true);
  CancelB->SetCaption(rptTextById(2));

  StatusBar = new TStatusBar(this);
  StatusBar->SetParent(this);
  StatusBar->SetAlign(alBottom);
  StatusBar->AddPanel().Width = 150;
  StatusBar->AddPanel().Width = 50;

  Preview = new TrptPreview(this);
  Preview->SetParent(this);
  Preview->SetAlign(alClient);
  Preview->OnPageChanged = [this](TrptPreview* S, int N) { UpdatePageInfo(S, N); };
  Preview->OnButtonsChange = [this](TrptPreview* P) {
    // The end of a preparation empties the status text it left.
    if (!P->Running()) StatusBar->SetPanelText(1, "");
    UpdateButtons();
  };
  Preview->OnZoomChange = [this](TrptPreview*) { UpdateZoom(); };
  SetActiveControl(Preview);

  PrintB->OnClick = [this](TObject*) { PrintBClick(); };
  OpenB->OnClick = [this](TObject*) { Preview->Load(); };
  SaveB->OnClick = [this](TObject*) { Preview->Save(); };
  ExportB->OnClick = [this](TObject*) {
    POINT p = ExportB->ClientToScreen(POINT{0, ExportB->Height()});
    ExportPopup->Popup(p.x, p.y);
  };
  FindB->OnClick = [this](TObject*) { Preview->Find(); };
  ZoomWholePageB->OnClick = [this](TObject*) {
    Preview->SetZoomMode(zmWholePage);
    UpdateZoom();
  };
  ZoomPageWidthB->OnClick = [this](TObject*) {
    Preview->SetZoomMode(zmPageWidth);
    UpdateZoom();
  };
  Zoom50B->OnClick = [this](TObject*) {
    Preview->SetZoomMode(zmManyPages);
    UpdateZoom();
  };
  Zoom100B->OnClick = [this](TObject*) {
    Preview->SetZoom(1.0);
    UpdateZoom();
  };
  ZoomCB->OnSelect = [this](TObject*) { ZoomCBClick(); };
  PageSettingsB->OnClick = [this](TObject*) { Preview->EditPageSettings(); };
  OutlineB->OnClick = [this](TObject*) {
    Preview->SetOutlineVisible(OutlineB->Down());
    Preview->UpdatePages();
  };
  auto tool = [this](TObject*) {
    if (HandToolB->Down())
      Preview->SetTool(0);
    else if (ZoomToolB->Down())
      Preview->SetTool(1);
  };
  HandToolB->OnClick = tool;
  ZoomToolB->OnClick = tool;
  NewPageB->OnClick = [this](TObject*) { Preview->AddPage(); };
  DelPageB->OnClick = [this](TObject*) { Preview->DeletePage(); };
  DesignerB->OnClick = [this](TObject*) { Preview->EditPage(); };
  DesignerB->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbRight) return;
    POINT p = DesignerB->ClientToScreen(POINT{0, 0});
    HiddenMenu->Popup(p.x, p.y);
  };
  FirstB->OnClick = [this](TObject*) { Preview->First(); };
  PriorB->OnClick = [this](TObject*) { Preview->Prior(); };
  NextB->OnClick = [this](TObject*) { Preview->Next(); };
  LastB->OnClick = [this](TObject*) { Preview->Last(); };
  CancelB->OnClick = [this](TObject*) { CancelBClick(); };
  OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = !Preview->Running(); };
  OnClose = [this](TObject*, TCloseAction& Action) {
    if (FreeOnClose) Action = caFree;
  };
  OnMouseWheel = [this](TObject*, TShiftState Shift, int Delta, POINT, bool& Handled) {
    Preview->ScrollByWheel(Delta, false, Shift.Contains(ssCtrl));
    Handled = true;
  };
}

TrptPreviewForm::~TrptPreviewForm() = default;

TrptReport* TrptPreviewForm::Report() const { return Preview ? Preview->Report : nullptr; }

void TrptPreviewForm::DestroySep(TToolButton*& Sep) {
  delete Sep;
  Sep = nullptr;
}

void TrptPreviewForm::ApplyPreviewOptions() {
  TrptReport* report = Report();
  if (!report) return;
  TrptPreviewOptions* o = report->PreviewOptions();
  if (o->Maximized) SetWindowState(wsMaximized);
  if (o->MDIChild) SetFormStyle(fsMDIChild);
  Preview->SetOutlineVisible(o->OutlineVisible);
  Preview->OutlineTree()->SetWidth(o->OutlineWidth);
  Preview->SetZoom(o->Zoom);
  Preview->SetZoomMode(o->ZoomMode);
  NewPageB->SetEnabled(o->AllowEdit);
  DelPageB->SetEnabled(o->AllowEdit);
  DesignerB->SetEnabled(o->AllowEdit);
  const TrptPreviewButtons b = o->Buttons;
  PrintB->SetVisible(b.Contains(pbPrint));
  OpenB->SetVisible(b.Contains(pbLoad));
  SaveB->SetVisible(b.Contains(pbSave));
  ExportB->SetVisible(b.Contains(pbExport));
  FindB->SetVisible(b.Contains(pbFind));
  const bool zoom = b.Contains(pbZoom);
  for (TControl* c : std::initializer_list<TControl*>{ZoomWholePageB, ZoomPageWidthB, Zoom100B, Zoom50B, Sep3})
    c->SetVisible(zoom);
  if (!zoom && Sep1) DestroySep(Sep1);
  OutlineB->SetVisible(b.Contains(pbOutline));
  OutlineB->SetDown(o->OutlineVisible);
  PageSettingsB->SetVisible(b.Contains(pbPageSetup));
  if (!OutlineB->Visible() && !PageSettingsB->Visible() && Sep2) DestroySep(Sep2);
  HandToolB->SetVisible(b.Contains(pbTools));
  ZoomToolB->SetVisible(b.Contains(pbTools));
  if (!b.Contains(pbTools) && Sep5) DestroySep(Sep5);
  NewPageB->SetVisible(b.Contains(pbEdit));
  DelPageB->SetVisible(b.Contains(pbEdit));
  DesignerB->SetVisible(b.Contains(pbEdit));
  if (!b.Contains(pbEdit) && Sep7) DestroySep(Sep7);
  const bool nav = b.Contains(pbNavigator);
  for (TControl* c : std::initializer_list<TControl*>{FirstB, PriorB, NextB, LastB, Sep4}) c->SetVisible(nav);
  if (!nav && Sep6) DestroySep(Sep6);
  ToolBar->SetShowCaptions(o->ShowCaptions);
  TrptExportFilterCollection& filters = rptExportFilterRegistry();
  for (int i = 0; i < filters.Count(); ++i) {
    auto* item = new TMenuItem(this);
    item->SetCaption(filters.GetItems(i)->GetMenuCaption() + "...");
    item->SetTag(i);
    item->OnClick = [this, i](TObject*) { ExportItemClick(i); };
    ExportPopup->Items()->Add(item);
  }
  if (report->ReportOptions() && !report->ReportOptions()->Name.empty()) SetCaption(report->ReportOptions()->Name);
  Preview->Reinitialize();
  UpdateButtons();
}

void TrptPreviewForm::ShowStatusText(const std::string& Text) {
  StatusBar->SetPanelText(1, Text);
  if (Application()) Application()->ProcessMessages();
}

void TrptPreviewForm::UpdateButtons() {
  TrptReport* report = Report();
  const bool pages = !Preview->Running() && Preview->GetPageCount() > 0;
  const bool edit = !Preview->Running() && report && report->PreviewOptions()->AllowEdit;
  for (TToolButton* b : {PrintB, OpenB, SaveB, ExportB, FindB, PageSettingsB}) {
    b->SetEnabled(pages);
    if (!b->Enabled()) b->SetDown(false);
  }
  for (TToolButton* b : {NewPageB, DelPageB, DesignerB}) {
    b->SetEnabled(edit);
    if (!edit) b->SetDown(false);
  }
  CancelB->SetCaption(rptGet(Preview->Running() ? "clCancel" : "clClose"));
}

void TrptPreviewForm::UpdateZoom() {
  ZoomCB->SetText(IntToStr(static_cast<int>(std::nearbyint(Preview->Zoom() * 100))) + "%");
}

void TrptPreviewForm::UpdatePageInfo(TrptPreview*, int PageNo) {
  TrptCustomPreviewPages* pages = Preview->PreviewPages;
  const int count = Preview->GetPageCount();
  if (pages && pages->Engine && !pages->Engine->FinalPass)
    StatusBar->SetPanelText(0, rptGet("clFirstPass") + IntToStr(count));
  else
    StatusBar->SetPanelText(0, Format(rptGet("clPageOf"), {PageNo, count}));
  PageE->SetText(IntToStr(PageNo));
}

void TrptPreviewForm::PrintBClick() {
  if (rptGlobalPrinters()->HasPhysicalPrinters())
    Preview->Print();
  else
    rptShowError(rptGet("clNoPrinters"));
  SetEnabled(true);
}

void TrptPreviewForm::ZoomCBClick() {
  if (Preview->CanFocus()) Preview->SetFocus();
  const int index = ZoomCB->ItemIndex();
  const std::string text = ZoomCB->Text();
  if (index == 6 && text == ZoomCB->Items()->Strings(6)) {
    Preview->SetZoomMode(zmPageWidth);
  } else if (index == 7 && text == ZoomCB->Items()->Strings(7)) {
    Preview->SetZoomMode(zmWholePage);
  } else {
    std::string s = text;
    const size_t pct = s.find('%');
    if (pct != std::string::npos) s[pct] = ' ';
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    if (!s.empty()) Preview->SetZoom(rptTextToFloat(s) / 100);
  }
  if (HandleAllocated())
    PostMessage(Handle(), WM_UPDATEZOOM, 0, 0);
  else
    UpdateZoom();
}

void TrptPreviewForm::PageEClick() {
  Preview->SetPageNo(StrToInt(PageE->Text()));
  if (Preview->CanFocus()) Preview->SetFocus();
}

void TrptPreviewForm::CancelBClick() {
  if (Preview->Running())
    Preview->CancelIfRunning();
  else
    Close();
}

void TrptPreviewForm::ExportItemClick(int Tag) {
  TrptExportFilterCollection& filters = rptExportFilterRegistry();
  if (Tag >= 0 && Tag < filters.Count()) Preview->Export(filters.GetItems(Tag));
  SetEnabled(true);
}

void TrptPreviewForm::WndProc(TMessage& Message) {
  if (Message.Msg == WM_UPDATEZOOM) {
    UpdateZoom();
    return;
  }
  TForm::WndProc(Message);
}

bool TrptPreviewForm::DoKeyDown(TMessage& M) {
  if (M.WParam == VK_ESCAPE) {
    CancelBClick();
    return true;
  }
  return TForm::DoKeyDown(M);
}

bool TrptPreviewForm::DoKeyPress(TMessage& M) {
  if (M.WParam == VK_RETURN) {
    if (ActiveControl() == ZoomCB) {
      ZoomCBClick();
      return true;
    }
    if (ActiveControl() == PageE) {
      PageEClick();
      return true;
    }
  }
  return TForm::DoKeyPress(M);
}

void rptInstallPreviewForm() {
  rptServices().ShowPreviewForm = [](TrptReport* Report) {
    auto* form = new TrptPreviewForm(nullptr);
    Report->SetPreview(form->Preview);
    form->ApplyPreviewOptions();
    Report->PreviewFormOpen = true;
    if (Report->PreviewOptions()->Modal) {
      form->ShowModal();
      Report->SetPreview(nullptr);
      delete form;
    } else {
      form->FreeOnClose = true;
      form->Show();
    }
  };
  rptServices().ShowStatusText = [](TrptReport* Report, const std::string& Text) {
    if (!Report->Preview()) return;
    if (auto* form = dynamic_cast<TrptPreviewForm*>(Report->Preview()->Owner())) form->ShowStatusText(Text);
  };
}

// Common controls: status bar, progress bar, page control with tab sheets.
#include "platform/vcl/comctrls.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
ORV_CLASS_IMPL(TStatusPanel, TCollectionItem)
ORV_CLASS_IMPL(TStatusPanels, TCollection)
ORV_CLASS_IMPL(TStatusBar, TCustomControl)
ORV_CLASS_IMPL(TProgressBar, TWinControl)
ORV_CLASS_IMPL(TTabSheet, TWinControl)
ORV_CLASS_IMPL(TPageControl, TCustomControl)

namespace {
int TextWidthOf(HDC dc, TFont* f, const std::string& s) {
  HGDIOBJ old = SelectObject(dc, f->Handle());
  SIZE sz{0, 0};
  GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
  SelectObject(dc, old);
  return sz.cx;
}
}  // namespace

// ---- TStatusBar ----
TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), FPanels(std::make_unique<TStatusPanels>(this)) {
  FHeight = 19;
  SetColor(clBtnFace);
  SetAlign(alBottom);
}

// The panels go while the bar is still whole (their last change notice repaints it).
TStatusBar::~TStatusBar() { FPanels.reset(); }

TStatusPanel& TStatusBar::AddPanel() {
  TStatusPanel* p = FPanels->Add();
  Invalidate();
  return *p;
}

void TStatusBar::ClearPanels() {
  FPanels->Clear();
  Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& Value) {
  FSimpleText = Value;
  Invalidate();
}

void TStatusBar::SetSimplePanel(bool Value) {
  FSimplePanel = Value;
  Invalidate();
}

void TStatusBar::SetPanelText(int Index, const std::string& Value) {
  Panels(Index).Text = Value;
  Invalidate();
}

void TStatusBar::SetSizeGrip(bool Value) {
  FSizeGrip = Value;
  Invalidate();
}

bool TStatusBar::GripShown() {
  if (!FSizeGrip || !HandleAllocated()) return false;
  HWND root = GetAncestor(Handle(), GA_ROOT);
  LONG_PTR style = GetWindowLongPtr(root, GWL_STYLE);
  return (style & WS_THICKFRAME) && !(style & WS_MAXIMIZE);
}

void TStatusBar::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  auto cell = [&](RECT c, const std::string& text, TAlignment a) {
    DrawEdge(dc, &c, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&c, -3, -1);
    UINT f = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (a == taCenter ? UINT(DT_CENTER) : a == taRightJustify ? UINT(DT_RIGHT) : 0u);
    DrawText(dc, text.c_str(), -1, &c, f);
  };
  if (FSimplePanel || PanelCount() == 0) {
    cell(RECT{0, 2, r.right, r.bottom}, FSimpleText, taLeftJustify);
  } else {
    int x = 0;
    for (int i = 0; i < PanelCount(); ++i) {
      const TStatusPanel& p = Panels(i);
      int w = i + 1 == PanelCount() ? std::max(0, static_cast<int>(r.right) - x) : p.Width;
      cell(RECT{x, 2, x + w - 2, r.bottom}, p.Text, p.Alignment);
      x += w;
    }
  }
  SelectObject(dc, old);
  if (GripShown()) {
    // Three pairs of diagonal lines (highlight above shadow) in the corner square.
    const int size = GetSystemMetrics(SM_CXVSCROLL);
    RECT g{r.right - size, r.bottom - size, r.right, r.bottom};
    FillRect(dc, &g, GetSysColorBrush(COLOR_BTNFACE));
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ keep = SelectObject(dc, dark);
    for (int k = 0; k < 3; ++k)
      for (int j = 0; j < 3; ++j) {
        // Two shadow lines then a highlight line, each from the right edge down to the bottom.
        const int e = 4 * k + 2 + j;
        SelectObject(dc, j == 2 ? light : dark);
        MoveToEx(dc, r.right - 1, r.bottom - 1 - e, nullptr);
        LineTo(dc, r.right - 2 - e, r.bottom);
      }
    SelectObject(dc, keep);
    DeleteObject(light);
    DeleteObject(dark);
  }
}

// ---- TProgressBar ----
TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 16;
  SetColor(clBtnFace);
}

void TProgressBar::SetMin(int Value) {
  FMin = Value;
  if (FMax < FMin) FMax = FMin;
  SetPosition(FPosition);
}

void TProgressBar::SetMax(int Value) {
  FMax = Value;
  if (FMin > FMax) FMin = FMax;
  SetPosition(FPosition);
}

void TProgressBar::SetPosition(int Value) {
  FPosition = std::clamp(Value, FMin, FMax);
  Invalidate();
}

void TProgressBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case PBM_SETPOS: {
      int old = FPosition;
      SetPosition(static_cast<int>(M.WParam));
      M.Result = old;
      return;
    }
    case PBM_GETPOS: M.Result = FPosition; return;
    case PBM_SETRANGE:
      FMin = LOWORD(M.LParam);
      FMax = HIWORD(M.LParam);
      SetPosition(FPosition);
      return;
  }
  TWinControl::WndProc(M);
}

void TProgressBar::PaintWindow(HDC DC) {
  RECT r = ClientRect();
  RECT e = r;
  DrawEdge(DC, &e, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  int span = FMax - FMin;
  int w = span > 0 ? static_cast<int>(static_cast<int64_t>(e.right - e.left) * (FPosition - FMin) / span) : 0;
  RECT fill{e.left, e.top, e.left + w, e.bottom};
  FillRect(DC, &fill, GetSysColorBrush(COLOR_HIGHLIGHT));
}

// ---- TTabSheet ----
TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  SetVisible(false);
  SetAlign(alClient);
  SetColor(clBtnFace);
  ControlStyle() += csAcceptsControls;
}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (FPageControl == Value) return;
  if (FPageControl) FPageControl->RemovePage(this);
  SetParent(Value);
  if (Value) Value->InsertPage(this);
}

void TTabSheet::SetTabVisible(bool Value) {
  FTabVisible = Value;
  if (FPageControl) FPageControl->Invalidate();
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& v = FPageControl->FPages;
  return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

// ---- TPageControl ----
TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 289;
  FHeight = 193;
  FTabStop = true;
  SetColor(clBtnFace);
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : FPages) p->FPageControl = nullptr;
}

void TPageControl::InsertPage(TTabSheet* Page) {
  Page->FPageControl = this;
  FPages.push_back(Page);
  if (!FActivePage) SetActivePage(Page);
  Invalidate();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  int i = Page->PageIndex();
  FPages.erase(std::remove(FPages.begin(), FPages.end(), Page), FPages.end());
  Page->FPageControl = nullptr;
  if (FActivePage == Page) {
    FActivePage = nullptr;
    if (!FPages.empty()) SetActivePage(FPages[std::min(static_cast<size_t>(std::max(i, 0)), FPages.size() - 1)]);
  }
  Invalidate();
}

void TPageControl::ShowPage(TTabSheet* Page) {
  if (FActivePage && FActivePage != Page) {
    FActivePage->SetVisible(false);
    if (FActivePage->OnHide) FActivePage->OnHide(FActivePage);
  }
  FActivePage = Page;
  if (Page) {
    Page->BringToFront();
    Page->SetVisible(true);
    if (Page->OnShow) Page->OnShow(Page);
  }
  Realign();
  Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page && Page->FPageControl != this) return;
  if (Page == FActivePage) return;
  ShowPage(Page);
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::AlignControls(TControl* AControl, RECT& Rect) {
  Rect.top += TabHeight();
  InflateRect(&Rect, -4, -4);
  TCustomControl::AlignControls(AControl, Rect);
}

RECT TPageControl::TabRect(int PageIndex) {
  HDC dc = GetDC(nullptr);
  int x = 2;
  RECT out{0, 0, 0, 0};
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* p = FPages[static_cast<size_t>(i)];
    if (!p->TabVisible()) continue;
    int w = TextWidthOf(dc, Font(), p->Caption()) + 16;
    if (i == PageIndex) out = RECT{x, 2, x + w, TabHeight()};
    x += w;
  }
  ReleaseDC(nullptr, dc);
  return out;
}

int TPageControl::IndexOfTabAt(int X, int Y) {
  for (int i = 0; i < PageCount(); ++i) {
    if (!FPages[static_cast<size_t>(i)]->TabVisible()) continue;
    RECT r = TabRect(i);
    if (PtInRect(&r, POINT{X, Y})) return i;
  }
  return -1;
}

void TPageControl::SelectNextPage(bool GoForward) {
  int n = PageCount();
  if (n == 0) return;
  int cur = ActivePageIndex();
  for (int k = 1; k <= n; ++k) {
    int i = ((cur + (GoForward ? k : -k)) % n + n) % n;
    if (FPages[static_cast<size_t>(i)]->TabVisible()) {
      bool allow = true;
      if (OnChanging) OnChanging(this, allow);
      if (!allow) return;
      SetActivePageIndex(i);
      if (OnChange) OnChange(this);
      return;
    }
  }
}

void TPageControl::WndProc(TMessage& M) {
  if (M.Msg == WM_SETFOCUS || M.Msg == WM_KILLFOCUS) Invalidate();  // the focus rectangle
  if (M.Msg == WM_LBUTTONDOWN) {
    int i = IndexOfTabAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
    if (i >= 0 && i != ActivePageIndex()) {
      bool allow = true;
      if (OnChanging) OnChanging(this, allow);
      if (allow) {
        SetActivePageIndex(i);
        if (OnChange) OnChange(this);
      }
    }
  }
  if (M.Msg == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 && M.WParam == VK_TAB) {
    SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
    return;
  }
  TCustomControl::WndProc(M);
}

void TPageControl::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  RECT body{0, TabHeight(), r.right, r.bottom};
  DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  for (int i = 0; i < PageCount(); ++i) {
    if (!FPages[static_cast<size_t>(i)]->TabVisible()) continue;
    RECT t = TabRect(i);
    bool active = FPages[static_cast<size_t>(i)] == FActivePage;
    if (active) InflateRect(&t, 2, 2);
    t.bottom = TabHeight() + (active ? 1 : 0);
    FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &t, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    DrawText(dc, FPages[static_cast<size_t>(i)]->Caption().c_str(), -1, &t, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    if (active && Focused()) {
      // The focused page control marks its active tab.
      RECT f = t;
      InflateRect(&f, -3, -3);
      DrawFocusRect(dc, &f);
    }
  }
  SelectObject(dc, old);
}

// Window class "msctls_statusbar32", the name other code (the skinners) looks for.
void TStatusBar::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.WinClassName = "msctls_statusbar32";
}

// Window class "msctls_progress32", the name other code (the skinners) looks for.
void TProgressBar::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.WinClassName = "msctls_progress32";
}

// ---- Published properties ----

void TTabSheet::SetParentComponent(TComponent* Value) {
  if (auto* pages = dynamic_cast<TPageControl*>(Value)) SetPageControl(pages);
  else TWinControl::SetParentComponent(Value);
}

void TStatusPanel::Publish(TPublisher<TStatusPanel>& P) {
  P.Prop("Alignment", &TStatusPanel::Alignment).Default(taLeftJustify);
  P.Prop("Text", &TStatusPanel::Text);
  P.Prop("Width", &TStatusPanel::Width);
}

void TStatusPanel::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TStatusPanel*>(Source);
  if (!s) return TCollectionItem::Assign(Source);
  Text = s->Text;
  Width = s->Width;
  Alignment = s->Alignment;
  Changed(false);
}

void TStatusPanels::Update(TCollectionItem*) {
  if (auto* bar = dynamic_cast<TStatusBar*>(GetOwner())) bar->Invalidate();
}

void TStatusBar::Publish(TPublisher<TStatusBar>& P) {
  P.Redeclare("Align").Default(alBottom);
  P.Prop("Panels", +[](TStatusBar& B) { return B.FPanels.get(); });
  P.Prop("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
  P.Prop("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
  P.Prop("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip).Default(true);
}

void TProgressBar::Publish(TPublisher<TProgressBar>& P) {
  P.Prop("Min", &TProgressBar::Min, &TProgressBar::SetMin).Default(0);
  P.Prop("Max", &TProgressBar::Max, &TProgressBar::SetMax).Default(100);
  P.Prop("Position", &TProgressBar::Position, &TProgressBar::SetPosition).Default(0);
}

void TTabSheet::Publish(TPublisher<TTabSheet>& P) {
  P.Redeclare("Align").Default(alClient);
  // Only the active page is shown; the page control decides, so visibility is not streamed.
  P.Redeclare("Visible").Stored(false);
  P.Prop("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
  P.Event("OnHide", &TTabSheet::OnHide).Type("TNotifyEvent");
  P.Event("OnShow", &TTabSheet::OnShow).Type("TNotifyEvent");
}

void TPageControl::Publish(TPublisher<TPageControl>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
  P.Event("OnChange", &TPageControl::OnChange).Type("TNotifyEvent");
  P.Event("OnChanging", &TPageControl::OnChanging).Type("TTabChangingEvent");
}

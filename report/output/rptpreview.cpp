// The preview control, its page workspace and page list.
#include "report/output/rptpreview.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strutils.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptview.h"
#include "report/output/rptpagesetup.h"
#include "report/output/rptprintdlg.h"
#include "report/output/rptsearch.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptPreviewWorkspace, TrptScrollWin)
ORV_CLASS_IMPL(TrptPreview, TrptCustomPreview)

namespace {

// Rounds half to even, as the layout rules ask.
int RoundEven(Extended V) { return static_cast<int>(std::nearbyint(V)); }

constexpr TColor kGray = 0x00808080;
// Outline node data: the page (from 1) in the low 20 bits, half the top above them. Kept in
// 64 bits so tall pages never overflow.
constexpr int64_t kOutlinePageBits = int64_t{1} << 20;

}  // namespace

TrptSearchState& rptSearchState() {
  static TrptSearchState state;
  return state;
}

// ---- page list ----

void TrptPageList::Clear() {
  FItems.clear();
  MaxWidth = 0;
}

void TrptPageList::AddPage(int Width, int Height) {
  TrptPageItem item;
  item.Width = std::clamp(Width, 0, 65535);
  item.Height = std::clamp(Height, 0, 65535);
  if (FItems.empty()) {
    item.Column = 0;
    item.Top = 10;
  } else {
    const TrptPageItem& last = FItems.back();
    if (last.Column < ColumnCount - 1) {
      item.Column = last.Column + 1;
      item.Top = last.Top;
    } else {
      int tallest = 0;
      for (size_t i = FItems.size(); i-- > 0;) {
        tallest = std::max(tallest, FItems[i].Height);
        if (FItems[i].Column == 0) break;
      }
      item.Column = 0;
      item.Top = last.Top + tallest + 10;
    }
  }
  FItems.push_back(item);
  int rowWidth = 0;
  for (size_t i = FItems.size(); i-- > 0;) {
    rowWidth += FItems[i].Width + 10;
    if (FItems[i].Column == 0) break;
  }
  MaxWidth = std::max(MaxWidth, rowWidth);
}

RECT TrptPageList::GetPageBounds(int Index, int ClientWidth, Extended Scale) const {
  RECT r{};
  if (Index < 0 || Index >= Count()) {
    const int w = RoundEven(794 * Scale), h = RoundEven(1123 * Scale);
    r.top = RoundEven(10 * Scale);
    r.left = ClientWidth >= 794 * Scale ? RoundEven((ClientWidth - 794 * Scale) / 2) : 10;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
  }
  const TrptPageItem& item = FItems[static_cast<size_t>(Index)];
  int rowWidth = item.Width, before = 0;
  if (ColumnCount >= 2) {
    int first = Index;
    while (first > 0 && FItems[static_cast<size_t>(first)].Column > 0) --first;
    rowWidth = 0;
    for (int i = first; i < Count(); ++i) {
      if (i > first && FItems[static_cast<size_t>(i)].Column == 0) break;
      if (i > first) rowWidth += 10;
      rowWidth += FItems[static_cast<size_t>(i)].Width;
      if (i < Index) before += FItems[static_cast<size_t>(i)].Width + 10;
    }
  }
  const int start = ClientWidth >= rowWidth * Scale ? RoundEven((ClientWidth - rowWidth * Scale) / 2) : 10;
  r.left = start + RoundEven(before * Scale);
  r.top = RoundEven(item.Top * Scale);
  r.right = r.left + RoundEven(item.Width * Scale);
  r.bottom = r.top + RoundEven(item.Height * Scale);
  return r;
}

POINT TrptPageList::GetMaxBounds(Extended Scale) const {
  if (FItems.empty()) return POINT{0, 0};
  RECT last = GetPageBounds(Count() - 1, 0, Scale);
  // The bottom of the last row: its tallest page.
  int bottom = last.bottom;
  for (int i = Count() - 1; i >= 0; --i) {
    const TrptPageItem& it = FItems[static_cast<size_t>(i)];
    bottom = std::max(bottom, RoundEven(it.Top * Scale) + RoundEven(it.Height * Scale));
    if (it.Column == 0) break;
  }
  return POINT{RoundEven(MaxWidth * Scale), bottom};
}

int TrptPageList::FindPage(int Position, bool Exact, Extended Scale) const {
  int lo = 0, hi = Count() - 1, found = -1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const TrptPageItem& it = FItems[static_cast<size_t>(mid)];
    const int slack = Exact ? 0 : RoundEven(Scale * it.Height / 5);
    if (Position + slack >= it.Top * Scale) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return found;
}

// ---- workspace ----

TrptPreviewWorkspace::TrptPreviewWorkspace(TrptPreview* APreview) : TrptScrollWin(APreview), FPreview(APreview) {
  SetColor(kGray);
  LargeChange = 300;
  SmallChange = 8;
}

TrptPreviewWorkspace::~TrptPreviewWorkspace() = default;

void TrptPreviewWorkspace::ClearSearchCache() {
  FSearchMetafile.reset();
  FSearchMetafilePage = -1;
}

void TrptPreviewWorkspace::UpdateScrollBars() {
  POINT size = FPageList.GetMaxBounds(FPreview->Zoom());
  SetHPageSize(ClientWidth());
  SetVPageSize(ClientHeight());
  SetHRange(FPageList.Count() ? size.x + 10 : 0);
  SetVRange(FPageList.Count() ? size.y + 10 : 0);
  // Keep the positions within the new ranges.
  SetHPos(HorzPosition());
  SetVPos(VertPosition());
}

void TrptPreviewWorkspace::Resize() {
  TrptScrollWin::Resize();
  SetHPageSize(ClientWidth());
  SetVPageSize(ClientHeight());
}

void TrptPreviewWorkspace::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SETCURSOR && Message.LParam != 0 && LOWORD(static_cast<uint64_t>(Message.LParam)) == HTCLIENT) {
    ::SetCursor(CursorHandle(Cursor()));
    Message.Result = 1;
    return;
  }
  TrptScrollWin::WndProc(Message);
}

void TrptPreviewWorkspace::Paint() {
  TCanvas* c = Canvas();
  const RECT client = ClientRect();
  TrptCustomPreviewPages* pages = FPreview->PreviewPages;
  if (FPreview->Locked() || FPageList.Count() == 0 || !pages) {
    c->Brush()->SetColor(kGray);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(client);
    return;
  }
  const Extended zoom = FPreview->Zoom();
  const int first = FPageList.FindPage(OffsetY, false, zoom);
  std::vector<std::pair<int, RECT>> visible;
  for (int i = first - 20; i <= first + 20; ++i) {
    if (i < 0) continue;
    if (i >= FPageList.Count()) break;
    RECT r = FPageList.GetPageBounds(i, client.right, zoom);
    OffsetRect(&r, -OffsetX, -OffsetY);
    r.bottom += 1;
    if (r.top > client.bottom || r.bottom < 0 || r.right < 0 || r.left > client.right) continue;
    visible.emplace_back(i, r);
  }
  HDC dc = c->Handle();
  const int saved = SaveDC(dc);
  for (auto& [i, r] : visible) ExcludeClipRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
  c->Brush()->SetColor(kGray);
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(client);
  RestoreDC(dc, saved);
  TrptSearchState& search = rptSearchState();
  for (auto& [i, r0] : visible) {
    RECT r = r0;
    r.bottom -= 1;
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetMode(pmCopy);
    c->Brush()->SetColor(clWhite);
    c->Brush()->SetStyle(bsSolid);
    c->Rectangle(r);
    c->Polyline({POINT{r.left + 1, r.bottom}, POINT{r.right, r.bottom}, POINT{r.right, r.top + 1}});
    pages->DrawPage(i, c, zoom, zoom, r.left, r.top);
    if (search.Found && i == SearchPage) {
      c->Pen()->SetColor(clWhite);
      c->Pen()->SetMode(pmXor);
      const int top = RoundEven(search.Bounds.top * zoom), bottom = RoundEven(search.Bounds.bottom * zoom);
      const int left = RoundEven(search.Bounds.left * zoom), right = RoundEven(search.Bounds.right * zoom);
      for (int y = top; y <= bottom; ++y) {
        c->MoveTo(r.left + left - 1, r.top + y);
        c->LineTo(r.left + right + 1, r.top + y);
      }
      c->Pen()->SetMode(pmCopy);
    }
  }
}

void TrptPreviewWorkspace::HorzScrolled() {
  const int pos = HorzPosition();
  if (HandleAllocated()) ScrollWindowEx(Handle(), OffsetX - pos, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  OffsetX = pos;
}

void TrptPreviewWorkspace::VertScrolled() {
  const int pos = VertPosition();
  if (HandleAllocated()) ScrollWindowEx(Handle(), 0, OffsetY - pos, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  OffsetY = pos;
  if (FDisableScroll) return;
  FDisableScroll = true;
  FPreview->SetPageNoEx(FPageList.FindPage(OffsetY, false, FPreview->Zoom()) + 1, false, true);
  FDisableScroll = false;
}

namespace {

struct TSearchEnum {
  std::string Text;
  bool CaseSensitive;
  TrptSearchState* State;
};

int SearchRecord(HDC, HANDLETABLE*, const ENHMETARECORD* Rec, int, LPARAM Data) {
  auto* e = reinterpret_cast<TSearchEnum*>(Data);
  TrptSearchState& s = *e->State;
  if (Rec->iType == EMR_EXTTEXTOUTA || Rec->iType == EMR_EXTTEXTOUTW) {
    std::string text = GetEnhMetaRecordText(Rec);
    if (!e->CaseSensitive) text = AnsiUpperCase(text);
    if (text.find(e->Text) != std::string::npos && s.RecordNo > s.LastFoundRecord) {
      const auto* r = reinterpret_cast<const EMREXTTEXTOUTW*>(Rec);
      s.Found = true;
      s.Bounds = r->rclBounds;
      s.LastFoundRecord = s.RecordNo;
      ++s.RecordNo;
      return 0;
    }
  }
  ++s.RecordNo;
  return 1;
}

}  // namespace

bool TrptPreviewWorkspace::FindText() {
  TrptSearchState& s = rptSearchState();
  s.Found = false;
  TrptCustomPreviewPages* pages = FPreview->PreviewPages;
  if (!pages || s.Text.empty()) return false;
  TSearchEnum e{s.CaseSensitive ? s.Text : AnsiUpperCase(s.Text), s.CaseSensitive, &s};
  const int count = pages->PageCount();
  while (SearchPage >= 0 && SearchPage < count) {
    if (FSearchMetafilePage != SearchPage || !FSearchMetafile) {
      FSearchMetafile = std::make_unique<TMetafile>();
      int w = 0, h = 0;
      pages->PageSizeAt(SearchPage, w, h);
      FSearchMetafile->SetWidth(std::max(w, 1));
      FSearchMetafile->SetHeight(std::max(h, 1));
      HDC screen = GetDC(nullptr);
      {
        TMetafileCanvas canvas(FSearchMetafile.get(), screen);
        pages->DrawPage(SearchPage, &canvas, 1.0, 1.0, 0, 0);
      }
      ReleaseDC(nullptr, screen);
      FSearchMetafilePage = SearchPage;
    }
    s.RecordNo = 0;
    EnumEnhMetaFile(nullptr, FSearchMetafile->Handle(), SearchRecord, &e, nullptr);
    if (s.Found) break;
    s.LastFoundRecord = -1;
    ++SearchPage;
  }
  if (!s.Found) {
    // Nothing further: stay on the last page searched so that "again" finds nothing more.
    SearchPage = std::max(0, std::min(SearchPage, count - 1));
    return false;
  }
  const Extended zoom = FPreview->Zoom();
  RECT r = FPageList.GetPageBounds(SearchPage, ClientWidth(), zoom);
  const int mTop = RoundEven(s.Bounds.top * zoom), mBottom = RoundEven(s.Bounds.bottom * zoom);
  const int mLeft = RoundEven(s.Bounds.left * zoom), mRight = RoundEven(s.Bounds.right * zoom);
  if (r.top + mTop < OffsetY || r.top + mBottom > OffsetY + ClientHeight())
    SetVPos(r.top + mBottom - ClientHeight() + 20);
  if (r.left + mLeft < OffsetX || r.left + mRight > OffsetX + ClientWidth())
    SetHPos(r.left + mRight - ClientWidth() + 20);
  Invalidate();
  return true;
}

void TrptPreviewWorkspace::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TrptScrollWin::MouseDown(Button, Shift, X, Y);
  if (FPageList.Count() == 0 || FPreview->Locked()) return;
  if (Button == mbLeft) {
    FDragging = true;
    FLastX = X;
    FLastY = Y;
  }
}

void TrptPreviewWorkspace::MouseMove(TShiftState Shift, int X, int Y) {
  TrptScrollWin::MouseMove(Shift, X, Y);
  if (FPageList.Count() == 0 || FPreview->Locked() || !FPreview->PreviewPages) return;
  if (FDragging) {
    if (FPreview->Tool() == ptHand) {
      SetHPos(HorzPosition() + (FLastX - X));
      SetVPos(VertPosition() + (FLastY - Y));
      FLastX = X;
      FLastY = Y;
    }
    return;
  }
  const int page = FPageList.FindPage(Y + OffsetY, true, FPreview->Zoom());
  if (page < 0) return;
  RECT r = FPageList.GetPageBounds(page, ClientWidth(), FPreview->Zoom());
  int cursor = DefaultCursor;
  FPreview->PreviewPages->ProcessMouse(page, X, Y, 0, 0, FPreview->Zoom(), r.left - OffsetX, r.top - OffsetY, false,
                                       cursor);
  SetCursor(static_cast<TCursor>(cursor));
}

void TrptPreviewWorkspace::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TrptScrollWin::MouseUp(Button, Shift, X, Y);
  if (FPreview->OnClick) FPreview->OnClick(FPreview);
  if (FPageList.Count() == 0 || FPreview->Locked() || !FPreview->PreviewPages) return;
  FDragging = false;
  if (FPreview->Tool() == ptZoom) {
    if (Button == mbLeft) FPreview->SetZoom(FPreview->Zoom() + 0.25);
    if (Button == mbRight) FPreview->SetZoom(FPreview->Zoom() - 0.25);
    return;
  }
  const int page = FPageList.FindPage(Y + OffsetY, true, FPreview->Zoom());
  if (page < 0) return;
  RECT r = FPageList.GetPageBounds(page, ClientWidth(), FPreview->Zoom());
  int cursor = DefaultCursor;
  const int button = Button == mbLeft ? 1 : Button == mbRight ? 2 : 3;
  int shift = 0;
  if (Shift.Contains(ssShift)) shift |= 1;
  if (Shift.Contains(ssCtrl)) shift |= 2;
  if (Shift.Contains(ssAlt)) shift |= 4;
  FPreview->PreviewPages->ProcessMouse(page, X, Y, button, shift, FPreview->Zoom(), r.left - OffsetX, r.top - OffsetY,
                                       true, cursor);
  SetCursor(static_cast<TCursor>(cursor));
}

// ---- preview ----

TrptPreview::TrptPreview(TComponent* AOwner) : TrptCustomPreview(AOwner) {
  rptInstallPreviewTexts();
  SetBounds(0, 0, 100, 100);
  FOutline = new TTreeView(this);
  FOutline->SetParent(this);
  FOutline->SetAlign(alLeft);
  FOutline->SetWidth(120);
  FOutline->SetReadOnly(true);
  FOutline->SetHideSelection(false);
  FOutline->OnClick = [this](TObject* S) { OutlineClick(S); };
  FSplitter = new TSplitter(this);
  FSplitter->SetParent(this);
  FSplitter->SetAlign(alLeft);
  FSplitter->SetLeft(FOutline->Width() + 1);
  FSplitter->SetWidth(2);
  FSplitter->SetMinSize(1);
  FWorkspace = new TrptPreviewWorkspace(this);
  FWorkspace->SetParent(this);
  FWorkspace->SetAlign(alClient);
  FMessagePanel = new TPanel(this);
  FMessagePanel->SetVisible(false);
  FMessagePanel->SetParent(this);
  FMessagePanel->SetBounds(0, 0, 260, 75);
  FMessageLabel = new TLabel(FMessagePanel);
  FMessageLabel->SetParent(FMessagePanel);
  FMessageLabel->SetAutoSize(false);
  FMessageLabel->SetAlignment(taCenter);
  FMessageLabel->SetBounds(4, 20, 255, 20);
  FCancelB = new TButton(FMessagePanel);
  FCancelB->SetParent(FMessagePanel);
  FCancelB->SetBounds(92, 44, 75, 25);
  FCancelB->SetCaption(rptGet("clCancel"));
  FCancelB->SetVisible(false);
  FCancelB->OnClick = [this](TObject*) { Cancel(); };
  SetOutlineVisible(false);
}

TrptPreview::~TrptPreview() {
  if (Report && Report->Preview() == this) Report->SetPreview(nullptr);
}

void TrptPreview::Notification(TComponent* AComponent, TOperation Operation) {
  TrptCustomPreview::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == Report) {
    Clear();
    Report = nullptr;
    PreviewPages = nullptr;
  }
}

void TrptPreview::WndProc(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    return;
  }
  TrptCustomPreview::WndProc(Message);
}

bool TrptPreview::OutlineVisible() const { return FOutline->Visible(); }

void TrptPreview::SetOutlineVisible(bool Value) {
  FOutline->SetVisible(Value);
  FSplitter->SetVisible(Value);
  if (Value) FSplitter->SetLeft(FOutline->Left() + FOutline->Width() + 1);
}

int TrptPreview::GetPageCount() { return PreviewPages ? PreviewPages->PageCount() : 0; }

void TrptPreview::SetPageNo(int Value) { SetPageNoEx(Value, true, true); }

void TrptPreview::SetPageNoEx(int Value, bool Scroll, bool Fire) {
  Value = std::max(Value, 1);
  Value = std::min(Value, GetPageCount());
  FPageNo = Value;
  if (Scroll && !FWorkspace->FDisableScroll && Value > 0) {
    FWorkspace->FDisableScroll = true;
    RECT r = FWorkspace->FPageList.GetPageBounds(Value - 1, FWorkspace->ClientWidth(), FZoom);
    FWorkspace->SetVPos(r.top - 10);
    FWorkspace->FDisableScroll = false;
  }
  if (Fire) DoPageChanged();
}

void TrptPreview::DoPageChanged() {
  if (OnPageChanged) OnPageChanged(this, FPageNo);
}

void TrptPreview::First() { SetPageNo(1); }
void TrptPreview::Next() { SetPageNo(FPageNo + 1); }
void TrptPreview::Prior() { SetPageNo(FPageNo - 1); }
void TrptPreview::Last() { SetPageNo(GetPageCount()); }

void TrptPreview::SetZoom(Extended Value) {
  FZoom = Value < 0.25 ? 0.25 : Value;
  if (FZoomMode == zmManyPages) {
    FZoomMode = zmDefault;
    UpdatePageList();
  }
  FZoomMode = zmDefault;
  UpdatePages();
}

void TrptPreview::SetZoomMode(TrptZoomMode Value) {
  FZoomMode = Value;
  UpdatePageList();
  UpdatePages();
}

void TrptPreview::SetTool(int Value) {
  FTool = Value;
  FWorkspace->DefaultCursor = static_cast<TCursor>(Value == ptHand ? 50 : Value == ptZoom ? 51 : crDefault);
  FWorkspace->SetCursor(FWorkspace->DefaultCursor);
}

void TrptPreview::UpdatePageList() {
  FFindAgainAllowed = false;
  FWorkspace->ClearSearchCache();
  TrptPageList& list = FWorkspace->FPageList;
  list.Clear();
  if (!PreviewPages) return;
  list.ColumnCount = FZoomMode == zmManyPages ? 2 : 1;
  const int count = PreviewPages->PageCount();
  for (int i = 0; i < count; ++i) {
    int w = 0, h = 0;
    PreviewPages->PageSizeAt(i, w, h);
    list.AddPage(w, h);
  }
}

void TrptPreview::UpdatePages() {
  if (FLocked || GetPageCount() == 0) return;
  int w = 0, h = 0;
  PreviewPages->PageSizeAt(std::max(FPageNo, 1) - 1, w, h);
  if (w > 0 && h > 0) {
    switch (FZoomMode) {
      case zmWholePage: FZoom = (FWorkspace->ClientHeight() - 20) / static_cast<Extended>(h); break;
      case zmPageWidth: FZoom = (FWorkspace->Width() - 52) / static_cast<Extended>(w); break;
      case zmManyPages: FZoom = (FWorkspace->ClientWidth() - 32) / (2.0 * w); break;
      default: break;
    }
  }
  FWorkspace->UpdateScrollBars();
  FWorkspace->Invalidate();
  if (OnZoomChange) OnZoomChange(this);
}

void TrptPreview::UpdateOutline() {
  TTreeNodes* items = FOutline->Items();
  items->BeginUpdate();
  items->Clear();
  TrptCustomOutline* outline = PreviewPages ? PreviewPages->Outline() : nullptr;
  if (outline) {
    outline->LevelRoot();
    std::function<void(TTreeNode*)> add = [&](TTreeNode* Parent) {
      const int n = outline->ItemCount();
      for (int i = 0; i < n; ++i) {
        std::string text;
        int page = 0, top = 0;
        outline->ReadItem(i, text, page, top);
        const int64_t data = int64_t{page} + 1 + int64_t{top / 2} * kOutlinePageBits;
        TTreeNode* node = items->AddChildObject(Parent, text, reinterpret_cast<void*>(static_cast<intptr_t>(data)));
        outline->EnterItem(i);
        add(node);
        outline->LevelUp();
      }
    };
    add(nullptr);
  }
  items->EndUpdate();
  if (Report && Report->PreviewOptions()->OutlineExpand) FOutline->FullExpand();
  if (items->Count() > 0) FOutline->SetTopItem(items->GetFirstNode());
}

void TrptPreview::OutlineClick(TObject*) {
  TTreeNode* node = FOutline->Selected();
  if (!node) return;
  const int64_t data = static_cast<int64_t>(reinterpret_cast<intptr_t>(node->Data()));
  ScrollToPosition(static_cast<int>(data % kOutlinePageBits), static_cast<int>((data / kOutlinePageBits) * 2));
  if (CanFocus()) SetFocus();
}

void TrptPreview::ScrollToPosition(int PageN, int Top) {
  const int count = GetPageCount();
  PageN = std::min(PageN, count);
  const int index = PageN <= 0 ? 0 : PageN - 1;
  int offset = 0;
  if (Top != 0 && PreviewPages) {
    Extended margin = 0;
    if (auto* page = dynamic_cast<TrptReportPage*>(PreviewPages->PageAt(index))) margin = page->TopMargin;
    offset = RoundEven((Top + margin * 3.77953) * FZoom);
  }
  RECT r = FWorkspace->FPageList.GetPageBounds(index, FWorkspace->ClientWidth(), FZoom);
  FWorkspace->SetVPos(r.top + offset - 10);
}

void TrptPreview::Reinitialize() {
  TrptSearchState& s = rptSearchState();
  s.Found = false;
  s.LastFoundRecord = -1;
  FWorkspace->SearchPage = 0;
  FFindAgainAllowed = false;
  if (Report) FWorkspace->SetDoubleBuffered(Report->PreviewOptions()->DoubleBuffered);
  UpdatePageList();
  UpdatePages();
  UpdateOutline();
  First();
}

void TrptPreview::BeginUpdate() { FLocked = true; }

void TrptPreview::EndUpdate() {
  HideMessagePanel();
  FLocked = false;
  SetPageNoEx(1, false, false);
  UpdatePages();
  FWorkspace->Invalidate();
}

void TrptPreview::BeginProgress(TrptReport*, int, int) {
  Clear();
  FRunning = true;
  if (OnButtonsChange) OnButtonsChange(this);
}

void TrptPreview::UpdateProgress(TrptReport*, int, int Progress) {
  if (!PreviewPages) return;
  if (PreviewPages->Engine && PreviewPages->Engine->FinalPass) {
    int w = 0, h = 0;
    PreviewPages->PageSizeAt(Progress, w, h);
    FWorkspace->FPageList.AddPage(w, h);
  }
  if (Progress == 0) {
    FOutline->Items()->Clear();
    SetPageNo(1);
    UpdatePages();
    FRefreshStep = static_cast<int>(GetTickCount());
  } else if (Progress == 1) {
    const int elapsed = static_cast<int>(GetTickCount()) - FRefreshStep;
    FRefreshStep = elapsed < 5 ? 50 : elapsed < 10 ? 20 : 5;
    SetPageNo(1);
    UpdatePages();
  } else if (FRefreshStep > 0 && Progress % FRefreshStep == 0) {
    DoPageChanged();
    FWorkspace->UpdateScrollBars();
  }
  if (Application()) Application()->ProcessMessages();
}

void TrptPreview::EndProgress(TrptReport*, int, int) {
  FRunning = false;
  DoPageChanged();
  FWorkspace->UpdateScrollBars();
  UpdatePages();
  UpdateOutline();
  if (OnButtonsChange) OnButtonsChange(this);
}

void TrptPreview::ShowMessagePanel(const std::string& Text) {
  FMessagePanel->SetBounds((Width() - 260) / 2, (Height() - 75) / 3, 260, 75);
  FMessageLabel->SetCaption(Text);
  FMessagePanel->Show();
  FMessagePanel->BringToFront();
  FMessagePanel->Update();
}

void TrptPreview::HideMessagePanel() {
  FMessagePanel->Hide();
  FCancelB->Hide();
}

void TrptPreview::Print() {
  if (FRunning || !PreviewPages) return;
  PreviewPages->ShownPage = FPageNo - 1;
  try {
    if (Report)
      rptPrintPreparedPages(PreviewPages, Report, FPageNo - 1, Report->PrintOptions()->ShowDialog);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TrptPreview::Export(TrptCustomExportFilter* Filter) {
  if (FRunning || !PreviewPages) return;
  PreviewPages->ShownPage = FPageNo - 1;
  // An export's progress windows disable the form that was active when they opened, which need
  // not be the one they re-enable (activation moves while dialogs come and go); the form holding
  // this preview takes input again afterwards, whichever window hosts the preview.
  auto enableHost = [this] {
    if (TCustomForm* f = GetParentForm()) f->SetEnabled(true);
  };
  try {
    PreviewPages->Export(Filter);
  } catch (...) {
    EndUpdate();
    enableHost();
    throw;
  }
  EndUpdate();
  enableHost();
}

void TrptPreview::EditPageSettings() {
  if (FRunning || !PreviewPages || GetPageCount() == 0) return;
  auto* page = dynamic_cast<TrptReportPage*>(PreviewPages->PageAt(FPageNo - 1));
  if (!page) return;
  std::unique_ptr<TrptPageSettingsForm> dlg(new TrptPageSettingsForm(nullptr));
  dlg->Page = page;
  dlg->Report = Report;
  if (dlg->ShowModal() != mrOk) return;
  if (dlg->ApplyToAll()) {
    for (int i = 0; Report && i < Report->PageCount(); ++i) {
      auto* rp = dynamic_cast<TrptReportPage*>(Report->PageAt(i));
      if (!rp) continue;
      rp->SetOrientation(page->Orientation());
      rp->SetPaperWidth(page->PaperWidth());
      rp->SetPaperHeight(page->PaperHeight());
      rp->SetPaperSize(page->PaperSize());
      rp->LeftMargin = page->LeftMargin;
      rp->RightMargin = page->RightMargin;
      rp->TopMargin = page->TopMargin;
      rp->BottomMargin = page->BottomMargin;
    }
    if (Report) Report->PrepareReport(true);
  } else {
    BeginUpdate();
    try {
      PreviewPages->ReplacePage(FPageNo - 1, page);
      UpdatePageList();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
}

void TrptPreview::ScrollByWheel(int Delta, bool Horizontal, bool ZoomKey) {
  if (Delta == 0) return;
  const int sign = Delta > 0 ? 1 : -1;
  if (ZoomKey) {
    SetZoom(std::max(0.3, FZoom + sign / 10.0));
    return;
  }
  if (Horizontal)
    FWorkspace->SetHPos(FWorkspace->HorzPosition() - sign * 20);
  else
    FWorkspace->SetVPos(FWorkspace->VertPosition() - sign * 20);
}

void TrptPreview::Clear() {
  if (FRunning) return;
  BeginUpdate();
  try {
    if (PreviewPages) PreviewPages->Clear();
    UpdatePageList();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  UpdateOutline();
  SetPageNo(0);
  FWorkspace->SetHRange(0);
  FWorkspace->SetVRange(0);
}

void TrptPreview::Save() {
  if (FRunning || !PreviewPages) return;
  TSaveDialog dlg(Application());
  dlg.SetFilter(rptGet("clFP3files") + " (*.pp3)|*.pp3");
  if (!dlg.Execute()) return;
  FWorkspace->Repaint();
  SaveToFile(ChangeFileExt(dlg.FileName(), ".pp3"));
}

void TrptPreview::SaveToFile(const std::string& Name) {
  if (FRunning || !PreviewPages) return;
  BeginUpdate();
  ShowMessagePanel(rptGet("clSaving"));
  try {
    PreviewPages->SaveToFile(Name);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TrptPreview::Load() {
  if (FRunning || !PreviewPages) return;
  TOpenDialog dlg(Application());
  dlg.Options().Include(ofHideReadOnly);
  dlg.SetFilter(rptGet("clFP3files") + " (*.pp3)|*.pp3");
  if (!dlg.Execute()) return;
  FWorkspace->Repaint();
  LoadFromFile(dlg.FileName());
}

void TrptPreview::LoadFromFile(const std::string& Name) {
  if (FRunning || !PreviewPages) return;
  BeginUpdate();
  ShowMessagePanel(rptGet("clLoading"));
  // A missing or damaged file leaves the pages as they are; the view is laid out again anyway.
  try {
    PreviewPages->LoadFromFile(Name);
    if (Report) SetOutlineVisible(Report->PreviewOptions()->OutlineVisible);
  } catch (...) {
    UpdateOutline();
    UpdatePageList();
    EndUpdate();
    SetPageNo(1);
    throw;
  }
  UpdateOutline();
  UpdatePageList();
  EndUpdate();
  SetPageNo(1);
}

bool TrptPreview::FindText(const std::string& Text, bool CaseSensitive, bool FromTop) {
  TrptSearchState& s = rptSearchState();
  s.Text = Text;
  s.CaseSensitive = CaseSensitive;
  FWorkspace->SearchPage = FromTop ? 0 : std::max(FPageNo - 1, 0);
  s.LastFoundRecord = -1;
  const bool found = FWorkspace->FindText();
  FFindAgainAllowed = true;
  return found;
}

void TrptPreview::Find() {
  if (FRunning || !PreviewPages) return;
  std::unique_ptr<TrptSearchDialog> dlg(new TrptSearchDialog(nullptr));
  if (dlg->ShowModal() != mrOk) return;
  FindText(dlg->TextE->Text(), dlg->CaseCB->Checked(), dlg->TopCB->Checked());
}

void TrptPreview::FindNext() {
  if (FFindAgainAllowed) FWorkspace->FindText();
}

void TrptPreview::AddPage() {
  if (FRunning || !PreviewPages) return;
  PreviewPages->InsertBlankPage(FPageNo - 1);
  UpdatePageList();
  UpdatePages();
  SetPageNo(FPageNo);
}

void TrptPreview::DeletePage() {
  if (FRunning || !PreviewPages || GetPageCount() == 0) return;
  PreviewPages->DeletePage(FPageNo - 1);
  if (FPageNo >= GetPageCount()) SetPageNo(FPageNo - 1);
  UpdatePageList();
  DoPageChanged();
  UpdatePages();
}

void TrptPreview::EditPage() {
  if (FRunning || !PreviewPages || !Report || GetPageCount() == 0) return;
  // The prepared page as a free-standing copy in a temporary report; the designer edits it.
  TrptPage* prepared = PreviewPages->PageAt(FPageNo - 1);
  if (!prepared) return;
  TrptReport temp(nullptr);
  auto* page = new TrptReportPage(&temp);
  page->SetParent(&temp);
  page->AssignWithChildren(prepared);
  std::vector<TrptComponent*> all = page->GetAllObjects();
  for (TrptComponent* obj : all) {
    auto* v = dynamic_cast<TrptView*>(obj);
    if (v) {
      v->DataField.clear();
      v->SetDataSet(nullptr);
    }
    if (obj->Parent() != page) {
      const Extended l = obj->GetAbsLeft(), t = obj->GetAbsTop();
      obj->SetParentFont(false);
      obj->SetParent(page);
      obj->SetLeft(l);
      obj->SetTop(t);
      if (v && (v->Align == baBottom || v->Align == baClient)) v->Align = baNone;
    }
  }
  for (TrptComponent* obj : std::vector<TrptComponent*>(page->Objects))
    if (dynamic_cast<TrptBand*>(obj)) delete obj;
  if (temp.DesignPreparedPage()) {
    BeginUpdate();
    try {
      PreviewPages->ReplacePage(FPageNo - 1, temp.PageAt(0));
      UpdatePageList();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
}

void TrptPreview::EditTemplate() {
  if (FRunning || !Report) return;
  Report->DesignReport();
}

void TrptPreview::Cancel() {
  if (Report) Report->SetTerminated(true);
}

void TrptPreview::CancelIfRunning() {
  if (FRunning) Cancel();
}

void TrptPreview::KeyDown(WORD& Key, TShiftState Shift) {
  TrptCustomPreview::KeyDown(Key, Shift);
  const bool ctrl = Shift.Contains(ssCtrl);
  TrptScrollWin* w = FWorkspace;
  switch (Key) {
    case VK_PRIOR:
      if (ctrl) SetPageNo(FPageNo - 1);
      else w->SetVPos(w->VertPosition() - 300);
      break;
    case VK_NEXT:
      if (ctrl) SetPageNo(FPageNo + 1);
      else w->SetVPos(w->VertPosition() + 300);
      break;
    case VK_END: Last(); break;
    case VK_HOME: First(); break;
    case VK_LEFT: w->SetHPos(w->HorzPosition() - 8); break;
    case VK_RIGHT: w->SetHPos(w->HorzPosition() + 8); break;
    case VK_UP: w->SetVPos(w->VertPosition() - 8); break;
    case VK_DOWN: w->SetVPos(w->VertPosition() + 8); break;
    default: break;
  }
  const TrptPreviewButtons buttons = Report ? Report->PreviewOptions()->Buttons : TrptPreviewButtons();
  if (Key == VK_F3 && buttons.Contains(pbFind)) FindNext();
  if (ctrl && Key == 'P' && buttons.Contains(pbPrint)) Print();
  if (ctrl && Key == 'S' && buttons.Contains(pbSave)) Save();
  if (ctrl && Key == 'F' && buttons.Contains(pbFind)) Find();
}

// The spreadsheet automation export.
#include "report/output/rptexportxls.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/rtl/automation.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/clipbrd.h"
#include "platform/vcl/forms.h"
#include "platform/win/spreadsheet.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "platform/vcl/stdctrls.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"
#include "report/output/rptprogress.h"

ORV_CLASS_IMPL(TrptXLSExport, TrptCustomExportFilter)

namespace {

template <class F> void Guard(F&& Fn) {
  try {
    Fn();
  } catch (...) {
  }
}

Variant Get(const Variant& O, const std::string& Name, const std::vector<Variant>& Args = {}) {
  return DispInvoke(O, Name, DISPATCH_METHOD, Args);
}
void Put(const Variant& O, const std::string& Name, std::vector<Variant> Args) {
  DispInvoke(O, Name, DISPATCH_PROPERTYPUT, Args);
}

}  // namespace

void TrptExcel::Open() {
  try {
    RegisterSpreadsheetAutomation();
    Excel = CreateOleObject("Excel.Application");
    Guard([&] { Put(Get(Excel, "Application"), "ScreenUpdating", {Variant(false)}); });
    Guard([&] { Put(Get(Excel, "Application"), "DisplayAlerts", {Variant(false)}); });
    Workbook = Get(Get(Excel, "WorkBooks"), "Add");
    Worksheet = Get(Get(Workbook, "WorkSheets"), "Item", {Variant(1)});
    IsOpened = true;
  } catch (...) {
    IsOpened = false;
  }
}

void TrptExcel::SetVisible(bool Value) {
  if (IsOpened) Put(Excel, "Visible", {Variant(Value)});
}

std::string TrptExcel::ColumnName(int N) {
  auto letter = [](int I) { return std::string(1, static_cast<char>('A' + I - 1)); };
  if (N <= 26) return letter(N);
  const int first = N % 26 == 0 ? N / 26 - 1 : N / 26;
  return letter(first) + (N % 26 == 0 ? std::string("Z") : letter(N % 26));
}

std::string TrptExcel::CellAddress(int Column, int Row) { return ColumnName(Column) + IntToStr(Row); }

void TrptExcel::SetColumnWidth(int Column, double Width) {
  if (Width > 0 && Width < 256 && Column < 256)
    Guard([&] { Put(Get(Worksheet, "Range", {Variant(CellAddress(Column, 1))}), "ColumnWidth", {Variant(Width)}); });
}

void TrptExcel::SetRowHeight(int Row, double Height) {
  if (Height > 0)
    Guard([&] { Put(Get(Worksheet, "Rows", {Variant(Row)}), "RowHeight", {Variant(std::min(Height, 409.0))}); });
}

void TrptExcel::MergeRange() { Put(Range, "MergeCells", {Variant(true)}); }

void TrptExcel::SetPageSetup(TPrinterOrientation Orientation, double Bottom, double Top, double Right, double Left) {
  Guard([&] {
    Variant setup = Get(Get(Excel, "ActiveSheet"), "PageSetup");
    Put(setup, "LeftMargin", {Variant(Left)});
    Put(setup, "RightMargin", {Variant(Right)});
    Put(setup, "TopMargin", {Variant(Top)});
    Put(setup, "BottomMargin", {Variant(Bottom)});
    Put(Get(Worksheet, "PageSetup"), "Orientation", {Variant(Orientation == poLandscape ? 2 : 1)});
  });
}

void TrptExcel::SetRange(int Column, int Row, int Rows, int Columns) {
  if (Column + Columns >= 256) {
    Column = std::min(Column, 255);
    Columns = 255 - Column;
  }
  if (Rows > 0 && Columns > 0)
    Guard([&] {
      Range = Get(Worksheet, "Range",
                  {Variant(CellAddress(Column, Row)), Variant(CellAddress(Column + Columns - 1, Row + Rows - 1))});
    });
}

void TrptExcel::SetStyle(const std::string& Address, int StyleIndex) {
  if (!Address.empty())
    Guard([&] { Put(Get(Worksheet, "Range", {Variant(Address)}), "Style", {Variant("S" + IntToStr(StyleIndex))}); });
}

namespace {
// The border items of the sides, in the order they are set.
void XlsSetBorders(const Variant& Borders, TrptFrameTypes Sides) {
  const struct {
    TrptFrameType Side;
    int Item;
  } items[] = {{ftLeft, 7}, {ftRight, 10}, {ftTop, 8}, {ftBottom, 9}};
  for (const auto& i : items)
    if (Sides.Contains(i.Side)) Put(Get(Borders, "Item", {Variant(i.Item)}), "LineStyle", {Variant(1)});
}
}  // namespace

void TrptExcel::SetFrame(const std::string& Address, TrptFrameTypes Sides) {
  if (Sides.Empty() || Address.empty()) return;
  Guard([&] { XlsSetBorders(Get(Get(Get(Worksheet, "Range", {Variant(Address)}), "Cells"), "Borders"), Sides); });
}

void TrptExcel::SetRangeFrame(TrptFrameTypes Sides) {
  if (Sides.Empty()) return;
  XlsSetBorders(Get(Get(Range, "Cells"), "Borders"), Sides);
}

void TrptExcel::ApplyRanges(const std::vector<TrptExcelAddress>& List, int Kind, TrptProgress* Progress) {
  if (List.empty() || (Progress && Progress->Terminated())) return;
  if (Progress) Progress->Open(static_cast<int>(List.size()), rptGet("ProgressStyles") + " - " + IntToStr(Kind + 1), true, true);
  auto apply = [&](const std::string& Text, int Value) {
    if (Kind == 0) SetStyle(Text, Value);
    else if (Kind == 1) SetFrame(Text, rptFrameFromBits(Value));
    else Guard([&] { Put(Get(Worksheet, "Range", {Variant(Text)}), "MergeCells", {Variant(true)}); });
  };
  std::string text = List[0].Address;
  int value = List[0].Value;
  for (size_t i = 1; i < List.size(); ++i) {
    if (Progress) {
      Progress->Tick();
      if (Progress->Terminated()) return;
    }
    const TrptExcelAddress& a = List[i];
    if (a.Value == value && text.size() + 1 + a.Address.size() <= 255) {
      text += ListSeparator;
      text += a.Address;
      continue;
    }
    apply(text, value);
    text = a.Address;
    value = a.Value;
  }
  apply(text, value);
}

void TrptExcel::SetRowHeights(const std::vector<TrptExcelAddress>& List, const std::vector<double>& Heights,
                              int Frequent, int Rows, TrptProgress* Progress) {
  if (List.empty() || (Progress && Progress->Terminated())) return;
  if (Progress) Progress->Open(static_cast<int>(List.size()), rptGet("ProgressRows") + " - 2", true, true);
  Put(Get(Worksheet, "Range", {Variant("A1:A" + IntToStr(Rows))}), "RowHeight", {Variant(Heights[Frequent])});
  std::string text = List[0].Address;
  int value = List[0].Value;
  auto apply = [&](const std::string& Text, int Value, bool Last) {
    if (Text.empty() || Value == Frequent) return;
    Guard([&] {
      Variant r = Get(Worksheet, "Range", {Variant(Text)});
      Put(Last ? Get(r, "Rows") : r, "RowHeight", {Variant(Heights[Value])});
    });
  };
  if (value == Frequent) text.clear();
  for (size_t i = 1; i < List.size(); ++i) {
    if (Progress) {
      Progress->Tick();
      if (Progress->Terminated()) return;
    }
    const TrptExcelAddress& a = List[i];
    if (a.Value == Frequent) continue;
    if (a.Value == value && !text.empty()) {
      if (text.size() + 1 + a.Address.size() <= 255) {
        text += ListSeparator;
        text += a.Address;
      } else {
        apply(text, value, false);
        text = a.Address;
      }
      continue;
    }
    apply(text, value, false);
    text = a.Address;
    value = a.Value;
  }
  apply(text, value, true);
}

int rptFrameBits(TrptFrameTypes Sides) {
  return (Sides.Contains(ftLeft) ? 1 : 0) | (Sides.Contains(ftRight) ? 2 : 0) | (Sides.Contains(ftTop) ? 4 : 0) |
         (Sides.Contains(ftBottom) ? 8 : 0);
}

TrptFrameTypes rptFrameFromBits(int Bits) {
  TrptFrameTypes t;
  if (Bits & 1) t.Include(ftLeft);
  if (Bits & 2) t.Include(ftRight);
  if (Bits & 4) t.Include(ftTop);
  if (Bits & 8) t.Include(ftBottom);
  return t;
}

TrptXLSExport::TrptXLSExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) { rptAddExportTexts(); }
TrptXLSExport::TrptXLSExport(TUnregistered U) : TrptCustomExportFilter(U) { rptAddExportTexts(); }
TrptXLSExport::~TrptXLSExport() = default;

void TrptXLSExport::Publish(TPublisher<TrptXLSExport>& P) {
  P.Prop("ExportStyles", &TrptXLSExport::ExportStyles).Default(true);
  P.Prop("ExportPictures", &TrptXLSExport::ExportPictures).Default(true);
  P.Prop("MergeCells", &TrptXLSExport::MergeCells).Default(true);
  P.Prop("OpenExcelAfterExport", &TrptXLSExport::OpenExcelAfterExport).Default(false);
  P.Prop("ShowProgress", &TrptXLSExport::ShowProgress);
  P.Prop("Wysiwyg", &TrptXLSExport::Wysiwyg).Default(true);
  P.Prop("AsText", &TrptXLSExport::AsText);
  P.Prop("Background", &TrptXLSExport::Background);
  P.Prop("FastExport", &TrptXLSExport::FastExport);
  P.Prop("PageBreaks", &TrptXLSExport::PageBreaks);
}

std::string TrptXLSExport::GetMenuCaption() { return rptGet("XlsOLEexport"); }
int TrptXLSExport::ShowOptionsDialog() {
  TrptXLSExportDialog dlg(nullptr);
  const std::vector<TrptExportBinding> b = {{dlg.StylesCB, &ExportStyles}, {dlg.PicturesCB, &ExportPictures}, {dlg.MergeCB, &MergeCells}, {dlg.WCB, &Wysiwyg}, {dlg.OpenExcelCB, &OpenExcelAfterExport}, {dlg.AsTextCB, &AsText}, {dlg.BackgrCB, &Background}, {dlg.FastExpCB, &FastExport}, {dlg.PageBreaksCB, &PageBreaks}};
  return rptRunExportDialog(
      this, &dlg, [&] { rptFillBindings(b); },
      [&] {
        dlg.ReadRange(this);
        rptReadBindings(b);
      },
      rptTextById(8009), rptTextById(8010));
}

bool TrptXLSExport::IsNumberText(const std::string& Text, double& Value) {
  if (Text.empty()) return false;
  int digits = 0;
  for (char c : Text)
    if (c >= '0' && c <= '9') ++digits;
  if (digits > 15) return false;
  size_t first = Text[0] == '-' ? 1 : 0;
  if (Text.size() > first + 1 && Text[first] == '0' && Text[first + 1] != '.') return false;  // leading zero
  char* end = nullptr;
  errno = 0;
  Value = std::strtod(Text.c_str(), &end);
  return end && *end == '\0' && errno == 0 && std::isfinite(Value) && Text.find_first_of("xXeEpP") == std::string::npos;
}

bool TrptXLSExport::Start() {
  if (FileName.empty()) return false;
  FileName = rptExportFullName(FileName, DefaultPath);
  FFirstPage = true;
  FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache, Report ? Report->EngineOptions()->TempDir : std::string());
  FMatrix->ShowProgress = ShowProgress;
  FMatrix->MaxCellHeight = 537.835;
  FMatrix->BackgroundImage = false;
  FMatrix->Background = Background;
  FMatrix->Inaccuracy = Wysiwyg ? 0.5 : 10;
  FMatrix->RotatedAsImage = false;
  FMatrix->DeleteHTMLTags = true;
  FMatrix->ExportNotPrintable = ExportNotPrintable;
  FExcel = std::make_unique<TrptExcel>();
  FExcel->Open();
  return true;
}

void TrptXLSExport::StartPage(TrptPage* Page, int) {
  if (!FFirstPage) return;
  FFirstPage = false;
  auto* p = static_cast<TrptReportPage*>(Page);
  FPageLeft = p->LeftMargin * 2.6;
  FPageTop = p->TopMargin * 2.6;
  FPageRight = p->RightMargin * 2.6;
  FPageBottom = p->BottomMargin * 2.6;
  FOrientation = p->Orientation();
}

void TrptXLSExport::ExportObject(TrptComponent* Obj) {
  auto* v = dynamic_cast<TrptView*>(Obj);
  if (v && FMatrix && (dynamic_cast<TrptCustomMemoView*>(v) || ExportPictures)) FMatrix->AddObject(v);
}

void TrptXLSExport::FinishPage(TrptPage* Page, int) {
  auto* p = static_cast<TrptReportPage*>(Page);
  if (FMatrix)
    FMatrix->AddPage(p->Orientation(), p->Width(), p->Height(), p->LeftMargin, p->TopMargin, p->RightMargin,
                     p->BottomMargin);
}

void TrptXLSExport::OpenProgress(int Max, const std::string& Text) {
  if (FProgress) FProgress->Open(Max, Text, true, true);
}

bool TrptXLSExport::Cancelled() const { return FProgress && FProgress->Terminated(); }

// The cell text of an object: its lines without CR and without trailing LF.
namespace {
std::string XlsCellText(TrptIEMObject* O) {
  std::string text;
  for (char ch : rptMemoText(O->Memo.get()))
    if (ch != '\r') text += ch;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

int XlsHAlign(TrptHAlign A) {
  switch (A) {
    case haRight: return -4152;
    case haCenter: return -4108;
    case haBlock: return -4130;
    default: return -4131;
  }
}

int XlsVAlign(TrptVAlign A) { return A == vaBottom ? -4107 : A == vaCenter ? -4108 : -4160; }
}  // namespace

void TrptXLSExport::PasteImage(TrptIEMObject* Obj, int& Counter, bool Nudge) {
  if (!Obj->Image) return;
  ++Counter;
  Clipboard()->SetBitmap(Obj->Image.get());
  try {
    DispInvoke(FExcel->Range, "PasteSpecial", DISPATCH_METHOD, {EmptyParam(), EmptyParam(), EmptyParam(), EmptyParam()});
  } catch (...) {
    Clipboard()->Clear();
    throw;
  }
  // The picture was only lent to the clipboard for the paste.
  Clipboard()->Clear();
  Variant pic = Get(FExcel->Worksheet, "Pictures", {Variant(Counter)});
  if (Nudge) {
    Put(pic, "Left", {Variant(Get(pic, "Left").AsFloat() + 1)});
    Put(pic, "Top", {Variant(Get(pic, "Top").AsFloat() + 1)});
  }
  Put(pic, "Width", {Variant(Obj->Image->Width() / 1.38)});
  Put(pic, "Height", {Variant(Obj->Image->Height() / 1.38)});
}

// Column widths and styles, shared by both writers (rows are each writer's own).
void TrptXLSExport::WriteCommon(bool Fast) {
  TrptIEMatrix* m = FMatrix.get();
  TrptExcel* x = FExcel.get();
  OpenProgress(m->Width - 1, rptGet("ProgressColumns"));
  for (int c = 1; c < m->Width && !Cancelled(); ++c) {
    x->SetColumnWidth(c, (m->GetXPosById(c) - m->GetXPosById(c - 1)) / 8);
    if (FProgress) FProgress->Tick();
  }
  OpenProgress(m->StylesCount() - 1, rptGet("ProgressStyles"));
  Variant styles = Get(Get(x->Excel, "ActiveWorkbook"), "Styles");
  for (int n = 0; n < m->StylesCount() && !Cancelled(); ++n) {
    TrptIEMStyle* st = m->GetStyleById(n);
    Variant s = Get(styles, "Add", {Variant("S" + IntToStr(n))});
    Variant font = Get(s, "Font");
    const TFontStyles fs = st->Font->Style();
    Put(font, "Bold", {Variant(fs.Contains(fsBold))});
    Put(font, "Italic", {Variant(fs.Contains(fsItalic))});
    Put(font, "Underline", {Variant(fs.Contains(fsUnderline))});
    Put(font, "Name", {Variant(st->Font->Name())});
    Put(font, "Size", {Variant(st->Font->Size())});
    Put(font, "Color", {Variant(static_cast<int>(st->Font->Color()))});
    Put(Get(s, "Interior"), "Color", {Variant(static_cast<int64_t>(static_cast<uint32_t>(st->Color)))});
    if (Fast) {
      if (st->Rotation >= 1 && st->Rotation <= 90) Put(s, "Orientation", {Variant(st->Rotation)});
      else if (st->Rotation >= 270 && st->Rotation <= 359) Put(s, "Orientation", {Variant(st->Rotation - 360)});
    }
    Put(s, "VerticalAlignment", {Variant(XlsVAlign(st->VAlign))});
    Put(s, "HorizontalAlignment", {Variant(XlsHAlign(st->HAlign))});
    if (Application()) Application()->ProcessMessages();
    if (FProgress) FProgress->Tick();
  }
}

void TrptXLSExport::WriteCellByCell() {
  TrptIEMatrix* m = FMatrix.get();
  TrptExcel* x = FExcel.get();
  x->SetPageSetup(FOrientation, FPageBottom, FPageTop, FPageRight, FPageLeft);
  OpenProgress(m->Height - 1, rptGet("ProgressRows"));
  int k = 0;
  for (int r = 1; r < m->Height && !Cancelled(); ++r) {
    x->SetRowHeight(r, (m->GetYPosById(r) - m->GetYPosById(r - 1)) / 1.315);
    if (PageBreaks && k < m->PagesCount() && m->GetPageBreak(k) <= m->GetYPosById(r)) {
      Put(Get(x->Worksheet, "Rows", {Variant(r + 2)}), "PageBreak", {Variant(-4135)});
      ++k;
    }
    if (FProgress) FProgress->Tick();
  }
  WriteCommon(false);
  OpenProgress(m->Height, rptGet("ProgressObjects"));
  Variant values = VarArrayCreate({0, std::max(m->Height - 1, 0), 0, std::max(m->Width - 1, 0)}, varVariant);
  int pictures = 0;
  for (int i = 1; i <= m->Height && !Cancelled(); ++i) {
    for (int j = 1; j <= m->Width; ++j) {
      const int idx = m->GetCell(j - 1, i - 1);
      if (idx < 0) continue;
      TrptIEMObject* o = m->GetObjectById(idx);
      if (o->Counter != 0) continue;
      o->Counter = 1;
      int ox, oy, dx, dy;
      m->GetObjectPos(idx, ox, oy, dx, dy);
      x->SetRange(j, i, dy, dx);
      if (o->IsText) {
        if (ExportStyles) Put(x->Range, "Style", {Variant("S" + IntToStr(o->StyleIndex))});
        if (MergeCells && dx * dy > 1) x->MergeRange();
        if (ExportStyles && o->Style) x->SetRangeFrame(o->Style->FrameTyp);
        const std::string text = XlsCellText(o);
        double number = 0;
        values.PutElement({i - 1, j - 1}, !AsText && IsNumberText(text, number) ? Variant(number) : Variant(text));
      } else {
        PasteImage(o, pictures, false);
      }
    }
    if (FProgress) FProgress->Tick();
  }
  x->SetRange(1, 1, m->Height, m->Width);
  Put(x->Range, "Value", {values});
  Put(Get(x->Worksheet, "Cells"), "WrapText", {Variant(true)});
}

void TrptXLSExport::WriteFast() {
  TrptIEMatrix* m = FMatrix.get();
  TrptExcel* x = FExcel.get();
  x->SetPageSetup(FOrientation, FPageBottom, FPageTop, FPageRight, FPageLeft);
  OpenProgress(m->Height - 1, rptGet("ProgressRows") + " - 1");
  // Row heights in quarter points, grouped into ranges of equal height.
  std::vector<double> heights;
  std::vector<int> counts;
  int frequent = -1;
  std::vector<TrptExcelAddress> rows;
  int k = 0, runStart = 0, runIndex = -1;
  auto closeRun = [&](int Last, bool End) {
    if (runIndex < 0) return;
    TrptExcelAddress a;
    a.Address = Last == runStart && !End ? "A" + IntToStr(runStart) : "A" + IntToStr(runStart) + ":A" + IntToStr(Last);
    a.Value = runIndex;
    auto at = std::upper_bound(rows.begin(), rows.end(), a.Value,
                               [](int V, const TrptExcelAddress& E) { return V < E.Value; });
    rows.insert(at, a);
  };
  for (int r = 1; r < m->Height && !Cancelled(); ++r) {
    const double h = std::round((m->GetYPosById(r) - m->GetYPosById(r - 1)) / 1.315 * 4) / 4;
    auto found = std::find(heights.begin(), heights.end(), h);
    int index = static_cast<int>(found - heights.begin());
    if (found == heights.end()) {
      heights.push_back(h);
      counts.push_back(1);
    } else {
      ++counts[static_cast<size_t>(index)];
    }
    if (frequent < 0 || counts[static_cast<size_t>(index)] > counts[static_cast<size_t>(frequent)]) frequent = index;
    if (index != runIndex) {
      closeRun(r - 1, false);
      runStart = r;
      runIndex = index;
    }
    if (PageBreaks && k < m->PagesCount() && m->GetPageBreak(k) <= m->GetYPosById(r)) {
      Put(Get(x->Worksheet, "Rows", {Variant(r + 2)}), "PageBreak", {Variant(-4135)});
      ++k;
    }
    if (FProgress) FProgress->Tick();
  }
  closeRun(m->Height - 1, true);
  if (frequent >= 0) x->SetRowHeights(rows, heights, frequent, m->Height, FProgress.get());
  WriteCommon(true);
  OpenProgress(m->Height, rptGet("ProgressObjects"));
  Variant values = VarArrayCreate({1, std::max(m->Height, 1), 1, std::max(m->Width, 1)}, varVariant);
  std::vector<TrptExcelAddress> styles, frames, merges;
  auto insertOrdered = [](std::vector<TrptExcelAddress>& List, TrptExcelAddress A) {
    auto at = std::upper_bound(List.begin(), List.end(), A.Value,
                               [](int V, const TrptExcelAddress& E) { return V < E.Value; });
    List.insert(at, std::move(A));
  };
  int pictures = 0;
  for (int i = 1; i <= m->Height && !Cancelled(); ++i) {
    for (int j = 1; j <= m->Width; ++j) {
      const int idx = m->GetCell(j - 1, i - 1);
      if (idx < 0) continue;
      TrptIEMObject* o = m->GetObjectById(idx);
      if (o->Counter != 0) continue;
      o->Counter = 1;
      int ox, oy, dx, dy;
      m->GetObjectPos(idx, ox, oy, dx, dy);
      const std::string addr = dx * dy > 1 ? TrptExcel::CellAddress(j, i) + ":" + TrptExcel::CellAddress(j + dx - 1, i + dy - 1)
                                           : TrptExcel::CellAddress(j, i);
      if (o->IsText) {
        if (ExportStyles) insertOrdered(styles, {addr, o->StyleIndex});
        if (MergeCells && dx * dy > 1) merges.push_back({addr, 0});
        if (ExportStyles && o->Style && !o->Style->FrameTyp.Empty())
          insertOrdered(frames, {addr, rptFrameBits(o->Style->FrameTyp)});
        const std::string text = XlsCellText(o);
        double number = 0;
        values.PutElement({i, j}, !AsText && IsNumberText(text, number) ? Variant(number) : Variant(text));
      } else {
        x->SetRange(j, i, dy, dx);
        PasteImage(o, pictures, true);
      }
    }
    if (FProgress) FProgress->Tick();
  }
  x->ApplyRanges(styles, 0, FProgress.get());
  x->ApplyRanges(frames, 1, FProgress.get());
  if (MergeCells) x->ApplyRanges(merges, 2, FProgress.get());
  x->SetRange(1, 1, m->Height, m->Width);
  Put(x->Range, "Value", {values});
  Put(Get(x->Worksheet, "Cells"), "WrapText", {Variant(true)});
  FProgress.reset();
}

void TrptXLSExport::Finish() {
  if (!FMatrix) return;
  try {
    FMatrix->Prepare();
    if (!FExcel->IsOpened) throw Exception("The spreadsheet program cannot be started");
    if (ShowProgress) FProgress = std::make_unique<TrptProgress>(nullptr);
    if (FMatrix->Width > 0 && FMatrix->Height > 0) {
      if (FastExport) WriteFast();
      else WriteCellByCell();
    }
    FProgress.reset();
    FExcel->SetRange(1, 1, 1, 1);
    Guard([&] { DispInvoke(FExcel->Range, "Select", DISPATCH_METHOD); });
    if (OpenExcelAfterExport) FExcel->SetVisible(true);
    // A workbook that could not be saved is reported, not passed over as done.
    std::string saveError;
    try {
      std::string name = FileName;
      if (ExtractFilePath(name).empty()) name = IncludeTrailingPathDelimiter(GetCurrentDir()) + name;
      DispInvoke(FExcel->Workbook, "SaveAs", DISPATCH_METHOD,
                 {Variant(name), Variant(-4143), EmptyParam(), EmptyParam(), EmptyParam(), EmptyParam(), Variant(1),
                  EmptyParam(), EmptyParam(), EmptyParam()});
    } catch (const Exception& e) {
      saveError = e.Message();
    }
    Guard([&] { Put(Get(FExcel->Excel, "Application"), "DisplayAlerts", {Variant(true)}); });
    Guard([&] { Put(Get(FExcel->Excel, "Application"), "ScreenUpdating", {Variant(true)}); });
    if (!OpenExcelAfterExport) {
      Guard([&] { DispInvoke(FExcel->Excel, "Quit", DISPATCH_METHOD); });
      FExcel->Excel.Clear();
    }
    if (!saveError.empty()) rptExportError(Report, saveError);
  } catch (const Exception& e) {
    FProgress.reset();
    rptExportError(Report, e.Message());
  }
  FExcel.reset();
  FMatrix.reset();
}

// The spreadsheet automation export.
#include "report/output/rptexportxls.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/rtl/automation.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/win/spreadsheet.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexptexts.h"

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
    Guard([&] { Put(Get(Get(Worksheet, "Rows", {Variant(Row)}), "Item", {Variant(1)}), "RowHeight", {Variant(std::min(Height, 409.0))}); });
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

void TrptExcel::SetFrame(const std::string& Address, TrptFrameTypes Sides) {
  if (Sides.Empty() || Address.empty()) return;
  Guard([&] { Put(Get(Get(Worksheet, "Range", {Variant(Address)}), "Borders"), "LineStyle", {Variant(1)}); });
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
int TrptXLSExport::ShowOptionsDialog() { return rptExportSaveDialog(this, rptTextById(8009), rptTextById(8010)); }

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

void TrptXLSExport::Write() {
  TrptIEMatrix* m = FMatrix.get();
  TrptExcel* x = FExcel.get();
  Guard([&] {
    Variant setup = Get(Get(x->Excel, "ActiveSheet"), "PageSetup");
    Put(setup, "LeftMargin", {Variant(FPageLeft)});
    Put(setup, "RightMargin", {Variant(FPageRight)});
    Put(setup, "TopMargin", {Variant(FPageTop)});
    Put(setup, "BottomMargin", {Variant(FPageBottom)});
    Put(setup, "Orientation", {Variant(FOrientation == poLandscape ? 2 : 1)});
  });
  int k = 0;
  for (int r = 1; r < m->Height; ++r) {
    x->SetRowHeight(r, (m->GetYPosById(r) - m->GetYPosById(r - 1)) / 1.315);
    if (PageBreaks && k < m->PagesCount() && m->GetPageBreak(k) <= m->GetYPosById(r)) {
      Guard([&] { Put(Get(x->Worksheet, "Rows", {Variant(r + 2)}), "PageBreak", {Variant(-4135)}); });
      ++k;
    }
  }
  for (int c = 1; c < m->Width; ++c) x->SetColumnWidth(c, (m->GetXPosById(c) - m->GetXPosById(c - 1)) / 8);
  for (int i = 1; i <= m->Height; ++i)
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
      if (!o->IsText) continue;  // pictures travel through the clipboard, which this program lacks
      std::string text;
      for (char ch : rptMemoText(o->Memo.get()))
        if (ch != '\r') text += ch;
      while (!text.empty() && text.back() == '\n') text.pop_back();
      double value = 0;
      Variant v = !AsText && IsNumberText(text, value) ? Variant(value) : Variant(text);
      Variant cell;
      try {
        cell = Get(x->Worksheet, "Range", {Variant(TrptExcel::CellAddress(j, i))});
      } catch (...) {
        continue;
      }
      if (!text.empty()) Put(cell, "Value", {v});
      if (ExportStyles && o->Style) {
        TrptIEMStyle* st = o->Style;
        Guard([&] {
          Variant font = Get(cell, "Font");
          Put(font, "Name", {Variant(st->Font->Name())});
          Put(font, "Size", {Variant(st->Font->Size())});
          Put(font, "Bold", {Variant(st->Font->Style().Contains(fsBold))});
          Put(font, "Color", {Variant(static_cast<int>(st->Font->Color()))});
        });
        x->SetFrame(addr, st->FrameTyp);
      }
      if (MergeCells && dx * dy > 1)
        Guard([&] { Put(Get(x->Worksheet, "Range", {Variant(addr)}), "MergeCells", {Variant(true)}); });
    }
}

void TrptXLSExport::Finish() {
  if (!FMatrix) return;
  try {
    FMatrix->Prepare();
    if (!FExcel->IsOpened) throw Exception("The spreadsheet program cannot be started");
    Write();
    if (OpenExcelAfterExport) FExcel->SetVisible(true);
    Guard([&] { DispInvoke(FExcel->Workbook, "SaveAs", DISPATCH_METHOD, {Variant(FileName), Variant(-4143)}); });
    Guard([&] { DispInvoke(FExcel->Excel, "Quit", DISPATCH_METHOD); });
  } catch (const Exception& e) {
    rptExportError(Report, e.Message());
  }
  // Letting go of the automation objects writes the workbook; it is then put where the user asked.
  const std::string before = LastSpreadsheetFile();
  FExcel.reset();
  FMatrix.reset();
  const std::string written = LastSpreadsheetFile();
  if (!written.empty() && written != before && std::filesystem::exists(written) && written != FileName) {
    std::error_code ec;
    std::filesystem::copy_file(written, FileName, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec) std::filesystem::remove(written, ec);
  }
}

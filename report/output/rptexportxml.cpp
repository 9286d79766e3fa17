// The SpreadsheetML export filter.
#include "report/output/rptexportxml.h"

#include <memory>

#include <cstdio>
#include <ctime>

#include "platform/rtl/automation.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptview.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "platform/vcl/stdctrls.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"
#include "report/output/rptprogress.h"

ORV_CLASS_IMPL(TrptXMLExport, TrptCustomExportFilter)

namespace {

void XmlOutLn(TStream* S, const std::string& Text) {
  std::string t = Text + "\r\n";
  S->WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

std::string G(double V) {
  char b[64];
  std::snprintf(b, sizeof b, "%.15g", V);
  return b;
}

std::string XmlAttr(const std::string& S) {
  std::string o;
  for (char c : S) {
    switch (c) {
      case '&': o += "&amp;"; break;
      case '<': o += "&lt;"; break;
      case '>': o += "&gt;"; break;
      case '"': o += "&quot;"; break;
      default: o += c;
    }
  }
  return o;
}

// A cell string: "&" first, then digits and line ends as character references, then the
// quotation mark and the angle brackets.
std::string CellString(const std::string& S) {
  std::string a;
  for (char c : S) a += c == '&' ? std::string("&amp;") : std::string(1, c);
  std::string b;
  for (size_t i = 0; i < a.size(); ++i) {
    const char c = a[i];
    if (c >= '0' && c <= '9') b += "&#" + IntToStr(c) + ";";
    else if (c == '\r' && i + 1 < a.size() && a[i + 1] == '\n') {
      b += "&#10;";
      ++i;
    } else if (c == '"') b += "&quot;";
    else if (c == '<') b += "&lt;";
    else if (c == '>') b += "&gt;";
    else b += c;
  }
  return b;
}

}  // namespace

TrptXMLExport::TrptXMLExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
  rptAddExportTexts();
  Creator = "Orvanta Report\xC2\xAE";
}
TrptXMLExport::TrptXMLExport(TUnregistered U) : TrptCustomExportFilter(U) {
  rptAddExportTexts();
  Creator = "Orvanta Report\xC2\xAE";
}
TrptXMLExport::~TrptXMLExport() = default;

void TrptXMLExport::Publish(TPublisher<TrptXMLExport>& P) {
  P.Prop("ExportStyles", &TrptXMLExport::ExportStyles);
  P.Prop("ExportPageBreaks", &TrptXMLExport::ExportPageBreaks);
  P.Prop("OpenExcelAfterExport", &TrptXMLExport::OpenExcelAfterExport);
  P.Prop("ShowProgress", &TrptXMLExport::ShowProgress);
  P.Prop("Wysiwyg", &TrptXMLExport::Wysiwyg);
  P.Prop("Background", &TrptXMLExport::Background).Default(false);
  P.Prop("Creator", &TrptXMLExport::Creator);
}

std::string TrptXMLExport::GetMenuCaption() { return rptGet("XlsXMLexport"); }

int TrptXMLExport::ShowOptionsDialog() {
  TrptXMLExportDialog dlg(nullptr);
  const std::vector<TrptExportBinding> b = {{dlg.StylesCB, &ExportStyles}, {dlg.PageBreaksCB, &ExportPageBreaks}, {dlg.WCB, &Wysiwyg}, {dlg.OpenExcelCB, &OpenExcelAfterExport}, {dlg.BackgrCB, &Background}};
  return rptRunExportDialog(
      this, &dlg, [&] { rptFillBindings(b); },
      [&] {
        dlg.ReadRange(this);
        rptReadBindings(b);
      },
      rptTextById(8105), rptTextById(8106));
}

bool TrptXMLExport::Start() {
  if (FileName.empty() && !Stream) return false;
  FileName = rptExportFullName(FileName, DefaultPath);
  FFirstPage = true;
  FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache, Report ? Report->EngineOptions()->TempDir : std::string());
  FMatrix->ShowProgress = ShowProgress;
  FMatrix->MaxCellHeight = 562.784;
  FMatrix->Background = Background;
  FMatrix->BackgroundImage = false;
  FMatrix->ExportNotPrintable = ExportNotPrintable;
  FMatrix->Inaccuracy = Wysiwyg ? 0.5 : 10;
  FMatrix->DeleteHTMLTags = true;
  return true;
}

void TrptXMLExport::StartPage(TrptPage* Page, int) {
  if (!FFirstPage) return;
  FFirstPage = false;
  auto* p = static_cast<TrptReportPage*>(Page);
  FBottom = p->BottomMargin;
  FLeft = p->LeftMargin;
  FRight = p->RightMargin;
  FTop = p->TopMargin;
  FOrientation = p->Orientation();
}

void TrptXMLExport::ExportObject(TrptComponent* Obj) {
  if (auto* v = dynamic_cast<TrptView*>(Obj); v && FMatrix) FMatrix->AddObject(v);
}

void TrptXMLExport::FinishPage(TrptPage* Page, int) {
  auto* p = static_cast<TrptReportPage*>(Page);
  if (FMatrix)
    FMatrix->AddPage(p->Orientation(), p->Width(), p->Height(), p->LeftMargin, p->TopMargin, p->RightMargin,
                     p->BottomMargin);
}

void TrptXMLExport::WriteWorkbook(TStream* S) {
  TrptIEMatrix* m = FMatrix.get();
  XmlOutLn(S, "<?xml version=\"1.0\"?>");
  XmlOutLn(S, "<?mso-application progid=\"Excel.Sheet\"?>");
  XmlOutLn(S, "<?rp-application created=\"" + XmlAttr(Creator) + "\"?>");
  XmlOutLn(S, "<?rp-application homesite=\"https://orvanta.invalid\"?>");
  XmlOutLn(S, "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"");
  XmlOutLn(S, " xmlns:o=\"urn:schemas-microsoft-com:office:office\"");
  XmlOutLn(S, " xmlns:x=\"urn:schemas-microsoft-com:office:excel\"");
  XmlOutLn(S, " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"");
  XmlOutLn(S, " xmlns:html=\"http://www.w3.org/TR/REC-html40\">");
  XmlOutLn(S, "<DocumentProperties xmlns=\"urn:schemas-microsoft-com:office:office\">");
  TrptReportOptions* ro = Report ? Report->ReportOptions() : nullptr;
  XmlOutLn(S, "<Title>" + XmlAttr(ro ? ro->Name : std::string()) + "</Title>");
  XmlOutLn(S, "<Author>" + XmlAttr(ro ? ro->Author : std::string()) + "</Author>");
  char when[40];
  std::time_t now = std::time(nullptr);
  std::tm tmv{};
  localtime_r(&now, &tmv);
  std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &tmv);
  XmlOutLn(S, std::string("<Created>") + when + "</Created>");
  XmlOutLn(S, "<Version>" +
               XmlAttr(ro ? ro->VersionMajor + "." + ro->VersionMinor + "." + ro->VersionRelease + "." + ro->VersionBuild
                          : std::string("...")) +
               "</Version>");
  XmlOutLn(S, "</DocumentProperties>");
  XmlOutLn(S, "<ExcelWorkbook xmlns=\"urn:schemas-microsoft-com:office:excel\">");
  XmlOutLn(S, "<ProtectStructure>False</ProtectStructure>");
  XmlOutLn(S, "<ProtectWindows>False</ProtectWindows>");
  XmlOutLn(S, "</ExcelWorkbook>");
  if (ExportStyles) {
    XmlOutLn(S, "<Styles>");
    for (int n = 0; n < m->StylesCount(); ++n) {
      TrptIEMStyle* st = m->GetStyleById(n);
      XmlOutLn(S, "<Style ss:ID=\"s" + IntToStr(n) + "\">");
      std::string f = "<Font ss:FontName=\"" + XmlAttr(st->Font->Name()) + "\" ss:Size=\"" +
                      IntToStr(st->Font->Size()) + "\" ss:Color=\"" + rptColorToHex(st->Font->Color()) + "\"";
      if (st->Font->Style().Contains(fsBold)) f += " ss:Bold=\"1\"";
      if (st->Font->Style().Contains(fsItalic)) f += " ss:Italic=\"1\"";
      if (st->Font->Style().Contains(fsUnderline)) f += " ss:Underline=\"Single\"";
      XmlOutLn(S, f + "/>");
      XmlOutLn(S, "<Interior ss:Color=\"" + rptColorToHex(st->Color) + "\" ss:Pattern=\"Solid\"/>");
      const char* h = st->HAlign == haRight ? "Right" : st->HAlign == haCenter ? "Center" : st->HAlign == haBlock ? "Justify" : "Left";
      const char* v = st->VAlign == vaBottom ? "Bottom" : st->VAlign == vaCenter ? "Center" : "Top";
      std::string rot;
      if (st->Rotation >= 1 && st->Rotation <= 90) rot = " ss:Rotate=\"" + IntToStr(st->Rotation) + "\"";
      else if (st->Rotation >= 270 && st->Rotation <= 359) rot = " ss:Rotate=\"" + IntToStr(st->Rotation - 360) + "\"";
      XmlOutLn(S, std::string("<Alignment ss:Horizontal=\"") + h + "\" ss:Vertical=\"" + v + "\" ss:WrapText=\"1\"" + rot +
                   "/>");
      XmlOutLn(S, "<Borders>");
      const std::pair<TrptFrameType, const char*> sides[] = {
          {ftLeft, "Left"}, {ftRight, "Right"}, {ftTop, "Top"}, {ftBottom, "Bottom"}};
      for (const auto& sd : sides)
        if (st->FrameTyp.Contains(sd.first))
          XmlOutLn(S, std::string("<Border ss:Position=\"") + sd.second + "\" ss:LineStyle=\"Continuous\" ss:Weight=\"" +
                       (st->FrameWidth > 1 ? "3" : "1") + "\" ss:Color=\"" + rptColorToHex(st->FrameColor) + "\"/>");
      XmlOutLn(S, "</Borders>");
      XmlOutLn(S, "</Style>");
    }
    XmlOutLn(S, "</Styles>");
  }
  XmlOutLn(S, "<Worksheet ss:Name=\"Page 1\">");
  XmlOutLn(S, "<Table ss:ExpandedColumnCount=\"" + IntToStr(m->Width) + "\" ss:ExpandedRowCount=\"" + IntToStr(m->Height) +
               "\" x:FullColumns=\"1\" x:FullRows=\"1\">");
  for (int j = 1; j < m->Width; ++j)
    XmlOutLn(S, "<Column ss:AutoFitWidth=\"0\" ss:Width=\"" + G((m->GetXPosById(j) - m->GetXPosById(j - 1)) / 1.376) +
                 "\"/>");
  std::vector<int> breaks;
  int k = 0;
  // A cancel ends the rows before the next one starts, so the file stays well-formed.
  std::unique_ptr<TrptProgress> progress;
  if (ShowProgress) {
    progress = std::make_unique<TrptProgress>(nullptr);
    progress->Open(m->PagesCount(), "Exporting pages", true, true);
  }
  for (int r = 0; r + 1 < m->Height; ++r) {
    if (progress && progress->Terminated()) break;
    XmlOutLn(S, "<Row ss:Height=\"" + G((m->GetYPosById(r + 1) - m->GetYPosById(r)) / 1.376) + "\">");
    if (k < m->PagesCount() && m->GetPageBreak(k) <= m->GetYPosById(r)) {
      ++k;
      breaks.push_back(r + 1);
      if (progress) progress->Tick();
    }
    for (int i = 0; i < m->Width; ++i) {
      const int idx = m->GetCell(i, r);
      if (idx < 0) {
        XmlOutLn(S, "<Cell ss:Index=\"" + IntToStr(i + 1) + "\" />");
        continue;
      }
      TrptIEMObject* o = m->GetObjectById(idx);
      if (o->Counter != 0) continue;
      o->Counter = 1;
      if (!o->IsText) continue;
      int x, y, dx, dy;
      m->GetObjectPos(idx, x, y, dx, dy);
      std::string c = "<Cell ss:Index=\"" + IntToStr(i + 1) + "\" ";
      if (dx >= 2) c += "ss:MergeAcross=\"" + IntToStr(dx - 1) + "\" ";
      if (dy >= 2) c += "ss:MergeDown=\"" + IntToStr(dy - 1) + "\" ";
      if (ExportStyles && o->StyleIndex >= 0) c += "ss:StyleID=\"s" + IntToStr(o->StyleIndex) + "\" ";
      XmlOutLn(S, c + ">");
      std::string text = rptMemoText(o->Memo.get());
      if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
      bool number = o->DisplayFormat->Kind == fkNumeric;
      for (char ch : text)
        if (!((ch >= '0' && ch <= '9') || ch == '.')) number = false;
      if (number && !text.empty()) {
        XmlOutLn(S, "<Data ss:Type=\"Number\">" + text + "</Data>");
      } else {
        XmlOutLn(S, "<Data ss:Type=\"String\">" + CellString(text) + "</Data>");
      }
      XmlOutLn(S, "</Cell>");
    }
    XmlOutLn(S, "</Row>");
  }
  XmlOutLn(S, "</Table>");
  XmlOutLn(S, "<WorksheetOptions xmlns=\"urn:schemas-microsoft-com:office:excel\">");
  XmlOutLn(S, "<PageSetup>");
  if (FOrientation == poLandscape) XmlOutLn(S, "<Layout x:Orientation=\"Landscape\"/>");
  XmlOutLn(S, "<PageMargins x:Bottom=\"" + G(FBottom / 26.6) + "\" x:Left=\"" + G(FLeft / 26.6) + "\" x:Right=\"" +
               G(FRight / 26.6) + "\" x:Top=\"" + G(FTop / 26.6) + "\"/>");
  XmlOutLn(S, "</PageSetup>");
  XmlOutLn(S, "</WorksheetOptions>");
  if (ExportPageBreaks) {
    XmlOutLn(S, "<PageBreaks xmlns=\"urn:schemas-microsoft-com:office:excel\">");
    XmlOutLn(S, "<RowBreaks>");
    for (size_t i = 0; i < breaks.size() && static_cast<int>(i) < m->PagesCount() - 1; ++i) {
      XmlOutLn(S, "<RowBreak>");
      XmlOutLn(S, "<Row>" + IntToStr(breaks[i]) + "</Row>");
      XmlOutLn(S, "</RowBreak>");
    }
    XmlOutLn(S, "</RowBreaks>");
    XmlOutLn(S, "</PageBreaks>");
  }
  XmlOutLn(S, "</Worksheet>");
  XmlOutLn(S, "</Workbook>");
}

void TrptXMLExport::Finish() {
  if (!FMatrix) return;
  try {
    FMatrix->Prepare();
    std::unique_ptr<TFileStream> f;
    TStream* out = Stream;
    if (!out) {
      f = std::make_unique<TFileStream>(FileName, fmCreate);
      out = f.get();
    }
    WriteWorkbook(out);
    f.reset();
    if (OpenExcelAfterExport && !Stream) {
      Variant excel = CreateOleObject("Excel.Application");
      DispInvoke(excel, "Visible", DISPATCH_PROPERTYPUT, {Variant(true)});
      Variant books = DispInvoke(excel, "WorkBooks", DISPATCH_PROPERTYGET);
      DispInvoke(books, "Open", DISPATCH_METHOD, {Variant(FileName)});
    }
  } catch (const Exception& e) {
    rptExportError(Report, e.Message());
  }
  FMatrix.reset();
}

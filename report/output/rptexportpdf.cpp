// The PDF export filter and the helpers the export filters share.
#include "report/output/rptexportpdf.h"

#include "platform/rtl/fileutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/shellapi.h"
#include "platform/win/winuser.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptview.h"
#include "platform/vcl/stdctrls.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"
#include "report/output/rptpdffile.h"

ORV_CLASS_IMPL(TrptPDFExport, TrptCustomExportFilter)

std::string rptExportFullName(const std::string& FileName, const std::string& DefaultPath) {
  if (FileName.empty() || ExtractFilePath(FileName) != "" || DefaultPath.empty()) return FileName;
  return IncludeTrailingPathDelimiter(DefaultPath) + FileName;
}

void rptExportError(TrptReport* Report, const std::string& Message) {
  if (Report && Report->EngineOptions()->SilentMode) Report->AddError(Message);
  else rptShowError(Message);
}

int rptExportSaveDialog(TrptCustomExportFilter* Filter, const std::string& FilterText, const std::string& DefaultExt) {
  if (Filter->Stream) return mrOk;
  TSaveDialog dlg(nullptr);
  if (!Filter->DefaultPath.empty()) dlg.SetInitialDir(Filter->DefaultPath);
  dlg.SetFilter(FilterText);
  dlg.SetDefaultExt(DefaultExt);
  dlg.SetFileName(ExtractFileName(Filter->FileName));
  if (!dlg.Execute()) return mrCancel;
  Filter->FileName = dlg.FileName();
  return mrOk;
}

void rptExportOpenFile(const std::string& FileName) {
  ShellExecuteA(GetDesktopWindow(), "open", FileName.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

namespace {
const char* const kLibraryName = "Orvanta Report\xC2\xAE";
}

TrptPDFExport::TrptPDFExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) { Init(); }

TrptPDFExport::TrptPDFExport(TUnregistered U) : TrptCustomExportFilter(U) { Init(); }

TrptPDFExport::~TrptPDFExport() = default;

void TrptPDFExport::Init() {
  rptAddExportTexts();
  Author = kLibraryName;
  Subject = std::string(kLibraryName) + " PDF export";
  Creator = std::string(kLibraryName) + " (https://orvanta.invalid)";
}

void TrptPDFExport::Publish(TPublisher<TrptPDFExport>& P) {
  P.Prop("Compressed", &TrptPDFExport::Compressed).Default(true);
  P.Prop("EmbeddedFonts", &TrptPDFExport::EmbeddedFonts).Default(false);
  P.Prop("OpenAfterExport", &TrptPDFExport::OpenAfterExport).Default(false);
  P.Prop("PrintOptimized", &TrptPDFExport::PrintOptimized);
  P.Prop("Outline", &TrptPDFExport::Outline);
  P.Prop("Author", &TrptPDFExport::Author);
  P.Prop("Subject", &TrptPDFExport::Subject);
  P.Prop("Background", &TrptPDFExport::Background);
  P.Prop("Creator", &TrptPDFExport::Creator);
  P.Prop("HTMLTags", &TrptPDFExport::HTMLTags);
}

std::string TrptPDFExport::GetMenuCaption() { return rptGet("PDFexport"); }

int TrptPDFExport::ShowOptionsDialog() {
  if (Stream) return mrOk;
  if (Report) Outline = Report->PreviewOptions()->OutlineVisible;
  TrptPDFExportDialog dlg(nullptr);
  const std::vector<TrptExportBinding> b = {{dlg.OpenCB, &OpenAfterExport}, {dlg.CompressedCB, &Compressed},
                                            {dlg.EmbeddedCB, &EmbeddedFonts}, {dlg.PrintOptCB, &PrintOptimized},
                                            {dlg.OutlineCB, &Outline},         {dlg.BackgrCB, &Background}};
  return rptRunExportDialog(
      this, &dlg,
      [&] {
        rptFillBindings(b);
        dlg.OutlineCB->SetEnabled(Outline);
      },
      [&] {
        dlg.ReadRange(this);
        rptReadBindings(b);
      },
      rptTextById(8707), rptTextById(8708));
}

bool TrptPDFExport::Start() {
  if (FileName.empty() && !Stream) return false;
  FileName = rptExportFullName(FileName, DefaultPath);
  FPDF = std::make_unique<TrptPDFFile>(UseFileCache, Report ? Report->EngineOptions()->TempDir : std::string());
  FPDF->Compressed = Compressed;
  FPDF->EmbeddedFonts = EmbeddedFonts;
  FPDF->PrintOptimized = PrintOptimized;
  FPDF->Outline = Outline;
  FPDF->Background = Background;
  FPDF->Author = Author;
  FPDF->Subject = Subject;
  FPDF->Producer = Creator;
  FPDF->HTMLTags = HTMLTags;
  if (Outline && Report && Report->PreviewPages()) FPDF->OutlineSource = Report->PreviewPages()->Outline();
  return true;
}

void TrptPDFExport::StartPage(TrptPage* Page, int) {
  if (FPDF) FPage = FPDF->AddPage(static_cast<TrptReportPage*>(Page));
}

void TrptPDFExport::ExportObject(TrptComponent* Obj) {
  auto* v = dynamic_cast<TrptView*>(Obj);
  if (v && FPage && (ExportNotPrintable || v->Printable)) FPage->AddObject(v);
}

void TrptPDFExport::FinishPage(TrptPage*, int) {}

void TrptPDFExport::Finish() {
  if (!FPDF) return;
  try {
    std::unique_ptr<TFileStream> file;
    TStream* out = Stream;
    if (!out) {
      file = std::make_unique<TFileStream>(FileName, fmCreate);
      out = file.get();
    }
    FPDF->Title = Report ? Report->ReportOptions()->Name : std::string();
    FPDF->SaveToStream(out);
    file.reset();
    if (OpenAfterExport && !Stream) rptExportOpenFile(FileName);
  } catch (const Exception& e) {
    rptExportError(Report, e.Message());
  } catch (const std::exception& e) {
    FPDF.reset();
    FPage = nullptr;
    throw;
  }
  FPDF.reset();
  FPage = nullptr;
}

// The abstract services' shared parts, the export-filter registry and the export protocol.
#include "report/core/rptservices.h"

#include <algorithm>
#include <exception>

#include "platform/rtl/typinfo.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"

ORV_CLASS_IMPL(TrptCustomEngine, TPersistent)
ORV_CLASS_IMPL(TrptCustomOutline, TPersistent)
ORV_CLASS_IMPL(TrptCustomPreviewPages, TObject)
ORV_CLASS_IMPL(TrptCustomPreview, TCustomControl)
ORV_CLASS_IMPL(TrptCustomDesigner, TForm)
ORV_CLASS_IMPL(TrptCustomExportFilter, TComponent)
ORV_CLASS_IMPL(TrptCustomWizard, TComponent)

TrptCustomEngine::TrptCustomEngine(TrptReport* AReport) : Report(AReport) {}
TrptCustomEngine::~TrptCustomEngine() = default;

void TrptCustomEngine::Publish(TPublisher<TrptCustomEngine>& P) {
  P.Prop("CurColumn", &TrptCustomEngine::CurColumn);
  P.Prop("CurVColumn", &TrptCustomEngine::CurVColumn);
  P.Prop("CurX", &TrptCustomEngine::CurX);
  P.Prop("CurY", &TrptCustomEngine::CurY);
  P.Prop("DoublePass", &TrptCustomEngine::DoublePass);
  P.Prop("FinalPass", &TrptCustomEngine::FinalPass);
  P.Prop("PageHeight", &TrptCustomEngine::PageHeight);
  P.Prop("PageWidth", &TrptCustomEngine::PageWidth);
  P.Prop("StartDate", &TrptCustomEngine::StartDate).Type("TDateTime");
  P.Prop("StartTime", &TrptCustomEngine::StartTime).Type("TDateTime");
  P.Prop("TotalPages", &TrptCustomEngine::TotalPages);
}

void TrptCustomEngine::StopReport() {
  if (Report) Report->SetTerminated(true);
}

bool TrptCustomEngine::DoublePass() const { return Report && Report->EngineOptions()->DoublePass; }

TrptCustomEngine* TrptCustomOutline::Engine() const { return PreviewPages ? PreviewPages->Engine : nullptr; }

TrptCustomPreviewPages::~TrptCustomPreviewPages() = default;

TrptCustomDesigner::TrptCustomDesigner(TComponent* AOwner, TrptReport* AReport, bool APreviewDesigner)
    : TForm(AOwner), Report(AReport), IsPreviewDesigner(APreviewDesigner) {}

void TrptCustomDesigner::SetModified(bool Value) {
  Modified = Value;
  if (Value && Report) Report->Modified = true;
}

// ---- Export filters ----

TrptCustomExportFilter::TrptCustomExportFilter(TComponent* AOwner) : TComponent(AOwner) {
  rptExportFilterRegistry().Register(this);
}

TrptCustomExportFilter::TrptCustomExportFilter(TUnregistered) : TComponent(nullptr), FUnregistered(true) {}

TrptCustomExportFilter::~TrptCustomExportFilter() {
  if (!FUnregistered) rptExportFilterRegistry().Unregister(this);
}

void TrptCustomExportFilter::Publish(TPublisher<TrptCustomExportFilter>& P) {
  P.Prop("ExportNotPrintable", &TrptCustomExportFilter::ExportNotPrintable).Default(false);
  P.Prop("FileName", &TrptCustomExportFilter::FileName);
  P.Prop("ShowDialog", &TrptCustomExportFilter::ShowDialog).Default(true);
  P.Prop("UseFileCache", &TrptCustomExportFilter::UseFileCache);
  P.Prop("DefaultPath", &TrptCustomExportFilter::DefaultPath);
}

TrptCustomWizard::TrptCustomWizard(TComponent* AOwner) : TComponent(AOwner) {
  Designer = dynamic_cast<TrptCustomDesigner*>(AOwner);
  if (Designer) Report = Designer->Report;
}

int TrptExportFilterCollection::IndexOf(TrptCustomExportFilter* Filter) const {
  auto it = std::find(FFilters.begin(), FFilters.end(), Filter);
  return it == FFilters.end() ? -1 : static_cast<int>(it - FFilters.begin());
}

void TrptExportFilterCollection::Register(TrptCustomExportFilter* Filter) {
  if (IndexOf(Filter) < 0) FFilters.push_back(Filter);
}

void TrptExportFilterCollection::Unregister(TrptCustomExportFilter* Filter) {
  FFilters.erase(std::remove(FFilters.begin(), FFilters.end(), Filter), FFilters.end());
}

TrptExportFilterCollection& rptExportFilterRegistry() {
  static TrptExportFilterCollection registry;
  return registry;
}

bool rptRunExportFilter(TrptCustomExportFilter* Filter, TrptReport* Report,
                        const std::vector<TrptPage*>& Pages) {
  Filter->Report = Report;
  if (!Filter->Start()) return false;
  std::exception_ptr failure;
  try {
    for (size_t i = 0; i < Pages.size(); ++i) {
      if (Report && Report->Terminated()) break;
      TrptPage* page = Pages[i];
      int index = static_cast<int>(i);
      Filter->StartPage(page, index);
      try {
        for (TrptComponent* obj : std::vector<TrptComponent*>(page->GetAllObjects())) Filter->ExportObject(obj);
      } catch (...) {
        Filter->FinishPage(page, index);
        throw;
      }
      Filter->FinishPage(page, index);
      if (Report) Report->DoProgress(ptExporting, index + 1);
    }
  } catch (...) {
    failure = std::current_exception();
  }
  Filter->Finish();
  if (failure) std::rethrow_exception(failure);
  return true;
}

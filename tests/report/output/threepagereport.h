// The report the output tests show, print and export: nine rows, three to an A4 page, "Row 1" to
// "Row 9" on three pages.
#pragma once

#include <memory>

#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptview.h"

namespace {

inline std::unique_ptr<TrptReport> ThreePageReport() {
  rptInstallEngine();
  auto report = std::make_unique<TrptReport>(nullptr);
  report->EngineOptions()->SilentMode = true;
  report->EngineOptions()->DestroyForms = false;
  auto* page = new TrptReportPage(report.get());
  page->SetName("Page1");
  page->SetParent(report.get());
  auto* band = new TrptMasterData(report.get());
  band->SetName("Rows");
  band->SetParent(page);
  band->SetBounds(0, 0, 718, 340);
  band->SetRowCount(9);
  auto* memo = new TrptMemoView(report.get());
  memo->SetName("RowText");
  memo->SetParent(band);
  memo->SetBounds(20, 10, 300, 24);
  memo->SetText("Row [Line]");
  return report;
}

}  // namespace

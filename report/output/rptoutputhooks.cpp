// The report core's window hooks, served by the preview, password, progress and printer units.
#include "report/output/rptoutputhooks.h"

#include <map>
#include <memory>

#include "report/core/rptclass.h"
#include "report/output/rptpassword.h"
#include "report/output/rptpreviewform.h"
#include "report/output/rptprinters.h"
#include "report/output/rptprogress.h"

namespace {

// One progress window per report while it prepares, prints or exports.
std::map<TrptReport*, std::unique_ptr<TrptProgress>>& ProgressWindows() {
  static std::map<TrptReport*, std::unique_ptr<TrptProgress>> windows;
  return windows;
}

}  // namespace

void rptInstallReportOutput() {
  rptInstallPreviewForm();
  rptInstallPasswordForm();
  TrptReportServices& s = rptServices();
  s.OpenProgress = [](TrptReport* Report) {
    auto& w = ProgressWindows()[Report];
    if (!w) w = std::make_unique<TrptProgress>(nullptr);
    w->Open(100, "", false, true);
  };
  s.SetProgressText = [](TrptReport* Report, const std::string& Text) {
    auto it = ProgressWindows().find(Report);
    if (it != ProgressWindows().end()) it->second->SetMessageText(Text);
  };
  s.ProgressCancelled = [](TrptReport* Report) {
    auto it = ProgressWindows().find(Report);
    return it != ProgressWindows().end() && it->second->Terminated();
  };
  s.CloseProgress = [](TrptReport* Report) { ProgressWindows().erase(Report); };
  s.SelectPrinter = [](const std::string& Name) {
    TrptPrinters* printers = rptGlobalPrinters();
    const int index = printers->IndexOf(Name);
    if (index >= 0) printers->SetPrinterIndex(index);
  };
}

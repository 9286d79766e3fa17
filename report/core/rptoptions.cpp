// The report's option objects.
#include "report/core/rptoptions.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"

ORV_CLASS_IMPL(TrptEngineOptions, TPersistent)
ORV_CLASS_IMPL(TrptPreviewOptions, TPersistent)
ORV_CLASS_IMPL(TrptPrintOptions, TPersistent)
ORV_CLASS_IMPL(TrptReportOptions, TPersistent)

// ---- Engine options ----

TrptEngineOptions::TrptEngineOptions() = default;

void TrptEngineOptions::Publish(TPublisher<TrptEngineOptions>& P) {
  P.Prop("ConvertNulls", &TrptEngineOptions::ConvertNulls).Default(true);
  P.Prop("DoublePass", &TrptEngineOptions::DoublePass).Default(false);
  P.Prop("MaxMemSize", &TrptEngineOptions::MaxMemSize).Default(10);
  P.Prop("PrintIfEmpty", &TrptEngineOptions::PrintIfEmpty).Default(true);
  P.Prop("SilentMode", &TrptEngineOptions::SilentMode).Default(false);
  P.Prop("TempDir", &TrptEngineOptions::TempDir);
  P.Prop("UseFileCache", &TrptEngineOptions::UseFileCache).Default(false);
}

void TrptEngineOptions::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptEngineOptions*>(Source);
  if (!s) return;
  ConvertNulls = s->ConvertNulls;
  DoublePass = s->DoublePass;
  MaxMemSize = s->MaxMemSize;
  PrintIfEmpty = s->PrintIfEmpty;
  SilentMode = s->SilentMode;
  TempDir = s->TempDir;
  UseFileCache = s->UseFileCache;
}

void TrptEngineOptions::Clear() {
  ConvertNulls = true;
  DoublePass = false;
}

// ---- Preview options ----

TrptPreviewButtons TrptPreviewOptions::AllButtons() {
  TrptPreviewButtons all;
  for (int b = pbPrint; b <= pbNavigator; ++b) all.Include(static_cast<TrptPreviewButton>(b));
  return all;
}

TrptPreviewOptions::TrptPreviewOptions() = default;

void TrptPreviewOptions::Publish(TPublisher<TrptPreviewOptions>& P) {
  P.Prop("AllowEdit", &TrptPreviewOptions::AllowEdit).Default(true);
  P.Prop("Buttons", &TrptPreviewOptions::Buttons).Default(AllButtons().Bits()).Type("TrptPreviewButtons");
  P.Prop("DoubleBuffered", &TrptPreviewOptions::DoubleBuffered).Default(true);
  P.Prop("Maximized", &TrptPreviewOptions::Maximized).Default(true);
  P.Prop("MDIChild", &TrptPreviewOptions::MDIChild).Default(false);
  P.Prop("Modal", &TrptPreviewOptions::Modal).Default(true);
  P.Prop("OutlineExpand", &TrptPreviewOptions::OutlineExpand).Default(true);
  P.Prop("OutlineVisible", &TrptPreviewOptions::OutlineVisible).Default(false);
  P.Prop("OutlineWidth", &TrptPreviewOptions::OutlineWidth).Default(120);
  P.Prop("ShowCaptions", &TrptPreviewOptions::ShowCaptions).Default(false);
  P.Prop("Zoom", &TrptPreviewOptions::Zoom);
  P.Prop("ZoomMode", &TrptPreviewOptions::ZoomMode).Default(zmDefault);
}

void TrptPreviewOptions::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptPreviewOptions*>(Source);
  if (!s) return;
  AllowEdit = s->AllowEdit;
  Buttons = s->Buttons;
  DoubleBuffered = s->DoubleBuffered;
  Maximized = s->Maximized;
  MDIChild = s->MDIChild;
  Modal = s->Modal;
  OutlineExpand = s->OutlineExpand;
  OutlineVisible = s->OutlineVisible;
  OutlineWidth = s->OutlineWidth;
  ShowCaptions = s->ShowCaptions;
  Zoom = s->Zoom;
  ZoomMode = s->ZoomMode;
}

void TrptPreviewOptions::Clear() {
  OutlineExpand = true;
  OutlineVisible = false;
  OutlineWidth = 120;
}

// ---- Print options ----

TrptPrintOptions::TrptPrintOptions() { Clear(); }

void TrptPrintOptions::Publish(TPublisher<TrptPrintOptions>& P) {
  P.Prop("Copies", &TrptPrintOptions::Copies).Default(1);
  P.Prop("Collate", &TrptPrintOptions::Collate).Default(true);
  P.Prop("PageNumbers", &TrptPrintOptions::PageNumbers);
  P.Prop("Printer", &TrptPrintOptions::Printer);
  P.Prop("PrintPages", &TrptPrintOptions::PrintPages).Default(ppAll);
  P.Prop("Reverse", &TrptPrintOptions::Reverse).Default(false);
  P.Prop("ShowDialog", &TrptPrintOptions::ShowDialog).Default(true);
}

void TrptPrintOptions::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptPrintOptions*>(Source);
  if (!s) return;
  Copies = s->Copies;
  Collate = s->Collate;
  PageNumbers = s->PageNumbers;
  Printer = s->Printer;
  PrintPages = s->PrintPages;
  Reverse = s->Reverse;
  ShowDialog = s->ShowDialog;
}

void TrptPrintOptions::Clear() {
  Copies = 1;
  Collate = true;
  PageNumbers.clear();
  Printer = rptGet("prDefault");
  PrintPages = ppAll;
  Reverse = false;
  ShowDialog = true;
}

// ---- Report options ----

TrptReportOptions::TrptReportOptions(TrptReport* AReport)
    : Report(AReport), FDescription(std::make_unique<TStringList>()), FPicture(std::make_unique<TPicture>()) {
  CreateDate = LastChange = Now();
}

TrptReportOptions::~TrptReportOptions() = default;

void TrptReportOptions::Publish(TPublisher<TrptReportOptions>& P) {
  P.Prop("Author", &TrptReportOptions::Author);
  P.Prop("Compressed", &TrptReportOptions::Compressed).Default(false);
  P.Prop("ConnectionName", &TrptReportOptions::ConnectionName, &TrptReportOptions::SetConnectionName);
  P.Prop("CreateDate", &TrptReportOptions::CreateDate).Type("TDateTime");
  P.Prop("Description", &TrptReportOptions::Description, &TrptReportOptions::SetDescription);
  P.Prop("InitString", &TrptReportOptions::InitString);
  P.Prop("Name", &TrptReportOptions::Name);
  P.Prop("LastChange", &TrptReportOptions::LastChange).Type("TDateTime");
  P.Prop("Password", &TrptReportOptions::Password);
  P.Prop("Picture", &TrptReportOptions::Picture, &TrptReportOptions::SetPicture);
  P.Prop("VersionBuild", &TrptReportOptions::VersionBuild);
  P.Prop("VersionMajor", &TrptReportOptions::VersionMajor);
  P.Prop("VersionMinor", &TrptReportOptions::VersionMinor);
  P.Prop("VersionRelease", &TrptReportOptions::VersionRelease);
}

void TrptReportOptions::SetDescription(TStrings* Value) { FDescription->Assign(Value); }
void TrptReportOptions::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

void TrptReportOptions::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TrptReportOptions*>(Source);
  if (!s) return;
  Author = s->Author;
  Compressed = s->Compressed;
  FConnectionName = s->FConnectionName;
  CreateDate = s->CreateDate;
  FDescription->Assign(s->FDescription.get());
  InitString = s->InitString;
  Name = s->Name;
  LastChange = s->LastChange;
  Password = s->Password;
  FPicture->Assign(s->FPicture.get());
  VersionBuild = s->VersionBuild;
  VersionMajor = s->VersionMajor;
  VersionMinor = s->VersionMinor;
  VersionRelease = s->VersionRelease;
}

void TrptReportOptions::Clear() {
  Author.clear();
  Compressed = false;
  FConnectionName.clear();
  CreateDate = LastChange = Now();
  FDescription->Clear();
  InitString.clear();
  Name.clear();
  Password.clear();
  FPicture->SetGraphic(nullptr);
  VersionBuild.clear();
  VersionMajor.clear();
  VersionMinor.clear();
  VersionRelease.clear();
}

void TrptReportOptions::SetConnectionName(const std::string& Value) {
  FConnectionName = Value;
  if (Value.empty() || !Report || !Report->OnSetConnection) return;
  std::unique_ptr<TCustomIniFile> store(Report->OpenSettingsStore());
  std::string connection = store->ReadString("Connections", Value, "");
  store.reset();
  Report->OnSetConnection(connection);
}

bool TrptReportOptions::CheckPassword() {
  if (Password.empty()) return true;
  std::string typed;
  if (!rptServices().AskPassword) return false;
  return rptServices().AskPassword(typed) && typed == Password;
}

// TrptReport: creation and reset, loading and saving, preparation, showing, printing, exporting,
// designing, progress and event dispatch. The script side is in rptscript.cpp.
#include <exception>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "report/core/rptclass.h"
#include "report/core/rptbands.h"
#include "report/core/rptgifgraphic.h"
#include "report/core/rptengine.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptview.h"
#include "report/core/rptdataset.h"
#include "report/core/rptbarcodeview.h"
#include "report/core/rptdbset.h"
#include "report/core/rptdmp.h"
#include "report/core/rptgradient.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptscript.h"
#include "report/core/rptservices.h"
#include "report/core/rptstyles.h"
#include "report/core/rptutils.h"
#include "report/core/rptvariables.h"
#include "report/core/rptxmlserializer.h"
#include "script/sc_iinterpreter.h"

ORV_CLASS_IMPL(TrptReport, TrptComponent)

TrptReportServices& rptServices() {
  static TrptReportServices services;
  return services;
}

void TrptReport::Publish(TPublisher<TrptReport>& P) {
  P.Prop("Version", &TrptReport::Version, &TrptReport::SetVersion);
  P.Prop("DataSet", &TrptReport::DataSet, &TrptReport::SetDataSet);
  P.Prop("DataSetName", &TrptReport::DataSetName, &TrptReport::SetDataSetName);
  P.Prop("DotMatrixReport", &TrptReport::DotMatrixReport);
  P.Prop("EngineOptions", &TrptReport::EngineOptions, &TrptReport::SetEngineOptions);
  P.Prop("IniFile", &TrptReport::IniFile);
  P.Prop("OldStyleProgress", &TrptReport::OldStyleProgress).Default(false);
  P.Prop("Preview", &TrptReport::Preview, &TrptReport::SetPreview);
  P.Prop("PreviewOptions", &TrptReport::PreviewOptions, &TrptReport::SetPreviewOptions);
  P.Prop("PrintOptions", &TrptReport::PrintOptions, &TrptReport::SetPrintOptions);
  P.Prop("ReportOptions", &TrptReport::ReportOptions, &TrptReport::SetReportOptions);
  P.Prop("ScriptLanguage", &TrptReport::ScriptLanguage);
  P.Prop("ScriptText", &TrptReport::ScriptText, &TrptReport::SetScriptText);
  P.Prop("ShowProgress", &TrptReport::ShowProgress).Default(true);
  P.Prop("StoreInDFM", &TrptReport::StoreInDFM).Default(true);
  P.Event("OnAfterPrint", &TrptReport::OnAfterPrint).Type("TrptBeforePrintEvent");
  P.Event("OnBeforePrint", &TrptReport::OnBeforePrint).Type("TrptBeforePrintEvent");
  P.Event("OnBeginDoc", &TrptReport::OnBeginDoc).Type("TNotifyEvent");
  P.Event("OnEndDoc", &TrptReport::OnEndDoc).Type("TNotifyEvent");
  P.Event("OnClickObject", &TrptReport::OnClickObject).Type("TrptClickObjectEvent");
  P.Event("OnGetValue", &TrptReport::OnGetValue).Type("TrptGetValueEvent");
  P.Event("OnManualBuild", &TrptReport::OnManualBuild).Type("TrptManualBuildEvent");
  P.Event("OnMouseOverObject", &TrptReport::OnMouseOverObject).Type("TrptMouseOverObjectEvent");
  P.Event("OnPrintReport", &TrptReport::OnPrintReport).Type("TNotifyEvent");
  P.Event("OnAfterPrintReport", &TrptReport::OnAfterPrintReport).Type("TNotifyEvent");
  P.Event("OnProgressStart", &TrptReport::OnProgressStart).Type("TrptProgressEvent");
  P.Event("OnProgress", &TrptReport::OnProgress).Type("TrptProgressEvent");
  P.Event("OnProgressStop", &TrptReport::OnProgressStop).Type("TrptProgressEvent");
  P.Prop("OnRunDialogs", &TrptReport::OnRunDialogs).Type("TrptNotifyEvent");
  P.Prop("OnStartReport", &TrptReport::OnStartReport).Type("TrptNotifyEvent");
  P.Prop("OnStopReport", &TrptReport::OnStopReport).Type("TrptNotifyEvent");
  P.Event("OnUserFunction", &TrptReport::OnUserFunction).Type("TrptUserFunctionEvent");
}

TrptReport::TrptReport(TComponent* AOwner) : TrptComponent(AOwner) {
  rptRegisterReportClasses();
  FDataSets = std::make_unique<TrptReportDataSets>(this);
  FVariables = std::make_unique<TrptVariables>();
  FScript = std::make_unique<TscScript>(nullptr);
  FScript->Parent = scGlobalScript();
  FScript->ExtendedIdentChars = true;
  FEngineOptions = std::make_unique<TrptEngineOptions>();
  FPreviewOptions = std::make_unique<TrptPreviewOptions>();
  FPrintOptions = std::make_unique<TrptPrintOptions>();
  FReportOptions = std::make_unique<TrptReportOptions>(this);
  IniFile = "\\Software\\Rede Vivedad";
  FScriptText = std::make_unique<TStringList>();
  FExpressionCache = std::make_unique<TrptExpressionCache>(FScript.get());
  FErrors = std::make_unique<TStringList>();
  FErrors->SetSorted(true);
  FErrors->SetDuplicates(dupIgnore);
  FStyles = std::make_unique<TrptStyles>(this);
  FSysVariables = std::make_unique<TStringList>();
  if (rptServices().CreateEngine) rptServices().CreateEngine(this, FEngine, FPreviewPages);
  Clear();
}

TrptReport::~TrptReport() {
  SetPreview(nullptr);
  // The children go while the report's own parts still exist (datasets leave DataSets).
  TrptComponent::Clear();
  DestroyComponents();
  delete FPreviewPages;
  delete FEngine;
  FScript->ClearItems(this);
}

bool TrptReport::IsWorkerThread() const { return FEngineOptions->ReportThread != nullptr; }

void TrptReport::SetSysVariables() {
  FSysVariables->Clear();
  for (const char* n : {"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#"})
    FSysVariables->Add(n);
}

void TrptReport::ResetReport() {
  TrptComponent::Clear();
  FDataSets->Clear();
  FVariables->Clear();
  FEngineOptions->Clear();
  FPreviewOptions->Clear();
  FPrintOptions->Clear();
  FReportOptions->Clear();
  FStyles->Clear();
  FDataSet = nullptr;
  FDataSetName.clear();
  DotMatrixReport = false;
  ScriptLanguage = "PascalScript";
  FScriptText->Clear();
  FScriptText->Add("begin");
  FScriptText->Add("");
  FScriptText->Add("end.");
  SetSysVariables();
  OnRunDialogs.clear();
  OnStartReport.clear();
  OnStopReport.clear();
}

void TrptReport::Clear() {
  if (IsWorkerThread())
    TThread::Synchronize(nullptr, [this] { ResetReport(); });
  else
    ResetReport();
}

std::string TrptReport::GetKindCaption() const { return rptGet("obReport"); }

TrptPage* TrptReport::PageAt(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return dynamic_cast<TrptPage*>(Objects[static_cast<size_t>(Index)]);
}

void TrptReport::AddError(const std::string& Text) { FErrors->Add(Text); }

// ---- Options and collections ----

void TrptReport::SetEngineOptions(TrptEngineOptions* Value) { FEngineOptions->Assign(Value); }
void TrptReport::SetPreviewOptions(TrptPreviewOptions* Value) { FPreviewOptions->Assign(Value); }
void TrptReport::SetPrintOptions(TrptPrintOptions* Value) { FPrintOptions->Assign(Value); }
void TrptReport::SetReportOptions(TrptReportOptions* Value) { FReportOptions->Assign(Value); }
void TrptReport::SetScriptText(TStrings* Value) { FScriptText->Assign(Value); }

void TrptReport::SetStyles(TrptStyles* Value) {
  if (!Value) {
    FStyles->Clear();
    return;
  }
  FStyles->Assign(Value);
  FStyles->Apply();
}

void TrptReport::DefineProperties(TFiler* Filer) {
  TrptComponent::DefineProperties(Filer);
  auto define = [this, Filer](const char* Name, TCollection* C) {
    Filer->DefineProperty(
        Name, [this, C](TReader* R) { rptReadItemCollection(C, R, this); },
        [this, C](TWriter* W) { rptWriteItemCollection(C, W, this); }, C->Count() > 0);
  };
  define("Datasets", FDataSets.get());
  define("Variables", FVariables.get());
  define("Style", FStyles.get());
}

// ---- Datasets ----

void TrptReport::SetDataSet(TrptDataSet* Value) {
  FDataSet = Value;
  FDataSetName = Value ? Value->UserName() : std::string();
  if (Value) Value->FreeNotification(this);
}

std::string TrptReport::DataSetName() const { return FDataSet ? FDataSet->UserName() : FDataSetName; }

void TrptReport::SetDataSetName(const std::string& Value) {
  FDataSetName = Value;
  FDataSet = rptFindDataSet(FDataSet, Value, this);
  if (FDataSet) FDataSet->FreeNotification(this);
}

std::string TrptReport::DataSetUserName(TrptDataSet* D) {
  if (!D) return std::string();
  if (FDataSets->Find(D)) return D->UserName();
  return rptGet("clDSNotIncl");
}

TrptDataSet* TrptReport::GetDataset(const std::string& Alias) {
  for (int i = 0; i < FDataSets->Count(); ++i) {
    TrptDataSet* d = FDataSets->Items(i)->DataSet();
    if (d && SameText(d->UserName(), Alias)) return d;
  }
  return nullptr;
}

void TrptReport::SplitFieldReference(const std::string& Text, TrptDataSet*& ADataSet, std::string& Field) {
  ADataSet = nullptr;
  Field.clear();
  size_t p = Text.find(".\"");
  if (p == std::string::npos) return;
  ADataSet = GetDataset(Text.substr(0, p));
  std::string rest = Text.substr(p + 1);
  Field = rest.size() >= 2 ? rest.substr(1, rest.size() - 2) : std::string();
}

void TrptReport::ListDataSets(TStrings* List, bool OmitUserDataSets) {
  List->Clear();
  for (int i = 0; i < FDataSets->Count(); ++i) {
    TrptDataSet* d = FDataSets->Items(i)->DataSet();
    if (!d) continue;
    if (OmitUserDataSets && dynamic_cast<TrptUserDataSet*>(d)) continue;
    List->AddObject(d->UserName(), d);
  }
}

void TrptReport::Notification(TComponent* AComponent, TOperation Operation) {
  TrptComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // The component may already be past its own destructor: compare addresses only.
  if (static_cast<TComponent*>(FDataSet) == AComponent) FDataSet = nullptr;
  bool wasDataSet = false;
  for (int i = FDataSets->Count() - 1; i >= 0; --i)
    if (static_cast<TComponent*>(FDataSets->Items(i)->DataSet()) == AComponent) {
      FDataSets->Delete(i);
      wasDataSet = true;
    }
  if (wasDataSet && Designer) Designer->RefreshDataTree();
  if (static_cast<TComponent*>(FPreview) == AComponent) FPreview = nullptr;
}

void TrptReport::SetPreview(TrptCustomPreview* Value) {
  if (FPreview && !Value) {
    FPreview->Report = nullptr;
    FPreview->PreviewPages = nullptr;
    PreviewFormOpen = false;
  }
  FPreview = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->Report = this;
    Value->PreviewPages = FPreviewPages;
    Value->Reinitialize();
  }
}

// ---- Loading and saving ----

namespace {
std::string ShiftPassword(const std::string& S, int Delta) {
  std::string r = S;
  for (char& c : r) c = static_cast<char>((static_cast<unsigned char>(c) + Delta + 256) % 256);
  return r;
}
}  // namespace

void TrptReport::LoadFromStream(TStream* Stream) {
  FErrors->Clear();
  TrptEngineOptions engine;
  engine.Assign(FEngineOptions.get());
  TrptPreviewOptions preview;
  preview.Assign(FPreviewOptions.get());
  std::string iniFile = IniFile;
  TrptCustomPreview* attached = FPreview;
  bool oldStyle = OldStyleProgress, showProgress = ShowProgress, storeInDFM = StoreInDFM;

  std::exception_ptr failure;
  try {
    if (IsWorkerThread())
      TThread::Synchronize(nullptr, [this, Stream] { TrptComponent::LoadFromStream(Stream); });
    else
      TrptComponent::LoadFromStream(Stream);
  } catch (...) {
    failure = std::current_exception();
  }

  // Only the report-level options come from the file.
  bool convertNulls = FEngineOptions->ConvertNulls, doublePass = FEngineOptions->DoublePass;
  FEngineOptions->Assign(&engine);
  FEngineOptions->ConvertNulls = convertNulls;
  FEngineOptions->DoublePass = doublePass;
  bool outlineVisible = FPreviewOptions->OutlineVisible, outlineExpand = FPreviewOptions->OutlineExpand;
  int outlineWidth = FPreviewOptions->OutlineWidth;
  FPreviewOptions->Assign(&preview);
  FPreviewOptions->OutlineVisible = outlineVisible;
  FPreviewOptions->OutlineExpand = outlineExpand;
  FPreviewOptions->OutlineWidth = outlineWidth;
  IniFile = iniFile;
  if (FPreview != attached) FPreview = attached;
  OldStyleProgress = oldStyle;
  ShowProgress = showProgress;
  StoreInDFM = storeInDFM;

  FReportOptions->Password = ShiftPassword(FReportOptions->Password, 10);

  if (FReloading || IsWorkerThread() || FReportOptions->CheckPassword()) {
    if (FErrors->Count() > 0 && !FEngineOptions->SilentMode) ShowErrorBox();
  } else {
    Clear();
  }
  if (failure) std::rethrow_exception(failure);
}

bool TrptReport::LoadFromFile(const std::string& AFileName, bool ExceptionIfNotFound) {
  Clear();
  FileName.clear();
  bool exists = FileExists(AFileName);
  if (exists || ExceptionIfNotFound) {
    TFileStream f(AFileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
    FileName = AFileName;
  }
  return exists;
}

void TrptReport::SaveToStream(TStream* Stream, bool SaveChildren, bool SaveDefaultValues) {
  std::string password = FReportOptions->Password;
  TrptCustomPreview* attached = FPreview;
  struct Restore {
    TrptReport* Self;
    std::string Password;
    TrptCustomPreview* Preview;
    ~Restore() {
      Self->FReportOptions->Password = Password;
      Self->FPreview = Preview;
    }
  } restore{this, password, attached};
  FReportOptions->Password = ShiftPassword(password, -10);
  FPreview = nullptr;
  TrptComponent::SaveToStream(Stream, SaveChildren, SaveDefaultValues);
}

void TrptReport::SaveToFile(const std::string& AFileName) {
  TFileStream f(AFileName, fmCreate);
  SaveToStream(&f, true, false);
}

// ---- Preparing, showing, printing ----

void TrptReport::ShowErrorBox() {
  std::string text = rptGet("clErrors") + "\r\n" + FErrors->Text();
  if (rptServices().ShowErrors)
    rptServices().ShowErrors(this, text);
  else
    rptShowError(text);
}

bool TrptReport::PrepareReport(bool ClearLastReport) {
  if (ClearLastReport && FPreviewPages) FPreviewPages->Clear();
  FErrors->Clear();
  FTerminated = false;
  bool result = false;
  for (int i = 0; i < FDataSets->Count(); ++i)
    if (!FDataSets->Items(i)->DataSet())
      AddError(Format(rptGet("clDSNotExist"), {FDataSets->Items(i)->DataSetName()}));
  if (FErrors->Count() == 0) {
    std::unique_ptr<TMemoryStream> snapshot;
    if (FEngineOptions->DestroyForms) {
      snapshot = std::make_unique<TMemoryStream>();
      SaveToStream(snapshot.get(), true, false);
    }
    try {
      if (OnBeginDoc) OnBeginDoc(this);
      if (CompileReportScript()) {
        if (FScript->MainStatement->Count() > 0) FScript->Execute();
        if (!FEngine) throw Exception("The report engine is not available");
        if (FEngine->Run()) {
          if (OnEndDoc) OnEndDoc(this);
          result = true;
        } else if (PreviewFormOpen && rptServices().ClosePreviewForm) {
          rptServices().ClosePreviewForm(this);
        }
      }
    } catch (const std::exception& e) {
      AddError(e.what());
    }
    if (snapshot) {
      std::string errors = FErrors->Text();
      snapshot->SetPosition(0);
      FReloading = true;
      try {
        if (!IsWorkerThread()) LoadFromStream(snapshot.get());
      } catch (const std::exception& e) {
        errors += std::string(e.what()) + "\n";
      }
      FReloading = false;
      FErrors->SetText(errors);
    }
  }
  if (!Trim(FErrors->Text()).empty()) {
    result = false;
    if (!FEngineOptions->SilentMode) ShowErrorBox();
  }
  return result;
}

void TrptReport::ShowPreparedReport() {
  PreviewFormOpen = false;
  if (FPreview) {
    FPreview->Report = this;
    FPreview->PreviewPages = FPreviewPages;
    FPreview->Reinitialize();
    return;
  }
  if (rptServices().ShowPreviewForm) rptServices().ShowPreviewForm(this);
}

void TrptReport::ShowReport(bool ClearLastReport) {
  if (ClearLastReport && FPreviewPages) FPreviewPages->Clear();
  if (!OldStyleProgress) {
    // The preview shows at once and fills page by page: preparation follows from the message
    // loop (a modal preview runs it inside its own loop).
    if (!FTimer) {
      auto* timer = new TTimer(this);
      timer->SetInterval(50);
      timer->SetOnTimer([this, timer](TObject*) {
        timer->SetEnabled(false);
        PrepareReport(false);
      });
      FTimer = timer;
    }
    static_cast<TTimer*>(FTimer)->SetEnabled(true);
    ShowPreparedReport();
  } else if (PrepareReport(false)) {
    ShowPreparedReport();
  }
}

bool TrptReport::Print() { return FPreviewPages ? FPreviewPages->Print() : false; }

bool TrptReport::Export(TrptCustomExportFilter* Filter) {
  return FPreviewPages ? FPreviewPages->Export(Filter) : false;
}

void TrptReport::DesignReport() {
  if (Designer || !rptServices().RunDesigner) return;
  if (PageCount() == 0) {
    TClass pageClass = GetClass(DotMatrixReport ? "TrptDMPPage" : "TrptReportPage");
    if (pageClass && pageClass->Factory) {
      auto* page = dynamic_cast<TrptPage*>(pageClass->Factory(this));
      if (page) {
        page->SetDefaults();
        page->SetName("Page1");
      }
    }
  }
  FScript->ClearItems(this);
  Modified = false;
  Modified = rptServices().RunDesigner(this, false);
}

bool TrptReport::DesignPreparedPage() {
  if (Designer || !rptServices().RunDesigner) return false;
  return rptServices().RunDesigner(this, true);
}

void TrptReport::SetTerminated(bool Value) {
  FTerminated = Value;
  if (Value) FScript->Terminate();
}

TCustomIniFile* TrptReport::OpenSettingsStore() {
  if (IniFile.compare(0, 10, "\\Software\\") == 0) return new TRegistryIniFile(IniFile);
  return new TIniFile(IniFile);
}

void TrptReport::SelectReportPrinter() {
  if (rptServices().SelectPrinter) rptServices().SelectPrinter(FPrintOptions->Printer);
}

void TrptReport::SetProgressMessage(const std::string& Text) {
  if (IsWorkerThread()) return;
  if (OldStyleProgress && FEngine && FEngine->IsRunning && ShowProgress && rptServices().SetProgressText)
    rptServices().SetProgressText(this, Text);
  if (PreviewFormOpen && rptServices().ShowStatusText) rptServices().ShowStatusText(this, Text);
  Application()->ProcessMessages();
}

// ---- Progress ----

namespace {
bool ProgressWindowWanted(TrptReport* R, int Type) {
  return (R->OldStyleProgress || Type != ptRunning) && R->ShowProgress;
}
}  // namespace

void TrptReport::DoProgressStart(int ProgressType) {
  if (IsWorkerThread()) return;
  if (OnProgressStart) OnProgressStart(this, ProgressType, 0);
  if (ProgressWindowWanted(this, ProgressType)) {
    if (rptServices().CloseProgress) rptServices().CloseProgress(this);
    if (rptServices().OpenProgress) rptServices().OpenProgress(this);
  }
  if (FPreview && ProgressType == ptRunning) FPreview->BeginProgress(this, ProgressType, 0);
  Application()->ProcessMessages();
}

void TrptReport::DoProgress(int ProgressType, int Progress) {
  if (IsWorkerThread()) return;
  if (OnProgress) OnProgress(this, ProgressType, Progress);
  if (ProgressWindowWanted(this, ProgressType)) {
    std::string key;
    switch (ProgressType) {
      case ptRunning: key = FEngine && !FEngine->FinalPass ? "prRunningFirst" : "prRunning"; break;
      case ptExporting: key = "prExporting"; break;
      default: key = "prPrinting"; break;
    }
    if (rptServices().SetProgressText) rptServices().SetProgressText(this, Format(rptGet(key), {Progress}));
    if (rptServices().ProgressCancelled && rptServices().ProgressCancelled(this)) SetTerminated(true);
  }
  if (FPreview && ProgressType == ptRunning) FPreview->UpdateProgress(this, ProgressType, Progress - 1);
  Application()->ProcessMessages();
}

void TrptReport::DoProgressStop(int ProgressType) {
  if (IsWorkerThread()) return;
  if (OnProgressStop) OnProgressStop(this, ProgressType, 0);
  if (ProgressWindowWanted(this, ProgressType) && rptServices().CloseProgress) rptServices().CloseProgress(this);
  if (FPreview && ProgressType == ptRunning) FPreview->EndProgress(this, ProgressType, 0);
  Application()->ProcessMessages();
}

// ---- Events ----

void TrptReport::DoBeforePrint(TrptReportComponent* Obj) {
  if (OnBeforePrint) OnBeforePrint(Obj);
  DoNotifyEvent(Obj, Obj->OnBeforePrint);
}

void TrptReport::DoAfterPrint(TrptReportComponent* Obj) {
  if (OnAfterPrint) OnAfterPrint(Obj);
  DoNotifyEvent(Obj, Obj->OnAfterPrint);
}

void TrptReport::DoPreviewClick(TrptReportComponent* Obj, int Button, int Shift, bool& Modified) {
  if (!Obj->OnPreviewClick.empty()) {
    Variant params = VarArrayOf({scObjectToValue(Obj), Variant(Button), Variant(Shift), Variant(Modified)});
    DoParamEvent(Obj->OnPreviewClick, params, true);
    Modified = params.GetElement({3}).AsBoolean();
  }
  if (OnClickObject)
    if (auto* v = dynamic_cast<TrptView*>(Obj)) OnClickObject(v, Button, Shift, Modified);
}

void TrptReport::DoMouseOverObject(TrptReportComponent* Obj) {
  if (OnMouseOverObject)
    if (auto* v = dynamic_cast<TrptView*>(Obj)) OnMouseOverObject(v);
}

// ---- Start-up ----

void rptRegisterReportClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  // The report classes that files and form streams name; the page, band and view classes join
  // when their units start, the dataset classes here because dialog pages hold them.
  // The report cursors crHand (50), crZoom (51) and crFormat (52): the program carries no cursor
  // pictures of its own for them, so the system's hand, cross and drag cursors stand in.
  Screen()->SetCursors(50, Screen()->Cursors(crHandPoint));
  Screen()->SetCursors(51, Screen()->Cursors(crCross));
  Screen()->SetCursors(52, Screen()->Cursors(crDrag));
  RegisterClasses({TrptReport::StaticClass(), TrptFrame::StaticClass(), TrptStyleItem::StaticClass(),
                   TrptUserDataSet::StaticClass(), TrptDBDataset::StaticClass()});
  rptRegisterViewClasses();
  rptRegisterGIFGraphic();
  rptRegisterBandClasses();
  rptRegisterScriptBindings();
  rptRegisterDMPClasses();
  rptRegisterGradientClasses();
  rptRegisterBarcodeClasses();
  // The band engine and the prepared pages serve every report unless a program installed others.
  if (!rptServices().CreateEngine) rptInstallEngine();
}

// The report object model: the component tree every report object belongs to (TrptComponent
// with its printable and dialog descendants) and the report itself (TrptReport), which owns its
// pages, datasets list, variables, styles, options, script, engine and prepared pages.
//
// Ownership: an object created with a report object as owner belongs (as a component) to that
// object's report and becomes a child (Parent/Objects) of the given object, so names are unique
// report-wide and the report frees everything. Destroying an object destroys its children first.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"

class TFont;
class TStream;
class TStrings;
class TStringList;
class TCanvas;
class TControl;
class TCustomForm;
class TscScript;
class TscCustomVariable;
class TrptReport;
class TrptPage;
class TrptDataSet;
class TrptReportDataSets;
class TrptVariables;
class TrptStyles;
class TrptEngineOptions;
class TrptPreviewOptions;
class TrptPrintOptions;
class TrptReportOptions;
class TrptCustomEngine;
class TrptCustomPreviewPages;
class TrptCustomPreview;
class TrptCustomDesigner;
class TrptCustomExportFilter;
class TrptExpressionCache;
class TrptView;
class TrptXMLSerializer;

enum TrptRestriction { rfDontModify, rfDontSize, rfDontMove, rfDontDelete };
ORV_ENUM_TYPEINFO(TrptRestriction, rfDontModify, rfDontSize, rfDontMove, rfDontDelete)
using TrptRestrictions = TSet<TrptRestriction>;

// Placement of a view inside its parent (the views publish it).
enum TrptAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
ORV_ENUM_TYPEINFO(TrptAlign, baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient)

// Progress types of DoProgressStart / DoProgress / DoProgressStop.
enum TrptProgressType { ptRunning, ptExporting, ptPrinting };

class TrptComponent : public TComponent {
  ORV_CLASS(TrptComponent, TComponent)
public:
  explicit TrptComponent(TComponent* AOwner);
  ~TrptComponent() override;
  static void Publish(TPublisher<TrptComponent>& P);

  // Builds an object of class AClass as the designer does: marked IsDesigning. Flags is unused.
  static TrptComponent* DesignCreate(TClass AClass, TComponent* AOwner, int Flags);

  virtual void SetParent(TrptComponent* Value);
  virtual void SetLeft(Extended Value);
  virtual void SetTop(Extended Value);
  virtual void SetWidth(Extended Value);
  virtual void SetHeight(Extended Value);
  virtual void SetFont(TFont* Value);
  virtual void SetParentFont(bool Value);
  virtual void SetVisible(bool Value);
  // The object's own font was edited: ParentFont goes off and following children copy it.
  virtual void FontChanged();
  // Places the child views by their Align.
  virtual void AlignChildren();
  // Hook called on every object while the report script is prepared.
  virtual void BeforeRun() {}
  // Destroys all children.
  virtual void Clear();
  // Reads this object (and its children) from the report XML format; never renames it.
  virtual void LoadFromStream(TStream* Stream);
  // Writes this object (with or without children and default values); the root carries no name.
  virtual void SaveToStream(TStream* Stream, bool SaveChildren = true, bool SaveDefaultValues = false);
  // Hook the band engine calls on the objects of its notify list.
  virtual void EngineNotify() {}
  // The attributes in which this object differs from Reference (prepared pages).
  virtual std::string Diff(TrptComponent* Reference);
  // This object alone as attribute text, followed by Diff(Reference) when given.
  std::string FullDiff(TrptComponent* Reference);
  virtual std::string GetKindCaption() const;

  void SetName(const std::string& Value) override;
  void Assign(TPersistent* Source) override;
  void AssignWithChildren(TrptComponent* Source);
  void SetBounds(Extended ALeft, Extended ATop, Extended AWidth, Extended AHeight);
  TrptPage* GetPage();
  TrptReport* GetReport();
  Extended GetAbsLeft() const;
  Extended GetAbsTop() const;
  // Every descendant, depth-first pre-order (rebuilt on every call; owned by the object).
  const std::vector<TrptComponent*>& GetAllObjects();
  // First descendant named Name (ASCII case ignored); null when none.
  TrptComponent* FindObject(const std::string& AName);
  // Names the object BaseName + the smallest free number.
  void MakeUniqueName();
  std::string BaseName() const;

  // Predicates the difference writer and the child alignment ask; the view and band classes
  // answer them.
  virtual bool IsView() const { return false; }
  virtual TrptAlign GetAlign() const { return baNone; }
  virtual bool IsBand() const { return false; }
  virtual bool HasAutoWidth() const { return false; }

  // For the class library's streaming of forms.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TComponent* GetChildOwner() override { return this; }

  // Fields.
  std::vector<TrptComponent*> Objects;  // direct children, owned
  std::vector<TrptComponent*> AllObjects;
  TrptComponent* Parent() const { return FParent; }
  Extended Left() const { return FLeft; }
  Extended Top() const { return FTop; }
  Extended Width() const { return FWidth; }
  Extended Height() const { return FHeight; }
  TFont* Font() const { return FFont.get(); }
  bool ParentFont() const { return FParentFont; }
  int GroupIndex = 0;
  bool IsDesigning = false;
  bool IsLoading = false;
  bool IsPrinting = false;
  bool IsWriting = false;
  bool AllDiff = false;
  TrptRestrictions Restrictions;
  bool Visible() const { return FVisible; }
  std::string Description;
  std::string Alias;
  TrptComponent* OriginalComponent = nullptr;
  // The horizontal band a cell came from when the engine moved it into a vertical band.
  TrptComponent* CrossHost = nullptr;

  bool IsFontStored() const { return !FParentFont; }

protected:
  Extended FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  Extended FSavedLeft = 0, FSavedTop = 0, FSavedWidth = 0, FSavedHeight = 0;

private:
  TrptComponent* FParent = nullptr;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = false;
  bool FVisible = true;
};

// Objects that can be placed on a page and printed.
class TrptReportComponent : public TrptComponent {
  ORV_CLASS(TrptReportComponent, TrptComponent)
public:
  explicit TrptReportComponent(TComponent* AOwner);
  ~TrptReportComponent() override;
  static void Publish(TPublisher<TrptReportComponent>& P);

  virtual void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
                    Extended OffsetY) = 0;
  // Saves the bounds; AfterPrint restores them.
  virtual void BeforePrint();
  virtual void GetData() {}
  virtual void AfterPrint();
  virtual std::string GetComponentText() { return std::string(); }

  std::string OnAfterData;
  std::string OnAfterPrint;
  std::string OnBeforePrint;
  std::string OnPreviewClick;
  Extended StretchGrowth = 0;
  std::vector<TrptReportComponent*> ShiftChildren;
};

// Non-visual objects on a dialog page (placed outside any page).
class TrptDialogComponent : public TrptReportComponent {
  ORV_CLASS(TrptDialogComponent, TrptReportComponent)
public:
  explicit TrptDialogComponent(TComponent* AOwner);
  ~TrptDialogComponent() override;
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  void DefineProperties(TFiler* Filer) override;
  TComponent* Component() const { return FComponent.get(); }

protected:
  std::unique_ptr<TComponent> FComponent;
};

// Wraps a class-library control on a dialog page.
class TrptDialogControl : public TrptReportComponent {
  ORV_CLASS(TrptDialogControl, TrptReportComponent)
public:
  explicit TrptDialogControl(TComponent* AOwner);
  ~TrptDialogControl() override;
  static void Publish(TPublisher<TrptDialogControl>& P);

  void SetLeft(Extended Value) override;
  void SetTop(Extended Value) override;
  void SetWidth(Extended Value) override;
  void SetHeight(Extended Value) override;
  void SetVisible(bool Value) override;
  void SetParentFont(bool Value) override;
  void FontChanged() override;
  void SetParent(TrptComponent* Value) override;
  void SetName(const std::string& Value) override;
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
            Extended OffsetY) override;

  TControl* Control() const { return FControl; }
  bool Enabled() const;
  void SetEnabled(bool Value);
  std::string Caption() const;
  void SetCaption(const std::string& Value);

protected:
  // Descendants make their control and hand it over here (the object owns it).
  void SetControl(TControl* AControl);

private:
  void UpdateControlBounds();
  TControl* FControl = nullptr;
};

// The page base: report pages, dialog pages and dot-matrix pages derive from it.
class TrptPage : public TrptComponent {
  ORV_CLASS(TrptPage, TrptComponent)
public:
  explicit TrptPage(TComponent* AOwner);
  // A new page takes the printer's paper and the default margins (report pages).
  virtual void SetDefaults() {}
};

// Events of the report.
using TrptComponentEvent = std::function<void(class TrptReportComponent* Sender)>;
using TrptGetValueEvent = std::function<void(const std::string& VarName, Variant& Value)>;
using TrptClickObjectEvent =
    std::function<void(TrptView* Sender, int Button, int Shift, bool& Modified)>;
using TrptMouseOverObjectEvent = std::function<void(TrptView* Sender)>;
using TrptManualBuildEvent = std::function<void(TrptPage* Page)>;
using TrptProgressEvent = std::function<void(TrptReport* Sender, int ProgressType, int Progress)>;
using TrptUserFunctionEvent = std::function<Variant(const std::string& MethodName, Variant& Params)>;
using TrptConnectionEvent = std::function<void(const std::string& Connection)>;

// The windows of the preview, printing and designer subsystems that the report drives. Each hook
// is installed by the unit that owns the window; without it the operation does nothing (the
// error box falls back to a plain message box).
struct TrptReportServices {
  // Shows the collected errors ("clErrors", a line break, the list) once.
  std::function<void(TrptReport* Report, const std::string& Text)> ShowErrors;
  // Shows the prepared report in a preview window (modal or not per PreviewOptions).
  std::function<void(TrptReport* Report)> ShowPreviewForm;
  // Closes the preview window opened by ShowPreviewForm (a preparation that did not complete).
  std::function<void(TrptReport* Report)> ClosePreviewForm;
  // Shows text in the preview window's status bar.
  std::function<void(TrptReport* Report, const std::string& Text)> ShowStatusText;
  // The modal password window: returns true and the typed text when closed with OK.
  std::function<bool(std::string& Typed)> AskPassword;
  // The progress window: open, set the message, read the cancel flag, close.
  std::function<void(TrptReport* Report)> OpenProgress;
  std::function<void(TrptReport* Report, const std::string& Text)> SetProgressText;
  std::function<bool(TrptReport* Report)> ProgressCancelled;
  std::function<void(TrptReport* Report)> CloseProgress;
  // Makes the printer of that name current when it exists.
  std::function<void(const std::string& PrinterName)> SelectPrinter;
  // The designer window for the report (PreparedPage: a page of the prepared report); runs until
  // the window is closed and returns its modified flag.
  std::function<bool(TrptReport* Report, bool PreparedPage)> RunDesigner;
  // Makes the engine and the prepared pages of a report (the band engine's unit installs it).
  std::function<void(TrptReport* Report, TrptCustomEngine*& Engine, TrptCustomPreviewPages*& Pages)>
      CreateEngine;
};
TrptReportServices& rptServices();

class TrptReport : public TrptComponent {
  ORV_CLASS(TrptReport, TrptComponent)
public:
  explicit TrptReport(TComponent* AOwner);
  ~TrptReport() override;
  static void Publish(TPublisher<TrptReport>& P);

  void Clear() override;
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream, bool SaveChildren = true, bool SaveDefaultValues = false) override;
  std::string GetKindCaption() const override;
  void DefineProperties(TFiler* Filer) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Clears the report, loads FileName when it exists (or ExceptionIfNotFound is set: a missing
  // file then raises EFOpenError) and returns whether it existed.
  bool LoadFromFile(const std::string& AFileName, bool ExceptionIfNotFound = false);
  void SaveToFile(const std::string& AFileName);
  // Prepares the report into its prepared pages; true when they are complete.
  bool PrepareReport(bool ClearLastReport = true);
  void ShowPreparedReport();
  void ShowReport(bool ClearLastReport = true);
  bool Print();
  bool Export(TrptCustomExportFilter* Filter);
  void DesignReport();
  bool DesignPreparedPage();

  virtual void DoProgressStart(int ProgressType);
  virtual void DoProgress(int ProgressType, int Progress);
  virtual void DoProgressStop(int ProgressType);

  // Pages.
  int PageCount() const { return static_cast<int>(Objects.size()); }
  TrptPage* PageAt(int Index) const;

  // Datasets.
  TrptDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TrptDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  std::string DataSetUserName(TrptDataSet* D);
  TrptDataSet* GetDataset(const std::string& Alias);
  // Splits DataSetName."FieldName" into the dataset (null when not in DataSets) and the field.
  void SplitFieldReference(const std::string& Text, TrptDataSet*& ADataSet, std::string& Field);
  void ListDataSets(TStrings* List, bool OmitUserDataSets);

  void SetStyles(TrptStyles* Value);
  TrptCustomPreview* Preview() const { return FPreview; }
  void SetPreview(TrptCustomPreview* Value);
  bool Terminated() const { return FTerminated; }
  void SetTerminated(bool Value);
  // A new settings store (registry-backed for "\Software\..." locations, else an INI file);
  // the caller frees it.
  class TCustomIniFile* OpenSettingsStore();
  void SelectReportPrinter();
  void SetProgressMessage(const std::string& Text);

  // Event dispatch of the engine, the pages and the preview.
  void DoBeforePrint(TrptReportComponent* Obj);
  void DoAfterPrint(TrptReportComponent* Obj);
  void DoPreviewClick(TrptReportComponent* Obj, int Button, int Shift, bool& Modified);
  void DoMouseOverObject(TrptReportComponent* Obj);

  // ---- Report script and expressions ----
  // Prepares the script with the report's objects, variables and functions and compiles it.
  bool CompileReportScript();
  // The value of an expression; raises (after adding the message to Errors) when it fails.
  Variant Calc(const std::string& Expr, TscScript* AScript = nullptr);
  // Resolves a name (dataset field, system variable, OnGetValue, report variable, script item).
  bool GetVariableValue(const std::string& AName, Variant& Value);
  // Sets the script variable "Value".
  void SetLocalValue(const Variant& V);
  void DoNotifyEvent(TObject* Obj, const std::string& ProcName, bool RunAlways = false);
  void DoParamEvent(const std::string& ProcName, Variant& Params, bool RunAlways = false);

  // Adds Text to the sorted, duplicate-free error list.
  void AddError(const std::string& Text);

  // Published properties.
  std::string Version() const { return FVersion; }
  void SetVersion(const std::string&) { FVersion = "3.15"; }
  bool DotMatrixReport = false;
  TrptEngineOptions* EngineOptions() const { return FEngineOptions.get(); }
  void SetEngineOptions(TrptEngineOptions* Value);
  std::string IniFile;
  bool OldStyleProgress = false;
  TrptPreviewOptions* PreviewOptions() const { return FPreviewOptions.get(); }
  void SetPreviewOptions(TrptPreviewOptions* Value);
  TrptPrintOptions* PrintOptions() const { return FPrintOptions.get(); }
  void SetPrintOptions(TrptPrintOptions* Value);
  TrptReportOptions* ReportOptions() const { return FReportOptions.get(); }
  void SetReportOptions(TrptReportOptions* Value);
  std::string ScriptLanguage;
  TStringList* ScriptText() const { return FScriptText.get(); }
  void SetScriptText(TStrings* Value);
  bool ShowProgress = true;
  bool StoreInDFM = true;
  TrptComponentEvent OnAfterPrint;
  TrptComponentEvent OnBeforePrint;
  TNotifyEvent OnBeginDoc;
  TNotifyEvent OnEndDoc;
  TrptClickObjectEvent OnClickObject;
  TrptGetValueEvent OnGetValue;
  TrptManualBuildEvent OnManualBuild;
  TrptMouseOverObjectEvent OnMouseOverObject;
  TNotifyEvent OnPrintReport;
  TNotifyEvent OnAfterPrintReport;
  TrptProgressEvent OnProgressStart;
  TrptProgressEvent OnProgress;
  TrptProgressEvent OnProgressStop;
  std::string OnRunDialogs;
  std::string OnStartReport;
  std::string OnStopReport;
  TrptUserFunctionEvent OnUserFunction;
  TrptConnectionEvent OnSetConnection;

  // State.
  std::string CurObjectName;  // prefixes expression errors
  TrptReportDataSets* DataSets() const { return FDataSets.get(); }
  TrptCustomDesigner* Designer = nullptr;
  TrptCustomEngine* Engine() const { return FEngine; }
  TStringList* Errors() const { return FErrors.get(); }
  TrptExpressionCache* ExpressionCache() const { return FExpressionCache.get(); }
  std::string FileName;
  TscCustomVariable* ValueVariable() const { return FValueVariable; }
  bool Modified = false;
  TrptCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
  bool Reloading() const { return FReloading; }
  TscScript* Script() const { return FScript.get(); }
  TrptStyles* Styles() const { return FStyles.get(); }
  TStringList* SysVariables() const { return FSysVariables.get(); }
  TrptVariables* Variables() const { return FVariables.get(); }
  TrptXMLSerializer* CurrentSerializer = nullptr;
  bool PreviewFormOpen = false;  // a preview window made by ShowPreparedReport is open

private:
  friend class TrptExpressionCache;
  void ResetReport();
  void ShowErrorBox();
  void SetSysVariables();
  bool IsWorkerThread() const;
  Variant MacroFunction(const std::string& Name, std::vector<Variant>& Params);
  Variant GetHandler(const std::string& Name);

  std::string FVersion = "3.15";
  TrptDataSet* FDataSet = nullptr;
  std::string FDataSetName;
  std::unique_ptr<TrptEngineOptions> FEngineOptions;
  std::unique_ptr<TrptPreviewOptions> FPreviewOptions;
  std::unique_ptr<TrptPrintOptions> FPrintOptions;
  std::unique_ptr<TrptReportOptions> FReportOptions;
  std::unique_ptr<TStringList> FScriptText;
  TrptCustomPreview* FPreview = nullptr;
  std::unique_ptr<TrptReportDataSets> FDataSets;
  std::unique_ptr<TrptVariables> FVariables;
  std::unique_ptr<TscScript> FScript;
  std::unique_ptr<TrptExpressionCache> FExpressionCache;
  std::unique_ptr<TStringList> FErrors;
  std::unique_ptr<TrptStyles> FStyles;
  std::unique_ptr<TStringList> FSysVariables;
  TrptCustomEngine* FEngine = nullptr;               // owned
  TrptCustomPreviewPages* FPreviewPages = nullptr;   // owned
  TscCustomVariable* FValueVariable = nullptr;
  bool FReloading = false;
  bool FTerminated = false;
  TComponent* FTimer = nullptr;  // starts a delayed preparation (owned as a component)
};

// ---- Unit helpers ----

// The hidden form that hosts the controls of dialog controls without a dialog page.
TCustomForm* rptParentForm();
// Every TrptDataSet that exists in the process.
std::vector<TrptDataSet*>& rptDataSetList();
// The dataset whose UserName is Name (not owned by a report other than Owner), else Default.
TrptDataSet* rptFindDataSet(TrptDataSet* Default, const std::string& Name, TComponent* Owner);
// User names and objects of every enabled, named dataset.
void rptListGlobalDataSets(TStrings* List);
// Bits of a keyboard/mouse shift state (ssShift 1, ssAlt 2, ssCtrl 4, ...).
int rptShiftToInt(uint32_t ShiftBits);
// |B - A| > 0.0001.
bool rptFloatDiffers(Extended A, Extended B);
// Registers the report classes for streaming (runs once; the report constructor calls it).
void rptRegisterReportClasses();

// The abstract services through which the report works with its band engine, prepared pages and
// outline, preview control, designer window, export filters and wizards. The concrete classes
// live with the engine, the preview and the designer; the export-filter registry is here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

class TStream;
class TCanvas;
class TrptReport;
class TrptComponent;
class TrptReportComponent;
class TrptPage;
class TrptBandBase;
class TrptCustomPreviewPages;
class TrptCustomEngine;

using TrptRunDialogEvent = std::function<void(TrptPage* Page)>;

class TrptCustomEngine : public TPersistent {
  ORV_CLASS(TrptCustomEngine, TPersistent)
public:
  explicit TrptCustomEngine(TrptReport* AReport);
  ~TrptCustomEngine() override;
  static void Publish(TPublisher<TrptCustomEngine>& P);

  virtual void FinishPage() = 0;
  virtual void NewColumn() = 0;
  virtual void NewPage() = 0;
  virtual void ShowBand(TrptComponent* Band) = 0;
  virtual void ShowBandByClass(TClass BandClass) = 0;
  virtual Extended FootersHeight() = 0;
  virtual Extended FreeSpace() = 0;
  virtual Variant AggregateValue(const std::string& Name, const std::string& Expression,
                                 TrptComponent* Band, int Flags) = 0;
  // Runs the band engine; true when the run completed.
  virtual bool Run() = 0;
  // Stops a running preparation (sets the report's Terminated).
  void StopReport();
  bool DoublePass() const;

  int CurColumn = 0;
  int CurVColumn = 0;
  int LineNumber = 0;
  int GlobalLineNumber = 0;
  Extended CurX = 0, CurY = 0;
  bool FinalPass = true;
  std::vector<TrptComponent*> NotifyObjects;
  Extended PageHeight = 0, PageWidth = 0;
  TrptCustomPreviewPages* PreviewPages = nullptr;
  TrptReport* Report;
  bool IsRunning = false;
  TDateTime StartDate = 0, StartTime = 0;
  int TotalPages = 0;
  TrptRunDialogEvent RunDialogHandler;
};

class TrptCustomOutline : public TPersistent {
  ORV_CLASS(TrptCustomOutline, TPersistent)
public:
  explicit TrptCustomOutline(TrptCustomPreviewPages* APreviewPages) : PreviewPages(APreviewPages) {}
  virtual int ItemCount() = 0;
  virtual void AddItem(const std::string& Text, int Top) = 0;
  virtual void EnterItem(int Index) = 0;
  virtual void LevelRoot() = 0;
  virtual void LevelUp() = 0;
  virtual void ReadItem(int Index, std::string& Text, int& Page, int& Top) = 0;
  virtual void MoveItemTops(int FromItem, int Delta) = 0;
  virtual int LastItem() = 0;
  TrptCustomEngine* Engine() const;
  TrptCustomPreviewPages* PreviewPages;
};

class TrptCustomExportFilter;

// The prepared pages of a report (the concrete class is the prepared-page store).
class TrptCustomPreviewPages : public TObject {
  ORV_CLASS(TrptCustomPreviewPages, TObject)
public:
  explicit TrptCustomPreviewPages(TrptReport* AReport) : Report(AReport) {}
  ~TrptCustomPreviewPages() override;
  virtual int PageCount() = 0;
  virtual TrptPage* PageAt(int Index) = 0;
  // Width and height of a prepared page in pixels; (0, 0) outside the pages.
  virtual void PageSizeAt(int Index, int& Width, int& Height) = 0;
  virtual void Clear() = 0;
  virtual void Initialize() = 0;
  virtual void AddObject(TrptComponent* Obj) = 0;
  virtual void AddPage(TrptPage* Page) = 0;
  virtual void AddSourcePage(TrptPage* Page) = 0;
  virtual void AddSourceObject(TrptComponent* Obj) = 0;
  virtual void BeginPass() = 0;
  virtual void DiscardFirstPass() = 0;
  virtual void CutObjects(int Position) = 0;
  virtual void Finish() = 0;
  virtual void PasteObjects(Extended X, Extended Y) = 0;
  virtual bool HasBandObject(TrptComponent* Band) = 0;
  virtual int ObjectCountOnPage() = 0;
  virtual Extended LowestBandBottom() = 0;
  virtual void InsertBlankPage(int Index) = 0;
  virtual void DeletePage(int Index) = 0;
  virtual void ReplacePage(int Index, TrptPage* Page) = 0;
  virtual void DrawPage(int Index, TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
                        Extended OffsetY) = 0;
  // Hit test and click handling in the preview; Cursor receives the cursor to show.
  virtual bool ProcessMouse(int Index, int X, int Y, int Button, int Shift, Extended Scale, Extended OffsetX,
                            Extended OffsetY, bool Click, int& Cursor) = 0;
  virtual void AppendReport(TrptReport* AReport) = 0;
  virtual void LoadFromStream(TStream* Stream, bool PartialLoad = false) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  virtual bool LoadFromFile(const std::string& FileName, bool ExceptionIfNotFound = false) = 0;
  virtual void SaveToFile(const std::string& FileName) = 0;
  // False when the print dialog is cancelled.
  virtual bool Print() = 0;
  // False on failure or when cancelled.
  virtual bool Export(TrptCustomExportFilter* Filter) = 0;

  int AppendMode = 0;
  int FillPage = -1;
  int ShownPage = 0;
  TrptCustomEngine* Engine = nullptr;
  int RunFirstPage = 0;
  TrptCustomOutline* Outline() const { return FOutline.get(); }
  TrptReport* Report;

protected:
  // The concrete store hands its outline over here (it is owned).
  void SetOutline(TrptCustomOutline* Value) { FOutline.reset(Value); }

private:
  std::unique_ptr<TrptCustomOutline> FOutline;
};

class TrptCustomPreview : public TCustomControl {
  ORV_CLASS(TrptCustomPreview, TCustomControl)
public:
  explicit TrptCustomPreview(TComponent* AOwner) : TCustomControl(AOwner) {}
  virtual void Reinitialize() = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void BeginProgress(TrptReport* Sender, int ProgressType, int Progress) = 0;
  virtual void UpdateProgress(TrptReport* Sender, int ProgressType, int Progress) = 0;
  virtual void EndProgress(TrptReport* Sender, int ProgressType, int Progress) = 0;
  TrptCustomPreviewPages* PreviewPages = nullptr;
  TrptReport* Report = nullptr;
};

class TrptCustomDesigner : public TForm {
  ORV_CLASS(TrptCustomDesigner, TForm)
public:
  TrptCustomDesigner(TComponent* AOwner, TrptReport* AReport, bool APreviewDesigner);
  virtual void SetModified(bool Value);
  virtual void SetPage(TrptPage* Value) { Page = Value; }
  virtual std::vector<std::string> CodeLines() = 0;
  virtual bool EditExpression(std::string& Expr) = 0;
  virtual void BeginReload() = 0;
  virtual void RebuildPageTabs(int PageIndex) = 0;
  virtual void RebuildFromReport() = 0;
  virtual void RefreshDataTree() = 0;
  virtual void RepaintWorkspace() = 0;

  TrptReport* Report;
  bool IsPreviewDesigner;
  bool Finished = false;
  bool Modified = false;
  std::vector<TrptComponent*> Objects;
  TrptPage* Page = nullptr;
  std::vector<TrptComponent*> SelectedObjects;
};

class TrptCustomExportFilter : public TComponent {
  ORV_CLASS(TrptCustomExportFilter, TComponent)
public:
  // Joins the export-filter registry.
  explicit TrptCustomExportFilter(TComponent* AOwner);
  // A filter that never joins the registry (filters made internally).
  struct TUnregistered {};
  explicit TrptCustomExportFilter(TUnregistered);
  ~TrptCustomExportFilter() override;
  static void Publish(TPublisher<TrptCustomExportFilter>& P);

  virtual std::string GetMenuCaption() { return std::string(); }
  virtual int ShowOptionsDialog() { return mrOk; }
  virtual bool Start() { return true; }
  virtual void ExportObject(TrptComponent* Obj) = 0;
  virtual void Finish() {}
  virtual void FinishPage(TrptPage*, int) {}
  virtual void StartPage(TrptPage*, int) {}

  bool CurPage = false;
  bool ExportNotPrintable = false;
  std::string FileName;
  bool Unregistered() const { return FUnregistered; }
  std::string PageNumbers;
  TrptReport* Report = nullptr;
  bool ShowDialog = true;
  bool UseFileCache = true;
  std::string DefaultPath;
  TStream* Stream = nullptr;

private:
  bool FUnregistered = false;
};

class TrptCustomWizard : public TComponent {
  ORV_CLASS(TrptCustomWizard, TComponent)
public:
  explicit TrptCustomWizard(TComponent* AOwner);
  virtual std::string GetCaption() { return std::string(); }
  virtual bool Run() = 0;
  TrptCustomDesigner* Designer = nullptr;
  TrptReport* Report = nullptr;
};

// The export filters that exist, in creation order.
class TrptExportFilterCollection {
public:
  int Count() const { return static_cast<int>(FFilters.size()); }
  TrptCustomExportFilter* GetItems(int Index) const { return FFilters.at(static_cast<size_t>(Index)); }
  int IndexOf(TrptCustomExportFilter* Filter) const;
  void Register(TrptCustomExportFilter* Filter);
  void Unregister(TrptCustomExportFilter* Filter);

private:
  std::vector<TrptCustomExportFilter*> FFilters;
};
TrptExportFilterCollection& rptExportFilterRegistry();

// Runs the export protocol over the pages given by PageIndexes (all when empty): Start,
// then for every page StartPage, ExportObject for each object, FinishPage (also after a failure),
// and Finish (also after a failure). Used by the prepared pages' Export.
bool rptRunExportFilter(TrptCustomExportFilter* Filter, TrptReport* Report,
                        const std::vector<TrptPage*>& Pages);

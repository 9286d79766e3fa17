// The prepared pages: the pages a run produced, kept as an XML tree (one element per page, one
// child per printed object with all its attributes and its position on the page), rebuilt into
// objects on demand through a small cache, saved to and loaded from .pp3 files, drawn on any
// canvas, clicked in the preview, printed through the printer and fed to export filters.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/core/rptservices.h"

class TrptXMLDocument;
class TrptXMLItem;
class TrptReportPage;

// The outline of a prepared report: "item" elements (text, page, top) under the "outline" section.
class TrptOutline : public TrptCustomOutline {
  ORV_CLASS(TrptOutline, TrptCustomOutline)
public:
  explicit TrptOutline(TrptCustomPreviewPages* APreviewPages);
  int ItemCount() override;
  void AddItem(const std::string& Text, int Top) override;
  void EnterItem(int Index) override;
  void LevelRoot() override;
  void LevelUp() override;
  void ReadItem(int Index, std::string& Text, int& Page, int& Top) override;
  void MoveItemTops(int FromItem, int Delta) override;
  int LastItem() override;
  TrptXMLItem* CurrentNode = nullptr;
};

class TrptPreviewPages : public TrptCustomPreviewPages {
  ORV_CLASS(TrptPreviewPages, TrptCustomPreviewPages)
public:
  explicit TrptPreviewPages(TrptReport* AReport);
  ~TrptPreviewPages() override;

  int PageCount() override;
  TrptPage* PageAt(int Index) override;
  void PageSizeAt(int Index, int& Width, int& Height) override;
  void Clear() override;
  void Initialize() override;
  void AddObject(TrptComponent* Obj) override;
  void AddPage(TrptPage* Page) override;
  void AddSourcePage(TrptPage* Page) override;
  void AddSourceObject(TrptComponent* Obj) override;
  void BeginPass() override;
  void DiscardFirstPass() override;
  void CutObjects(int Position) override;
  void Finish() override;
  void PasteObjects(Extended X, Extended Y) override;
  bool HasBandObject(TrptComponent* Band) override;
  int ObjectCountOnPage() override;
  Extended LowestBandBottom() override;
  void InsertBlankPage(int Index) override;
  void DeletePage(int Index) override;
  void ReplacePage(int Index, TrptPage* Page) override;
  void DrawPage(int Index, TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
                Extended OffsetY) override;
  bool ProcessMouse(int Index, int X, int Y, int Button, int Shift, Extended Scale, Extended OffsetX, Extended OffsetY,
                    bool Click, int& Cursor) override;
  void AppendReport(TrptReport* AReport) override;
  void LoadFromStream(TStream* Stream, bool PartialLoad = false) override;
  void SaveToStream(TStream* Stream) override;
  bool LoadFromFile(const std::string& FileName, bool ExceptionIfNotFound = false) override;
  void SaveToFile(const std::string& FileName) override;
  bool Print() override;
  bool Export(TrptCustomExportFilter* Filter) override;

  // The element of a prepared page (its children are the objects).
  TrptXMLItem* PageItem(int Index) const;
  // The element with its children in memory (read back from the swap file when it was swapped).
  TrptXMLItem* LoadedPageItem(int Index) const;
  TrptXMLDocument* Document() const { return FDoc.get(); }
  // Named anchors: the page (from 1) of the last anchor of that text, 1 when there is none.
  void AddAnchor(const std::string& Text, int Top);
  int GetAnchorPage(const std::string& Text);
  TrptXMLItem* OutlineRoot() const;
  // Prints the pages whose 1-based numbers are in Pages (all when empty) on the current printer.
  bool PrintPages(const std::vector<int>& Pages);
  // Opens a clicked address: only http, https and mailto addresses are handed to the system.
  static bool OpenURL(const std::string& URL);

private:
  TrptXMLItem* PagesRoot() const;
  TrptXMLItem* CurrentPage();
  void DropCache();
  std::unique_ptr<TrptXMLDocument> FDoc;
  std::map<int, std::unique_ptr<TrptReportPage>> FCache;
  std::vector<std::unique_ptr<TrptXMLItem>> FCut;
  int FFirstPassStart = 0;
  int64_t FGrowthBytes = 0;  // page text added since the last swap check
  // Files that store objects as differences from source objects: short name -> the source's
  // element (class name, full attributes), and the attributes of each source page.
  struct TSourceObject {
    std::string ClassName, AttrText;
  };
  void ReadSources();
  bool FSourcesRead = false;
  std::map<std::string, TSourceObject> FSources;
  std::vector<std::string> FSourcePageAttrs;
};

// Installs the band engine and these prepared pages as the makers every new report uses.
void rptInstallEngine();

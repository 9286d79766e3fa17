// The band engine: turns a report's pages, bands and datasets into prepared pages in one or two
// passes (page frame, headers and footers, master/detail/group loops, page breaks, keeping,
// stretching and splitting), and the aggregate list that answers SUM, AVG, MIN, MAX and COUNT.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/variant.h"
#include "report/core/rptservices.h"

class TrptBand;
class TrptDataBand;
class TrptGroupHeader;
class TrptReportPage;
class TrptCustomMemoView;

class TrptAggregateItem {
public:
  int Kind = 0;  // SUM 0, AVG 1, MIN 2, MAX 3, COUNT 4
  TrptDataBand* DataBand = nullptr;
  bool CountInvisible = false;
  bool Running = false;
  std::string Expression;
  bool PageFooterItem = false;
  int Count = 0;
  Variant Value;
  bool Keeping = false;
  std::string ObjectName;
  std::string CallText;
  TrptBand* ParentBand = nullptr;
  int KeptCount = 0;
  Variant KeptValue;
  // Per vertical column (1 to 1000) values and counts, made when a column first adds a value.
  std::vector<Variant> ColumnValues;
  std::vector<int> ColumnCounts;
  int VerticalColumn = 0;
  void Reset();
  void Combine(Variant& Into, const Variant& V) const;
};

class TrptAggregateList {
public:
  explicit TrptAggregateList(TrptReport* AReport) : FReport(AReport) {}
  void Clear() { FItems.clear(); }
  void AddItems(TrptReportPage* Page);
  void AddValue(TrptBand* DataBand, int Column = 0);
  void Reset(TrptBand* Band);
  void ResetAll();
  void StartKeep();
  void EndKeep();
  bool GetValue(TrptBand* Band, int Column, Variant& Result, int Flags, TrptDataBand* DataBand,
                const std::string& Expression, const std::string& Name);
  int Count() const { return static_cast<int>(FItems.size()); }
  TrptAggregateItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }

private:
  void ScanBand(TrptBand* Band, TrptDataBand* Default);
  void ScanTree(const std::vector<TrptBand*>& List);
  void ScanMemo(TrptCustomMemoView* Memo, TrptDataBand* Default);
  void ScanExpression(const std::string& S, TrptCustomMemoView* Memo, TrptDataBand* Default, int Depth);
  void AddItem(const std::string& Call, TrptCustomMemoView* Memo, TrptDataBand* Default);
  TrptReport* FReport;
  std::vector<std::unique_ptr<TrptAggregateItem>> FItems;
};

class TrptEngine : public TrptCustomEngine {
  ORV_CLASS(TrptEngine, TrptCustomEngine)
public:
  explicit TrptEngine(TrptReport* AReport);
  ~TrptEngine() override;

  void FinishPage() override;
  void NewColumn() override;
  void NewPage() override;
  void ShowBand(TrptComponent* Band) override;
  void ShowBandByClass(TClass BandClass) override;
  Extended FootersHeight() override;
  Extended FreeSpace() override;
  Variant AggregateValue(const std::string& Name, const std::string& Expression, TrptComponent* Band,
                         int Flags) override;
  bool Run() override;

  TrptAggregateList* Aggregates() const { return FAggregates.get(); }
  TrptReportPage* ActivePage() const { return FActivePage; }
  Extended PageHeaderHeight = 0;

private:
  struct ReprintEntry {
    TrptBand* Band;
    Extended X;
    bool AddedWhileKeeping;
  };
  void PrepareBands(TrptReportPage* Page);
  void CheckDataSets();
  void RunPages();
  void RunPage(TrptReportPage* Page);
  void RunPageBody(TrptReportPage* Page);
  void StartPage();
  void AddPageOutline();
  void AddBandOutline(TrptBand* Band, Extended Top);
  void BeginNewPage();
  void DataLoop(const std::vector<TrptBand*>& List);
  bool HasData(TrptBand* Band, const std::vector<TrptBand*>& Details, bool PrintIfDetailEmpty);
  void ShowGroupHeaders(TrptGroupHeader* Head, size_t Level, bool Init);
  void ShowGroupFooters(TrptGroupHeader* Head, size_t Level);
  void CheckGroups(TrptDataBand* Band);
  void ResetMemos(TrptBand* Band);
  void DoShowBand(TrptBand* Band);
  Extended CalcBandHeight(TrptBand* Band, bool Embed = false);
  // Prints the band's subreports marked PrintOnParent into the band itself: their rows become
  // objects of the band for this output, placed where they printed.
  void EmbedSubreports(TrptBand* Band);
  void CopyIntoEmbedBand(TrptBand* Band, Extended Height);
  void OutputBand(TrptBand* Band, Extended Height);
  void PrintSubreports(TrptBand* Band, Extended Top);
  void PrintFooter(TrptBand* Band, bool PageFooter);
  void StartKeep(TrptComponent* Owner, int Mark);
  void EndKeep(TrptComponent* Owner);
  void RemoveReprint(TrptBand* Band);
  // The band tree of one orientation; the horizontal one also moves cells into vertical bands.
  void BuildBandTree(TrptReportPage* Page, const std::vector<TrptBand*>& Bands, bool Vertical,
                     std::vector<TrptBand*>& Top);
  void RestoreCrossCells();
  void CrossPass(TrptBand* Host);
  void VerticalDataLoop(const std::vector<TrptBand*>& List);
  void ShowVerticalBand(TrptBand* Band);
  void OutputCrossBand(TrptBand* Band, Extended Height, const std::vector<size_t>& Breaks);

  std::unique_ptr<TrptAggregateList> FAggregates;
  std::vector<ReprintEntry> FReprintList;
  TrptBand* FAggregateBand = nullptr;
  TrptReportPage* FActivePage = nullptr;
  TrptBand* FFooterBands[2] = {nullptr, nullptr};
  Extended FColumnStartY = 0;
  Extended FLeftOffset = 0;
  bool FFirstRunPage = true;
  bool FKeepBlocked = false;
  bool FKeeping = false;
  TrptComponent* FKeepOwner = nullptr;
  int FKeepMark = 0;
  int FKeepOutlineNode = -1;
  bool FOnFirstPage = false;
  bool FOnLastPage = false;
  bool FReprintingHeaders = false;
  bool FInNewPage = false;
  int FDepth = 0;
  // Vertical bands: the cells moved for the run, the band being printed as a grid row, where
  // its copies wrap to a further page width, and the vertical headers repeated there.
  struct MovedCell {
    TrptComponent* Cell;
    TrptBand* Host;
    size_t Index;
    Extended Left;
  };
  std::vector<MovedCell> FMovedCells;
  TrptBand* FCrossBand = nullptr;
  std::vector<size_t> FCrossBreaks;
  std::vector<TrptBand*> FVReprintList;
  bool FVReprinting = false;
  bool FInVerticalPass = false;
  TrptBand* FReprintBand = nullptr;
  TrptBand* FEmbedBand = nullptr;  // collects the rows of subreports printed on their parent  // the header being repeated at the top of a page
  size_t FCrossOwnCount = 0;
};

// Registers the report classes, constants, types and functions in the global script (once).
void rptRegisterScriptBindings();

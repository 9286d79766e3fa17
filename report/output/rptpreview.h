// The preview control: the prepared pages of a report shown page by page in a scrolling,
// zoomable workspace with an outline tree on its left. It pages through the report, finds text
// in the pages, and hands printing, export, saving and loading to the prepared pages.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "report/core/rptoptions.h"
#include "report/core/rptservices.h"
#include "report/output/rptuicontrols.h"

class TTreeView;
class TSplitter;
class TPanel;
class TLabel;
class TButton;
class TMetafile;
class TrptPreview;

// One page of the page list: its column in its row (0 = first page of a row), its unscaled
// size in pixels and the unscaled top of its row.
struct TrptPageItem {
  int Column = 0;
  int Height = 0;
  int Width = 0;
  int Top = 0;
};

// The laid-out pages: one or two columns, rows separated by 10 pixels.
class TrptPageList {
public:
  int ColumnCount = 1;
  int MaxWidth = 0;  // the widest row in unscaled pixels, gaps included
  int Count() const { return static_cast<int>(FItems.size()); }
  const TrptPageItem& Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  void Clear();
  void AddPage(int Width, int Height);
  // The rectangle of page Index at that scale in a window of ClientWidth (before scrolling);
  // an index outside the list gives an A4-sized placeholder.
  RECT GetPageBounds(int Index, int ClientWidth, Extended Scale) const;
  // Scaled content size: the widest row by the bottom of the last page.
  POINT GetMaxBounds(Extended Scale) const;
  // The last page whose top is at or above Position (with a fifth of the page's height of slack
  // unless Exact); -1 before the first page.
  int FindPage(int Position, bool Exact, Extended Scale) const;

private:
  std::vector<TrptPageItem> FItems;
};

// The page area of the preview: a grey scrolling workspace that paints the visible pages.
class TrptPreviewWorkspace : public TrptScrollWin {
  ORV_CLASS(TrptPreviewWorkspace, TrptScrollWin)
public:
  explicit TrptPreviewWorkspace(TrptPreview* APreview);
  ~TrptPreviewWorkspace() override;
  TrptPageList* PageList() { return &FPageList; }
  void UpdateScrollBars();
  // Searches from SearchPage for the next hit after the last one; scrolls it into view.
  bool FindText();
  // Drops the cached search page.
  void ClearSearchCache();
  int OffsetX = 0, OffsetY = 0;
  int SearchPage = 0;
  TCursor DefaultCursor = crDefault;
  void WndProc(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Resize() override;

protected:
  void Paint() override;
  void HorzScrolled() override;
  void VertScrolled() override;

private:
  friend class TrptPreview;
  TrptPreview* FPreview;
  TrptPageList FPageList;
  bool FDragging = false;
  int FLastX = 0, FLastY = 0;
  std::unique_ptr<TMetafile> FSearchMetafile;
  int FSearchMetafilePage = -1;
  bool FDisableScroll = false;
};

enum TrptPreviewTool : uint8_t { ptHand = 0, ptZoom = 1 };

// The state of text search, shared by every preview of the process.
struct TrptSearchState {
  std::string Text;
  bool CaseSensitive = false;
  bool Found = false;
  int LastFoundRecord = -1;  // record index of the last match on the search page
  int RecordNo = 0;
  RECT Bounds{};  // the last match in unscaled page pixels
};
TrptSearchState& rptSearchState();

using TrptPageChangedEvent = std::function<void(TrptPreview* Sender, int PageNo)>;

class TrptPreview : public TrptCustomPreview {
  ORV_CLASS(TrptPreview, TrptCustomPreview)
public:
  explicit TrptPreview(TComponent* AOwner);
  ~TrptPreview() override;

  // Binding and the report's operations.
  void Reinitialize() override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void BeginProgress(TrptReport* Sender, int ProgressType, int Progress) override;
  void UpdateProgress(TrptReport* Sender, int ProgressType, int Progress) override;
  void EndProgress(TrptReport* Sender, int ProgressType, int Progress) override;

  // Pages and zoom.
  int PageNo() const { return FPageNo; }
  void SetPageNo(int Value);
  int GetPageCount();
  void First();
  void Next();
  void Prior();
  void Last();
  Extended Zoom() const { return FZoom; }
  void SetZoom(Extended Value);
  TrptZoomMode ZoomMode() const { return FZoomMode; }
  void SetZoomMode(TrptZoomMode Value);
  int Tool() const { return FTool; }
  void SetTool(int Value);
  bool OutlineVisible() const;
  void SetOutlineVisible(bool Value);
  bool Locked() const { return FLocked; }
  bool Running() const { return FRunning; }
  bool FindAgainAllowed() const { return FFindAgainAllowed; }

  // Commands.
  void Print();
  void Export(TrptCustomExportFilter* Filter);
  void EditPageSettings();
  void ScrollByWheel(int Delta, bool Horizontal, bool ZoomKey);
  void ScrollToPosition(int PageN, int Top);
  void Clear();
  void Save();
  void SaveToFile(const std::string& Name);
  void Load();
  void LoadFromFile(const std::string& Name);
  void Find();
  // Searches for Text as the search dialog's OK does (FromTop: from page 1, else from the
  // current page); true on a hit.
  bool FindText(const std::string& Text, bool CaseSensitive, bool FromTop);
  void FindNext();
  void AddPage();
  void DeletePage();
  void EditPage();
  void EditTemplate();
  void Cancel();
  void CancelIfRunning();
  void ShowMessagePanel(const std::string& Text);
  void HideMessagePanel();

  // Layout.
  void UpdatePageList();
  void UpdatePages();
  void UpdateOutline();
  void DoPageChanged();

  TrptPreviewWorkspace* Workspace() const { return FWorkspace; }
  TTreeView* OutlineTree() const { return FOutline; }
  TPanel* MessagePanel() const { return FMessagePanel; }
  TButton* CancelButton() const { return FCancelB; }

  TrptPageChangedEvent OnPageChanged;
  // Called when the preview starts or ends preparation and after every layout (the preview
  // window updates its buttons and its zoom box from them).
  std::function<void(TrptPreview* Sender)> OnButtonsChange;
  std::function<void(TrptPreview* Sender)> OnZoomChange;

  void WndProc(TMessage& Message) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TrptPreviewWorkspace;
  void OutlineClick(TObject* Sender);
  void SetPageNoEx(int Value, bool Scroll, bool Fire);
  TTreeView* FOutline = nullptr;
  TSplitter* FSplitter = nullptr;
  TrptPreviewWorkspace* FWorkspace = nullptr;
  TPanel* FMessagePanel = nullptr;
  TLabel* FMessageLabel = nullptr;
  TButton* FCancelB = nullptr;
  int FPageNo = 1;
  Extended FZoom = 1.0;
  TrptZoomMode FZoomMode = zmDefault;
  int FTool = ptHand;
  bool FLocked = false;
  bool FRunning = false;
  bool FFindAgainAllowed = false;
  int FRefreshStep = 0;
};

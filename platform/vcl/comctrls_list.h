// The list view: items with a caption, sub-items, an image index and data, shown as a report
// (columns under a header), a list (columns of small items) or icons; one or several selected.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/vcl/stdctrls.h"

class TStrings;
class TStringList;
class TCustomListView;
class TListItems;
class TLabelEditor;

class TListColumn {
public:
  std::string Caption;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
  int ImageIndex = -1;  // in the list view's SmallImages, shown in the header
};

// The report view's column header is a child window of its own ("SysHeader32") that answers
// the header messages, so it can be found (LVM_GETHEADER) and subclassed like a native one.
enum : UINT {
  LVM_FIRST = 0x1000, LVM_GETHEADER = LVM_FIRST + 31,
  HDM_FIRST = 0x1200, HDM_GETITEMCOUNT = HDM_FIRST + 0, HDM_GETITEMA = HDM_FIRST + 3,
  HDM_SETITEMA = HDM_FIRST + 4, HDM_GETITEMRECT = HDM_FIRST + 7,
};
enum : UINT { HDI_WIDTH = 0x0001, HDI_TEXT = 0x0002, HDI_FORMAT = 0x0004, HDI_IMAGE = 0x0020 };
enum : int { HDF_LEFT = 0, HDF_RIGHT = 1, HDF_CENTER = 2 };
struct HDITEMA {
  UINT mask = 0;
  int cxy = 0;
  char* pszText = nullptr;
  HBITMAP hbm = nullptr;
  int cchTextMax = 0;
  int fmt = 0;
  LPARAM lParam = 0;
  int iImage = -1;
  int iOrder = 0;
};

class TListItem : public TObject {
  ORV_CLASS(TListItem, TObject)
public:
  explicit TListItem(TListItems* AOwner);
  ~TListItem() override;
  TListItems* Owner() const { return FOwner; }
  TCustomListView* ListView() const;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // Texts of the columns after the first.
  TStrings* SubItems() const;
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Selected() const { return FSelected; }
  void SetSelected(bool Value);
  bool Focused() const;
  void SetFocused(bool Value);
  int Index() const;
  // The item's rectangle in client coordinates.
  RECT DisplayRect() const;
  void MakeVisible();
  // Opens the edit box on the caption, as LVM_EDITLABEL does; false when the view refuses
  // (ReadOnly, OnEditing) or has no window.
  bool EditCaption();
  void Delete();

private:
  friend class TListItems;
  friend class TCustomListView;
  TListItems* FOwner;
  std::string FCaption;
  std::unique_ptr<TStringList> FSubItems;
  void* FData = nullptr;
  int FImageIndex = -1;
  bool FChecked = false, FSelected = false;
};

class TListItems : public TPersistent {
  ORV_CLASS(TListItems, TPersistent)
public:
  explicit TListItems(TCustomListView* AOwner);
  ~TListItems() override;
  TCustomListView* Owner() const { return FOwner; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TListItem* Item(int Index) const;
  TListItem* Add();
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int IndexOf(const TListItem* Value) const;
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

private:
  friend class TListItem;
  friend class TCustomListView;
  void Changed();
  TCustomListView* FOwner;
  std::vector<TListItem*> FItems;
  int FUpdateCount = 0;
};

ORV_ENUM(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport)
ORV_ENUM(TItemChange, ctText, ctImage, ctState)

using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVNotifyEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;

class TCustomListView : public TCustomControl {
  ORV_CLASS(TCustomListView, TCustomControl)
public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  TListItems* Items() const { return FItems.get(); }
  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  TListColumn* Column(int Index) { return &FColumns.at(static_cast<size_t>(Index)); }
  TListColumn* AddColumn();
  void ClearColumns();
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value) { FRowSelect = Value; Invalidate(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value) { FHideSelection = Value; Invalidate(); }
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value) { FShowColumnHeaders = Value; UpdateHeader(); Invalidate(); }
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool Value) { FGridLines = Value; Invalidate(); }
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool Value) { FCheckboxes = Value; Invalidate(); }
  TImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TImageList* Value);
  TImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TImageList* Value);

  // The first selected item, or null; setting it selects only that item.
  TListItem* Selected() const;
  void SetSelected(TListItem* Value);
  int SelCount() const;
  TListItem* ItemFocused() const { return FFocused; }
  void SetItemFocused(TListItem* Value);
  int ItemIndex() const;
  void SetItemIndex(int Value);
  void ClearSelection();
  void SelectAll();
  // The item at a client point, or null.
  TListItem* GetItemAt(int X, int Y);
  int TopIndex() const { return FTopIndex; }
  // The next item after StartItem (nullptr: from the start) that is selected (or any, when
  // OnlySelected is false).
  TListItem* GetNextItem(TListItem* StartItem, bool OnlySelected) const;
  void AlphaSort();
  void CustomSort(const std::function<int(TListItem*, TListItem*)>& Compare);
  RECT ItemRect(int Index);
  void WndProc(TMessage& Message) override;

  TLVSelectItemEvent OnSelectItem;
  TLVChangeEvent OnChange;
  TLVColumnClickEvent OnColumnClick;
  TLVDeletedEvent OnDeletion;
  TLVCompareEvent OnCompare;

  // Captions are edited in place unless ReadOnly: F2, a second click on the selected item's
  // caption after a pause, TListItem::EditCaption or LVM_EDITLABEL open the box; OnEditing may
  // refuse; Enter or leaving the box ends it with the text (OnEdited may change it, then the item
  // takes it), Escape ends it without (OnCancelEdit).
  bool IsEditing() const;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVNotifyEvent OnCancelEdit;

  // The header window (made with the list view's window), or null.
  HWND HeaderHandle() const { return FHeader; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // May Item's caption be edited now? Not when ReadOnly; else what OnEditing answers.
  virtual bool CanEdit(TListItem* Item);
  // The end of an edit with a new text: OnEdited may change S, then the item takes it.
  virtual void Edit(TListItem* Item, std::string S);

private:
  friend class TListItem;
  HWND StartEdit(TListItem* Item);
  void EditDone(bool Accept, const std::string& Text);
  RECT LabelRect(int Index);
  TLabelEditor* FEditor = nullptr;   // made on the first edit, owned by the view
  TListItem* FEditItem = nullptr;    // the item being edited
  TListItem* FClickItem = nullptr;   // a second click on it waits for the edit timer
  friend LRESULT ListHeaderProc(HWND, UINT, WPARAM, LPARAM);
  void PaintHeader(HDC DC);
  void UpdateHeader();
  HWND FHeader = nullptr;
  friend class TListItems;
  void ItemsChanged();
  void ItemRemoved(TListItem* Item);
  void SelectionChanging(TListItem* Item, bool Selected);
  void UpdateScroll();
  int HeaderHeight() const;
  int RowHeight() const;
  SIZE CellSize() const;    // vsIcon/vsList/vsSmallIcon cell
  int PerLine();            // cells per row (icons) or rows per column (list)
  int VisibleLines();
  void ClickItem(TListItem* Item, TShiftState Shift);
  std::unique_ptr<TListItems> FItems;
  std::vector<TListColumn> FColumns;
  TViewStyle FViewStyle = vsIcon;
  TImageList* FSmallImages = nullptr;
  TImageList* FLargeImages = nullptr;
  TListItem* FFocused = nullptr;
  TListItem* FAnchor = nullptr;
  int FTopIndex = 0;  // first line shown (rows, icon lines) or first column (vsList)
  bool FMultiSelect = false, FRowSelect = false, FReadOnly = false, FHideSelection = true;
  bool FShowColumnHeaders = true, FGridLines = false, FCheckboxes = false;
};

class TListView : public TCustomListView {
  ORV_CLASS(TListView, TCustomListView)
public:
  explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
  static void Publish(TPublisher<TListView>& P);
};

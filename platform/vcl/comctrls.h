// Common controls: status bar, progress bar, page control with tab sheets.
#pragma once

#include <vector>

#include "platform/rtl/collection.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/commctrl.h"

class TStatusBar;
// One panel of a status bar: its text, width in pixels (the last panel takes the rest) and
// alignment. A collection item, so that forms stream the panels as "Panels = <item ... end>".
class TStatusPanel : public TCollectionItem {
  ORV_CLASS(TStatusPanel, TCollectionItem)
public:
  explicit TStatusPanel(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}
  static void Publish(TPublisher<TStatusPanel>& P);
  void Assign(TPersistent* Source) override;
  std::string Text;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
};

// The panels of a status bar; a change repaints the bar.
class TStatusPanels : public TCollection {
  ORV_CLASS(TStatusPanels, TCollection)
public:
  explicit TStatusPanels(TPersistent* AOwner = nullptr) : TCollection(TStatusPanel::StaticClass(), AOwner) {}
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }

protected:
  void Update(TCollectionItem* Item) override;
};

// A bar at the bottom of a form: panels of given widths (the last takes the rest), or one
// SimpleText when SimplePanel is on.
class TStatusBar : public TCustomControl {
  ORV_CLASS(TStatusBar, TCustomControl)
public:
  static void Publish(TPublisher<TStatusBar>& P);
protected:
  void CreateParams(TCreateParams& Params) override;

public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  int PanelCount() const { return FPanels->Count(); }
  // EListError for a bad index.
  TStatusPanel& Panels(int Index) { return *static_cast<TStatusPanel*>(FPanels->Items(Index)); }
  TStatusPanel& AddPanel();
  void ClearPanels();
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& Value);
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  // The grip in the bottom-right corner, drawn while the bar's form can be sized by its frame.
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  // Whether the grip shows now (SizeGrip on, a sizable form that is not maximised).
  bool GripShown();
  // Panel texts are set through here so the bar repaints.
  void SetPanelText(int Index, const std::string& Value);

protected:
  void Paint() override;

private:
  std::unique_ptr<TStatusPanels> FPanels;
  std::string FSimpleText;
  bool FSimplePanel = false;
  bool FSizeGrip = true;
};

// Position between Min and Max shown as a filled bar (PBM_SETPOS sets it too).
class TProgressBar : public TWinControl {
  ORV_CLASS(TProgressBar, TWinControl)
public:
  static void Publish(TPublisher<TProgressBar>& P);
protected:
  void CreateParams(TCreateParams& Params) override;

public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  void SetMin(int Value);
  void SetMax(int Value);
  void SetPosition(int Value);
  void StepBy(int Delta) { SetPosition(FPosition + Delta); }
  void WndProc(TMessage& Message) override;

protected:
  void PaintWindow(HDC DC) override;

private:
  int FMin = 0, FMax = 100, FPosition = 0;
};
enum : UINT { PBM_SETRANGE = WM_USER + 1, PBM_SETPOS = WM_USER + 2, PBM_GETPOS = WM_USER + 8 };

class TPageControl;

// One page of a page control; its tab can be hidden (TabVisible) while the page stays.
class TTabSheet : public TWinControl {
  ORV_CLASS(TTabSheet, TWinControl)
public:
  static void Publish(TPublisher<TTabSheet>& P);
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  // A sheet read from a form joins its page control as a page, not only as a child.
  void SetParentComponent(TComponent* Value) override;
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  int PageIndex() const;
  TNotifyEvent OnShow, OnHide;

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
};

class TPageControl : public TCustomControl {
  ORV_CLASS(TPageControl, TCustomControl)
public:
  static void Publish(TPublisher<TPageControl>& P);
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);
  // The tab at a client point (visible tabs only), or -1; tabs count only visible sheets.
  int IndexOfTabAt(int X, int Y);
  RECT TabRect(int PageIndex);
  void SelectNextPage(bool GoForward);
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

protected:
  void Paint() override;

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void ShowPage(TTabSheet* Page);
  int TabHeight() const { return 20; }
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};

class TTreeView;
class TTreeNodes;
class TLabelEditor;
class TTreeNode;
class TImageList;

// Orders two sibling nodes for CustomSort: negative, 0 or positive.
using TTVCompare = std::function<int(TTreeNode* Node1, TTreeNode* Node2)>;

// A node of a tree view. Nodes belong to their tree's TTreeNodes and go with it.
class TTreeNode {
public:
  TTreeNode(TTreeNodes* Owner, TTreeNode* Parent) : FOwner(Owner), FParent(Parent) {}
  ~TTreeNode();
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; }
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int Value) { FSelectedIndex = Value; }
  // The image of the tree's StateImages drawn before the node's image; 0 or less: none (image 0
  // of a state list is never shown).
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);
  // The overlay (TImageList::Overlay) drawn over the node's image; -1: none.
  int OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int Value);
  // Cut: the image is drawn faded, as for items cut to the clipboard or hidden.
  bool Cut() const { return FCut; }
  void SetCut(bool Value);
  // Drop target: the node is highlighted as the place a drag would drop on.
  bool DropTarget() const { return FDropTarget; }
  void SetDropTarget(bool Value);
  // The node's place among all nodes in depth-first order.
  int AbsoluteIndex() const;
  // The node's row (or only its text) in client coordinates; empty when it is not shown.
  RECT DisplayRect(bool TextOnly) const;
  // Orders the children (and with Recurse theirs) by Compare, keeping equal ones in place.
  bool CustomSort(const TTVCompare& Compare, bool Recurse = false);
  // Orders the children by their texts.
  bool AlphaSort(bool Recurse = false);
  // Expands the parents and scrolls the node into view.
  void MakeVisible();
  TTreeNode* Parent() const { return FParent; }
  int Count() const { return static_cast<int>(FChildren.size()); }
  TTreeNode* Item(int Index) const { return FChildren.at(static_cast<size_t>(Index)); }
  TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next node in depth-first order (all nodes), and the next visible one (expanded parents).
  TTreeNode* GetNext() const;
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  int Index() const;
  int Level() const;
  // Children may be promised before they exist (a "+" without children yet), as lazy trees do.
  bool HasChildren() const { return FHasChildren || !FChildren.empty(); }
  void SetHasChildren(bool Value);
  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool Value);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;
  void SetSelected(bool Value);
  bool IsVisible() const;
  void Delete();
  void DeleteChildren();
  TTreeNodes* Owner() const { return FOwner; }
  TTreeView* TreeView() const;
  // The node as the tree's messages name it (TVM_EDITLABEL).
  HTREEITEM ItemId() const { return reinterpret_cast<HTREEITEM>(const_cast<TTreeNode*>(this)); }
  // Opens the edit box on the text, as TVM_EDITLABEL does; false when the tree refuses
  // (ReadOnly, OnEditing) or has no window.
  bool EditText();
  // Ends an edit of this node: keeping the typed text, or dropping it when Cancel.
  void EndEdit(bool Cancel);

private:
  friend class TTreeNodes;
  TTreeNodes* FOwner;
  TTreeNode* FParent;
  std::vector<TTreeNode*> FChildren;
  std::string FText;
  void* FData = nullptr;
  int FImageIndex = -1, FSelectedIndex = -1, FStateIndex = -1, FOverlayIndex = -1;
  bool FExpanded = false, FHasChildren = false, FCut = false, FDropTarget = false;
};

class TTreeNodes {
public:
  explicit TTreeNodes(TTreeView* Owner) : FOwner(Owner) {}
  ~TTreeNodes();
  TTreeView* Owner() const { return FOwner; }
  // Adds a sibling of Sibling (at the end of its level; the top level for null).
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Data);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Data);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
  // Inserts before Sibling.
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
  void Delete(TTreeNode* Node);
  void Clear();
  int Count() const;
  // Nodes in depth-first order.
  TTreeNode* Item(int Index) const;
  // The node of this tree with that ItemId, or null (a stale or foreign id is not followed).
  TTreeNode* GetNode(HTREEITEM ItemId) const;
  TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
  const std::vector<TTreeNode*>& Roots() const { return FRoots; }
  void BeginUpdate() { ++FUpdate; }
  void EndUpdate();

private:
  friend class TTreeNode;
  TTreeNode* InsertAt(TTreeNode* Parent, size_t Pos, const std::string& S, void* Data);
  std::vector<TTreeNode*>& ListOf(TTreeNode* Parent) { return Parent ? Parent->FChildren : FRoots; }
  void Changed();
  TTreeView* FOwner;
  std::vector<TTreeNode*> FRoots;
  int FUpdate = 0;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;
ORV_ENUM(TCustomDrawStateItem, cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot,
         cdsMarked, cdsIndeterminate)
using TCustomDrawState = TSet<TCustomDrawStateItem>;
// Before a node is drawn: the tree's Canvas holds the font (its colour is the text's) and brush
// it will be drawn with; DefaultDraw false leaves the node to the handler.
using TTVCustomDrawItemEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;

// A tree of text nodes with lines, +/- buttons, selection, keyboard (arrows, +, -, Home, End)
// and mouse (click selects, a click on the button or a double click expands).
class TTreeView : public TWinControl {
  ORV_CLASS(TTreeView, TWinControl)
public:
  static void Publish(TPublisher<TTreeView>& P);
public:
  explicit TTreeView(TComponent* AOwner);
  ~TTreeView() override;
  TTreeNodes* Items() const { return FItems.get(); }
  TTreeNode* Selected() const { return FSelected; }
  void SetSelected(TTreeNode* Node);
  TTreeNode* TopItem() const { return FTopItem; }
  void SetTopItem(TTreeNode* Node);
  TTreeNode* GetNodeAt(int X, int Y);
  // The rows shown now (visible nodes from the top) and the row height.
  int ItemHeight() const { return FItemHeight; }
  int Indent() const { return FIndent; }
  void SetIndent(int Value);
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value) { FShowLines = Value; Invalidate(); }
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value) { FShowButtons = Value; Invalidate(); }
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value) { FShowRoot = Value; Invalidate(); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value) { FHideSelection = Value; Invalidate(); }
  bool RightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  // Node texts are edited in place unless ReadOnly: F2, a second click on the selected node's
  // text after a pause, TTreeNode::EditText or TVM_EDITLABEL open the box; OnEditing may
  // refuse; Enter or leaving the box ends it with the text (OnEdited may change it, then the node
  // takes it), Escape or TVM_ENDEDITLABELNOW with cancel ends it without (OnCancelEdit).
  bool IsEditing() const;
  void FullExpand();
  void FullCollapse();
  // The images of the nodes (ImageIndex, SelectedIndex, OverlayIndex) and their state images
  // (StateIndex), drawn before the text; null: none.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  TImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TImageList* Value);
  // The node under the mouse is drawn in the hot-light colour.
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value) { FHotTrack = Value; Invalidate(); }
  // The top-level nodes ordered by Compare (and with Recurse all their descendants).
  bool CustomSort(const TTVCompare& Compare, bool Recurse = false);
  bool AlphaSort(bool Recurse = false);
  // The canvas the nodes are drawn with while they paint (for custom drawing).
  TCanvas* Canvas() const { return FCanvas.get(); }
  void WndProc(TMessage& Message) override;

  TTVChangedEvent OnChange, OnDeletion;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnExpanded, OnCollapsed, OnGetImageIndex, OnGetSelectedIndex;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVChangedEvent OnCancelEdit;
  TTVCustomDrawItemEvent OnCustomDrawItem;

  // Called by nodes. May the node open (OnExpanding) or close (OnCollapsing)?
  virtual bool CanExpand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  // The node opened or closed: runs Expand or Collapse.
  void Expanded(TTreeNode* Node, bool Value);
  // The node is about to go: runs Delete.
  void NodeDeleting(TTreeNode* Node);
  void NodesChanged();

protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The overridable steps behind the events: a node opened (OnExpanded), closed (OnCollapsed),
  // about to be selected (OnChanging; false keeps the old selection), selected (OnChange), about
  // to be deleted (OnDeletion).
  virtual void Expand(TTreeNode* Node);
  virtual void Collapse(TTreeNode* Node);
  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual void Delete(TTreeNode* Node);
  // Custom drawing: asked per node when IsCustomDrawn; the default runs OnCustomDrawItem.
  virtual bool IsCustomDrawn() { return static_cast<bool>(OnCustomDrawItem); }
  virtual bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State);
  // The mouse moved the drag distance with a button held on Node and DragMode is dmAutomatic
  // (the tree view's begin-drag notification): starts the class library's drag for the left
  // button.
  virtual void BeginDragNode(TTreeNode* Node, TMouseButton Button);
  // May Node's text be edited now? Not when ReadOnly; else what OnEditing answers.
  virtual bool CanEdit(TTreeNode* Node);
  // The end of an edit with a new text: OnEdited may change S, then the node takes it.
  virtual void Edit(TTreeNode* Node, std::string S);

private:
  friend class TTreeNode;
  HWND StartEdit(TTreeNode* Node);
  void EditDone(bool Accept, const std::string& Text);
  RECT TextRect(TTreeNode* Node);  // where the node's text is drawn (client coordinates)
  int TextLeft(TTreeNode* Node) const;  // the left edge of the text, after the images
  RECT RowRect(TTreeNode* Node);
  void DrawNodeImages(HDC DC, TTreeNode* Node, int X, int Y, bool Selected);
  TImageList* FImages = nullptr;
  TImageList* FStateImages = nullptr;
  std::unique_ptr<TCanvas> FCanvas;
  bool FHotTrack = false;
  TTreeNode* FHotNode = nullptr;
  TTreeNode* FDragNode = nullptr;  // a button went down on it; a drag may start
  POINT FDragStart{};
  TMouseButton FDragButton = mbLeft;
  TLabelEditor* FEditor = nullptr;  // made on the first edit, owned by the tree
  TTreeNode* FEditNode = nullptr;   // the node being edited
  TTreeNode* FClickNode = nullptr;  // a second click on it waits for the edit timer
  bool FReadOnly = false;
  std::vector<TTreeNode*> VisibleRows() const;
  void UpdateScroll();
  void MakeVisible(TTreeNode* Node);
  int RowsOnScreen();
  std::unique_ptr<TTreeNodes> FItems;
  TTreeNode* FSelected = nullptr;
  TTreeNode* FTopItem = nullptr;
  int FItemHeight = 17, FIndent = 19;
  bool FShowLines = true, FShowButtons = true, FShowRoot = true, FHideSelection = true, FRightClickSelect = false;
  bool FDestroying = false;
};

ORV_ENUM(TTrackBarOrientation, trHorizontal, trVertical)
// No ticks, a tick at every Frequency-th value, or only the ticks set with SetTick; the ends
// (Min and Max) have a tick unless the style is tsNone.
ORV_ENUM(TTickStyle, tsNone, tsAuto, tsManual)
// Where the ticks go: below (right of) the channel, above (left of) it, or both.
ORV_ENUM(TTickMark, tmBottomRight, tmTopLeft, tmBoth)

// A slider: Position between Min and Max; arrows, PageUp/PageDown, Home/End and clicks on
// the channel move it; OnChange after every move. It answers the TBM_* messages of
// platform/win/commctrl.h; its window style carries TBS_* bits for the tick style and marks.
class TTrackBar : public TWinControl {
  ORV_CLASS(TTrackBar, TWinControl)
protected:
  void CreateParams(TCreateParams& Params) override;

public:
  explicit TTrackBar(TComponent* AOwner);
  static void Publish(TPublisher<TTrackBar>& P);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  void SetMin(int Value);
  void SetMax(int Value);
  void SetPosition(int Value);
  // The step of the automatic ticks (tsAuto); values below 1 count as 1.
  int Frequency() const { return FFrequency; }
  void SetFrequency(int Value);
  TTickStyle TickStyle() const { return FTickStyle; }
  void SetTickStyle(TTickStyle Value);
  TTickMark TickMarks() const { return FTickMarks; }
  void SetTickMarks(TTickMark Value);
  // Adds a manual tick at Value (strictly between Min and Max; others are ignored). Manual ticks
  // show with tsManual and tsAuto, as the bar's own ticks do.
  void SetTick(int Value);
  // Drops the manual ticks.
  void ClearTicks();
  // The selected range of values, shown in the channel when SelStart < SelEnd.
  int SelStart() const { return FSelStart; }
  void SetSelStart(int Value);
  int SelEnd() const { return FSelEnd; }
  void SetSelEnd(int Value);
  int PageSize() const { return FPageSize; }
  void SetPageSize(int Value) { FPageSize = Value; }
  int LineSize() const { return FLineSize; }
  void SetLineSize(int Value) { FLineSize = Value; }
  TTrackBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TTrackBarOrientation Value);
  // The values that have a tick between the ends, ascending (what TBM_GETPTICS gives).
  const std::vector<int>& TickValues() const;
  // The client x (y when vertical) of the value on the channel.
  int ValueToPixel(int Value);
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;

protected:
  void PaintWindow(HDC DC) override;

private:
  int PosAt(int X, int Y);
  RECT Channel();
  RECT Thumb();  // the thumb at the current position
  void TicksChanged();
  void UpdateStyle();
  DWORD StyleBits() const;
  int FMin = 0, FMax = 10, FPosition = 0, FFrequency = 1, FPageSize = 2, FLineSize = 1;
  int FSelStart = 0, FSelEnd = 0;
  TTrackBarOrientation FOrientation = trHorizontal;
  TTickStyle FTickStyle = tsAuto;
  TTickMark FTickMarks = tmBottomRight;
  std::vector<int> FManualTicks;       // set with SetTick / TBM_SETTIC, ascending, no duplicates
  mutable std::vector<int> FTicks;     // the ticks between the ends, remade on demand
  mutable bool FTicksValid = false;
  bool FDragging = false;
};

ORV_ENUM(TUDBtnType, btNext, btPrev)
ORV_ENUM(TUDAlignButton, udLeft, udRight)

// Messages of an up-down window (answered by TUpDown): UDM_SETRANGE lParam = MAKELONG(max, min) as
// 16-bit signed numbers, UDM_GETRANGE returns the same; UDM_SETPOS (position in the low word of
// lParam) and UDM_SETPOS32 (lParam) return the old position; UDM_GETPOS returns the position in
// the low word, high word 0; UDM_GETPOS32 returns it and sets *(BOOL*)lParam to FALSE when given;
// UDM_SETRANGE32 wParam = min, lParam = max; UDM_GETRANGE32 writes *(int*)wParam and
// *(int*)lParam; UDM_SETBUDDY wParam = the buddy window (a control of this library, or 0), returns
// the old one; UDM_GETBUDDY returns it.
enum : UINT {
  UDM_SETRANGE = WM_USER + 101, UDM_GETRANGE = WM_USER + 102, UDM_SETPOS = WM_USER + 103,
  UDM_GETPOS = WM_USER + 104, UDM_SETBUDDY = WM_USER + 105, UDM_GETBUDDY = WM_USER + 106,
  UDM_SETRANGE32 = WM_USER + 111, UDM_GETRANGE32 = WM_USER + 112, UDM_SETPOS32 = WM_USER + 113,
  UDM_GETPOS32 = WM_USER + 114,
};

// Up and down arrows that step Position between Min and Max (wrapping with Wrap); an
// associated edit (Associate) shows the position and sits beside the arrows. Min may exceed Max
// (a reversed range): the position then stays between the two.
class TUpDown : public TCustomControl {
  ORV_CLASS(TUpDown, TCustomControl)
public:
  static void Publish(TPublisher<TUpDown>& P);
protected:
  void CreateParams(TCreateParams& Params) override;

public:
  explicit TUpDown(TComponent* AOwner);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  void SetMin(int Value) { FMin = Value; SetPosition(FPosition); }
  void SetMax(int Value) { FMax = Value; SetPosition(FPosition); }
  void SetPosition(int Value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int Value) { FIncrement = Value; }
  bool Wrap() const { return FWrap; }
  void SetWrap(bool Value) { FWrap = Value; }
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* Value);
  // One step up (btNext) or down (btPrev), as a click on an arrow does.
  void Step(TUDBtnType Button);
  void WndProc(TMessage& Message) override;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;
  std::function<void(TObject* Sender, TUDBtnType Button)> OnClick2;
  TNotifyEvent OnChangeEvent;

protected:
  void Paint() override;

private:
  int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
  bool FWrap = false;
  TWinControl* FAssociate = nullptr;
  bool UpDownMessage(TMessage& Message);
};

class TPopupMenu;
ORV_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider)

// A button of a tool bar. Check buttons stay down; grouped check buttons work like radio
// buttons; a drop-down button opens its DropdownMenu under itself.
ORV_ENUM(TEdgeBorder, ebLeft, ebTop, ebRight, ebBottom)
using TEdgeBorders = TSet<TEdgeBorder>;

class TToolButton : public TGraphicControl {
  ORV_CLASS(TToolButton, TGraphicControl)
public:
  static void Publish(TPublisher<TToolButton>& P);
public:
  explicit TToolButton(TComponent* AOwner);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle Value);
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool Value) { FGrouped = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; Invalidate(); }
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* Value) { FDropdownMenu = Value; }
  void Click() override;
  void WndProc(TMessage& Message) override;
  // The state the bar's OnCustomDrawButton is told: cdsHot under the mouse, cdsSelected while
  // pressed, cdsChecked while down, cdsDisabled and cdsGrayed when disabled.
  virtual TCustomDrawState DrawState() const;

protected:
  void Paint() override;
  // Also the action's ImageIndex and, for check buttons, its Checked (as Down).
  void ActionChange(TAction* Sender, bool CheckDefaults) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TToolButtonStyle FStyle = tbsButton;
  bool FDown = false, FGrouped = false, FPressed = false, FHot = false;
  int FImageIndex = -1;
  TPopupMenu* FDropdownMenu = nullptr;
};

// A bar of tool buttons laid out from the left in their order (wrapping is not done);
// aligned to the top of its parent by default.
// Tool bar styles (the low word of its window style) and the messages that read and set them.
constexpr DWORD TBSTYLE_FLAT = 0x0800, TBSTYLE_TRANSPARENT = 0x8000;
enum : UINT { TB_SETSTYLE = WM_USER + 56, TB_GETSTYLE = WM_USER + 57 };

class TToolBar;
// Custom drawing of a tool bar: the background before the buttons (ARect the client area;
// DefaultDraw false leaves the buttons undrawn) and each button before it is drawn (on the bar's
// Canvas in the bar's coordinates, clipped to the button; DefaultDraw false skips the button's
// own drawing).
using TTBCustomDrawEvent = std::function<void(TToolBar* Sender, const RECT& ARect, bool& DefaultDraw)>;
using TTBCustomDrawBtnEvent =
    std::function<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)>;

class TToolBar : public TCustomControl {
  ORV_CLASS(TToolBar, TCustomControl)
public:
  static void Publish(TPublisher<TToolBar>& P);
protected:
  void CreateParams(TCreateParams& Params) override;

public:
  explicit TToolBar(TComponent* AOwner);
  // The sides the bar draws an edge on (kept and streamed; the bar draws no edges itself).
  TEdgeBorders EdgeBorders() const { return FEdgeBorders; }
  void SetEdgeBorders(TEdgeBorders Value) { FEdgeBorders = Value; Invalidate(); }
  // Captions beside the pictures instead of under them (kept and streamed).
  bool List() const { return FList; }
  void SetList(bool Value) { FList = Value; Invalidate(); }
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int Value);
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int Value);
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  // The pictures of a button under the mouse (Images when there are none).
  TImageList* HotImages() const { return FHotImages; }
  void SetHotImages(TImageList* Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  int ButtonCount() const;
  TToolButton* Buttons(int Index) const;
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void WndProc(TMessage& Message) override;
  TTBCustomDrawEvent OnCustomDraw;
  TTBCustomDrawBtnEvent OnCustomDrawButton;
  // Called by a button as it paints into DC (moved to the button's origin): runs
  // OnCustomDrawButton on the bar's canvas; true when the button draws itself as usual.
  bool CustomDrawButton(TToolButton* Button, HDC DC);
  // False while a paint of the bar whose OnCustomDraw refused the default drawing runs.
  bool DrawsButtons() const { return FDrawButtons; }

protected:
  void Paint() override;

private:
  bool FShowCaptions = false, FFlat = true, FList = false, FDrawButtons = true;
  TEdgeBorders FEdgeBorders{ebTop};
  int FButtonWidth = 23, FButtonHeight = 22;
  TImageList* FImages = nullptr;
  TImageList* FHotImages = nullptr;
};

// The tree view: TTreeNode (text, data, image indexes, children, expanded state), TTreeNodes
// (the tree's node store) and TCustomTreeView/TTreeView (painting with lines and buttons,
// selection, keyboard, expand/collapse with their events, lazy filling through HasChildren).
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/vcl/controls.h"

class TTreeNodes;
class TCustomTreeView;

class TTreeNode : public TObject {
  ORV_CLASS(TTreeNode, TObject)
public:
  TTreeNode(TTreeNodes* AOwner, TTreeNode* AParent);
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return FOwner; }
  TCustomTreeView* TreeView() const;
  TTreeNode* Parent() const { return FParent; }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int Value);
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);
  int OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int Value) { FOverlayIndex = Value; }
  // Shows a button even without children (filled when expanded, in OnExpanding).
  bool HasChildren() const { return FHasChildren || !FChildren.empty(); }
  void SetHasChildren(bool Value);
  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool Value) { if (Value) Expand(false); else Collapse(false); }
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const { return Selected(); }
  bool DropTarget() const { return FDropTarget; }
  void SetDropTarget(bool Value);
  bool Cut() const { return FCut; }
  void SetCut(bool Value);

  int Count() const { return static_cast<int>(FChildren.size()); }
  TTreeNode* Item(int Index) const { return FChildren.at(static_cast<size_t>(Index)); }
  int Level() const;
  // Position among the siblings; AbsoluteIndex: position in the whole tree, top to bottom.
  int Index() const;
  int AbsoluteIndex() const;
  int IndexOf(TTreeNode* Child) const;
  bool HasAsParent(TTreeNode* Value) const;

  TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  TTreeNode* GetNextChild(TTreeNode* Value) const { return Value ? Value->getNextSibling() : nullptr; }
  // Next and previous in the whole tree (depth first), and among the nodes shown (parents expanded).
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  TTreeNode* GetNextVisible() const;
  TTreeNode* GetPrevVisible() const;
  // All parents expanded.
  bool IsVisible() const;

  // Expand asks OnExpanding (which may add the children) and reports OnExpanded; a node whose
  // HasChildren stays false with no children after OnExpanding loses its button.
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  void MakeVisible();
  // The row (TextOnly: the text) in client coordinates; empty when the node is not shown.
  RECT DisplayRect(bool TextOnly) const;
  void Delete();
  void DeleteChildren();
  // Moves the node (with its subtree) to be the last child of Destination (nullptr: top level).
  void MoveTo(TTreeNode* Destination);
  bool AlphaSort(bool Recurse = false);
  bool CustomSort(const std::function<int(TTreeNode*, TTreeNode*)>& Compare, bool Recurse = false);

private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  void Changed();
  TTreeNodes* FOwner;
  TTreeNode* FParent;
  std::vector<TTreeNode*> FChildren;
  std::string FText;
  void* FData = nullptr;
  int FImageIndex = -1, FSelectedIndex = -1, FStateIndex = -1, FOverlayIndex = -1;
  bool FHasChildren = false, FExpanded = false, FDropTarget = false, FCut = false;
  bool FDeleting = false;
};

class TTreeNodes : public TPersistent {
  ORV_CLASS(TTreeNodes, TPersistent)
public:
  explicit TTreeNodes(TCustomTreeView* AOwner);
  ~TTreeNodes() override;
  TCustomTreeView* Owner() const { return FOwner; }
  // All nodes, top to bottom (depth first).
  int Count() const { return FCount; }
  TTreeNode* Item(int Index) const;
  TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
  int RootCount() const { return static_cast<int>(FRoots.size()); }

  // Sibling adds go after the last sibling of Sibling (nullptr: the top level).
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
  TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S) { return AddObjectFirst(Sibling, S, nullptr); }
  TTreeNode* AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S) { return AddChildObjectFirst(Parent, S, nullptr); }
  TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr);
  // Inserts before Sibling (nullptr: at the end of the top level).
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S) { return InsertObject(Sibling, S, nullptr); }
  TTreeNode* InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
  void Delete(TTreeNode* Node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }

private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  TTreeNode* InsertAt(TTreeNode* Parent, size_t Pos, const std::string& S, void* Ptr);
  std::vector<TTreeNode*>& SiblingsOf(TTreeNode* Parent) { return Parent ? Parent->FChildren : FRoots; }
  void Removed(TTreeNode* Node);
  void Changed();
  TCustomTreeView* FOwner;
  std::vector<TTreeNode*> FRoots;
  int FCount = 0;
  int FUpdateCount = 0;
};

ORV_ENUM(THitTest, htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent,
         htOnLabel, htOnRight, htOnStateIcon, htToLeft, htToRight)
using THitTests = TSet<THitTest>;
ORV_ENUM(TSortType, stNone, stData, stText, stBoth)

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCompareEvent = std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int Data, int& Compare)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;

class TCustomTreeView : public TCustomControl {
  ORV_CLASS(TCustomTreeView, TCustomControl)
public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() const { return FNodes.get(); }
  TTreeNode* Selected() const { return FSelected; }
  // Selecting asks OnChanging (which may refuse) and reports OnChange.
  void SetSelected(TTreeNode* Value);
  TTreeNode* TopItem() const;
  void SetTopItem(TTreeNode* Value);
  TTreeNode* DropTarget() const;
  void SetDropTarget(TTreeNode* Value) { if (Value) Value->SetDropTarget(true); else if (auto* d = DropTarget()) d->SetDropTarget(false); }

  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value) { FShowLines = Value; Invalidate(); }
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value) { FShowButtons = Value; Invalidate(); }
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value) { FShowRoot = Value; Invalidate(); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value) { FHideSelection = Value; Invalidate(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value) { FRowSelect = Value; Invalidate(); }
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value) { FHotTrack = Value; }
  bool AutoExpand() const { return FAutoExpand; }
  void SetAutoExpand(bool Value) { FAutoExpand = Value; }
  bool RightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
  int Indent() const { return FIndent; }
  void SetIndent(int Value);
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType Value);
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  TImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TImageList* Value);
  int ItemHeight() const;

  TTreeNode* GetNodeAt(int X, int Y);
  THitTests GetHitTestInfoAt(int X, int Y);
  void FullExpand();
  void FullCollapse();
  bool AlphaSort(bool Recurse = true);
  bool IsEditing() const { return false; }
  // Rows shown (nodes whose parents are all expanded), top to bottom.
  std::vector<TTreeNode*> VisibleNodes() const;

  void WndProc(TMessage& Message) override;

  TTVChangingEvent OnChanging;
  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVExpandedEvent OnDeletion;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVCompareEvent OnCompare;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool CanExpand(TTreeNode* Node);
  virtual void Expand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Collapse(TTreeNode* Node);
  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual void Delete(TTreeNode* Node);

private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void NodesChanged();
  void NodeRemoved(TTreeNode* Node);
  void UpdateScroll();
  int VisibleRows();
  int RowOf(const TTreeNode* Node) const;
  int NodeLeft(const TTreeNode* Node) const;
  void SortSiblings(std::vector<TTreeNode*>& List, bool Recurse);
  std::unique_ptr<TTreeNodes> FNodes;
  TTreeNode* FSelected = nullptr;
  TImageList* FImages = nullptr;
  TImageList* FStateImages = nullptr;
  int FIndent = 19;
  int FTopRow = 0;
  TSortType FSortType = stNone;
  bool FShowLines = true, FShowButtons = true, FShowRoot = true, FHideSelection = true;
  bool FReadOnly = false, FRowSelect = false, FHotTrack = false, FAutoExpand = false;
  bool FRightClickSelect = false;
};

class TTreeView : public TCustomTreeView {
  ORV_CLASS(TTreeView, TCustomTreeView)
public:
  explicit TTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
  static void Publish(TPublisher<TTreeView>& P);
};

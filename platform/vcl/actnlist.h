// Actions: commands with a caption, state (enabled, checked, visible), image index, short cut
// and handlers, collected in an action list that can take every execution and update first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/component.h"

class TActionList;
class TImageList;

class TAction;
using TActionEvent = std::function<void(TAction* Action, bool& Handled)>;

class TAction : public TComponent {
  ORV_CLASS(TAction, TComponent)
public:
  explicit TAction(TComponent* AOwner);
  ~TAction() override;
  static void Publish(TPublisher<TAction>& P);
  // Read from a form's text inside its action list, an action joins that list.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  TActionList* ActionList() const { return FActionList; }
  void SetActionList(TActionList* Value);
  int Index() const;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; Changed(); }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; Changed(); }
  const std::string& Category() const { return FCategory; }
  void SetCategory(const std::string& Value) { FCategory = Value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; Changed(); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; Changed(); }
  bool Checked() const { return FChecked; }
  // Checking an action of a group (GroupIndex > 0) unchecks the others of its list's group.
  void SetChecked(bool Value);
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; Changed(); }
  // Key code with the modifier bits the menus use (scShift, scCtrl, scAlt).
  int ShortCut() const { return FShortCut; }
  void SetShortCut(int Value) { FShortCut = Value; Changed(); }
  // The list's OnExecute first (it may handle it), then OnExecute; false when nothing ran or the
  // action is disabled.
  virtual bool Execute();
  // The list's OnUpdate, then OnUpdate; true when a handler ran.
  virtual bool Update();
  // Called after every change of a shown property (captions, state) for linked controls; the
  // number given back takes the listener off again (UnRegisterChanges).
  int RegisterChanges(std::function<void(TAction*)> Listener);
  void UnRegisterChanges(int Id);
  TNotifyEvent OnExecute, OnUpdate;

protected:
  void Changed();

private:
  friend class TActionList;
  TActionList* FActionList = nullptr;
  std::string FCaption, FHint, FCategory;
  bool FEnabled = true, FVisible = true, FChecked = false, FAutoCheck = false;
  int FGroupIndex = 0, FImageIndex = -1, FShortCut = 0;
  std::vector<std::pair<int, std::function<void(TAction*)>>> FListeners;
  int FNextListener = 0;
};

// Ties a client (a control or a menu item) to an action: Apply copies the action's caption and
// state to the client now and after every change. While the client is being loaded, the first
// Apply has CheckDefaults set: it should change only what the stream left at its default, so a
// caption or state stored with the client wins over the action's. The client owns the link, calls Removed from
// its Notification (the action is going: it is forgotten without being touched) and lets its
// click run the action through Execute.
class TActionLink {
public:
  TActionLink(TComponent* Client, std::function<void(TAction*)> Apply);
  ~TActionLink();
  TActionLink(const TActionLink&) = delete;
  TActionLink& operator=(const TActionLink&) = delete;
  TAction* Action() const { return FAction; }
  void SetAction(TAction* Value);
  void Removed(TComponent* AComponent);
  // Runs the action; false when there is none or it did not run.
  bool Execute();
  bool CheckDefaults() const { return FCheckDefaults; }

private:
  TComponent* FClient;
  bool FCheckDefaults = false;
  std::function<void(TAction*)> FApply;
  TAction* FAction = nullptr;
  int FId = 0;
};

enum : int { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };

class TActionList : public TComponent {
  ORV_CLASS(TActionList, TComponent)
public:
  explicit TActionList(TComponent* AOwner);
  ~TActionList() override;
  static void Publish(TPublisher<TActionList>& P);
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  TAction* Actions(int Index) const { return FActions.at(static_cast<size_t>(Index)); }
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  // Runs the enabled action whose ShortCut is ShortCut; false when there is none.
  bool IsShortCut(int ShortCut);
  // OnUpdate of every action (the idle-time update).
  void UpdateActions();
  // Its actions are streamed inside it.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TActionEvent OnExecute, OnUpdate;
  TNotifyEvent OnChange;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TAction;
  std::vector<TAction*> FActions;
  TImageList* FImages = nullptr;
};

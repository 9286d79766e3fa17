// Actions and action lists.
#include "platform/vcl/actnlist.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TAction, TComponent)
ORV_CLASS_IMPL(TActionList, TComponent)

// ---- TAction ----
TAction::TAction(TComponent* AOwner) : TComponent(AOwner) {}

TAction::~TAction() { SetActionList(nullptr); }

void TAction::SetActionList(TActionList* Value) {
  if (Value == FActionList) return;
  if (FActionList) {
    auto& v = FActionList->FActions;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    if (FActionList->OnChange) FActionList->OnChange(FActionList);
  }
  FActionList = Value;
  if (Value) {
    Value->FActions.push_back(this);
    if (Value->OnChange) Value->OnChange(Value);
  }
}

int TAction::Index() const {
  if (!FActionList) return -1;
  auto& v = FActionList->FActions;
  return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

int TAction::RegisterChanges(std::function<void(TAction*)> Listener) {
  FListeners.emplace_back(++FNextListener, std::move(Listener));
  return FNextListener;
}

void TAction::UnRegisterChanges(int Id) {
  FListeners.erase(std::remove_if(FListeners.begin(), FListeners.end(), [Id](auto& l) { return l.first == Id; }),
                   FListeners.end());
}

void TAction::Changed() {
  // A listener may take itself off; run over a copy.
  auto listeners = FListeners;
  for (auto& l : listeners) l.second(this);
}

// ---- TActionLink ----
TActionLink::TActionLink(TComponent* Client, std::function<void(TAction*)> Apply)
    : FClient(Client), FApply(std::move(Apply)) {}

TActionLink::~TActionLink() { SetAction(nullptr); }

void TActionLink::SetAction(TAction* Value) {
  if (Value == FAction) return;
  if (FAction) {
    FAction->UnRegisterChanges(FId);
    FAction->RemoveFreeNotification(FClient);
  }
  FAction = Value;
  FId = 0;
  if (!Value) return;
  Value->FreeNotification(FClient);
  FId = Value->RegisterChanges([this](TAction* A) { FApply(A); });
  FCheckDefaults = FClient && FClient->ComponentState().Contains(csLoading);
  FApply(Value);
  FCheckDefaults = false;
}

void TActionLink::Removed(TComponent* AComponent) {
  if (AComponent && AComponent == FAction) {
    FAction = nullptr;
    FId = 0;
  }
}

bool TActionLink::Execute() { return FAction && FAction->Execute(); }

void TAction::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (Value && FGroupIndex > 0 && FActionList)
    for (TAction* a : FActionList->FActions)
      if (a != this && a->FGroupIndex == FGroupIndex && a->FChecked) {
        a->FChecked = false;
        a->Changed();
      }
  Changed();
}

bool TAction::Execute() {
  Update();
  if (!FEnabled) return false;
  if (FAutoCheck) SetChecked(!FChecked || FGroupIndex > 0);
  bool handled = false;
  if (FActionList && FActionList->OnExecute) FActionList->OnExecute(this, handled);
  if (handled) return true;
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TAction::Update() {
  bool handled = false;
  if (FActionList && FActionList->OnUpdate) FActionList->OnUpdate(this, handled);
  if (handled) return true;
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TAction::Publish(TPublisher<TAction>& P) {
  P.Prop("AutoCheck", &TAction::AutoCheck, &TAction::SetAutoCheck);
  P.Prop("Caption", &TAction::Caption, &TAction::SetCaption).Type("TCaption");
  P.Prop("Category", &TAction::Category, &TAction::SetCategory);
  P.Prop("Checked", &TAction::Checked, &TAction::SetChecked);
  P.Prop("Enabled", &TAction::Enabled, &TAction::SetEnabled).Default(true);
  P.Prop("GroupIndex", &TAction::GroupIndex, &TAction::SetGroupIndex).Default(0);
  P.Prop("Hint", &TAction::Hint, &TAction::SetHint);
  P.Prop("ImageIndex", &TAction::ImageIndex, &TAction::SetImageIndex).Default(-1);
  P.Prop("ShortCut", &TAction::ShortCut, &TAction::SetShortCut).Type("TShortCut").Default(0);
  P.Prop("Visible", &TAction::Visible, &TAction::SetVisible).Default(true);
  P.Event<TNotifyEvent>("OnExecute", &TAction::OnExecute).Type("TNotifyEvent");
  P.Event<TNotifyEvent>("OnUpdate", &TAction::OnUpdate).Type("TNotifyEvent");
}

TComponent* TAction::GetParentComponent() const { return FActionList; }

void TAction::SetParentComponent(TComponent* Value) {
  if (auto* list = dynamic_cast<TActionList*>(Value)) SetActionList(list);
}

// ---- TActionList ----
TActionList::TActionList(TComponent* AOwner) : TComponent(AOwner) {}

TActionList::~TActionList() {
  for (TAction* a : std::vector<TAction*>(FActions)) a->FActionList = nullptr;
  FActions.clear();
}

void TActionList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

void TActionList::SetImages(TImageList* Value) {
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

bool TActionList::IsShortCut(int ShortCut) {
  if (ShortCut == 0) return false;
  for (TAction* a : std::vector<TAction*>(FActions))
    if (a->ShortCut() == ShortCut) {
      a->Update();
      if (a->Enabled()) return a->Execute();
    }
  return false;
}

void TActionList::UpdateActions() {
  for (TAction* a : std::vector<TAction*>(FActions)) a->Update();
}

void TActionList::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TAction* a : FActions)
    if (a->Owner() == Root) Proc(a);
}

void TActionList::Publish(TPublisher<TActionList>& P) {
  P.Prop("Images", &TActionList::Images, &TActionList::SetImages);
}

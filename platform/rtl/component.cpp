// TComponent: owner tree, names, free notification and streaming state.
#include "platform/rtl/component.h"

#include <algorithm>

#include "platform/rtl/handletable.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"

ORV_CLASS_IMPL(TComponent, TPersistent)

void TComponent::Publish(TPublisher<TComponent>& P) {
  // Name is written by the streaming code itself (first attribute of an element), never by the
  // generic property rule.
  P.Prop("Name", &TComponent::Name, &TComponent::SetName).Type("TComponentName").Stored(false);
  P.Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Handles held by scripts stop finding the component as soon as it starts to go.
  THandleTable::Release(this);
  Destroying();
  // Tell everyone linked by FreeNotification; each drops its link as it is told.
  while (!FFreeNotifies.empty()) {
    TComponent* c = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& back = c->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    c->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) TList::Error("List index out of bounds (%d)", Index);
  return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!FOwner) return;
  auto& list = FOwner->FComponents;
  int cur = ComponentIndex();
  if (cur < 0) return;
  int last = static_cast<int>(list.size()) - 1;
  Value = std::clamp(Value, 0, last);
  if (Value == cur) return;
  list.erase(list.begin() + cur);
  list.insert(list.begin() + Value, this);
}

bool TComponent::IsValidIdent(const std::string& Ident) {
  if (Ident.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(Ident[0])) return false;
  for (char c : Ident)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("Component name \"" + NewName + "\" is not a valid identifier");
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
  if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* other = FindComponent(NewName);
  if (other && other != AComponent)
    throw EComponentError("A component named " + NewName + " already exists");
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  ValidateRename(AComponent, "", AComponent->FName);
  ValidateInsert(AComponent);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  NotifyInsertOrRemove(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  NotifyInsertOrRemove(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent),
                    FComponents.end());
  AComponent->FOwner = nullptr;
}

// The owner hears of the change, and through its Notification every component it owns.
void TComponent::NotifyInsertOrRemove(TComponent* AComponent, TOperation Operation) {
  Notification(AComponent, Operation);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Last to first, without a copy (owners of thousands of report objects hear of every insert);
  // a notified component may free components, so the index is re-clamped after each call.
  int i = static_cast<int>(FComponents.size()) - 1;
  while (i >= 0) {
    FComponents[static_cast<size_t>(i)]->Notification(AComponent, Operation);
    --i;
    if (i >= static_cast<int>(FComponents.size())) i = static_cast<int>(FComponents.size()) - 1;
  }
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    // A component others asked to watch leaves with the owner's notification, so siblings that
    // hold it hear of it; the others leave silently (everything is going anyway).
    if (c->FComponentState.Contains(csFreeNotification))
      RemoveComponent(c);
    else
      Remove(c);
    delete c;
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  auto& back = AComponent->FFreeNotifies;
  if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                      FFreeNotifies.end());
  auto& back = AComponent->FFreeNotifies;
  back.erase(std::remove(back.begin(), back.end(), this), back.end());
  if (FFreeNotifies.empty()) FComponentState.Exclude(csFreeNotification);
}

void TComponent::SetComponentStateFlag(TComponentStateItem Flag, bool Value) {
  if (Value)
    FComponentState.Include(Flag);
  else
    FComponentState.Exclude(Flag);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  SetComponentStateFlag(csDesigning, Value);
  if (SetChildren)
    for (TComponent* c : FComponents) c->SetDesigning(Value, true);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }
void TComponent::SetLoading(bool Value) { SetComponentStateFlag(csLoading, Value); }
void TComponent::SetReading(bool Value) { SetComponentStateFlag(csReading, Value); }
void TComponent::SetWriting(bool Value) { SetComponentStateFlag(csWriting, Value); }
void TComponent::SetUpdating(bool Value) { SetComponentStateFlag(csUpdating, Value); }
void TComponent::SetAncestor(bool Value) {
  SetComponentStateFlag(csAncestor, Value);
  for (TComponent* c : FComponents) c->SetAncestor(Value);
}

void TComponent::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  (void)Root;
  // The base streams nothing as children; roots (forms, reports) override this to hand out the
  // components they own.
  (void)Proc;
}

std::string TComponent::GetNamePath() const { return FName; }

// TComponent: the owner tree every form, control, report object and non-visual helper lives in.
//
// An owner frees the components it owns when it is destroyed. Names are identifiers, unique
// (without regard to case) among the components of one owner. A component that asked another
// for free notification (FreeNotification) hears of its removal through Notification(opRemove)
// before it goes, so it can drop the pointer. The published properties of TComponent are "Name"
// (type TComponentName, never stored by the generic rule) and "Tag" (default 0).
//
// Destruction order: ~TComponent runs after the descendants' destructors, so it can only reach
// TComponent's own part of this object. A descendant whose owned components call back into the
// descendant's members while they go (controls that unlink from their parent) calls
// DestroyComponents() at the start of its own destructor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/rtl/sets.h"

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating, csFixups,
  csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TComponentStyleItem { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = TSet<TComponentStyleItem>;

using TComponentName = std::string;
// Called by GetChildren for each child that is streamed with a component.
using TGetChildProc = std::function<void(TComponent* Child)>;

class TComponent : public TPersistent {
  ORV_CLASS(TComponent, TPersistent)
public:
  // Creates the component and, with an owner, inserts it among the owner's components.
  explicit TComponent(TComponent* AOwner);
  // Notifies the free-notification clients (opRemove), frees the owned components (last first),
  // and leaves the owner.
  ~TComponent() override;
  static void Publish(TPublisher<TComponent>& P);

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TComponent* Components(int Index) const;
  // Position among the owner's components; -1 without owner.
  int ComponentIndex() const;
  void SetComponentIndex(int Value);

  const std::string& Name() const { return FName; }
  // Validates and sets the name: not an identifier -> EComponentError "Component name \"%s\" is
  // not a valid identifier"; taken by a sibling -> EComponentError "A component named %s
  // already exists". An empty name is always allowed.
  virtual void SetName(const std::string& NewName);
  int Tag() const { return FTag; }
  void SetTag(int Value) { FTag = Value; }

  TComponentState ComponentState() const { return FComponentState; }
  TComponentStyle ComponentStyle() const { return FComponentStyle; }
  // Sets or clears csDesigning on this component and, with SetChildren, its owned components.
  void SetDesigning(bool Value, bool SetChildren = true);
  // Marks the component (and its owned components) as being destroyed.
  void Destroying();

  // Owned component by name, without regard to case; null when none (and for an empty name).
  TComponent* FindComponent(const std::string& AName) const;
  // Makes this component the owner of AComponent (removing it from its previous owner); the name
  // must be free here (EComponentError otherwise).
  void InsertComponent(TComponent* AComponent);
  // Takes AComponent out of the owned list without freeing it.
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, last first.
  void DestroyComponents();

  // AComponent will be told (Notification(this, opRemove)) before this component goes; the link
  // works both ways so either side may go first.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Streaming state hooks.
  virtual void Loaded();  // clears csLoading; called after all references are resolved
  void SetLoading(bool Value);
  void SetReading(bool Value);
  void SetWriting(bool Value);
  void SetUpdating(bool Value);
  void SetAncestor(bool Value);
  // Children streamed with this component (its owned components when it is the root).
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  // Visual parents (controls): a component read as the child of another is given it here; the
  // base has no parent and ignores it.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* Value) { (void)Value; }

  TPersistent* GetOwner() const override { return FOwner; }
  // The component's name (the start of the name paths of its sub-objects).
  std::string GetNamePath() const override;
  // Identifier check used by SetName: a letter or "_" followed by letters, digits or "_".
  static bool IsValidIdent(const std::string& Ident);

  // Told of components inserted into or removed from this owner, and of free-notification
  // clients going. The base passes owner notifications on to the owned components and forgets
  // removed free-notification links.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  // Checks a rename of AComponent (null for a new one) from CurName to NewName among the owned
  // components; raises EComponentError when NewName is taken by another.
protected:
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                              const std::string& NewName);
  virtual void ValidateInsert(TComponent* AComponent) { (void)AComponent; }
  void SetComponentStateFlag(TComponentStateItem Flag, bool Value);
  void SetComponentStyle(TComponentStyle Value) { FComponentStyle = Value; }
  void ChangeName(const std::string& NewName) { FName = NewName; }

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void NotifyInsertOrRemove(TComponent* AComponent, TOperation Operation);

  TComponent* FOwner = nullptr;
  std::string FName;
  int FTag = 0;
  std::vector<TComponent*> FComponents;     // owned, in insertion order
  std::vector<TComponent*> FFreeNotifies;   // both directions of FreeNotification
  TComponentState FComponentState;
  TComponentStyle FComponentStyle{csInheritable};
};

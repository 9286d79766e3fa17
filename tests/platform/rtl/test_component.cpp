// TComponent: owner tree, names, notifications, state; TPersistent: assignment and name paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/sysutils.h"

namespace {

// Records the notifications it receives and counts live instances.
class TProbe : public TComponent {
  ORV_CLASS(TProbe, TComponent)
public:
  explicit TProbe(TComponent* AOwner, std::vector<std::string>* Log = nullptr)
      : TComponent(AOwner), FLog(Log) {
    ++Live;
  }
  ~TProbe() override { --Live; }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Watched) Watched = nullptr;
    if (FLog)
      FLog->push_back(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
  }
  void Loaded() override {
    TComponent::Loaded();
    LoadedCalls++;
  }
  TComponent* Watched = nullptr;
  int LoadedCalls = 0;
  static int Live;

private:
  std::vector<std::string>* FLog;
};
int TProbe::Live = 0;

class TColorBox : public TPersistent {
  ORV_CLASS(TColorBox, TPersistent)
public:
  int Color = 0;
  void Assign(TPersistent* Source) override {
    if (auto* s = dynamic_cast<TColorBox*>(Source)) {
      Color = s->Color;
      return;
    }
    TPersistent::Assign(Source);
  }
};

ORV_CLASS_IMPL(TProbe, TComponent)
ORV_CLASS_IMPL(TColorBox, TPersistent)

}  // namespace

TEST(ComponentOwnership, OwnerFreesOwnedComponentsAndListsThemInOrder) {
  TProbe::Live = 0;
  {
    TComponent owner(nullptr);
    auto* a = new TProbe(&owner);
    auto* b = new TProbe(&owner);
    auto* c = new TProbe(b);  // grandchild
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(0), a);
    EXPECT_EQ(owner.Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(c->Owner(), b);
    EXPECT_EQ(owner.ComponentIndex(), -1);
    EXPECT_THROW(owner.Components(2), EListError);
    EXPECT_EQ(TProbe::Live, 3);
    delete a;  // leaves its owner's list
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
  }
  EXPECT_EQ(TProbe::Live, 0);
}

TEST(ComponentOwnership, InsertRemoveAndMoveBetweenOwners) {
  TComponent first(nullptr), second(nullptr);
  auto* c = new TProbe(&first);
  c->SetName("Child");
  second.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.FindComponent("child"), c);
  second.RemoveComponent(c);
  EXPECT_EQ(c->Owner(), nullptr);
  EXPECT_EQ(second.ComponentCount(), 0);
  delete c;

  auto* x = new TProbe(&first);
  auto* y = new TProbe(&first);
  auto* z = new TProbe(&first);
  z->SetComponentIndex(0);
  EXPECT_EQ(first.Components(0), z);
  EXPECT_EQ(first.Components(1), x);
  EXPECT_EQ(first.Components(2), y);
  x->SetComponentIndex(99);  // clamped to the end
  EXPECT_EQ(first.Components(2), x);
  first.DestroyComponents();
  EXPECT_EQ(first.ComponentCount(), 0);
}

TEST(ComponentNames, ValidationAndUniquenessAmongSiblings) {
  TComponent owner(nullptr);
  auto* a = new TProbe(&owner);
  auto* b = new TProbe(&owner);
  a->SetName("Memo1");
  struct Case {
    const char* Name;
    const char* Error;  // nullptr: accepted
  };
  const Case cases[] = {
      {"memo1", "A component named memo1 already exists"},
      {"1Memo", "Component name \"1Memo\" is not a valid identifier"},
      {"Memo 2", "Component name \"Memo 2\" is not a valid identifier"},
      {"Memo-2", "Component name \"Memo-2\" is not a valid identifier"},
      {"_Memo2", nullptr},
      {"", nullptr},
      {"Band_10", nullptr},
  };
  for (const Case& c : cases) {
    std::string before = b->Name();
    try {
      b->SetName(c.Name);
      EXPECT_EQ(c.Error, nullptr) << c.Name;
      EXPECT_EQ(b->Name(), c.Name);
    } catch (const EComponentError& e) {
      ASSERT_NE(c.Error, nullptr) << c.Name;
      EXPECT_EQ(e.Message(), c.Error);
      EXPECT_EQ(b->Name(), before);
    }
  }
  a->SetName("MEMO1");  // renaming itself with another case is fine
  EXPECT_EQ(a->Name(), "MEMO1");
  // Two unnamed components never clash; a named one cannot join an owner holding its name.
  auto* other = new TProbe(nullptr);
  other->SetName("Band_10");
  EXPECT_THROW(owner.InsertComponent(other), EComponentError);
  EXPECT_EQ(other->Owner(), nullptr);
  delete other;
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_EQ(owner.FindComponent("band_10"), b);
}

TEST(ComponentNotification, OwnerAndSiblingsHearOfInsertAndRemove) {
  std::vector<std::string> log;
  TProbe owner(nullptr, &log);
  owner.SetName("Owner");
  auto* a = new TProbe(&owner, &log);
  a->SetName("A");
  log.clear();
  auto* b = new TProbe(nullptr, &log);
  b->SetName("B");
  owner.InsertComponent(b);
  delete b;
  // The owner passes the news on to everything it owns, last first (the newcomer included), then
  // handles it.
  // The removed component no longer hears of its own removal: its destructor has run.
  EXPECT_EQ(log, (std::vector<std::string>{"B +B", "A +B", "Owner +B", "A -B", "Owner -B"}));
}

TEST(ComponentNotification, FreeNotificationTellsTheOtherSideEitherWay) {
  auto* watcher = new TProbe(nullptr);
  auto* target = new TProbe(nullptr);
  watcher->Watched = target;
  target->FreeNotification(watcher);
  delete target;  // the watcher drops its pointer
  EXPECT_EQ(watcher->Watched, nullptr);

  auto* t2 = new TProbe(nullptr);
  watcher->Watched = t2;
  t2->FreeNotification(watcher);
  delete watcher;  // the link goes with the watcher: t2 must not call it later
  delete t2;

  auto* w3 = new TProbe(nullptr);
  auto* t3 = new TProbe(nullptr);
  w3->Watched = t3;
  t3->FreeNotification(w3);
  t3->RemoveFreeNotification(w3);
  delete t3;
  EXPECT_EQ(w3->Watched, t3);  // no longer told
  delete w3;
}

TEST(ComponentState, DesigningSpreadsLoadedClearsLoadingDestroyingMarksAll) {
  TComponent owner(nullptr);
  auto* a = new TProbe(&owner);
  owner.SetDesigning(true);
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
  auto* b = new TProbe(&owner);  // joins a designing owner
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  a->SetLoading(true);
  EXPECT_TRUE(a->ComponentState().Contains(csLoading));
  a->Loaded();
  EXPECT_FALSE(a->ComponentState().Contains(csLoading));
  EXPECT_EQ(a->LoadedCalls, 1);
  owner.Destroying();
  EXPECT_TRUE(a->ComponentState().Contains(csDestroying));
  EXPECT_TRUE(b->ComponentState().Contains(csDestroying));
  EXPECT_EQ(owner.Tag(), 0);
  EXPECT_EQ(owner.GetNamePath(), "");
}

TEST(Persistent, AssignCopiesKnownPairsAndRejectsOthers) {
  TColorBox a, b;
  a.Color = 5;
  b.Assign(&a);
  EXPECT_EQ(b.Color, 5);
  TComponent comp(nullptr);
  try {
    b.Assign(&comp);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TColorBox");
  }
  try {
    b.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TColorBox");
  }
  EXPECT_EQ(b.GetNamePath(), "TColorBox");
}

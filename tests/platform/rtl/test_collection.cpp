// TCollection and TCollectionItem.
#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/collection.h"
#include "platform/rtl/sysutils.h"

namespace {
class TTestItem : public TCollectionItem {
  ORV_CLASS(TTestItem, TCollectionItem)
public:
  explicit TTestItem(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}
  std::string Caption;
  std::string DisplayName() const override { return Caption.empty() ? TCollectionItem::DisplayName() : Caption; }
  void SetCaption(const std::string& V) {
    Caption = V;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* s = dynamic_cast<TTestItem*>(Source)) {
      SetCaption(s->Caption);
      return;
    }
    TCollectionItem::Assign(Source);
  }
};

// Records the Update calls.
class TTestCollection : public TCollection {
  ORV_CLASS(TTestCollection, TCollection)
public:
  explicit TTestCollection(TPersistent* AOwner = nullptr) : TCollection(TTestItem::StaticClass(), AOwner) {}
  std::vector<TCollectionItem*> Updates;

protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
};

class TOwnerThing : public TPersistent {
  ORV_CLASS(TOwnerThing, TPersistent)
};

ORV_CLASS_IMPL(TTestItem, TCollectionItem)
ORV_CLASS_IMPL(TTestCollection, TCollection)
ORV_CLASS_IMPL(TOwnerThing, TPersistent)

std::vector<std::string> Captions(const TCollection& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.Count(); ++i) out.push_back(static_cast<TTestItem*>(c.Items(i))->Caption);
  return out;
}
}  // namespace

TEST(Collection, AddInsertDeleteIndexAndIds) {
  TTestCollection c;
  auto* a = static_cast<TTestItem*>(c.Add());
  auto* b = static_cast<TTestItem*>(c.Add());
  a->SetCaption("a");
  b->SetCaption("b");
  auto* x = static_cast<TTestItem*>(c.Insert(0));
  x->SetCaption("x");
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"x", "a", "b"}));
  EXPECT_EQ(a->ClassName(), "TTestItem");
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(x->ID(), 2);
  EXPECT_EQ(x->Index(), 0);
  b->SetIndex(0);
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"b", "x", "a"}));
  c.Delete(1);
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(c.FindItemID(2), nullptr);  // IDs are never reused
  EXPECT_EQ(c.FindItemID(0), a);
  auto* n = static_cast<TTestItem*>(c.Add());
  EXPECT_EQ(n->ID(), 3);
  delete a;  // an item freed directly leaves its collection
  EXPECT_EQ(c.Count(), 2);
  EXPECT_THROW(c.Items(2), EListError);
  EXPECT_THROW(c.Insert(5), EListError);
  EXPECT_EQ(n->DisplayName(), "TTestItem");
  n->SetCollection(nullptr);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(n->Index(), -1);
  delete n;
  TTestItem direct(&c);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(direct.Collection(), &c);
}

TEST(Collection, UpdateNotificationsAndBeginEndUpdate) {
  TTestCollection c;
  auto* a = static_cast<TTestItem*>(c.Add());
  c.Updates.clear();
  a->SetCaption("changed");
  EXPECT_EQ(c.Updates, (std::vector<TCollectionItem*>{a}));
  c.Updates.clear();
  c.BeginUpdate();
  c.BeginUpdate();
  c.Add();
  a->SetCaption("again");
  c.Delete(0);
  c.EndUpdate();
  EXPECT_TRUE(c.Updates.empty());
  c.EndUpdate();
  EXPECT_EQ(c.Updates, (std::vector<TCollectionItem*>{nullptr}));  // one report for all
}

TEST(Collection, AssignCopiesItemsAndNamePathFollowsOwner) {
  TOwnerThing owner;
  TTestCollection src(&owner), dst;
  static_cast<TTestItem*>(src.Add())->SetCaption("one");
  static_cast<TTestItem*>(src.Add())->SetCaption("two");
  dst.Add();
  dst.Assign(&src);
  EXPECT_EQ(Captions(dst), (std::vector<std::string>{"one", "two"}));
  EXPECT_NE(dst.Items(0), src.Items(0));
  TOwnerThing notACollection;
  EXPECT_THROW(dst.Assign(&notACollection), EConvertError);

  EXPECT_EQ(src.GetOwner(), &owner);
  src.SetPropName("Items");
  EXPECT_EQ(src.GetNamePath(), "TOwnerThing.Items");
  EXPECT_EQ(src.Items(1)->GetNamePath(), "TOwnerThing.Items[1]");
  EXPECT_EQ(dst.GetNamePath(), "TTestCollection");
}

TEST(Collection, ItemClassWithoutConstructorIsRefused) {
  TCollection c(TObject::StaticClass());
  EXPECT_THROW(c.Add(), EInvalidOperation);
  EXPECT_EQ(c.Count(), 0);
}

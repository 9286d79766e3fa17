// Actions: execution and update order through the list, groups, short cuts.
#include <gtest/gtest.h>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/actnlist.h"

TEST(ActionList, ListHandlersComeFirstAndDisabledActionsDoNotRun) {
  TComponent owner(nullptr);
  auto* list = new TActionList(&owner);
  auto* a = new TAction(&owner);
  a->SetActionList(list);
  std::vector<std::string> log;
  bool listHandles = false;
  list->OnExecute = [&](TAction*, bool& h) { log.push_back("list"); h = listHandles; };
  a->OnExecute = [&](TObject*) { log.push_back("action"); };
  a->OnUpdate = [&](TObject*) { log.push_back("update"); };
  EXPECT_TRUE(a->Execute());
  listHandles = true;
  EXPECT_TRUE(a->Execute());
  EXPECT_EQ(log, (std::vector<std::string>{"update", "list", "action", "update", "list"}));
  log.clear();
  a->OnUpdate = [&](TObject*) { a->SetEnabled(false); };
  EXPECT_FALSE(a->Execute());
  EXPECT_TRUE(log.empty());
  delete a;
  EXPECT_EQ(list->ActionCount(), 0);
}

TEST(ActionList, GroupsShortCutsAndListeners) {
  TComponent owner(nullptr);
  auto* list = new TActionList(&owner);
  std::vector<TAction*> acts;
  for (int i = 0; i < 3; ++i) {
    auto* a = new TAction(&owner);
    a->SetActionList(list);
    a->SetGroupIndex(i < 2 ? 1 : 0);
    a->SetAutoCheck(true);
    acts.push_back(a);
  }
  int changes = 0;
  acts[0]->RegisterChanges([&](TAction*) { ++changes; });
  acts[1]->SetShortCut(scCtrl | 'B');
  int ran = 0;
  acts[1]->OnExecute = [&](TObject*) { ++ran; };
  acts[0]->Execute();
  EXPECT_TRUE(acts[0]->Checked());
  EXPECT_TRUE(list->IsShortCut(scCtrl | 'B'));
  EXPECT_FALSE(list->IsShortCut(scCtrl | 'Z'));
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(acts[1]->Checked());
  EXPECT_FALSE(acts[0]->Checked());  // same group
  acts[2]->Execute();
  acts[2]->Execute();
  EXPECT_FALSE(acts[2]->Checked());  // no group: toggles
  EXPECT_EQ(changes, 2);
  SetStrProp(acts[0], "Caption", "Open");
  EXPECT_EQ(acts[0]->Caption(), "Open");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(acts[2]->Index(), 2);
}

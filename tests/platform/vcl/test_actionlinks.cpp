// Actions linked to controls and menu items: state copied now and on change, clicks running the
// action, and links that let go when either side is freed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/actnlist.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace {
const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);
}  // namespace

TEST(ActionLinks, MenuItemFollowsItsActionAndRunsIt) {
  TComponent owner(nullptr);
  auto* list = new TActionList(&owner);
  auto* act = new TAction(&owner);
  act->SetActionList(list);
  act->SetCaption("Pick");
  act->SetShortCut(scCtrl | 'P');
  int runs = 0;
  act->OnExecute = [&](TObject*) { ++runs; };
  auto* it = new TMenuItem(&owner);
  it->SetAction(act);
  EXPECT_EQ(it->Action(), act);
  EXPECT_EQ(it->Caption(), "Pick");
  EXPECT_EQ(it->ShortCut(), scCtrl | 'P');
  // Later changes of the action reach the item.
  struct Step {
    std::function<void()> Change;
    std::function<bool()> Seen;
  };
  const Step steps[] = {
      {[&] { act->SetCaption("Unpick"); }, [&] { return it->Caption() == "Unpick"; }},
      {[&] { act->SetChecked(true); }, [&] { return it->Checked(); }},
      {[&] { act->SetVisible(false); }, [&] { return !it->Visible(); }},
      {[&] { act->SetEnabled(false); }, [&] { return !it->Enabled(); }},
  };
  for (const Step& s : steps) {
    s.Change();
    EXPECT_TRUE(s.Seen());
  }
  it->Click();  // disabled: nothing runs
  EXPECT_EQ(runs, 0);
  act->SetEnabled(true);
  it->Click();
  EXPECT_EQ(runs, 1);
  // An OnClick of the item's own comes first and replaces the action.
  int own = 0;
  it->OnClick = [&](TObject*) { ++own; };
  it->Click();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(own, 1);
  // Unlinked: the action's changes no longer reach the item.
  it->SetAction(nullptr);
  act->SetCaption("Other");
  EXPECT_EQ(it->Caption(), "Unpick");
}

TEST(ActionLinks, ControlFollowsItsActionAndEitherSideMayGoFirst) {
  TComponent owner(nullptr);
  auto* act = new TAction(&owner);
  act->SetCaption("Save");
  act->SetHint("Saves the picks");
  int runs = 0;
  act->OnExecute = [&](TObject*) { ++runs; };
  auto* b = new TButton(&owner);
  b->SetAction(act);
  EXPECT_EQ(b->Caption(), "Save");
  EXPECT_EQ(b->Hint(), "Saves the picks");
  act->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  act->SetEnabled(true);
  act->SetVisible(false);
  EXPECT_FALSE(b->Visible());
  b->Click();
  EXPECT_EQ(runs, 1);
  // The action goes first: the button forgets it.
  delete act;
  EXPECT_EQ(b->Action(), nullptr);
  b->Click();
  EXPECT_EQ(runs, 1);
  // The control goes first: the action's later changes reach nobody.
  auto* act2 = new TAction(&owner);
  auto* b2 = new TButton(&owner);
  b2->SetAction(act2);
  delete b2;
  act2->SetCaption("after");  // would touch the freed button without the unlink
  EXPECT_EQ(act2->Caption(), "after");
}

// Actions linked to controls and menu items: state copied now and on change, clicks running the
// action, and links that let go when either side is freed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"
#include "tests/platform/vcl/painttest.h"

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

TEST(ActionLinks, ClientsWithPicturesTakeTheActionsImage) {
  TComponent owner(nullptr);
  auto* list = new TActionList(&owner);
  list->SetImages(SquareImages(&owner, {clRed, clBlue}));
  auto* act = new TAction(&owner);
  act->SetActionList(list);
  act->SetImageIndex(0);
  auto* item = new TMenuItem(&owner);
  auto* tool = new TToolButton(&owner);
  auto* speed = new TSpeedButton(&owner);
  auto* bit = new TBitBtn(&owner);
  item->SetAction(act);
  tool->SetAction(act);
  speed->SetAction(act);
  bit->SetAction(act);
  struct TClient {
    const char* Name;
    std::function<int()> ImageIndex;   // -1 where the client keeps a glyph instead
    std::function<COLORREF()> Glyph;   // the glyph's centre pixel, for glyph clients
  };
  auto centre = [](TBitmap* g) { return g->Empty() ? COLORREF(CLR_INVALID) : GetPixel(g->Canvas()->Handle(), 8, 8); };
  const TClient clients[] = {
      {"menu item", [&] { return item->ImageIndex(); }, nullptr},
      {"tool button", [&] { return tool->ImageIndex(); }, nullptr},
      {"speed button", nullptr, [&] { return centre(speed->Glyph()); }},
      {"bit button", nullptr, [&] { return centre(bit->Glyph()); }},
  };
  for (int index : {0, 1}) {
    act->SetImageIndex(index);
    for (const TClient& c : clients) {
      SCOPED_TRACE(std::string(c.Name) + " with image " + std::to_string(index));
      if (c.ImageIndex) {
        EXPECT_EQ(c.ImageIndex(), index);
      }
      if (c.Glyph) {
        EXPECT_EQ(c.Glyph(), ColorToRGB(index == 0 ? clRed : clBlue));
      }
    }
  }
}

TEST(ActionLinks, CheckedActionsPressTheirButtons) {
  TComponent owner(nullptr);
  auto* act = new TAction(&owner);
  auto* tool = new TToolButton(&owner);
  tool->SetStyle(tbsCheck);
  auto* speed = new TSpeedButton(&owner);
  speed->SetGroupIndex(1);
  speed->SetAllowAllUp(true);
  tool->SetAction(act);
  speed->SetAction(act);
  act->SetChecked(true);
  EXPECT_TRUE(tool->Down());
  EXPECT_TRUE(speed->Down());
  act->SetChecked(false);
  EXPECT_FALSE(tool->Down());
  EXPECT_FALSE(speed->Down());
}

class ActionStreaming : public FormTestBase {};

TEST_F(ActionStreaming, ActionIsAReferenceResolvedAfterLoadingAndStoredValuesWin) {
  RegisterClasses({TActionList::StaticClass(), TAction::StaticClass(), TButton::StaticClass(), TMenuItem::StaticClass()});
  // The controls name the action before the action is read: the reference is resolved at the end.
  Form->LoadFromText(
      "object Sample: TForm\n"
      "  object Plain: TButton\n    Action = PickAction\n  end\n"
      "  object Own: TButton\n    Top = 30\n    Caption = 'Own caption'\n    Action = PickAction\n  end\n"
      "  object PickItem: TMenuItem\n    Action = PickAction\n  end\n"
      "  object Actions: TActionList\n"
      "    object PickAction: TAction\n      Caption = 'Pick'\n      Hint = 'Picks the photo'\n"
      "      ImageIndex = 3\n      ShortCut = 16464\n    end\n"
      "  end\n"
      "end\n");
  auto* act = dynamic_cast<TAction*>(Form->FindComponent("PickAction"));
  auto* list = dynamic_cast<TActionList*>(Form->FindComponent("Actions"));
  auto* plain = dynamic_cast<TButton*>(Form->FindComponent("Plain"));
  auto* own = dynamic_cast<TButton*>(Form->FindComponent("Own"));
  auto* item = dynamic_cast<TMenuItem*>(Form->FindComponent("PickItem"));
  ASSERT_TRUE(act && list && plain && own && item);
  EXPECT_EQ(act->ActionList(), list);  // read inside the list, it joined it
  EXPECT_EQ(plain->Action(), act);
  EXPECT_EQ(own->Action(), act);
  EXPECT_EQ(item->Action(), act);
  EXPECT_EQ(plain->Caption(), "Pick");
  EXPECT_EQ(plain->Hint(), "Picks the photo");
  EXPECT_EQ(own->Caption(), "Own caption");  // stored with the button, it stays
  EXPECT_EQ(own->Hint(), "Picks the photo");
  EXPECT_EQ(item->Caption(), "Pick");
  EXPECT_EQ(item->ImageIndex(), 3);
  EXPECT_EQ(item->ShortCut(), 16464);
  // Once loaded, every change of the action reaches all of them.
  act->SetCaption("Unpick");
  EXPECT_EQ(own->Caption(), "Unpick");
  EXPECT_EQ(item->Caption(), "Unpick");
  // The property is published, so other code finds it by name.
  EXPECT_EQ(GetObjectProp(plain, "Action"), act);
  EXPECT_EQ(GetObjectProp(item, "Action"), act);
}

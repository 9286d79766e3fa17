// The settings window and the about box over the shipped databases: tabs and texts, the lists
// (a type typed and saved with Enter reaches the append dialog; deleting leaves catalog rows
// alone), the studio record, the random switches with the grid menu, the quality in "Set.dat",
// and how the windows look.
#include "app/formsettings.h"
#include "app/requirementdialogs.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/menus.h"
#include "windowtest.h"

using namespace apptest;
using namespace windowtest;

namespace {

class SettingsWindow : public ShootWindow {
protected:
  // Opens the settings window from its button and runs Body inside it.
  void InSettings(const std::function<void(TFormsysset*)>& Body) {
    bool ran = false;
    Later([&] {
      auto* s = dynamic_cast<TFormsysset*>(Form->SettingsWindow());
      ASSERT_NE(s, nullptr);
      ran = true;
      Application()->ProcessMessages();
      Body(s);
      s->Close();
    });
    Click(Form->BitBtn5);
    Application()->ProcessMessages();
    EXPECT_TRUE(ran);
  }
  std::vector<std::string> Settings(const std::string& Sql, const char* Col) {
    auto c = Open(Prog + "sysset.dll");
    return Column(c.get(), Sql, Col);
  }
  static void Type(TWinControl* Box, const std::string& Text) {
    Box->SetFocus();
    InjectText(Text);
    Application()->ProcessMessages();
  }
  static void Enter() {
    Key(VK_RETURN);
    Application()->ProcessMessages();
  }
};

}  // namespace

TEST_F(SettingsWindow, HasItsTabsInOrder) {
  OpenShoot(1);
  InSettings([&](TFormsysset* s) {
    EXPECT_EQ(s->Caption(), "Setting");
    std::vector<std::string> visible;
    for (int i = 0; i < s->PageControl1->PageCount(); ++i)
      if (s->PageControl1->Pages(i)->TabVisible())
        visible.push_back(s->PageControl1->Pages(i)->Caption());
    EXPECT_EQ(visible, (std::vector<std::string>{"Production requirements", "Size Set",
                                                 "Design requirements", "Company Set",
                                                 "Random arrange", "Notice", "Save Quality"}));
    EXPECT_EQ(s->PageControl1->ActivePage(), s->TabSheet1);
    EXPECT_EQ(s->CheckBox1->Caption(), "1.Random Arrange.Use Hot key \"CTRL+L.\"");
    EXPECT_EQ(s->CheckBox2->Caption(), "2.Auto Random arrange.");
    EXPECT_EQ(s->DBGrid1->Columns()->Items(0)->Title()->Caption(), "Type set");
    EXPECT_FALSE(s->Button9->Enabled());
    // No "ys" yet: the list shows 50.
    EXPECT_EQ(s->ComboBox1->Text(), "50");
    EXPECT_EQ(s->ADOQuery1->State(), dsInsert);
  });
}

TEST_F(SettingsWindow, TypeSavedWithEnterIsOfferedByTheAppendDialog) {
  OpenShoot(1);
  InSettings([&](TFormsysset* s) {
    Type(s->DBEdit1, "Canvas");
    Enter();  // to "Save"
    EXPECT_EQ(s->ActiveControl(), s->Button1);
    Enter();  // "Save"
    EXPECT_EQ(s->ADOQuery1->State(), dsInsert);
    s->Button1Click(s->Button1);  // an untouched blank row is dropped
  });
  EXPECT_EQ(Settings("select * from yongtu order by id", "yongtu"),
            (std::vector<std::string>{"Album", "Print", "Frame", "Poster", "Calendar", "Canvas"}));
  TFormbeizhu2 d(nullptr, Form->ADOConnection1, Form->ADOConnection2);
  d.FillLists();
  EXPECT_EQ(d.ComboBox1->Items()->ToVector().back(), "Canvas");
}

TEST_F(SettingsWindow, SizesAndDesignsAreAddedAndDeleted) {
  OpenShoot(1);
  InSettings([&](TFormsysset* s) {
    s->ADOQuery2->FieldByName("asize")->SetAsString("16x20");
    s->Button5Click(s->Button5);
    s->ADOQuery3->FieldByName("xiangmu")->SetAsString("Vignette");
    s->Button3Click(s->Button3);
    // Delete on the pending blank row deletes nothing.
    s->Button4Click(s->Button4);
    s->Button6Click(s->Button6);
    // The first design requirement and the first size.
    s->ADOQuery3->Cancel();
    s->ADOQuery3->First();
    s->Button4Click(s->Button4);
    s->ADOQuery2->Cancel();
    s->ADOQuery2->First();
    s->Button6Click(s->Button6);
  });
  EXPECT_EQ(Settings("select * from asize order by id", "asize"),
            (std::vector<std::string>{"5x7", "6x8", "8x10", "10x12", "12x18", "16x20"}));
  EXPECT_EQ(Settings("select * from xiupian order by id", "xiangmu"),
            (std::vector<std::string>{"Black and white", "Sepia", "Remove background", "Slimming",
                                      "Vignette"}));
}

TEST_F(SettingsWindow, DeletingAUsageTypeLeavesCatalogRowsAlone) {
  OpenShoot(1);
  {
    auto c = Open(Shoot + "/ImageTag.dll");
    c->Execute("insert into pic (fname, dalei) values ('IMG_0001.jpg', 'Album')");
  }
  InSettings([&](TFormsysset* s) {
    s->ADOQuery1->Cancel();
    s->ADOQuery1->First();
    s->Button2Click(s->Button2);
  });
  EXPECT_EQ(Settings("select * from yongtu order by id", "yongtu"),
            (std::vector<std::string>{"Print", "Frame", "Poster", "Calendar"}));
  auto c = Open(Shoot + "/ImageTag.dll");
  EXPECT_EQ(Column(c.get(), "select * from pic", "dalei"), std::vector<std::string>{"Album"});
}

TEST_F(SettingsWindow, StudioRecordIsSaved) {
  OpenShoot(1);
  TMessageBoxes boxes;
  InSettings([&](TFormsysset* s) {
    s->PageControl1->SetActivePage(s->TabSheet4);
    s->DBEdit4->SetFocus();
    Key(VK_END);
    Type(s->DBEdit4, " North");
    s->Button7Click(s->Button7);
  });
  EXPECT_EQ(Settings("select * from gs", "GSname"), std::vector<std::string>{"Photo Studio North"});
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Save successfully!"});
}

TEST_F(SettingsWindow, RandomSwitchesAreSavedAndHideTheMenuItemAtOnce) {
  OpenShoot(1);
  TMessageBoxes boxes;
  InSettings([&](TFormsysset* s) {
    s->PageControl1->SetActivePage(s->TabSheet5);
    Application()->ProcessMessages();
    EXPECT_FALSE(s->CheckBox1->Checked());
    EXPECT_FALSE(s->CheckBox2->Checked());
    ASSERT_NE(s->Label10, nullptr);
    EXPECT_EQ(s->Label10->Parent(), s->TabSheet8);
    s->CheckBox1->SetChecked(true);
    s->CheckBox2->SetChecked(true);
    s->Button8Click(s->Button8);
  });
  EXPECT_EQ(Settings("select * from dir1path", "dir1"), std::vector<std::string>{"True"});
  EXPECT_EQ(Settings("select * from ths", "luan"), std::vector<std::string>{"True"});
  Form->PopupMenu1Popup(Form->PopupMenu1);
  EXPECT_FALSE(Form->N9->Visible());
  // Shown again, the tab reads the saved switches.
  InSettings([&](TFormsysset* s) {
    s->PageControl1->SetActivePage(s->TabSheet1);
    s->PageControl1->SetActivePage(s->TabSheet5);
    EXPECT_TRUE(s->CheckBox1->Checked());
    EXPECT_TRUE(s->CheckBox2->Checked());
  });
}

TEST_F(SettingsWindow, QualityGoesToTheSettingsFileAndIgnoresTyping) {
  OpenShoot(1);
  InSettings([&](TFormsysset* s) {
    s->PageControl1->SetActivePage(s->TabSheet9);
    Type(s->ComboBox1, "7");
    EXPECT_EQ(s->ComboBox1->Text(), "50");
    s->ComboBox1->SetItemIndex(7);
    s->Button11Click(s->Button11);
  });
  EXPECT_EQ(Form->SettingsFile()->ReadInteger("Options", "ys", 0), 80);
  // The window is kept and reads the list again only at its creation: the value stays shown.
  InSettings([&](TFormsysset* s) { EXPECT_EQ(s->ComboBox1->Text(), "80"); });
  EXPECT_EQ(Form->SettingsWindow() != nullptr, true);
}

TEST_F(SettingsWindow, HiddenThumbnailTabCopiesTheWidthAndSaves) {
  OpenShoot(1);
  TMessageBoxes boxes;
  InSettings([&](TFormsysset* s) {
    EXPECT_FALSE(s->TabSheet7->TabVisible());
    EXPECT_FALSE(s->TabSheet6->TabVisible());
    s->PageControl1->SetActivePage(s->TabSheet7);
    s->DBEdit7->SetFocus();
    s->DBEdit7->SelectAll();
    Type(s->DBEdit7, "188");
    // Leaving the width box copies the width into the height.
    s->DBEdit8->SetFocus();
    Application()->ProcessMessages();
    EXPECT_EQ(s->DBEdit8->Text(), "188");
    s->Button10Click(s->Button10);
  });
  EXPECT_EQ(Settings("select * from ths", "w"), std::vector<std::string>{"188"});
  EXPECT_EQ(Settings("select * from ths", "h"), std::vector<std::string>{"188"});
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Save successfully!"});
}

TEST_F(SettingsWindow, NoticeIsCentredOnItsTab) {
  OpenShoot(1);
  InSettings([&](TFormsysset* s) {
    s->PageControl1->SetActivePage(s->TabSheet8);
    s->PageControl1->SetActivePage(s->TabSheet1);
    s->PageControl1->SetActivePage(s->TabSheet8);
    ASSERT_NE(s->Label10, nullptr);
    EXPECT_EQ(s->TabSheet8->ControlCount(), 1);
    EXPECT_EQ(s->Label10->Caption(), TFormsysset::NoticeText());
    EXPECT_EQ(s->Label10->Left(), (s->TabSheet8->Width() - s->Label10->Width()) / 2);
    EXPECT_EQ(s->Label10->Top(), s->TabSheet8->Height() / 2 - 100);
  });
}

TEST_F(SettingsWindow, LooksLikeItsGoldenImages) {
  OpenShoot(1);
  InSettings([&](TFormsysset* s) {
    ExpectLooksLike(s, "settings.png");
    s->PageControl1->SetActivePage(s->TabSheet5);
    ExpectLooksLike(s, "settings_random.png");
  });
}

TEST_F(SettingsWindow, AboutBoxShowsTheProductAndItsHomePage) {
  OpenShoot(1);
  bool ran = false;
  Later([&] {
    auto* a = dynamic_cast<TFormAbout*>(Screen()->ActiveForm());
    ASSERT_NE(a, nullptr);
    ran = true;
    EXPECT_EQ(a->Caption(), "About");
    EXPECT_EQ(a->Label1->Caption(), "Orvanta 1.0");
    EXPECT_TRUE(a->Label1->Font()->Style().Contains(fsBold));
    EXPECT_EQ(a->Label5->Caption(), kHomePage);
    EXPECT_TRUE(a->Label5->Font()->Style().Contains(fsUnderline));
    EXPECT_EQ(a->Label5->Cursor(), crHandPoint);
    EXPECT_EQ(a->Button2->Caption(), "Home page");
    ExpectLooksLike(a, "about.png");
    a->Close();
  });
  Click(Form->BitBtn6);
  Application()->ProcessMessages();
  EXPECT_TRUE(ran);
}

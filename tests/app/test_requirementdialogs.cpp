// The requirement and memo dialogs, driven by keys and clicks inside their modal loops: their
// lists, the refusal of a requirement without a usage type (also in the row editor), the rows
// they write, and how they look.
#include "app/memodialog.h"
#include "app/requirementdialogs.h"
#include "apptest.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"

using namespace apptest;

namespace {

std::vector<std::string> Items(TComboBox* Box) { return Box->Items()->ToVector(); }

class RequirementDialogs : public AppFolder {
protected:
  void SetUp() override {
    AppFolder::SetUp();
    Shoot = MakeShoot("80013578-John", Numbered(3));
    PrepareCatalog(Shoot, Prog);
    OpenCatalog(&Catalog, Shoot);
    OpenSettings(&Settings, Prog);
    Query.SetConnection(&Catalog);
  }
  void TearDown() override {
    Query.Close();
    Catalog.Close();
    Settings.Close();
    DestroyAllThreadWindows();
    AppFolder::TearDown();
  }
  std::vector<std::string> Rows(const char* Col) {
    return Column(&Catalog, "select * from pic order by id", Col);
  }
  // Chooses the usage type with the keyboard: Down steps through the list from its top.
  // Keys go to the control that has the focus when they are handled: each is handled at once.
  static void ChooseType(TComboBox* Box, int Steps) {
    Box->SetFocus();
    for (int i = 0; i < Steps; ++i) Key(VK_DOWN);
    Application()->ProcessMessages();
  }
  static void TypeInto(TComboBox* Box, const std::string& Text) {
    Box->SetFocus();
    Key(VK_END);
    InjectText(Text);
    Application()->ProcessMessages();
  }
  // Compares a window's look with a golden image under tests/app/golden/ (written anew when
  // ORVANTA_UPDATE_GOLDEN is set).
  static void ExpectLooksLike(TForm* Form, const std::string& Name) {
    HBITMAP shot = RenderWindowToBitmap(Form->Handle());
    ASSERT_TRUE(shot);
    const std::string golden = SourceDir() + "/tests/app/golden/" + Name;
    if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
      std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
      SaveBitmapToPng(shot, golden);
    }
    HBITMAP want = LoadPngToBitmap(golden);
    ASSERT_TRUE(want) << "missing golden image " << golden;
    // Anti-aliased text may differ by a few levels between FreeType builds.
    EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20) << Name;
    DeleteObject(want);
    DeleteObject(shot);
  }

  std::string Shoot;
  TADOConnection Catalog, Settings;
  TADOQuery Query;
};

}  // namespace

TEST_F(RequirementDialogs, AppendDialogOffersTheSettingsLists) {
  TFormbeizhu2 d(nullptr, &Catalog, &Settings);
  d.SetPhotos({"IMG_0002.jpg"}, "Total 1 file");
  d.FillLists();
  EXPECT_EQ(d.Caption(), "Append Production requirements");
  EXPECT_TRUE(d.BorderIcons().Empty());
  EXPECT_EQ(d.Width(), 668);
  EXPECT_EQ(d.Height(), 271);
  EXPECT_EQ(d.Label7a->Caption(), "Total 1 file");
  EXPECT_EQ(Items(d.ComboBox1),
            (std::vector<std::string>{"Album", "Print", "Frame", "Poster", "Calendar"}));
  EXPECT_EQ(Items(d.ComboBox2).front(), "Retouch skin");
  EXPECT_EQ(Items(d.ComboBox3).front(), "4x6");
  EXPECT_EQ(Items(d.ComboBox4), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
  for (TLabel* l : {d.Label5, d.Label4, d.Label6}) EXPECT_EQ(l->Font()->Color(), clRed);
  EXPECT_FALSE(d.Button2->Visible());
}

TEST_F(RequirementDialogs, AppendDialogRefusesAnEmptyTypeThenWritesEveryListedPhoto) {
  PickPhoto(&Query, "IMG_0001.jpg");  // a bare pick the requirement fills
  auto* d = new TFormbeizhu2(nullptr, &Catalog, &Settings);
  d->SetPhotos({"IMG_0003.jpg", "IMG_0001.jpg", "IMG_0002.jpg"}, "Total 3 Files");
  d->FillLists();
  TMessageBoxes boxes;
  std::string typed;
  Later([&] {
    TypeInto(d->ComboBox1, "Zebra");  // the type is chosen, never typed
    TypeInto(d->ComboBox3, "8x10");
    TypeInto(d->ComboBox4, "2");
    Later([&] {
      typed = d->ComboBox1->Text();
      Click(d->Button1);  // no type: refused with a message
      Later([&] {
        ChooseType(d->ComboBox1, 1);
        Later([&] { Click(d->Button1); });
      });
    });
  });
  d->ShowModal();
  EXPECT_EQ(typed, "");
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"\"Type\" is not null\xEF\xBC\x81"});
  delete d;
  // The bare pick of IMG_0001 became its requirement; the others got new rows, in list order.
  EXPECT_EQ(Rows("fname"),
            (std::vector<std::string>{"IMG_0001.jpg", "IMG_0003.jpg", "IMG_0002.jpg"}));
  for (const std::string& y : Rows("yongtu")) EXPECT_EQ(y, "Album  [Quantity]2  [Size]8x10");
  for (const std::string& x : Rows("dalei")) EXPECT_EQ(x, "Album");
  EXPECT_EQ(Column(&Catalog, "select * from pic where xiugai is null", "fname").size(), 3u);
}

TEST_F(RequirementDialogs, CloseWritesNothing) {
  auto* d = new TFormbeizhu2(nullptr, &Catalog, &Settings);
  d->SetPhotos({"IMG_0001.jpg"}, "Total 1 Files");
  d->FillLists();
  Later([&] {
    ChooseType(d->ComboBox1, 2);
    Later([&] { Click(d->Button3); });
  });
  d->ShowModal();
  delete d;
  EXPECT_TRUE(Rows("fname").empty());
}

TEST_F(RequirementDialogs, ModifyListNumbersTheRowsOfOnePhoto) {
  AppendRequirement(&Query, "IMG_0001.jpg", {"Album", "2", "8x10", "Sepia"});
  AppendRequirement(&Query, "IMG_0002.jpg", {"Print", "1", "5x7", ""});
  AppendRequirement(&Query, "IMG_0001.jpg", {"Frame", "1", "6x8", ""});
  TFormbeizhu3 d(nullptr, &Catalog, &Settings);
  d.OpenPhoto("IMG_0001.jpg");
  EXPECT_EQ(d.Caption(), "Modify Production requirements");
  EXPECT_TRUE(d.DBGrid1->ReadOnly());
  const struct {
    const char* field;
    const char* title;
    int width;
  } columns[] = {{"xuhao", "ID", 44},
                 {"fname", "File name", 100},
                 {"yongtu", "Production Requirements", 304},
                 {"xiugai", "Design requirements", 174}};
  ASSERT_EQ(d.DBGrid1->Columns()->Count(), 4);
  for (int i = 0; i < 4; ++i) {
    TColumn* c = static_cast<TColumn*>(d.DBGrid1->Columns()->Items(i));
    EXPECT_EQ(c->FieldName(), columns[i].field);
    EXPECT_EQ(c->Title()->Caption(), columns[i].title);
    EXPECT_EQ(c->Width(), columns[i].width);
  }
  std::vector<std::string> numbers, types;
  for (d.ADOQuery1->First(); !d.ADOQuery1->Eof(); d.ADOQuery1->Next()) {
    numbers.push_back(d.ADOQuery1->FieldByName("xuhao")->AsString());
    types.push_back(d.ADOQuery1->FieldByName("dalei")->AsString());
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(types, (std::vector<std::string>{"Album", "Frame"}));
}

TEST_F(RequirementDialogs, RowEditorReadsTheRowBackAndWritesItInTheSameForm) {
  AppendRequirement(&Query, "IMG_0001.jpg", {"Album", "2", "8x10", "Sepia"});
  AppendRequirement(&Query, "IMG_0001.jpg", {"Print", "10", "5x7", ""});
  auto* list = new TFormbeizhu3(nullptr, &Catalog, &Settings);
  list->OpenPhoto("IMG_0001.jpg");
  TFormbeizhu4* editor = nullptr;
  std::string file, type, quantity, size, design;
  std::vector<std::string> typeItems, quantityItems;
  Later([&] {
    list->DBGrid1->SetFocus();
    Key(VK_DOWN);  // the second row
    Later([&] {
      Click(list->Button4);
      Later([&] {
        editor = dynamic_cast<TFormbeizhu4*>(Screen()->ActiveForm());
        ASSERT_TRUE(editor);
        file = editor->Edit1->Text();
        type = editor->ComboBox1->Text();
        quantity = editor->ComboBox4->Text();
        size = editor->ComboBox3->Text();
        design = editor->ComboBox2->Text();
        typeItems = Items(editor->ComboBox1);
        quantityItems = Items(editor->ComboBox4);
        TypeInto(editor->ComboBox4, "3");  // after the 10: "103"
        ChooseType(editor->ComboBox2, 1);
        Later([&] {
          Click(editor->Button1);
          Later([&] { list->Close(); });
        });
      });
    });
  });
  list->ShowModal();
  EXPECT_EQ(file, "IMG_0001.jpg");
  EXPECT_EQ(type, "Print");
  EXPECT_EQ(quantity, "10");
  EXPECT_EQ(size, "5x7");
  EXPECT_EQ(design, "");
  EXPECT_EQ(typeItems.size(), 5u);
  EXPECT_TRUE(quantityItems.empty());  // the quantity is typed
  // The list shows the change when the editor is closed.
  list->ADOQuery1->Last();
  EXPECT_EQ(list->ADOQuery1->FieldByName("yongtu")->AsString(), "Print  [Quantity]103  [Size]5x7");
  delete list;
  EXPECT_EQ(Rows("yongtu"), (std::vector<std::string>{"Album  [Quantity]2  [Size]8x10",
                                                      "Print  [Quantity]103  [Size]5x7"}));
  EXPECT_EQ(Rows("xiugai"), (std::vector<std::string>{"Sepia", "Retouch skin"}));
}

TEST_F(RequirementDialogs, RowEditorRefusesAnEmptyTypeLikeTheAppendDialog) {
  PickPhoto(&Query, "IMG_0002.jpg");  // a bare pick: its row has no usage type
  auto* list = new TFormbeizhu3(nullptr, &Catalog, &Settings);
  list->OpenPhoto("IMG_0002.jpg");
  TMessageBoxes boxes;
  TFormbeizhu4* editor = nullptr;
  Later([&] {
    list->DBGrid1->SetFocus();
    Key(VK_RETURN);
    Click(list->Button4);
    Later([&] {
      editor = dynamic_cast<TFormbeizhu4*>(Screen()->ActiveForm());
      ASSERT_TRUE(editor);
      Click(editor->Button1);  // refused: the dialog stays
      Later([&] {
        EXPECT_EQ(Screen()->ActiveForm(), editor);
        ChooseType(editor->ComboBox1, 3);
        TypeInto(editor->ComboBox4, "1");
        TypeInto(editor->ComboBox3, "8x10");
        Later([&] {
          Click(editor->Button1);
          Later([&] { list->Close(); });
        });
      });
    });
  });
  list->ShowModal();
  delete list;
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"\"Type\" is not null\xEF\xBC\x81"});
  EXPECT_EQ(Rows("dalei"), std::vector<std::string>{"Frame"});
  EXPECT_EQ(Rows("yongtu"), std::vector<std::string>{"Frame  [Quantity]1  [Size]8x10"});
}

TEST_F(RequirementDialogs, DeleteAsksFirstAndClosesTheList) {
  AppendRequirement(&Query, "IMG_0001.jpg", {"Album", "2", "8x10", ""});
  AppendRequirement(&Query, "IMG_0001.jpg", {"Print", "1", "5x7", ""});
  for (UINT answer : {UINT('N'), UINT(VK_RETURN)}) {
    auto* list = new TFormbeizhu3(nullptr, &Catalog, &Settings);
    list->OpenPhoto("IMG_0001.jpg");
    TMessageBoxes boxes(answer);
    bool stillOpen = false;
    Later([&] {
      Click(list->Button3);
      Later([&] {
        stillOpen = Screen()->ActiveForm() == list;
        if (stillOpen) list->Close();
      });
    });
    list->ShowModal();
    delete list;
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Do you want to delete this memo?"});
    EXPECT_EQ(stillOpen, answer == 'N');
  }
  EXPECT_EQ(Rows("dalei"), std::vector<std::string>{"Print"});  // Yes deleted the first row
}

TEST_F(RequirementDialogs, MemoIsMadeOnSaveAndOtherClosingDropsTheChange) {
  auto* d = new TFormbeizhu(nullptr, &Catalog);
  EXPECT_EQ(d->Caption(), "\xE5\xA4\x87\xE6\xB3\xA8\xE4\xBF\xA1\xE6\x81\xAF");
  EXPECT_EQ(d->Width(), 468);
  EXPECT_EQ(d->Height(), 411);
  Later([&] {
    d->DBMemo1->SetFocus();
    InjectText("Deliver by Friday");
    Application()->ProcessMessages();
    Later([&] { Click(d->Button1); });
  });
  d->ShowModal();
  delete d;
  EXPECT_EQ(Column(&Catalog, kSqlMemo, "beizhu"), std::vector<std::string>{"Deliver by Friday"});
  d = new TFormbeizhu(nullptr, &Catalog);
  std::string shown;
  Later([&] {
    shown = d->DBMemo1->Text();
    d->DBMemo1->SetFocus();
    InjectText(" and Monday");
    Application()->ProcessMessages();
    Later([&] { PostMessage(d->Handle(), WM_CLOSE, 0, 0); });
  });
  d->ShowModal();
  delete d;
  EXPECT_EQ(shown, "Deliver by Friday");
  EXPECT_EQ(Column(&Catalog, kSqlMemo, "beizhu"), std::vector<std::string>{"Deliver by Friday"});
}

TEST_F(RequirementDialogs, DialogsLookAsDesigned) {
  AppendRequirement(&Query, "IMG_0001.jpg", {"Album", "2", "8x10", "Sepia"});
  AppendRequirement(&Query, "IMG_0001.jpg", {"Print", "1", "5x7", ""});
  TFormbeizhu2 append(nullptr, &Catalog, &Settings);
  append.SetPhotos({"IMG_0001.jpg", "IMG_0002.jpg"}, "Total 2 Files");
  append.FillLists();
  append.ComboBox1->SetItemIndex(0);
  append.ComboBox4->SetText("2");
  append.Show();
  ExpectLooksLike(&append, "append_requirements.png");
  TFormbeizhu3 list(nullptr, &Catalog, &Settings);
  list.OpenPhoto("IMG_0001.jpg");
  list.Show();
  ExpectLooksLike(&list, "modify_requirements.png");
  TFormbeizhu4 editor(nullptr, &Catalog, &Settings);
  list.ADOQuery1->First();
  editor.OpenRow(list.ADOQuery1->FieldByName("id")->AsInteger());
  editor.Show();
  ExpectLooksLike(&editor, "row_editor.png");
  TFormbeizhu memo(nullptr, &Catalog);
  memo.Show();
  ExpectLooksLike(&memo, "memo.png");
}

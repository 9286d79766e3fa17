// The crop window over a generated photo: its parts, free and fixed-ratio selections dragged
// with the mouse, the refusal of a ratio that is no whole number above 0, cut, cut, undo and
// start over, and the save over the photo (also read-only, also when it cannot be written),
// opened from the grid menu.
#include <sys/stat.h>

#include "app/formcrop.h"
#include "imaging/core/imageryproc.h"
#include "imaging/views/iemview.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/extctrls.h"
#include "windowtest.h"

using namespace apptest;
using namespace windowtest;

namespace {

class CropWindow : public ShootWindow {
protected:
  // Opens the crop window from the grid menu on photo Index and runs Body inside it.
  void InCrop(int Index, const std::function<void(TFormcutimage*)>& Body) {
    GridSetSelectedImage(Form->ImageryMView1, Index);
    bool ran = false;
    Later([&] {
      auto* c = dynamic_cast<TFormcutimage*>(Form->CropWindow());
      ASSERT_NE(c, nullptr);
      ran = true;
      Application()->ProcessMessages();
      Body(c);
      if (Form->CropWindow() == c) c->Close();
    });
    CropSelectedPhoto(Form);
    EXPECT_TRUE(ran);
    EXPECT_EQ(Form->CropWindow(), nullptr);
  }
  static void Drag(TImageryView* V, int X1, int Y1, int X2, int Y2) {
    auto at = [V](int X, int Y) { return V->ClientToScreen(POINT{X, Y}); };
    POINT a = at(X1, Y1), m = at((X1 + X2) / 2, (Y1 + Y2) / 2), b = at(X2, Y2);
    InjectMouseMove(a.x, a.y);
    Application()->ProcessMessages();
    InjectMouseButton(a.x, a.y, 0, true);
    Application()->ProcessMessages();
    InjectMouseMove(m.x, m.y);
    Application()->ProcessMessages();
    InjectMouseMove(b.x, b.y);
    Application()->ProcessMessages();
    InjectMouseButton(b.x, b.y, 0, false);
    Application()->ProcessMessages();
  }
  static void Cut(TFormcutimage* C, int X1, int Y1, int X2, int Y2) {
    C->cen1->SelectionBase = iesbBitmap;
    C->cen1->SelectRect(X1, Y1, X2, Y2, 0);
    C->cen1->SelectionBase = iesbClientArea;
    C->ImageryView1DblClick(C->cen1);
  }
  static std::pair<int, int> Picture(TFormcutimage* C) {
    return {C->cen1->GetIEBitmap()->Width(), C->cen1->GetIEBitmap()->Height()};
  }
};

}  // namespace

TEST_F(CropWindow, HasItsPartsAndFillsTheWorkArea) {
  OpenShoot(2, 300, 200);
  InCrop(1, [&](TFormcutimage* c) {
    EXPECT_EQ(c->Caption(), "Crop");
    EXPECT_EQ(c->RadioButton1->Caption(), "Free Crop");
    EXPECT_TRUE(c->RadioButton1->Checked());
    EXPECT_EQ(c->RadioButton2->Caption(), "Scale Crop");
    EXPECT_EQ(c->Label1->Caption(), "Width");
    EXPECT_EQ(c->Label2->Caption(), "Height");
    EXPECT_EQ(c->ComboBox1->Items()->ToVector(),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(c->ComboBox1->Text(), "1");
    EXPECT_EQ(c->ComboBox2->Text(), "1");
    EXPECT_EQ(c->Button4->Caption(), "Undo");
    EXPECT_EQ(c->Button5->Caption(), "Redo");
    EXPECT_EQ(c->Button2->Caption(), "Save");
    EXPECT_EQ(c->Button3->Caption(), "Close");
    EXPECT_FALSE(c->Edit1->Visible());
    EXPECT_EQ(c->Edit1->Text(), Photo(1));
    EXPECT_EQ(Picture(c), std::make_pair(300, 200));
    EXPECT_EQ(c->Width(), Screen()->WorkAreaWidth());
    EXPECT_TRUE(c->cen1->MouseInteract().Contains(miSelect));
  });
}

TEST_F(CropWindow, ScaleCropKeepsTheRatioOfTheBoxes) {
  OpenShoot(1, 600, 400);
  struct {
    const char *W, *H;
  } const cases[] = {{"4", "6"}, {"3", "2"}, {"1", "1"}};
  for (const auto& k : cases) {
    InCrop(0, [&](TFormcutimage* c) {
      c->RadioButton2->SetChecked(true);
      c->ComboBox1->SetText(k.W);
      c->ComboBox2->SetText(k.H);
      Drag(c->cen1, 100, 100, 400, 250);
      ASSERT_TRUE(c->cen1->Selected());
      const double w = c->cen1->SelX2() - c->cen1->SelX1();
      const double h = c->cen1->SelY2() - c->cen1->SelY1();
      // width : height = Width box : Height box (within a pixel of rounding)
      EXPECT_NEAR(w * std::stoi(k.H) / std::stoi(k.W), h, 2.0) << k.W << "x" << k.H;
    });
  }
}

TEST_F(CropWindow, FreeCropTakesTheDraggedRectangle) {
  OpenShoot(1, 600, 400);
  InCrop(0, [&](TFormcutimage* c) {
    Drag(c->cen1, 100, 100, 400, 150);
    ASSERT_TRUE(c->cen1->Selected());
    EXPECT_GT(c->cen1->SelX2() - c->cen1->SelX1(), 3 * (c->cen1->SelY2() - c->cen1->SelY1()));
    EXPECT_EQ(c->cen1->SelectionAspectRatio(), -1);
    // Switching the kind removes the selection.
    c->RadioButton2Click(c->RadioButton2);
    EXPECT_FALSE(c->cen1->Selected());
  });
}

TEST_F(CropWindow, RefusesARatioThatIsNoWholeNumberAboveZero) {
  OpenShoot(1, 600, 400);
  for (const char* bad : {"0", "-2", "abc", "1.5"}) {
    TMessageBoxes boxes;
    InCrop(0, [&](TFormcutimage* c) {
      c->RadioButton2->SetChecked(true);
      c->ComboBox1->SetText(bad);
      c->ComboBox2->SetText("3");
      Drag(c->cen1, 100, 100, 400, 250);
      EXPECT_FALSE(c->cen1->Selected()) << bad;
      Application()->ProcessMessages();
    });
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{kBadCropRatio}) << bad;
  }
  EXPECT_EQ(TFormcutimage::RatioOf(" 4 "), 4);
  EXPECT_EQ(TFormcutimage::RatioOf(""), 0);
}

TEST_F(CropWindow, CutCutUndoAndStartOver) {
  OpenShoot(1, 600, 400);
  const std::string before = ReadFile(Photo(0));
  InCrop(0, [&](TFormcutimage* c) {
    c->ImageryView1DblClick(c->cen1);  // no selection: nothing changes
    EXPECT_EQ(Picture(c), std::make_pair(600, 400));
    Cut(c, 0, 0, 400, 300);
    EXPECT_EQ(Picture(c), std::make_pair(400, 300));
    EXPECT_FALSE(c->cen1->Selected());
    Cut(c, 0, 0, 100, 50);
    EXPECT_EQ(Picture(c), std::make_pair(100, 50));
    c->Button4Click(c->Button4);
    EXPECT_EQ(Picture(c), std::make_pair(400, 300));
    c->Button5Click(c->Button5);
    EXPECT_EQ(Picture(c), std::make_pair(600, 400));
    Cut(c, 10, 10, 50, 50);
    c->Button3Click(c->Button3);  // Close: nothing saved
  });
  EXPECT_EQ(ReadFile(Photo(0)), before);
}

TEST_F(CropWindow, SaveWritesTheCutOverTheReadOnlyPhoto) {
  OpenShoot(2, 600, 400);
  FileSetReadOnly(Photo(1), true);
  TMessageBoxes boxes;
  InCrop(1, [&](TFormcutimage* c) {
    Cut(c, 0, 0, 300, 200);
    c->Button2Click(c->Button2);
  });
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Tip:Do you save ?"});
  EXPECT_EQ(JpegSize(Photo(1)), std::make_pair(300, 200));
  // The cut kept the white corner of the photo.
  TIEBitmap b;
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.LoadFromFile(Photo(1));
  EXPECT_GT(reinterpret_cast<TIERGBPixel*>(b.Scanline(10))[10].g, 230);
  EXPECT_FALSE(std::filesystem::exists(Shoot + "/.orvanta-save-IMG_0002.jpg"));
}

TEST_F(CropWindow, SavedCropGivesTheGridANewThumbnail) {
  OpenShoot(3, 600, 400);
  auto* grid = dynamic_cast<TImageryMView*>(Form->ImageryMView1);
  ASSERT_NE(grid, nullptr);
  Form->ImageryMView1->Repaint();
  Application()->ProcessMessages();
  ASSERT_EQ(grid->GetImageOriginalWidth(2), 600);
  TMessageBoxes boxes;
  InCrop(2, [&](TFormcutimage* c) {
    Cut(c, 0, 0, 300, 100);
    c->Button2Click(c->Button2);
  });
  Form->ImageryMView1->Repaint();
  Application()->ProcessMessages();
  EXPECT_EQ(grid->GetImageOriginalWidth(2), 300);
  EXPECT_EQ(grid->GetImageOriginalHeight(2), 100);
  EXPECT_EQ(grid->GetImageOriginalWidth(1), 600);
}

TEST_F(CropWindow, SaveAnsweredNoKeepsTheWindowAndThePhoto) {
  OpenShoot(1, 600, 400);
  const std::string before = ReadFile(Photo(0));
  TMessageBoxes boxes('N');
  InCrop(0, [&](TFormcutimage* c) {
    Cut(c, 0, 0, 300, 200);
    c->Button2Click(c->Button2);
    EXPECT_TRUE(c->Visible());
  });
  EXPECT_EQ(ReadFile(Photo(0)), before);
}

TEST_F(CropWindow, SaveThatFailsIsToldAndKeepsWindowAndPhoto) {
  OpenShoot(1, 600, 400);
  const std::string before = ReadFile(Photo(0));
  TMessageBoxes boxes;
  bool open = false;
  InCrop(0, [&](TFormcutimage* c) {
    Cut(c, 0, 0, 300, 200);
    std::filesystem::create_directory(Shoot + "/.orvanta-save-IMG_0001.jpg");
    c->Button2Click(c->Button2);
    open = c->Visible() && Form->CropWindow() == c;
    EXPECT_EQ(Picture(c), std::make_pair(300, 200));
  });
  EXPECT_TRUE(open);
  ASSERT_EQ(boxes.Texts.size(), 2u);
  EXPECT_NE(boxes.Texts[1].find("\"" + Photo(0) + "\" cannot be saved: "), std::string::npos)
      << boxes.Texts[1];
  EXPECT_EQ(ReadFile(Photo(0)), before);
}

TEST_F(CropWindow, PhotoThatCannotBeReadOpensAnEmptyWindowAndIsToldAfter) {
  OpenShoot(1);
  WriteFile(Photo(0), "not a photo");
  TMessageBoxes boxes;
  InCrop(0, [&](TFormcutimage* c) { EXPECT_TRUE(c->cen1->GetIEBitmap()->Width() <= 1); });
  Application()->ProcessMessages();
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_NE(boxes.Texts[0].find(Photo(0)), std::string::npos);
}

TEST_F(CropWindow, LooksLikeItsGoldenImage) {
  OpenShoot(1, 600, 400);
  InCrop(0, [&](TFormcutimage* c) { ExpectLooksLike(c, "crop.png"); });
}

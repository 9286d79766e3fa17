// The full-screen viewer over a generated shoot: its status line and comment marker, the walk
// with Space, Backspace and the wheel with the messages at the ends, the slide show's wrap, the
// comment panel and its rows, picking from its menu, rotation (also when the photo cannot be
// written), cropping from it, and the grid's selection after it closes.
#include <sys/stat.h>

#include "app/catalog.h"
#include "app/formcrop.h"
#include "app/formnewmax.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "windowtest.h"

using namespace apptest;
using namespace windowtest;

namespace {

class ViewerWindow : public ShootWindow {
protected:
  // Opens the viewer on photo Index, runs Body inside its modal loop and closes it.
  void InViewer(int Index, const std::function<void(TFormNewMax*)>& Body) {
    GridSetSelectedImage(Form->ImageryMView1, Index);
    bool ran = false;
    Later([&] {
      auto* v = dynamic_cast<TFormNewMax*>(Form->ViewerWindow());
      ASSERT_NE(v, nullptr);
      ran = true;
      Body(v);
      if (Form->ViewerWindow() == v) v->Close();
    });
    ShowFullScreenViewer(Form);
    EXPECT_TRUE(ran);
  }
  void AddComment(const std::string& Name, const std::string& Text) {
    auto c = Open(Shoot + "/ImageTag.dll");
    c->Execute("insert into miaoshu (pic, miaoshu) values ('" + Name + "', '" + Text + "')");
  }
  std::vector<std::string> Comments(const char* Col) {
    auto c = Open(Shoot + "/ImageTag.dll");
    return Column(c.get(), "select * from miaoshu order by id", Col);
  }
  static void Press(TFormNewMax* V, char Key) { V->FormKeyPress(V, Key); }
  static void Wheel(TFormNewMax* V, int Delta) {
    bool handled = false;
    V->FormMouseWheel(V, TShiftState{}, Delta, POINT{0, 0}, handled);
    EXPECT_TRUE(handled);
  }
};

}  // namespace

TEST_F(ViewerWindow, OpensOnTheSelectedPhotoWithItsStatusLine) {
  OpenShoot(10);
  InViewer(2, [&](TFormNewMax* v) {
    EXPECT_EQ(v->Label300->Caption(), "3/10 IMG_0003.jpg");
    EXPECT_EQ(v->Edit1->Text(), Shoot + "/");
    EXPECT_EQ(v->Edit2->Text(), Photo(2));
    EXPECT_EQ(v->Edit3->Text(), "IMG_0003.jpg");
    EXPECT_EQ(v->BorderStyle(), bsNone);
    EXPECT_EQ(v->Label300->Font()->Name(), "SimSun");
    EXPECT_EQ(v->Label300->Font()->Color(), static_cast<TColor>(RGB(128, 255, 0)));
    EXPECT_TRUE(v->en2->Visible());
    EXPECT_FALSE(v->en1->Visible());
    EXPECT_FALSE(v->Panel1->Visible());
    EXPECT_EQ(v->Panel1->Height(), 169);
    EXPECT_EQ(v->en1->GetIEBitmap()->Width(), 240);
    EXPECT_EQ(v->en2->GetIEBitmap(), v->en1->GetIEBitmap());
    EXPECT_FALSE(v->Timer1->Enabled());
    EXPECT_EQ(v->Timer1->Interval(), 1500);
    // The comment row of a photo without one is a new row waiting for "save".
    EXPECT_EQ(v->ADOQuerydianping->State(), dsInsert);
  });
}

TEST_F(ViewerWindow, MarksACommentedPhotoOneWayAtOpeningAnotherAfterAMove) {
  OpenShoot(10);
  AddComment("IMG_0003.jpg", "nice light");
  AddComment("IMG_0004.jpg", "eyes closed");
  InViewer(2, [&](TFormNewMax* v) {
    EXPECT_EQ(v->Label300->Caption(),
              "3/10 \xE6\x9C\x89\xE7\x82\xB9\xE8\xAF\x84 IMG_0003.jpg");
    EXPECT_EQ(v->DBMemo1->Text(), "nice light");
    Press(v, ' ');
    EXPECT_EQ(v->Label300->Caption(), "4/10 There Comment IMG_0004.jpg");
    Press(v, ' ');
    EXPECT_EQ(v->Label300->Caption(), "5/10 IMG_0005.jpg");
    Press(v, 8);
    Press(v, 8);
    EXPECT_EQ(v->Label300->Caption(), "3/10 There Comment IMG_0003.jpg");
    EXPECT_EQ(v->Edit2->Text(), Photo(2));
  });
}

TEST_F(ViewerWindow, TellsTheEndsAndStaysThere) {
  OpenShoot(3);
  TMessageBoxes boxes;
  InViewer(2, [&](TFormNewMax* v) {
    Press(v, ' ');
    EXPECT_EQ(v->Position(), 2);
    Wheel(v, -120);
    EXPECT_EQ(v->Position(), 2);
    Wheel(v, 120);
    Wheel(v, 120);
    EXPECT_EQ(v->Position(), 0);
    EXPECT_EQ(v->Label300->Caption(), "1/3 IMG_0001.jpg");
    Press(v, 8);
    Wheel(v, 120);
    EXPECT_EQ(v->Position(), 0);
  });
  EXPECT_EQ(boxes.Texts,
            (std::vector<std::string>{kViewerEndMessage, kViewerEndMessage, kViewerStartMessageKey,
                                      kViewerStartMessageWheel}));
  EXPECT_EQ(std::string(kViewerEndMessage),
            "The end\xEF\xBC\x81press \"Backspace\"  key or mouse wheel to previous image.");
}

TEST_F(ViewerWindow, SpaceTypedOnTheKeyboardMovesAndEscapeCloses) {
  OpenShoot(4);
  int shown = -1;
  InViewer(0, [&](TFormNewMax* v) {
    v->en2->SetFocus();
    Key(VK_SPACE);
    Application()->ProcessMessages();
    shown = v->Position();
    Key(VK_ESCAPE);
    Application()->ProcessMessages();
  });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Form->ViewerWindow(), nullptr);
}

TEST_F(ViewerWindow, HeldButtonShowsThePhotoAtItsSizeAtThePressedPoint) {
  std::filesystem::copy_file(ShippedDir() + "find.cur", Prog + "find.cur");
  OpenShoot(1, 3200, 2400);
  InViewer(0, [&](TFormNewMax* v) {
    Application()->ProcessMessages();
    // Well inside the picture and above the edge that calls the comment panel.
    const POINT p =
        v->en2->ClientToScreen(POINT{v->en2->Width() - 20, v->en2->Height() - 60});
    InjectMouseMove(p.x, p.y);
    Application()->ProcessMessages();
    InjectMouseButton(p.x, p.y, 0, true);
    Application()->ProcessMessages();
    EXPECT_TRUE(v->en1->Visible());
    EXPECT_FALSE(v->en2->Visible());
    EXPECT_EQ(v->en1->Cursor(), crNone);
    // The full-size view shows the part of the photo that was pressed: its bottom right.
    EXPECT_GT(v->en1->ViewX(), 3200 - v->en1->Width() - 200);
    EXPECT_GT(v->en1->ViewY(), 2400 - v->en1->Height() - 200);
    InjectMouseButton(p.x, p.y, 0, false);
    Application()->ProcessMessages();
    EXPECT_TRUE(v->en2->Visible());
    EXPECT_FALSE(v->en1->Visible());
    EXPECT_FALSE(v->Panel1->Visible());
    // The pointer over the fitted photo is the program's "find.cur", also after a move.
    InjectMouseMove(p.x - 30, p.y - 30);
    Application()->ProcessMessages();
    EXPECT_EQ(v->en2->Cursor(), 1);
  });
}

TEST_F(ViewerWindow, PhotoThatCannotBeReadIsToldAndTheWalkGoesOn) {
  OpenShoot(3);
  WriteFile(Photo(1), "not a photo");
  TMessageBoxes boxes;
  InViewer(0, [&](TFormNewMax* v) {
    v->en2->SetFocus();
    Key(VK_SPACE);
    Application()->ProcessMessages();
    EXPECT_EQ(v->Position(), 1);
    EXPECT_EQ(v->Label300->Caption(), "2/3 IMG_0002.jpg");
    EXPECT_LE(v->en1->GetIEBitmap()->Width(), 1);
    Key(VK_SPACE);
    Application()->ProcessMessages();
    EXPECT_EQ(v->Position(), 2);
    EXPECT_EQ(v->en1->GetIEBitmap()->Width(), 240);
    // The slide show passes over it the same way.
    v->Timer1Timer(v->Timer1);
    v->Timer1Timer(v->Timer1);
    EXPECT_EQ(v->Position(), 1);
    EXPECT_TRUE(v->Timer1->Enabled());
    v->N15Click(v->N15);
  });
  ASSERT_EQ(boxes.Texts.size(), 2u);
  for (const std::string& t : boxes.Texts) EXPECT_NE(t.find(Photo(1)), std::string::npos) << t;
}

TEST_F(ViewerWindow, SlideShowWrapsFromTheLastToTheFirst) {
  OpenShoot(3);
  InViewer(1, [&](TFormNewMax* v) {
    v->N13Click(v);
    EXPECT_TRUE(v->Timer1->Enabled());
    v->Timer1Timer(v->Timer1);
    EXPECT_EQ(v->Position(), 2);
    v->Timer1Timer(v->Timer1);
    EXPECT_EQ(v->Position(), 0);
    EXPECT_EQ(v->Label300->Caption(), "1/3 IMG_0001.jpg");
    EXPECT_EQ(v->Edit2->Text(), Photo(0));
    EXPECT_TRUE(v->Timer1->Enabled());
    v->N15Click(v);
    EXPECT_FALSE(v->Timer1->Enabled());
  });
}

TEST_F(ViewerWindow, SlideShowOfOnePhotoKeepsShowingIt) {
  OpenShoot(1);
  InViewer(0, [&](TFormNewMax* v) {
    v->Timer1Timer(v->Timer1);
    v->Timer1Timer(v->Timer1);
    EXPECT_EQ(v->Position(), 0);
    EXPECT_EQ(v->Label300->Caption(), "1/1 IMG_0001.jpg");
  });
}

TEST_F(ViewerWindow, ClosingSelectsTheLastPhotoShown) {
  OpenShoot(6);
  InViewer(1, [&](TFormNewMax* v) {
    Press(v, ' ');
    Press(v, ' ');
    Press(v, ' ');
  });
  EXPECT_EQ(GridSelectedImage(Form->ImageryMView1), 4);
  EXPECT_EQ(Form->ViewerPosition(), 4);
  EXPECT_EQ(Form->ViewerWindow(), nullptr);
}

TEST_F(ViewerWindow, BottomEdgeCallsTheCommentPanelAndSaveAddsARow) {
  OpenShoot(3);
  InViewer(1, [&](TFormNewMax* v) {
    InjectMouseMove(100, Screen()->Height() - 3);
    v->en2MouseMove(v->en2, TShiftState{}, 100, v->en2->Height() - 3);
    EXPECT_TRUE(v->Panel1->Visible());
    v->DBMemo1->SetText("Keep this one");
    v->BitBtn1Click(v->BitBtn1);
    EXPECT_FALSE(v->Panel1->Visible());
    InjectMouseMove(100, 100);
    v->en2MouseMove(v->en2, TShiftState{}, 100, 100);
    EXPECT_FALSE(v->Panel1->Visible());
  });
  EXPECT_EQ(Comments("pic"), std::vector<std::string>{"IMG_0002.jpg"});
  EXPECT_EQ(Comments("miaoshu"), std::vector<std::string>{"Keep this one"});
}

TEST_F(ViewerWindow, CommentClosedWithoutSaveIsDropped) {
  OpenShoot(3);
  InViewer(0, [&](TFormNewMax* v) {
    InjectMouseMove(100, Screen()->Height() - 1);
    v->en2MouseMove(v->en2, TShiftState{}, 100, 0);
    v->DBMemo1->SetText("not kept");
    v->Button3Click(v->Button4);
    EXPECT_FALSE(v->Panel1->Visible());
  });
  EXPECT_TRUE(Comments("pic").empty());
}

TEST_F(ViewerWindow, MenuPicksAndUnpicksThePhotoShown) {
  OpenShoot(3);
  InViewer(1, [&](TFormNewMax* v) {
    v->pp1Popup(v->pp1);
    EXPECT_TRUE(v->N7->Enabled());
    EXPECT_FALSE(v->N8->Enabled());
    v->N7Click(v->N7);
    v->N7Click(v->N7);  // a second pick adds nothing
    v->pp1Popup(v->pp1);
    EXPECT_FALSE(v->N7->Enabled());
    EXPECT_TRUE(v->N8->Enabled());
  });
  auto c = Open(Shoot + "/ImageTag.dll");
  EXPECT_EQ(Column(c.get(), "select * from pic", "fname"),
            std::vector<std::string>{"IMG_0002.jpg"});
  InViewer(1, [&](TFormNewMax* v) { v->N8Click(v->N8); });
  EXPECT_TRUE(Column(c.get(), "select * from pic", "fname").empty());
}

TEST_F(ViewerWindow, MenuHasItsItemsInOrder) {
  OpenShoot(1);
  InViewer(0, [&](TFormNewMax* v) {
    std::vector<std::string> captions;
    for (int i = 0; i < v->pp1->Items()->Count(); ++i)
      captions.push_back(v->pp1->Items()->Items(i)->Caption());
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "Selected", "UnSelected", "-", "Append Production requirements", "-",
                            "Rotate Clockwise", "Rotate Counter Clockwise", "-",
                            "Mirror Horizontal", "Mirror Vertical", "-", "Crop", "-",
                            "Slide Show ", "Stop slide", "-", "Photographer Comments", "-",
                            "close"}));
    // The two mirror items are there but never shown.
    EXPECT_FALSE(v->N3->Visible());
    EXPECT_FALSE(v->N4->Visible());
    EXPECT_TRUE(v->N901->Visible());
  });
}

TEST_F(ViewerWindow, HiddenMirrorItemsSaveTheMirroredPhoto) {
  // Each generated photo has a white square in its top left quarter.
  struct {
    int Photo;
    int Item;  // 0 left-right, 1 top-bottom
    int X, Y;  // where the white square is afterwards
  } const cases[] = {{0, 0, 230, 10}, {1, 1, 10, 150}};
  OpenShoot(2, 240, 160);
  for (const auto& k : cases) {
    InViewer(k.Photo, [&](TFormNewMax* v) {
      if (k.Item == 0)
        v->N3Click(v->N3);
      else
        v->N4Click(v->N4);
    });
    TIEBitmap b;
    TImageryIO io(nullptr);
    io.AttachBitmap(&b);
    io.LoadFromFile(Photo(k.Photo));
    ASSERT_EQ(b.Width(), 240);
    auto pixel = [&b](int X, int Y) { return reinterpret_cast<TIERGBPixel*>(b.Scanline(Y))[X]; };
    EXPECT_GT(pixel(k.X, k.Y).b, 230) << k.Item;
    EXPECT_LT(pixel(10, 10).b, 100) << k.Item;
  }
}

TEST_F(ViewerWindow, MirrorThatCannotBeSavedIsToldAndLeavesThePhoto) {
  OpenShoot(1);
  const std::string before = ReadFile(Photo(0));
  TMessageBoxes boxes;
  InViewer(0, [&](TFormNewMax* v) {
    std::filesystem::create_directory(Shoot + "/.orvanta-save-IMG_0001.jpg");
    v->N4Click(v->N4);
  });
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_NE(boxes.Texts[0].find("\"" + Photo(0) + "\" cannot be saved: "), std::string::npos)
      << boxes.Texts[0];
  EXPECT_EQ(ReadFile(Photo(0)), before);
}

TEST_F(ViewerWindow, CommentPanelHidesItsColourAndOpinionPages) {
  OpenShoot(1);
  InViewer(0, [&](TFormNewMax* v) {
    EXPECT_EQ(v->PageControl1->ActivePage(), v->TabSheet1);
    EXPECT_TRUE(v->TabSheet1->TabVisible());
    EXPECT_FALSE(v->TabSheet2->TabVisible());
    EXPECT_FALSE(v->TabSheet3->TabVisible());
    for (TTrackBar* bar : {v->TrackBar1, v->TrackBar2, v->TrackBar3, v->TrackBar4, v->TrackBar5}) {
      EXPECT_EQ(bar->Min(), -255);
      EXPECT_EQ(bar->Max(), 255);
      EXPECT_EQ(bar->Position(), 0);
    }
    // The opinion page's save keeps nothing.
    v->Memo1->SetText("lovely");
    v->Button1->Click();
    // Called at the bottom edge, the panel shows the comment page alone.
    InjectMouseMove(100, Screen()->Height() - 3);
    v->en2MouseMove(v->en2, TShiftState{}, 100, v->en2->Height() - 3);
    ASSERT_TRUE(v->Panel1->Visible());
    ExpectLooksLike(v, "viewer_comment.png");
  });
  EXPECT_TRUE(Comments("pic").empty());
}

TEST_F(ViewerWindow, ColourSlidersAdjustTheShownPictureUntilThePanelHides) {
  OpenShoot(1);  // a red ramp: no green in the picture
  InViewer(0, [&](TFormNewMax* v) {
    auto green = [v] {
      Application()->ProcessMessages();
      HBITMAP shot = RenderWindowToBitmap(v->en2->Handle());
      const TGdiSurface* s = GetBitmapSurface(shot);
      const int bytes = s->BitCount / 8;
      const int g = s->Row(s->Height / 2)[(s->Width / 2) * bytes + 1];
      DeleteObject(shot);
      return g;
    };
    TIEBitmap* picture = v->en1->GetIEBitmap();
    EXPECT_LT(green(), 20);
    v->TrackBar4->SetPosition(100);
    EXPECT_EQ(picture->ChannelOffset[1], 100);
    EXPECT_TRUE(picture->EnableChannelOffset);
    EXPECT_GT(green(), 80);
    // Brightness adds to every channel; contrast goes to the picture's contrast.
    v->TrackBar1->SetPosition(-30);
    v->TrackBar2->SetPosition(40);
    EXPECT_EQ(picture->ChannelOffset[0], -30);
    EXPECT_EQ(picture->ChannelOffset[1], 70);
    EXPECT_EQ(picture->ChannelOffset[2], -30);
    EXPECT_EQ(picture->Contrast, 40);
    // Calling the panel and leaving it puts every slider and the picture back.
    InjectMouseMove(100, Screen()->Height() - 3);
    v->en2MouseMove(v->en2, TShiftState{}, 100, v->en2->Height() - 3);
    InjectMouseMove(100, 100);
    v->en2MouseMove(v->en2, TShiftState{}, 100, 100);
    EXPECT_FALSE(v->Panel1->Visible());
    EXPECT_EQ(v->TrackBar1->Position(), 0);
    EXPECT_EQ(v->TrackBar2->Position(), 0);
    EXPECT_EQ(v->TrackBar4->Position(), 0);
    EXPECT_FALSE(picture->EnableChannelOffset);
    EXPECT_EQ(picture->Contrast, 0);
    EXPECT_LT(green(), 20);
  });
}

TEST_F(ViewerWindow, RotationWritesTheTurnedPhotoAtTheChosenQuality) {
  OpenShoot(2, 240, 160);
  InViewer(0, [&](TFormNewMax* v) { v->N901Click(v->N901); });
  EXPECT_EQ(JpegSize(Photo(0)), std::make_pair(160, 240));
  InViewer(0, [&](TFormNewMax* v) { v->N1801Click(v->N1801); });
  EXPECT_EQ(JpegSize(Photo(0)), std::make_pair(240, 160));
}

TEST_F(ViewerWindow, RotationThatCannotBeSavedIsToldAndLeavesThePhoto) {
  OpenShoot(2);
  const std::string before = ReadFile(Photo(1));
  TMessageBoxes boxes;
  InViewer(1, [&](TFormNewMax* v) {
    // The folder refuses the new file: a folder stands where it would be written.
    std::filesystem::create_directory(Shoot + "/.orvanta-save-IMG_0002.jpg");
    v->N901Click(v->N901);
    std::filesystem::remove(Shoot + "/.orvanta-save-IMG_0002.jpg");
    // The photo has gone from the folder.
    std::filesystem::rename(Photo(1), Root + "/moved.jpg");
    v->N901Click(v->N901);
  });
  ASSERT_EQ(boxes.Texts.size(), 2u);
  for (const std::string& t : boxes.Texts)
    EXPECT_NE(t.find("\"" + Photo(1) + "\" cannot be saved: "), std::string::npos) << t;
  EXPECT_NE(boxes.Texts[1].find("no longer exists"), std::string::npos);
  EXPECT_EQ(ReadFile(Root + "/moved.jpg"), before);
  EXPECT_FALSE(std::filesystem::exists(Photo(1)));
}

TEST_F(ViewerWindow, CropFromTheViewerShowsTheSavedPhotoAndRefreshesIt) {
  OpenShoot(3, 240, 160);
  TMessageBoxes boxes;  // answers "Tip:Do you save ?" with Yes
  int viewerWidth = 0;
  InViewer(0, [&](TFormNewMax* v) {
    Press(v, ' ');
    Later([&] {
      auto* crop = dynamic_cast<TFormcutimage*>(Form->CropWindow());
      ASSERT_NE(crop, nullptr);
      EXPECT_EQ(crop->Edit1->Text(), Photo(1));
      crop->cen1->SelectionBase = iesbBitmap;
      crop->cen1->SelectRect(0, 0, 120, 80, 0);
      crop->cen1->SelectionBase = iesbClientArea;
      crop->ImageryView1DblClick(crop->cen1);
      crop->Button2Click(crop->Button2);
    });
    v->N9Click(v->N9);
    viewerWidth = v->en1->GetIEBitmap()->Width();
    EXPECT_TRUE(v->Visible());
  });
  EXPECT_EQ(JpegSize(Photo(1)).first, viewerWidth);
  EXPECT_LT(viewerWidth, 240);
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Tip:Do you save ?"});
}

TEST_F(ViewerWindow, KeepsItsGreenStatusLineUnderTheProgramsSkin) {
  OpenShoot(3);
  auto* skin = SkinProgramWindows(Form, apptest::SourceDir() + "/data/swskins/harbour.ssk");
  ASSERT_NE(skin, nullptr);
  InViewer(1, [&](TFormNewMax* v) {
    Application()->ProcessMessages();
    EXPECT_EQ(v->Label300->Font()->Color(), static_cast<TColor>(RGB(128, 255, 0)));
    EXPECT_EQ(v->Label300->Caption(), "2/3 IMG_0002.jpg");
  });
}

TEST_F(ViewerWindow, LooksLikeItsGoldenImage) {
  OpenShoot(3);
  AddComment("IMG_0001.jpg", "x");
  InViewer(0, [&](TFormNewMax* v) { ExpectLooksLike(v, "viewer.png"); });
}

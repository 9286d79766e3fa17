// The program's start: the splash window, and a start without the settings database, which
// ends the program (so that test runs last: it leaves the application terminated).
#include "app/formstar.h"
#include "app/seemain.h"
#include "apptest.h"
#include "platform/vcl/extctrls.h"

using namespace apptest;

namespace {

class Startup : public AppFolder {
protected:
  void TearDown() override {
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    AppFolder::TearDown();
  }
};

}  // namespace

TEST_F(Startup, SplashIsBorderlessCentredAndSizedToItsPicture) {
  std::filesystem::copy_file(ShippedDir() + kSplashFileName, Prog + kSplashFileName);
  TFormstar splash(nullptr);
  splash.Show();
  EXPECT_EQ(splash.BorderStyle(), bsNone);
  EXPECT_EQ(splash.ClientWidth(), 480);
  EXPECT_EQ(splash.ClientHeight(), 300);
  EXPECT_EQ(splash.Left(), (Screen()->Width() - splash.Width()) / 2);
  EXPECT_EQ(splash.Top(), (Screen()->Height() - splash.Height()) / 2);
  TBitmap* picture = splash.Image1->Picture()->Bitmap();
  ASSERT_EQ(picture->Width(), 480);
  // The picture is there: its corners are the dark blue of the background, not blank.
  TColor corner = picture->Canvas()->Pixels(2, 2);
  EXPECT_LT(GetRValue(corner), 60);
  EXPECT_GT(GetBValue(corner), GetRValue(corner));
}

TEST_F(Startup, SplashWithoutItsPictureIsAPlainPanel) {
  TFormstar splash(nullptr);
  EXPECT_EQ(splash.ClientWidth(), 480);
  EXPECT_EQ(splash.ClientHeight(), 300);
  EXPECT_EQ(splash.Image1->Picture()->Bitmap()->Width(), 0);
}

TEST_F(Startup, WithoutItsSettingsDatabaseTheProgramEnds) {
  std::filesystem::remove(Prog + "sysset.dll");
  const std::string shoot = MakeShoot("80013578-John", Numbered(2));
  auto* form = new TFormSeeMain(nullptr);
  form->SetCommandLine({shoot + "/"});
  form->FinishCreate();
  EXPECT_TRUE(Application()->Terminated());
  EXPECT_FALSE(form->ADOConnection2->Connected());
  delete form;
  // Ended without the closing steps: nothing was written.
  EXPECT_FALSE(FileExists(Prog + "Set.dat"));
  EXPECT_FALSE(FileExists(shoot + "/ImageTag.dll"));
}

// A form's icon and its menus' hot-key and reading-order settings travel with the form's
// description; an empty icon is not written; the application keeps an icon of its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_user.h"
#include "tests/platform/vcl/formtest.h"

namespace {

std::string FormIconTestText(TComponent* Root) {
  TMemoryStream bin;
  {
    TWriter w(&bin);
    w.WriteRootComponent(Root);
  }
  bin.SetPosition(0);
  TStringStream text("");
  ObjectBinaryToText(&bin, &text);
  return text.DataString();
}

// A solid 16 x 16 icon of one colour.
void FormIconTestIcon(TIcon* Icon, TColor Colour) {
  TBitmap colour;
  colour.SetPixelFormat(pf24bit);
  colour.SetSize(16, 16);
  colour.Canvas()->Brush()->SetColor(Colour);
  colour.Canvas()->FillRect(RECT{0, 0, 16, 16});
  std::string zeros(2 * 16, '\0');
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, zeros.data());
  ICONINFO ii{TRUE, 0, 0, mask, colour.Handle()};
  Icon->SetHandle(CreateIconIndirect(&ii));
  DeleteObject(mask);
}

class FormIconTest : public FormTestBase {};

}  // namespace

TEST_F(FormIconTest, IconTravelsWithTheFormAndAnEmptyOneIsNotWritten) {
  EXPECT_TRUE(Form->Icon()->Empty());
  EXPECT_EQ(FormIconTestText(Form).find("Icon"), std::string::npos);
  TIcon icon;
  FormIconTestIcon(&icon, clRed);
  Form->SetIcon(&icon);
  ASSERT_FALSE(Form->Icon()->Empty());
  const std::string text = FormIconTestText(Form);
  EXPECT_NE(text.find("Icon.Data"), std::string::npos) << text;
  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(text);
  ASSERT_FALSE(second->Icon()->Empty());
  EXPECT_EQ(second->Icon()->Width(), 16);
  EXPECT_EQ(second->Icon()->Height(), 16);
  const auto* row = static_cast<const uint8_t*>(second->Icon()->Image()->ScanLine(8));
  EXPECT_EQ(row[8 * 4 + 2], 255);  // red
  EXPECT_EQ(row[8 * 4 + 0], 0);
  EXPECT_EQ(row[8 * 4 + 3], 255);  // opaque
  // Cleared again.
  Form->SetIcon(nullptr);
  EXPECT_TRUE(Form->Icon()->Empty());
  // The application's icon is its own copy.
  Application()->SetIcon(&icon);
  EXPECT_FALSE(Application()->Icon()->Empty());
  EXPECT_NE(Application()->Icon(), &icon);
  Application()->SetIcon(nullptr);
  EXPECT_TRUE(Application()->Icon()->Empty());
}

TEST_F(FormIconTest, MenuHotKeysAndReadingOrderTravelWithTheForm) {
  RegisterClasses({TPopupMenu::StaticClass()});
  auto* popup = new TPopupMenu(Form);
  popup->SetName("Popup1");
  const std::string plain = FormIconTestText(Form);
  EXPECT_EQ(plain.find("AutoHotkeys"), std::string::npos);
  EXPECT_EQ(plain.find("BiDiMode"), std::string::npos);
  popup->SetAutoHotkeys(maManual);
  popup->SetBiDiMode(bdRightToLeft);
  const std::string text = FormIconTestText(Form);
  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(text);
  auto* back = dynamic_cast<TPopupMenu*>(second->FindComponent("Popup1"));
  ASSERT_NE(back, nullptr) << text;
  EXPECT_EQ(back->AutoHotkeys(), maManual);
  EXPECT_EQ(back->BiDiMode(), bdRightToLeft);
  EXPECT_FALSE(back->ParentBiDiMode());
}

// The parameters preview dialog opened through TImageryIO.DoPreviews on the headless display:
// the preview stores the image into memory and shows the decoded result with its sizes, OK and
// Apply write the parameters, Cancel leaves them, every page loads and stores its controls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/iepreviews.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/pngsnap.h"
#include "platform/win/winuser.h"

namespace {

std::string PreviewsSourceDir() {
  const char* s = std::getenv("ORVANTA_SOURCE_DIR");
  return s ? s : ".";
}

// A photo-like picture: gradients with a disc and some fine stripes (so JPEG quality matters).
void PreviewsMakePhoto(TIEBitmap& B, int W, int H) {
  B.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < W; ++x) {
      const bool disc = (x - W / 2) * (x - W / 2) + (y - H / 2) * (y - H / 2) < (H / 3) * (H / 3);
      row[x].r = static_cast<uint8_t>(disc ? 230 : x * 255 / W);
      row[x].g = static_cast<uint8_t>(disc ? 120 : y * 255 / H);
      row[x].b = static_cast<uint8_t>(((x / 2 + y / 3) % 2) ? 200 : 40);
    }
  }
}

int64_t PreviewsBytes(const std::string& Caption) {
  const auto sp = Caption.find(" bytes");
  if (sp == std::string::npos) return -1;
  return std::stoll(Caption.substr(0, sp));
}

void PreviewsKey(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

// Answers the message boxes that show while it lives with Enter, keeping their texts.
class PreviewsMessageBoxes {
public:
  explicit PreviewsMessageBoxes(TfIOPreviews** Dialog) {
    FTimer = new TTimer(Application());
    FTimer->SetInterval(1);
    FTimer->SetOnTimer([this, Dialog](TObject*) {
      TCustomForm* f = Screen()->ActiveForm();
      if (!f || f == FSeen || f == *Dialog || f->ClassName() != std::string("TForm") || !f->Visible()) return;
      for (int i = 0; i < f->ControlCount(); ++i)
        if (auto* l = dynamic_cast<TLabel*>(f->Controls(i))) {
          FSeen = f;
          Texts.push_back(l->Caption());
          PreviewsKey(VK_RETURN);
          return;
        }
    });
  }
  ~PreviewsMessageBoxes() { delete FTimer; }
  std::vector<std::string> Texts;

private:
  TTimer* FTimer;
  TCustomForm* FSeen = nullptr;
};

class PreviewsFixture : public ::testing::Test {
protected:
  void SetUp() override {
    IEImagingStartup();
    ResetInputState();
    IO = new TImageryIO(nullptr);
    PreviewsMakePhoto(*IO->IEBitmap(), 96, 64);
    IO->SimplifiedParamsDialogs = false;
  }
  void TearDown() override {
    delete IO;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    IEImagingShutdown();
  }
  // Opens the dialog through DoPreviews; Act runs once the window is set up and must close it.
  bool Run(TIEDialogPages Pages, std::function<void(TfIOPreviews*)> Act) {
    Dialog = nullptr;
    IO->OnIOPreview = [this](TObject*, TObject* Form) { Dialog = dynamic_cast<TfIOPreviews*>(Form); };
    auto* t = new TTimer(Application());
    t->SetInterval(1);
    t->SetOnTimer([this, t, Act](TObject*) {
      if (Dialog == nullptr || !Dialog->WindowActive()) return;
      t->SetEnabled(false);
      Act(Dialog);
    });
    const bool ok = IO->DoPreviews(Pages);
    delete t;
    return ok;
  }
  static std::string Text(TfIOPreviews* F, const char* Name) {
    if (auto* e = dynamic_cast<TCustomEdit*>(F->FindComponent(Name))) return e->Text();
    if (auto* c = dynamic_cast<TCustomCheckBox*>(F->FindComponent(Name))) return c->Checked() ? "checked" : "";
    return "<no control " + std::string(Name) + ">";
  }
  // A choice made in a list as the user makes it.
  static void Choose(TComboBox* C, const std::string& Item) {
    C->SetItemIndex(C->Items()->IndexOf(Item));
    ASSERT_GE(C->ItemIndex(), 0) << Item;
    if (C->OnSelect) C->OnSelect(C);
  }
  TImageryIO* IO = nullptr;
  TfIOPreviews* Dialog = nullptr;
};

TEST_F(PreviewsFixture, JpegQualityPreviewShowsStoredSizeAndDecodedResult) {
  IO->Params->FileType = ioJPEG;
  int64_t high = 0, low = 0;
  std::string original;
  int w = 0, h = 0;
  long diff = 0;
  const bool ok = Run(ppJPEG, [&](TfIOPreviews* f) {
    original = f->Label4->Caption();
    high = PreviewsBytes(f->Label25->Caption());  // computed on opening at quality 80
    f->Edit22->SetText("5");
    f->Button3->Click();
    low = PreviewsBytes(f->Label25->Caption());
    TIEBitmap* r = f->Imagery2->GetIEBitmap();
    w = r->Width();
    h = r->Height();
    for (int y = 0; y < h && y < 64; ++y)
      for (int x = 0; x < w && x < 96; ++x) diff += std::abs(r->GetPixelRGB(x, y).r - IO->IEBitmap()->GetPixelRGB(x, y).r);
    f->Button2->Click();
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(original, std::to_string(96 * 3 * 64) + " bytes");
  EXPECT_GT(high, 0);
  EXPECT_GT(low, 0);
  EXPECT_LT(low, high);
  EXPECT_EQ(w, 96);
  EXPECT_EQ(h, 64);
  EXPECT_GT(diff, 0) << "the result is the decoded JPEG, not a copy";
  EXPECT_LT(diff / (96 * 64), 40);
  // Cancel wrote nothing.
  EXPECT_EQ(IO->Params->JPEG_Quality, 80);
  EXPECT_EQ(IO->Params->FileType, ioJPEG);
}

TEST_F(PreviewsFixture, JpegOkWritesValuesCancelKeepsThem) {
  IO->Params->FileType = ioBMP;
  ASSERT_TRUE(Run(ppJPEG, [&](TfIOPreviews* f) {
    f->Edit22->SetText("35");
    f->CheckBox3->SetChecked(true);
    Choose(f->ComboBox1, "FLOAT");
    f->Button1->Click();
  }));
  EXPECT_EQ(IO->Params->JPEG_Quality, 35);
  EXPECT_TRUE(IO->Params->JPEG_Progressive);
  EXPECT_EQ(IO->Params->JPEG_DCTMethod, 2);
  EXPECT_EQ(IO->Params->FileType, ioJPEG);

  EXPECT_FALSE(Run(ppJPEG, [&](TfIOPreviews* f) {
    EXPECT_EQ(f->Edit22->Text(), "35");  // the dialog opens on the stored values
    f->Edit22->SetText("90");
    f->CheckBox3->SetChecked(false);
    f->Button2->Click();
  }));
  EXPECT_EQ(IO->Params->JPEG_Quality, 35);
  EXPECT_TRUE(IO->Params->JPEG_Progressive);
}

TEST_F(PreviewsFixture, ApplyWritesWithoutClosing) {
  IO->PreviewsParams = 1 << ioppApplyButton;
  IO->Params->FileType = ioJPEG;
  int during = 0;
  bool applyAfter = true, applyVisible = false;
  EXPECT_FALSE(Run(ppJPEG, [&](TfIOPreviews* f) {
    applyVisible = f->Button4->Visible();
    f->Edit22->SetText("42");
    f->Button4->Click();
    during = IO->Params->JPEG_Quality;
    applyAfter = f->Button4->Enabled();
    f->Button2->Click();
  }));
  EXPECT_TRUE(applyVisible);
  EXPECT_EQ(during, 42);
  EXPECT_FALSE(applyAfter);
  EXPECT_EQ(IO->Params->JPEG_Quality, 42);
}

TEST_F(PreviewsFixture, LockPreviewRecomputesOnEveryMove) {
  IO->PreviewsParams = 1 << ioppDefaultLockPreview;
  IO->Params->FileType = ioJPEG;
  std::vector<int64_t> sizes;
  bool previewEnabled = true;
  Run(ppJPEG, [&](TfIOPreviews* f) {
    previewEnabled = f->Button3->Enabled();
    for (int q : {10, 60, 95}) {
      f->TrackBar13->SetPosition(q);
      sizes.push_back(PreviewsBytes(f->Label25->Caption()));
      EXPECT_EQ(f->Edit22->Text(), std::to_string(q));
    }
    f->Button2->Click();
  });
  EXPECT_FALSE(previewEnabled);
  ASSERT_EQ(sizes.size(), 3u);
  EXPECT_LT(sizes[0], sizes[1]);
  EXPECT_LT(sizes[1], sizes[2]);
}

// One case per page: parameters set before opening, the controls they show, a user's change and
// the parameters OK writes.
struct PreviewsPageCase {
  const char* Name;
  TIEDialogPages Pages;
  bool Simplified;
  std::function<void(TIOParamsVals&)> Before;
  std::vector<std::pair<const char*, std::string>> Shown;
  std::function<void(TfIOPreviews*)> Change;
  std::function<void(const TIOParamsVals&)> Check;
};

class PreviewsPages : public PreviewsFixture, public ::testing::WithParamInterface<PreviewsPageCase> {};

TEST_P(PreviewsPages, ControlsLoadAndStore) {
  const PreviewsPageCase& c = GetParam();
  IO->SimplifiedParamsDialogs = c.Simplified;
  c.Before(*IO->Params);
  ASSERT_TRUE(Run(c.Pages, [&](TfIOPreviews* f) {
    for (const auto& [name, want] : c.Shown) EXPECT_EQ(Text(f, name), want) << name;
    c.Change(f);
    f->Button1->Click();
  }));
  c.Check(*IO->Params);
}

void PreviewsChoose(TfIOPreviews* F, const char* Name, const char* Item) {
  auto* c = dynamic_cast<TComboBox*>(F->FindComponent(Name));
  ASSERT_NE(c, nullptr) << Name;
  c->SetItemIndex(c->Items()->IndexOf(Item));
  ASSERT_GE(c->ItemIndex(), 0) << Item;
  c->OnSelect(c);
}

const PreviewsPageCase kPreviewsPageCases[] = {
    {"TiffCmyk", ppTIFF, false,
     [](TIOParamsVals& p) {
       p.BitsPerSample = 1;
       p.SamplesPerPixel = 1;
       p.TIFF_PhotometInterpret = 1;
       p.TIFF_Compression = 8;
       p.TIFF_DocumentName = "scan";
     },
     {{"ComboBox2", "PACKBITS"}, {"ComboBox3", "BLACKISZERO/Gray"}, {"ComboBox4", "B/W"}, {"Edit4", "scan"}},
     [](TfIOPreviews* f) { PreviewsChoose(f, "ComboBox3", "CMYK"); },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.SamplesPerPixel, 4);
       EXPECT_EQ(p.BitsPerSample, 8);
       EXPECT_EQ(p.TIFF_PhotometInterpret, 5);
       EXPECT_EQ(p.TIFF_Compression, 8);
       EXPECT_EQ(p.TIFF_DocumentName, "scan");
       EXPECT_EQ(p.FileType, ioTIFF);
     }},
    {"TiffSixteenColours", ppTIFF, false, [](TIOParamsVals& p) { p.TIFF_Compression = 9; },
     {{"ComboBox2", "ZIP"}, {"ComboBox3", "RGB"}, {"ComboBox4", "16M"}},
     [](TfIOPreviews* f) {
       PreviewsChoose(f, "ComboBox4", "16");
       f->Edit6->SetText("front");
     },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.SamplesPerPixel, 1);
       EXPECT_EQ(p.BitsPerSample, 4);
       EXPECT_EQ(p.TIFF_PhotometInterpret, 3);
       EXPECT_EQ(p.TIFF_PageName, "front");
     }},
    {"TiffSimplifiedFaxNeedsOneBit", ppTIFF, true, [](TIOParamsVals& p) { p.TIFF_Compression = 4; },
     {{"ComboBox16", "G4FAX"}, {"ComboBox17", "16777216"}},
     [](TfIOPreviews* f) { PreviewsChoose(f, "ComboBox17", "256"); },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.TIFF_Compression, 0);  // a fax compression cannot hold 8 bits
       EXPECT_EQ(p.BitsPerSample, 8);
       EXPECT_EQ(p.SamplesPerPixel, 1);
     }},
    {"GifBlackAndWhite", ppGIF, false,
     [](TIOParamsVals& p) {
       p.BitsPerSample = 8;
       p.GIF_DelayTime = 25;
     },
     {{"ComboBox5", "256"}, {"Edit12", "25"}, {"CheckBox4", ""}},
     [](TfIOPreviews* f) {
       PreviewsChoose(f, "ComboBox5", "B/W");
       f->CheckBox5->SetChecked(true);
       f->Edit10->SetText("7");
     },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.BitsPerSample, 1);
       EXPECT_TRUE(p.GIF_Interlaced);
       EXPECT_EQ(p.GIF_XPos, 7);
       EXPECT_EQ(p.GIF_DelayTime, 25);
       EXPECT_EQ(p.FileType, ioGIF);
     }},
    {"BmpRle16", ppBMP, false,
     [](TIOParamsVals& p) {
       p.BitsPerSample = 8;
       p.SamplesPerPixel = 1;
     },
     {{"ComboBox6", "UNCOMPRESSED"}, {"ComboBox7", "256"}},
     [](TfIOPreviews* f) {
       PreviewsChoose(f, "ComboBox6", "RLE");
       PreviewsChoose(f, "ComboBox7", "16");
     },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.BMP_Compression, 1);
       EXPECT_EQ(p.BitsPerSample, 4);
       EXPECT_EQ(p.SamplesPerPixel, 1);
       EXPECT_EQ(p.FileType, ioBMP);
     }},
    {"PcxTrueColour", ppPCX, false,
     [](TIOParamsVals& p) {
       p.BitsPerSample = 1;
       p.SamplesPerPixel = 1;
     },
     {{"ComboBox8", "RLE"}, {"ComboBox9", "B/W"}},
     [](TfIOPreviews* f) { PreviewsChoose(f, "ComboBox9", "16M"); },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.BitsPerSample, 8);
       EXPECT_EQ(p.SamplesPerPixel, 3);
       EXPECT_EQ(p.FileType, ioPCX);
     }},
    {"PngPalette", ppPNG, false,
     [](TIOParamsVals& p) {
       p.PNG_Filter = 2;
       p.PNG_Compression = 9;
     },
     {{"ComboBox10", "16M"}, {"ComboBox11", "Paeth"}, {"ComboBox12", "Max"}, {"CheckBox6", ""}},
     [](TfIOPreviews* f) {
       PreviewsChoose(f, "ComboBox10", "256");
       PreviewsChoose(f, "ComboBox12", "3");
       f->CheckBox6->SetChecked(true);
     },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.BitsPerSample, 8);
       EXPECT_EQ(p.SamplesPerPixel, 1);
       EXPECT_EQ(p.PNG_Compression, 3);
       EXPECT_EQ(p.PNG_Filter, 2);
       EXPECT_TRUE(p.PNG_Interlaced);
       EXPECT_EQ(p.FileType, ioPNG);
     }},
    {"TgaTexts", ppTGA, false, [](TIOParamsVals& p) { p.TGA_ImageName = "abc"; },
     {{"ComboBox14", "16M"}, {"Edit13", "abc"}, {"CheckBox1", "checked"}},
     [](TfIOPreviews* f) {
       f->Edit14->SetText("studio shot");
       f->CheckBox1->SetChecked(false);
     },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.TGA_ImageName, "abc");
       EXPECT_EQ(p.TGA_Descriptor, "studio shot");
       EXPECT_FALSE(p.TGA_Compressed);
       EXPECT_EQ(p.FileType, ioTGA);
     }},
    {"Jpeg2000Grey", ppJ2000, false, [](TIOParamsVals& p) { p.J2000_Rate = 0.25; },
     {{"Edit15", "250"}, {"ComboBox15", "RGB"}},
     [](TfIOPreviews* f) {
       PreviewsChoose(f, "ComboBox15", "GrayScale");
       f->Edit15->SetText("500");
     },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.SamplesPerPixel, 1);
       EXPECT_EQ(p.J2000_ColorSpace, 0);
       EXPECT_DOUBLE_EQ(p.J2000_Rate, 0.5);
       EXPECT_EQ(p.FileType, ioJ2K);
     }},
    {"JpegSimplifiedNotANumber", ppJPEG, true, [](TIOParamsVals& p) { p.JPEG_Quality = 70; },
     {{"Edit16", "70"}},
     [](TfIOPreviews* f) { f->Edit16->SetText("abc"); },
     [](const TIOParamsVals& p) {
       EXPECT_EQ(p.JPEG_Quality, 50);
       EXPECT_EQ(p.FileType, ioJPEG);
     }},
};

INSTANTIATE_TEST_SUITE_P(Previews, PreviewsPages, ::testing::ValuesIn(kPreviewsPageCases),
                         [](const ::testing::TestParamInfo<PreviewsPageCase>& I) { return I.param.Name; });

TEST_F(PreviewsFixture, CurrentFileTypePageAndNoPage) {
  // The page set "page of the current FileType" with an icon: nothing to show, no window.
  IO->Params->FileType = ioICO;
  EXPECT_FALSE(IO->DoPreviews(ppAUTO));
  EXPECT_EQ(Dialog, nullptr);
  IO->Params->FileType = ioPNG;
  std::string active;
  std::vector<std::string> shown;
  Run(ppAUTO, [&](TfIOPreviews* f) {
    active = f->PageControl1->ActivePage()->Name();
    for (int i = 0; i < f->PageControl1->PageCount(); ++i)
      if (f->PageControl1->Pages(i)->TabVisible()) shown.push_back(f->PageControl1->Pages(i)->Name());
    f->Button2->Click();
  });
  EXPECT_EQ(active, "TabSheetPNG1");
  EXPECT_EQ(shown, std::vector<std::string>{"TabSheetPNG1"});
}

TEST_F(PreviewsFixture, TiffListWithoutLzwCompressor) {
  const auto saved = IETiffLzwCompressHook;
  IETiffLzwCompressHook = nullptr;
  IO->Params->TIFF_Compression = 5;
  int count = 0;
  std::string shown;
  Run(ppTIFF, [&](TfIOPreviews* f) {
    count = f->ComboBox2->Items()->Count();
    shown = f->ComboBox2->Text();
    f->Button2->Click();
  });
  IETiffLzwCompressHook = saved;
  EXPECT_EQ(count, 8);
  EXPECT_EQ(shown, "PACKBITS");
}

TEST_F(PreviewsFixture, MissingCodecLeavesParametersEditable) {
  const auto saved = IECodecs.JpegWriteImage;
  IECodecs.JpegWriteImage = nullptr;
  std::string caption;
  const bool ok = Run(ppJPEG, [&](TfIOPreviews* f) {
    caption = f->Caption();
    f->Edit22->SetText("20");
    f->Button3->Click();
    f->Button1->Click();
  });
  IECodecs.JpegWriteImage = saved;
  EXPECT_EQ(caption, "Result can not be shown but parameters may be entered");
  EXPECT_TRUE(ok);
  EXPECT_EQ(IO->Params->JPEG_Quality, 20);
}

TEST_F(PreviewsFixture, OutOfRangeNumbersAreClampedWithAMessage) {
  struct RangeCase {
    const char* Edit;
    TIEDialogPages Pages;
    const char* Typed;
    const char* Shown;
    const char* Message;
  };
  const RangeCase cases[] = {
      {"Edit22", ppJPEG, "150", "100", "The value must be between 0 and 100."},
      {"Edit22", ppJPEG, "-3", "0", "The value must be between 0 and 100."},
      {"Edit15", ppJ2000, "4000", "1000", "The value must be between 0 and 1000."},
      {"Edit9", ppGIF, "5000", "1000", "The value must be between 0 and 1000."},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(std::string(c.Edit) + " " + c.Typed);
    PreviewsMessageBoxes boxes(&Dialog);
    std::string shown;
    Run(c.Pages, [&](TfIOPreviews* f) {
      dynamic_cast<TEdit*>(f->FindComponent(c.Edit))->SetText(c.Typed);
      shown = Text(f, c.Edit);
      f->Button1->Click();
    });
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{c.Message});
  }
  EXPECT_EQ(IO->Params->JPEG_Quality, 0);
  EXPECT_DOUBLE_EQ(IO->Params->J2000_Rate, 1.0);
  EXPECT_EQ(IO->Params->GIF_ImageIndex, 1000);
}

TEST_F(PreviewsFixture, OnDoPreviewsReplacesTheDialog) {
  int calls = 0;
  IO->OnDoPreviews = [&](TObject*, bool& Handled) {
    ++calls;
    Handled = true;
  };
  EXPECT_TRUE(IO->DoPreviews(ppJPEG));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Dialog, nullptr);
}

TEST_F(PreviewsFixture, GoldenJpegPage) {
  IO->Params->FileType = ioJPEG;
  HBITMAP shot = nullptr;
  Run(ppJPEG, [&](TfIOPreviews* f) {
    f->Repaint();
    Application()->ProcessMessages();
    shot = RenderWindowToBitmap(f->Handle());
    f->Button2->Click();
  });
  ASSERT_TRUE(shot);
  const std::string golden = PreviewsSourceDir() + "/tests/imaging/previews/golden/previews_jpeg.png";
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 60);
  DeleteObject(want);
  DeleteObject(shot);
}

}  // namespace

namespace {

// The dialog detaches its source view from the IO's image when it closes and again when it goes:
// a view already on a bitmap of its own keeps that bitmap (it used to make, and lose, a new one).
TEST_F(PreviewsFixture, ViewDetachTwiceKeepsItsOwnBitmap) {
  TForm form(nullptr);
  auto* view = new TImageryView(&form);
  view->SetParent(&form);
  TIEBitmap outside;
  PreviewsMakePhoto(outside, 8, 8);
  view->SetExternalBitmap(&outside);
  EXPECT_EQ(view->GetIEBitmap(), &outside);
  view->SetExternalBitmap(nullptr);
  TIEBitmap* own = view->GetIEBitmap();
  ASSERT_NE(own, &outside);
  view->SetExternalBitmap(nullptr);
  EXPECT_EQ(view->GetIEBitmap(), own);
}

}  // namespace

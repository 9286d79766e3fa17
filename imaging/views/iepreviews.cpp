// The "Parameters preview" window: its controls, the working copy of the save parameters, the
// preview through the codecs, and the writing back on OK and Apply.
#include "imaging/views/iepreviews.h"

#include <algorithm>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iesmall.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/imageryproc.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/iewords.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TfIOPreviews, TForm)

namespace {

const char kPreviewsNoResult[] = "Result can not be shown but parameters may be entered";

template <class T>
T* PvPlace(TComponent* Owner, TWinControl* Parent, const char* Name, int L, int T0, int W, int H) {
  auto* c = new T(Owner);
  c->SetName(Name);
  c->SetParent(Parent);
  c->SetBounds(L, T0, W, H);
  return c;
}

TLabel* PvLabel(TComponent* Owner, TWinControl* Parent, const char* Name, const char* Caption, int L, int T0,
                int W = 100) {
  // Fixed bounds instead of sizing to the text: measuring goes through a screen DC each time the
  // caption or font changes, and this window has some eighty labels.
  auto* l = new TLabel(Owner);
  l->SetAutoSize(false);
  l->SetName(Name);
  l->SetBounds(L, T0, W, 14);
  l->SetParent(Parent);
  l->SetCaption(Caption);
  return l;
}

TComboBox* PvCombo(TComponent* Owner, TWinControl* Parent, const char* Name, int L, int T0, int W,
                   std::initializer_list<const char*> Items) {
  auto* c = PvPlace<TComboBox>(Owner, Parent, Name, L, T0, W, 21);
  c->SetStyle(csDropDownList);
  for (const char* i : Items) c->Items()->Add(i);
  return c;
}

TTabSheet* PvPage(TComponent* Owner, TPageControl* Pages, const char* Name, const char* Caption) {
  auto* t = new TTabSheet(Owner);
  t->SetName(Name);
  t->SetPageControl(Pages);
  t->SetCaption(Caption);
  return t;
}

TColor PvColorOf(TIERGBPixel P) { return TColor(P.r | (P.g << 8) | (P.b << 16)); }
TIERGBPixel PvPixelOf(TColor C) {
  return TIERGBPixel{static_cast<uint8_t>((C >> 16) & 0xFF), static_cast<uint8_t>((C >> 8) & 0xFF),
                     static_cast<uint8_t>(C & 0xFF)};
}

std::string PvBytes(int64_t N) { return std::to_string(N) + " bytes"; }

// TIFF compression value <-> position in the compression list, which has "LZW" only while an LZW
// compressor is installed.
int PvTiffCompressionPos(int Value, bool Lzw) {
  switch (Value) {
    case 1: case 2: case 3: case 4: return Value;
    case 5: return Lzw ? 5 : 6;
    case 7: return Lzw ? 6 : 5;
    case 8: return Lzw ? 7 : 6;
    case 9: return Lzw ? 8 : 7;
    default: return 0;
  }
}
uint8_t PvTiffCompressionValue(int Pos, bool Lzw) {
  static const uint8_t withLzw[] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
  static const uint8_t withoutLzw[] = {0, 1, 2, 3, 4, 7, 8, 9, 0};
  if (Pos < 0 || Pos > 8) return 0;
  return Lzw ? withLzw[Pos] : withoutLzw[Pos];
}

bool PvGreyPhotometric(int P) { return P == 0 || P == 1; }  // WHITEISZERO, BLACKISZERO
constexpr int kPvCMYK = 5, kPvRGBPalette = 3, kPvRGB = 2;

// The photometric list positions are the TIFF photometric values 0..5 and the two that follow
// (YCBCR 6, CIELAB 8).
int PvPhotometricPos(int Value) { return Value == 8 ? 7 : (Value >= 0 && Value <= 6 ? Value : 2); }
uint8_t PvPhotometricValue(int Pos) { return Pos == 7 ? 8 : static_cast<uint8_t>(std::clamp(Pos, 0, 6)); }

// (bits, samples) of the BMP and PCX colour positions: B/W, 16, 256, 16M, 16M (32bit).
void PvBmpColors(int Pos, int32_t& Bits, int32_t& Samples) {
  static const int bits[] = {1, 4, 8, 8, 8};
  Pos = std::clamp(Pos, 0, 4);
  Bits = bits[Pos];
  Samples = Pos >= 3 ? 3 : 1;
}
// (bits, samples) of the PNG and TGA colour positions: B/W, 256, 16M.
void PvPngColors(int Pos, int32_t& Bits, int32_t& Samples) {
  Pos = std::clamp(Pos, 0, 2);
  Bits = Pos == 0 ? 1 : 8;
  Samples = Pos == 2 ? 3 : 1;
}

int PvIntOr(const std::string& Text, int Default) {
  int v = 0;
  return TryStrToInt(Text, v) ? v : Default;
}

}  // namespace

TfIOPreviews::TfIOPreviews(TComponent* AOwner) : TForm(AOwner) {
  SetName("fIOPreviews");
  SetCaption("Parameters preview");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(600);
  SetClientHeight(448);

  Label1 = PvLabel(this, this, "Label1", "Source:", 8, 4);
  Label2 = PvLabel(this, this, "Label2", "Result:", 252, 4);
  Image1 = PvPlace<TImage>(this, this, "Image1", 0, 0, 600, 448);
  Image1->SetVisible(false);
  Imagery1 = PvPlace<TImageryView>(this, this, "Imagery1", 8, 20, 236, 180);
  Imagery2 = PvPlace<TImageryView>(this, this, "Imagery2", 252, 20, 236, 180);
  Button1 = PvPlace<TButton>(this, this, "Button1", 500, 20, 92, 25);
  Button1->SetCaption("OK");
  Button1->SetDefault(true);
  Button2 = PvPlace<TButton>(this, this, "Button2", 500, 52, 92, 25);
  Button2->SetCaption("Cancel");
  Button2->SetCancel(true);
  Button2->SetModalResult(mrCancel);
  Button3 = PvPlace<TButton>(this, this, "Button3", 500, 84, 92, 25);
  Button3->SetCaption("&Preview");
  Button4 = PvPlace<TButton>(this, this, "Button4", 500, 116, 92, 25);
  Button4->SetCaption("&Apply");
  chkLockPreview = PvPlace<TCheckBox>(this, this, "chkLockPreview", 500, 152, 96, 17);
  chkLockPreview->SetCaption("Lock Preview");
  ProgressBar1 = PvPlace<TProgressBar>(this, this, "ProgressBar1", 8, 206, 480, 12);
  ColorDialog1 = new TColorDialog(this);
  ColorDialog1->SetName("ColorDialog1");
  PageControl1 = PvPlace<TPageControl>(this, this, "PageControl1", 8, 224, 584, 216);

  // ---- JPEG, full and simplified ----
  TabSheetJPEG1 = PvPage(this, PageControl1, "TabSheetJPEG1", "JPEG");
  PvLabel(this, TabSheetJPEG1, "LabelJpegQuality", "Quality:", 8, 12);
  Edit22 = PvPlace<TEdit>(this, TabSheetJPEG1, "Edit22", 110, 8, 40, 21);
  TrackBar13 = PvPlace<TTrackBar>(this, TabSheetJPEG1, "TrackBar13", 156, 6, 150, 26);
  TrackBar13->SetMax(100);
  GroupBoxJpegAdvanced = PvPlace<TGroupBox>(this, TabSheetJPEG1, "GroupBoxJpegAdvanced", 316, 2, 256, 150);
  GroupBoxJpegAdvanced->SetCaption(" Advanced ");
  PvLabel(this, GroupBoxJpegAdvanced, "LabelJpegDCT", "DCT method:", 8, 22, 110);
  ComboBox1 = PvCombo(this, GroupBoxJpegAdvanced, "ComboBox1", 120, 18, 126, {"ISLOW", "IFAST", "FLOAT"});
  PvLabel(this, GroupBoxJpegAdvanced, "LabelJpegSmooth", "Smoothing factor:", 8, 48, 110);
  Edit23 = PvPlace<TEdit>(this, GroupBoxJpegAdvanced, "Edit23", 120, 44, 40, 21);
  UpDown11 = PvPlace<TUpDown>(this, GroupBoxJpegAdvanced, "UpDown11", 160, 44, 15, 21);
  UpDown11->SetMax(100);
  UpDown11->SetAssociate(Edit23);
  PvLabel(this, GroupBoxJpegAdvanced, "LabelJpegPhotometric", "Photometric:", 8, 74, 110);
  ComboBox13 = PvCombo(this, GroupBoxJpegAdvanced, "ComboBox13", 120, 70, 126,
                       {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"});
  CheckBox2 = PvPlace<TCheckBox>(this, GroupBoxJpegAdvanced, "CheckBox2", 8, 98, 200, 17);
  CheckBox2->SetCaption("&Optimal Huffman");
  CheckBox3 = PvPlace<TCheckBox>(this, GroupBoxJpegAdvanced, "CheckBox3", 8, 120, 200, 17);
  CheckBox3->SetCaption("P&rogressive");
  PvLabel(this, TabSheetJPEG1, "LabelJpegOriginal", "Original size:", 8, 110);
  Label4 = PvLabel(this, TabSheetJPEG1, "Label4", "", 110, 110, 180);
  PvLabel(this, TabSheetJPEG1, "LabelJpegCompressed", "Compressed size:", 8, 130);
  Label25 = PvLabel(this, TabSheetJPEG1, "Label25", "", 110, 130, 180);

  TabSheetJPEG2 = PvPage(this, PageControl1, "TabSheetJPEG2", "JPEG");
  PvLabel(this, TabSheetJPEG2, "LabelJpeg2Quality", "Quality:", 8, 12);
  Edit16 = PvPlace<TEdit>(this, TabSheetJPEG2, "Edit16", 110, 8, 40, 21);
  TrackBar2 = PvPlace<TTrackBar>(this, TabSheetJPEG2, "TrackBar2", 156, 6, 200, 26);
  TrackBar2->SetMax(100);
  PvLabel(this, TabSheetJPEG2, "LabelJpeg2Original", "Original size:", 8, 61);
  Label74 = PvLabel(this, TabSheetJPEG2, "Label74", "", 110, 61, 180);
  PvLabel(this, TabSheetJPEG2, "LabelJpeg2Compressed", "Compressed size:", 8, 77);
  Label76 = PvLabel(this, TabSheetJPEG2, "Label76", "", 110, 77, 180);

  // ---- TIFF ----
  TabSheetTIFF1 = PvPage(this, PageControl1, "TabSheetTIFF1", "TIFF");
  PvLabel(this, TabSheetTIFF1, "LabelTiffCompression", "Compression:", 8, 12);
  ComboBox2 = PvCombo(this, TabSheetTIFF1, "ComboBox2", 96, 8, 130, {});
  PvLabel(this, TabSheetTIFF1, "LabelTiffIndex", "Image index:", 8, 38);
  Edit1 = PvPlace<TEdit>(this, TabSheetTIFF1, "Edit1", 96, 34, 50, 21);
  UpDown1 = PvPlace<TUpDown>(this, TabSheetTIFF1, "UpDown1", 146, 34, 15, 21);
  UpDown1->SetMax(1000);
  UpDown1->SetAssociate(Edit1);
  PvLabel(this, TabSheetTIFF1, "LabelTiffPhotometric", "Photometric:", 8, 64);
  ComboBox3 = PvCombo(this, TabSheetTIFF1, "ComboBox3", 96, 60, 130,
                      {"WHITEISZERO/Gray", "BLACKISZERO/Gray", "RGB", "RGBPALETTE", "TRANSPMASK", "CMYK", "YCBCR",
                       "CIELAB"});
  PvLabel(this, TabSheetTIFF1, "LabelTiffColors", "Colors:", 8, 90);
  ComboBox4 = PvCombo(this, TabSheetTIFF1, "ComboBox4", 96, 86, 130, {"B/W", "16", "256", "65536", "16M"});
  GroupBoxTiffInfo = PvPlace<TGroupBox>(this, TabSheetTIFF1, "GroupBoxTiffInfo", 236, 2, 336, 120);
  GroupBoxTiffInfo->SetCaption(" Scanned document info ");
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffXPos", "Horizontal position (inch):", 8, 20, 140);
  Edit2 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit2", 150, 16, 40, 21);
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffYPos", "Vertical position (inch):", 8, 44, 140);
  Edit3 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit3", 150, 40, 40, 21);
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffName", "Name:", 200, 20, 48);
  Edit4 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit4", 250, 16, 80, 21);
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffDescription", "Description:", 8, 68, 90);
  Edit5 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit5", 100, 64, 230, 21);
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffPageName", "Page name:", 8, 92, 70);
  Edit6 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit6", 80, 88, 90, 21);
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffPageNumber", "Page number:", 176, 92, 72);
  Edit7 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit7", 250, 88, 30, 21);
  PvLabel(this, GroupBoxTiffInfo, "LabelTiffOf", "of", 284, 92, 14);
  Edit8 = PvPlace<TEdit>(this, GroupBoxTiffInfo, "Edit8", 300, 88, 30, 21);
  PvLabel(this, TabSheetTIFF1, "LabelTiffOriginal", "Original size:", 8, 140);
  Label11 = PvLabel(this, TabSheetTIFF1, "Label11", "", 110, 140, 180);
  PvLabel(this, TabSheetTIFF1, "LabelTiffCompressed", "Compressed size:", 8, 160);
  Label18 = PvLabel(this, TabSheetTIFF1, "Label18", "", 110, 160, 180);

  TabSheetTIFF2 = PvPage(this, PageControl1, "TabSheetTIFF2", "TIFF");
  PvLabel(this, TabSheetTIFF2, "LabelTiff2Compression", "Compression:", 8, 12);
  ComboBox16 = PvCombo(this, TabSheetTIFF2, "ComboBox16", 96, 8, 130, {});
  PvLabel(this, TabSheetTIFF2, "LabelTiff2Colors", "Colors:", 240, 12, 58);
  ComboBox17 = PvCombo(this, TabSheetTIFF2, "ComboBox17", 300, 8, 100, {"2", "16", "256", "16777216"});
  PvLabel(this, TabSheetTIFF2, "LabelTiff2Original", "Original size:", 8, 61);
  Label78 = PvLabel(this, TabSheetTIFF2, "Label78", "", 110, 61, 180);
  PvLabel(this, TabSheetTIFF2, "LabelTiff2Compressed", "Compressed size:", 8, 77);
  Label80 = PvLabel(this, TabSheetTIFF2, "Label80", "", 110, 77, 180);

  // ---- GIF ----
  TabSheetGIF1 = PvPage(this, PageControl1, "TabSheetGIF1", "GIF");
  PvLabel(this, TabSheetGIF1, "LabelGifIndex", "Image index:", 8, 12);
  Edit9 = PvPlace<TEdit>(this, TabSheetGIF1, "Edit9", 96, 8, 50, 21);
  UpDown2 = PvPlace<TUpDown>(this, TabSheetGIF1, "UpDown2", 146, 8, 15, 21);
  UpDown2->SetMax(1000);
  UpDown2->SetAssociate(Edit9);
  PvLabel(this, TabSheetGIF1, "LabelGifColors", "Colors:", 8, 38);
  ComboBox5 = PvCombo(this, TabSheetGIF1, "ComboBox5", 96, 34, 90, {"B/W", "4", "8", "16", "32", "64", "128", "256"});
  CheckBox4 = PvPlace<TCheckBox>(this, TabSheetGIF1, "CheckBox4", 8, 64, 100, 17);
  CheckBox4->SetCaption("&Transparent:");
  LabelGifTranspColor = PvLabel(this, TabSheetGIF1, "LabelGifTranspColor", "Transparent color:", 110, 66, 98);
  Panel3 = PvPlace<TPanel>(this, TabSheetGIF1, "Panel3", 210, 62, 24, 21);
  PvLabel(this, TabSheetGIF1, "LabelGifBackground", "Background:", 8, 90);
  Panel4 = PvPlace<TPanel>(this, TabSheetGIF1, "Panel4", 96, 86, 24, 21);
  CheckBox5 = PvPlace<TCheckBox>(this, TabSheetGIF1, "CheckBox5", 8, 114, 100, 17);
  CheckBox5->SetCaption("I&nterlaced:");
  GroupBoxGifAdvanced = PvPlace<TGroupBox>(this, TabSheetGIF1, "GroupBoxGifAdvanced", 316, 2, 256, 100);
  GroupBoxGifAdvanced->SetCaption(" Advanced ");
  PvLabel(this, GroupBoxGifAdvanced, "LabelGifDelay", "Delay time:", 8, 22, 120);
  Edit12 = PvPlace<TEdit>(this, GroupBoxGifAdvanced, "Edit12", 130, 18, 50, 21);
  PvLabel(this, GroupBoxGifAdvanced, "LabelGifXPos", "Horizontal position:", 8, 46, 120);
  Edit10 = PvPlace<TEdit>(this, GroupBoxGifAdvanced, "Edit10", 130, 42, 50, 21);
  PvLabel(this, GroupBoxGifAdvanced, "LabelGifYPos", "Vertical position:", 8, 70, 120);
  Edit11 = PvPlace<TEdit>(this, GroupBoxGifAdvanced, "Edit11", 130, 66, 50, 21);
  PvLabel(this, TabSheetGIF1, "LabelGifOriginal", "Original size:", 8, 140);
  Label28 = PvLabel(this, TabSheetGIF1, "Label28", "", 110, 140, 180);
  PvLabel(this, TabSheetGIF1, "LabelGifCompressed", "Compressed size:", 8, 160);
  Label30 = PvLabel(this, TabSheetGIF1, "Label30", "", 110, 160, 180);

  TabSheetGIF2 = PvPage(this, PageControl1, "TabSheetGIF2", "GIF");
  PvLabel(this, TabSheetGIF2, "LabelGif2Colors", "Colors:", 8, 12);
  ComboBox18 = PvCombo(this, TabSheetGIF2, "ComboBox18", 96, 8, 90, {"B/W", "4", "8", "16", "32", "64", "128", "256"});
  PvLabel(this, TabSheetGIF2, "LabelGif2Original", "Original size:", 8, 61);
  Label84 = PvLabel(this, TabSheetGIF2, "Label84", "", 110, 61, 180);
  PvLabel(this, TabSheetGIF2, "LabelGif2Compressed", "Compressed size:", 8, 77);
  Label86 = PvLabel(this, TabSheetGIF2, "Label86", "", 110, 77, 180);

  // ---- BMP, PCX ----
  TabSheetBMP1 = PvPage(this, PageControl1, "TabSheetBMP1", "BMP");
  PvLabel(this, TabSheetBMP1, "LabelBmpCompression", "Compression:", 8, 12);
  ComboBox6 = PvCombo(this, TabSheetBMP1, "ComboBox6", 96, 8, 130, {"UNCOMPRESSED", "RLE"});
  PvLabel(this, TabSheetBMP1, "LabelBmpColors", "Colors:", 240, 12, 58);
  ComboBox7 = PvCombo(this, TabSheetBMP1, "ComboBox7", 300, 8, 110, {"B/W", "16", "256", "16M", "16M (32bit)"});
  PvLabel(this, TabSheetBMP1, "LabelBmpOriginal", "Original size:", 8, 61);
  Label40 = PvLabel(this, TabSheetBMP1, "Label40", "", 110, 61, 180);
  PvLabel(this, TabSheetBMP1, "LabelBmpCompressed", "Compressed size:", 8, 77);
  Label42 = PvLabel(this, TabSheetBMP1, "Label42", "", 110, 77, 180);

  TabSheetPCX1 = PvPage(this, PageControl1, "TabSheetPCX1", "PCX");
  PvLabel(this, TabSheetPCX1, "LabelPcxCompression", "Compression:", 8, 12);
  ComboBox8 = PvCombo(this, TabSheetPCX1, "ComboBox8", 96, 8, 130, {"UNCOMPRESSED", "RLE"});
  PvLabel(this, TabSheetPCX1, "LabelPcxColors", "Colors:", 240, 12, 58);
  ComboBox9 = PvCombo(this, TabSheetPCX1, "ComboBox9", 300, 8, 110, {"B/W", "16", "256", "16M"});
  PvLabel(this, TabSheetPCX1, "LabelPcxOriginal", "Original size:", 8, 61);
  Label46 = PvLabel(this, TabSheetPCX1, "Label46", "", 110, 61, 180);
  PvLabel(this, TabSheetPCX1, "LabelPcxCompressed", "Compressed size:", 8, 77);
  Label48 = PvLabel(this, TabSheetPCX1, "Label48", "", 110, 77, 180);

  // ---- PNG ----
  TabSheetPNG1 = PvPage(this, PageControl1, "TabSheetPNG1", "PNG");
  PvLabel(this, TabSheetPNG1, "LabelPngColors", "Colors:", 8, 12);
  ComboBox10 = PvCombo(this, TabSheetPNG1, "ComboBox10", 96, 8, 90, {"B/W", "256", "16M"});
  LabelPngBackground = PvLabel(this, TabSheetPNG1, "LabelPngBackground", "Background:", 8, 38);
  Panel1 = PvPlace<TPanel>(this, TabSheetPNG1, "Panel1", 96, 34, 24, 21);
  GroupBoxPngAdvanced = PvPlace<TGroupBox>(this, TabSheetPNG1, "GroupBoxPngAdvanced", 316, 2, 256, 100);
  GroupBoxPngAdvanced->SetCaption(" Advanced ");
  PvLabel(this, GroupBoxPngAdvanced, "LabelPngFilter", "Filter:", 8, 22, 100);
  ComboBox11 = PvCombo(this, GroupBoxPngAdvanced, "ComboBox11", 110, 18, 100, {"None", "Sub", "Paeth"});
  PvLabel(this, GroupBoxPngAdvanced, "LabelPngCompression", "Compression:", 8, 48, 100);
  ComboBox12 = PvCombo(this, GroupBoxPngAdvanced, "ComboBox12", 110, 44, 100,
                       {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Max"});
  CheckBox6 = PvPlace<TCheckBox>(this, GroupBoxPngAdvanced, "CheckBox6", 8, 72, 120, 17);
  CheckBox6->SetCaption("I&nterlaced:");
  PvLabel(this, TabSheetPNG1, "LabelPngOriginal", "Original size:", 8, 61);
  Label51 = PvLabel(this, TabSheetPNG1, "Label51", "", 110, 61, 180);
  PvLabel(this, TabSheetPNG1, "LabelPngCompressed", "Compressed size:", 8, 77);
  Label53 = PvLabel(this, TabSheetPNG1, "Label53", "", 110, 77, 180);

  // ---- TGA ----
  TabSheetTGA1 = PvPage(this, PageControl1, "TabSheetTGA1", "TGA");
  PvLabel(this, TabSheetTGA1, "LabelTgaColors", "Colors:", 8, 12);
  ComboBox14 = PvCombo(this, TabSheetTGA1, "ComboBox14", 96, 8, 90, {"B/W", "256", "16M"});
  LabelTgaBackground = PvLabel(this, TabSheetTGA1, "LabelTgaBackground", "Background:", 8, 38);
  Panel5 = PvPlace<TPanel>(this, TabSheetTGA1, "Panel5", 96, 34, 24, 21);
  CheckBox1 = PvPlace<TCheckBox>(this, TabSheetTGA1, "CheckBox1", 240, 10, 120, 17);
  CheckBox1->SetCaption("Compression:");
  LabelTgaName = PvLabel(this, TabSheetTGA1, "LabelTgaName", "Name:", 240, 38, 78);
  Edit13 = PvPlace<TEdit>(this, TabSheetTGA1, "Edit13", 320, 34, 160, 21);
  LabelTgaDescription = PvLabel(this, TabSheetTGA1, "LabelTgaDescription", "Description:", 240, 64, 78);
  Edit14 = PvPlace<TEdit>(this, TabSheetTGA1, "Edit14", 320, 60, 250, 21);
  PvLabel(this, TabSheetTGA1, "LabelTgaOriginal", "Original size:", 8, 110);
  Label59 = PvLabel(this, TabSheetTGA1, "Label59", "", 110, 110, 180);
  PvLabel(this, TabSheetTGA1, "LabelTgaCompressed", "Compressed size:", 8, 130);
  Label61 = PvLabel(this, TabSheetTGA1, "Label61", "", 110, 130, 180);

  // ---- JPEG 2000 ----
  TabSheetJ20001 = PvPage(this, PageControl1, "TabSheetJ20001", "JPEG2000");
  PvLabel(this, TabSheetJ20001, "LabelJ2000Rate", "Rate:", 8, 12);
  Edit15 = PvPlace<TEdit>(this, TabSheetJ20001, "Edit15", 96, 8, 50, 21);
  TrackBar1 = PvPlace<TTrackBar>(this, TabSheetJ20001, "TrackBar1", 150, 6, 200, 26);
  TrackBar1->SetMax(1000);
  LabelJ2000Photometric = PvLabel(this, TabSheetJ20001, "LabelJ2000Photometric", "Photometric:", 360, 12, 78);
  ComboBox15 = PvCombo(this, TabSheetJ20001, "ComboBox15", 440, 8, 120, {"GrayScale", "RGB", "YCbCr"});
  PvLabel(this, TabSheetJ20001, "LabelJ2000Original", "Original size:", 8, 61);
  Label68 = PvLabel(this, TabSheetJ20001, "Label68", "", 110, 61, 180);
  PvLabel(this, TabSheetJ20001, "LabelJ2000Compressed", "Compressed size:", 8, 77);
  Label70 = PvLabel(this, TabSheetJ20001, "Label70", "", 110, 77, 180);

  for (TPanel* p : {Panel1, Panel3, Panel4, Panel5}) {
    p->SetBevelOuter(bvLowered);
    p->SetCaption("");
  }

  // ---- handlers ----
  OnActivate = [this](TObject* S) { FormActivate(S); };
  OnResize = [this](TObject* S) { FormResize(S); };
  PageControl1->OnChanging = [this](TObject* S, bool& A) { PageControl1Changing(S, A); };
  PageControl1->OnChange = [this](TObject* S) { PageControl1Change(S); };
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  Button4->OnClick = [this](TObject* S) { Button4Click(S); };
  chkLockPreview->OnClick = [this](TObject* S) { SpeedButton1Click(S); };
  Imagery1->OnViewChange = [this](TObject* S, int C) { Imagery1ViewChange(S, C); };
  Imagery1->SetOnProgress([this](TObject* S, int P) { Imagery1Progress(S, P); });
  Imagery2->SetOnProgress([this](TObject* S, int P) { Imagery1Progress(S, P); });
  ComboBox2->OnSelect = ComboBox3->OnSelect = ComboBox4->OnSelect = [this](TObject* S) { ComboBox2Click(S); };
  for (TEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8})
    e->OnChange = [this](TObject* S) { ComboBox2Click(S); };
  ComboBox5->OnSelect = [this](TObject* S) { ComboBox5Click(S); };
  for (TEdit* e : {Edit9, Edit10, Edit11, Edit12}) e->OnChange = [this](TObject* S) { ComboBox5Click(S); };
  CheckBox4->OnClick = CheckBox5->OnClick = [this](TObject* S) { ComboBox5Click(S); };
  ComboBox6->OnSelect = ComboBox7->OnSelect = [this](TObject* S) { ComboBox6Change(S); };
  ComboBox8->OnSelect = ComboBox9->OnSelect = [this](TObject* S) { ComboBox8Change(S); };
  ComboBox10->OnSelect = ComboBox11->OnSelect = ComboBox12->OnSelect = [this](TObject* S) { ComboBox10Change(S); };
  CheckBox6->OnClick = [this](TObject* S) { ComboBox10Change(S); };
  ComboBox14->OnSelect = [this](TObject* S) { ComboBox14Click(S); };
  CheckBox1->OnClick = [this](TObject* S) { ComboBox14Click(S); };
  Edit13->OnChange = Edit14->OnChange = [this](TObject* S) { ComboBox14Click(S); };
  ComboBox16->OnSelect = ComboBox17->OnSelect = [this](TObject* S) { ComboBox16Change(S); };
  ComboBox18->OnSelect = [this](TObject* S) { ComboBox18Change(S); };
  Edit15->OnChange = [this](TObject* S) { Edit15Change(S); };
  ComboBox15->OnSelect = [this](TObject* S) { TrackBar1Change(S); };
  Edit16->OnChange = [this](TObject* S) { Edit16Change(S); };
  Edit22->OnChange = [this](TObject* S) { Edit22Change(S); };
  TrackBar1->OnChange = [this](TObject* S) { TrackBar1Change(S); };
  TrackBar2->OnChange = [this](TObject* S) { TrackBar2Change(S); };
  TrackBar13->OnChange = [this](TObject* S) { TrackBar13Change(S); };
  ComboBox1->OnSelect = ComboBox13->OnSelect = [this](TObject* S) { TrackBar13Change(S); };
  CheckBox2->OnClick = CheckBox3->OnClick = [this](TObject* S) { TrackBar13Change(S); };
  Edit23->OnChange = [this](TObject* S) { TrackBar13Change(S); };
  Panel1->OnClick = [this](TObject* S) { Panel1Click(S); };
  Panel3->OnClick = [this](TObject* S) { Panel3Click(S); };
  Panel4->OnClick = [this](TObject* S) { Panel4Click(S); };
  Panel5->OnClick = [this](TObject* S) { Panel5Click(S); };

  // FormCreate: the views' IO companions get the dialog font; Apply starts disabled.
  for (TImageryView* v : {Imagery1, Imagery2}) {
    TFont* f = v->GetIO()->PreviewFont();
    f->SetCharset(1);
    f->SetColor(clWindowText);
    f->SetHeight(-11);
    f->SetName("MS Sans Serif");
    f->SetStyle(TFontStyles{});
  }
  Button4->SetEnabled(false);
  FBuilt = true;
  FinishCreate();
}

TfIOPreviews::~TfIOPreviews() {
  // Controls going away run no handler of this window.
  FFilling = true;
  FWindowActive = false;
  PageControl1->OnChanging = nullptr;
  PageControl1->OnChange = nullptr;
  Imagery1->OnViewChange = nullptr;
  Imagery1->SetExternalBitmap(nullptr);
  DestroyComponents();
}

// ---------------------------------------------------------------- captions and pages

void TfIOPreviews::Localize(uint8_t Language) {
  const auto lang = static_cast<TMsgLanguage>(Language);
  auto cap = [lang](int n) { return IEGetCaption(static_cast<uint8_t>(n), lang); };
  auto label = [&](const char* Name, int n) {
    if (auto* c = dynamic_cast<TControl*>(FindComponent(Name))) c->SetCaption(cap(n) + ":");
  };
  SetCaption(cap(37));
  Label1->SetCaption(cap(1) + ":");
  Label2->SetCaption(cap(2) + ":");
  Button1->SetCaption(cap(3));
  Button2->SetCaption(cap(4));
  Button3->SetCaption(cap(0));
  chkLockPreview->SetCaption(cap(5));
  Button4->SetCaption(cap(120));
  for (const char* n : {"LabelJpegQuality", "LabelJpeg2Quality"}) label(n, 38);
  label("LabelJpegDCT", 39);
  label("LabelJpegSmooth", 40);
  CheckBox2->SetCaption(cap(42));
  CheckBox3->SetCaption(cap(46));
  for (const char* n : {"LabelJpegOriginal", "LabelJpeg2Original", "LabelTiffOriginal", "LabelTiff2Original",
                        "LabelGifOriginal", "LabelGif2Original", "LabelBmpOriginal", "LabelPcxOriginal",
                        "LabelPngOriginal", "LabelTgaOriginal", "LabelJ2000Original"})
    label(n, 43);
  for (const char* n : {"LabelJpegCompressed", "LabelJpeg2Compressed", "LabelTiffCompressed", "LabelTiff2Compressed",
                        "LabelGifCompressed", "LabelGif2Compressed", "LabelBmpCompressed", "LabelPcxCompressed",
                        "LabelPngCompressed", "LabelTgaCompressed", "LabelJ2000Compressed"})
    label(n, 44);
  for (TGroupBox* g : {GroupBoxJpegAdvanced, GroupBoxGifAdvanced, GroupBoxPngAdvanced}) g->SetCaption(" " + cap(45) + " ");
  GroupBoxTiffInfo->SetCaption(" " + cap(50) + " ");
  for (const char* n : {"LabelTiffCompression", "LabelTiff2Compression", "LabelBmpCompression", "LabelPcxCompression",
                        "LabelPngCompression"})
    label(n, 47);
  CheckBox1->SetCaption(cap(47) + ":");
  for (const char* n : {"LabelTiffIndex", "LabelGifIndex"}) label(n, 48);
  for (const char* n : {"LabelTiffPhotometric", "LabelJpegPhotometric", "LabelJ2000Photometric"}) label(n, 49);
  for (const char* n : {"LabelTiffName", "LabelTgaName"}) label(n, 51);
  for (const char* n : {"LabelTiffDescription", "LabelTgaDescription"}) label(n, 52);
  label("LabelTiffPageName", 53);
  label("LabelTiffPageNumber", 54);
  if (auto* c = dynamic_cast<TControl*>(FindComponent("LabelTiffOf"))) c->SetCaption(cap(55));
  label("LabelTiffXPos", 56);
  label("LabelTiffYPos", 57);
  for (const char* n : {"LabelTiffColors", "LabelTiff2Colors", "LabelGifColors", "LabelGif2Colors", "LabelBmpColors",
                        "LabelPcxColors", "LabelPngColors", "LabelTgaColors"})
    label(n, 58);
  CheckBox4->SetCaption(cap(59) + ":");
  label("LabelGifTranspColor", 60);
  CheckBox5->SetCaption(cap(61) + ":");
  CheckBox6->SetCaption(cap(61));
  for (const char* n : {"LabelGifBackground", "LabelPngBackground", "LabelTgaBackground"}) label(n, 62);
  label("LabelGifXPos", 63);
  label("LabelGifYPos", 64);
  label("LabelGifDelay", 65);
  label("LabelPngFilter", 66);
  label("LabelJ2000Rate", 123);
  CancelCaption = "&" + cap(4);
}

bool TfIOPreviews::SetPages(TIEDialogPages Pages) {
  FPages = Pages;
  if (Pages & ppAUTO) {
    const int ft = Params != nullptr ? Params->FileType : 0;
    switch (ft) {
      case ioTIFF: FPages |= ppTIFF; break;
      case ioGIF: FPages |= ppGIF; break;
      case ioJPEG: FPages |= ppJPEG; break;
      case ioPCX: FPages |= ppPCX; break;
      case ioBMP: FPages |= ppBMP; break;
      case ioPNG: FPages |= ppPNG; break;
      case ioTGA: FPages |= ppTGA; break;
      case ioJP2:
      case ioJ2K: FPages |= ppJ2000; break;
      default: break;
    }
  }
  return (FPages & ~ppAUTO) != 0;
}

bool TfIOPreviews::ActiveIs(TTabSheet* A, TTabSheet* B) const {
  TTabSheet* p = PageControl1->ActivePage();
  return p != nullptr && (p == A || p == B);
}

void TfIOPreviews::FillTiffCompressions() {
  const bool lzw = IETiffLzwCompressHook != nullptr;
  for (TComboBox* c : {ComboBox2, ComboBox16}) {
    c->Items()->Clear();
    for (const char* i : {"UNCOMPRESSED", "CCITT1D", "G3FAX1D", "G3FAX2D", "G4FAX"}) c->Items()->Add(i);
    if (lzw) c->Items()->Add("LZW");
    for (const char* i : {"JPEG", "PACKBITS", "ZIP"}) c->Items()->Add(i);
  }
}

void TfIOPreviews::FormActivate(TObject*) {
  // The window sets itself up once: coming back from a colour or message box keeps the edits.
  if (FSetUp) return;
  FSetUp = true;
  FFilling = true;
  chkLockPreview->SetChecked(DefaultLockPreview);
  Button3->SetEnabled(!DefaultLockPreview);
  TTabSheet* all[] = {TabSheetJPEG1, TabSheetJPEG2, TabSheetTIFF1, TabSheetTIFF2, TabSheetGIF1, TabSheetGIF2,
                      TabSheetBMP1, TabSheetPCX1, TabSheetPNG1, TabSheetTGA1, TabSheetJ20001};
  for (TTabSheet* t : all) t->SetTabVisible(false);
  const bool every = (FPages & 1) != 0;
  auto show = [&](TIEDialogPages Bit, TTabSheet* Full, TTabSheet* Simple) {
    if (every || (FPages & Bit)) (Simplified ? Simple : Full)->SetTabVisible(true);
  };
  show(ppJPEG, TabSheetJPEG1, TabSheetJPEG2);
  show(ppTIFF, TabSheetTIFF1, TabSheetTIFF2);
  show(ppGIF, TabSheetGIF1, TabSheetGIF2);
  show(ppBMP, TabSheetBMP1, TabSheetBMP1);
  show(ppPCX, TabSheetPCX1, TabSheetPCX1);
  show(ppPNG, TabSheetPNG1, TabSheetPNG1);
  show(ppTGA, TabSheetTGA1, TabSheetTGA1);
  show(ppJ2000, TabSheetJ20001, TabSheetJ20001);
  if (Simplified) {
    for (TControl* c : std::initializer_list<TControl*>{LabelPngBackground, Panel1, GroupBoxPngAdvanced,
                                                        LabelTgaBackground, Panel5, LabelTgaName, Edit13,
                                                        LabelTgaDescription, Edit14, LabelJ2000Photometric,
                                                        ComboBox15})
      c->SetVisible(false);
    // The size labels of the TGA page move up to where the other simplified pages have them.
    Label59->SetTop(61);
    Label61->SetTop(77);
    if (auto* c = dynamic_cast<TControl*>(FindComponent("LabelTgaOriginal"))) c->SetTop(61);
    if (auto* c = dynamic_cast<TControl*>(FindComponent("LabelTgaCompressed"))) c->SetTop(77);
  }
  // The page of the current FileType becomes active when it is shown; else the first shown one.
  TTabSheet* active = nullptr;
  if (Params != nullptr) {
    if (TIEFileFormatInfo* fi = IEFindFileFormatInfo(Params->FileType)) {
      const TIEDialogPages p = fi->DialogPage;
      TTabSheet* want = p == ppJPEG   ? (Simplified ? TabSheetJPEG2 : TabSheetJPEG1)
                        : p == ppTIFF ? (Simplified ? TabSheetTIFF2 : TabSheetTIFF1)
                        : p == ppGIF  ? (Simplified ? TabSheetGIF2 : TabSheetGIF1)
                        : p == ppBMP  ? TabSheetBMP1
                        : p == ppPCX  ? TabSheetPCX1
                        : p == ppPNG  ? TabSheetPNG1
                        : p == ppTGA  ? TabSheetTGA1
                        : p == ppJ2000 ? TabSheetJ20001
                                       : nullptr;
      if (want != nullptr && want->TabVisible()) active = want;
    }
  }
  if (active == nullptr)
    for (TTabSheet* t : all)
      if (t->TabVisible()) {
        active = t;
        break;
      }
  if (active != nullptr) PageControl1->SetActivePage(active);
  FillTiffCompressions();
  Imagery1->SetChessboardStyle(12, bsSolid);
  Imagery2->SetChessboardStyle(12, bsSolid);
  ReadWork();
  FillActivePage();
  Imagery1->Fit();
  Application()->ProcessMessages();
  PageControl1Change(PageControl1);
  FWindowActive = true;
  ApplyAct();
}

// The page control keeps its height at the bottom of the window; the views, their captions and the
// progress bar share the height above it (the simplified layout makes the window lower).
void TfIOPreviews::Arrange() {
  const int ch = ClientHeight(), cw = ClientWidth();
  const int pcTop = std::max(ch - PageControl1->Height() - 8, 120);
  PageControl1->SetBounds(8, pcTop, cw - 16, PageControl1->Height());
  ProgressBar1->SetBounds(8, pcTop - 18, 480, 12);
  const int viewH = std::max(pcTop - 18 - 4 - 20, 40);
  Imagery1->SetBounds(8, 20, 236, viewH);
  Imagery2->SetBounds(252, 20, 236, viewH);
}

void TfIOPreviews::FormResize(TObject*) {
  if (!FBuilt) return;
  Arrange();
  if (IEDialogBackground != 1 && IEDialogBackground != 2) return;
  TIEBitmap b;
  if (IEDialogBackground == 1)
    IEMakeStripeBitmap(&b, ClientWidth(), ClientHeight());
  else
    IEMakeTextureBitmap(&b, ClientWidth(), ClientHeight());
  Image1->SetBounds(0, 0, ClientWidth(), ClientHeight());
  TBitmap* pic = Image1->Picture()->Bitmap();
  pic->SetPixelFormat(pf24bit);
  pic->SetSize(b.Width(), b.Height());
  b.DrawToTBitmap(pic, 0, 0, b.Width(), b.Height(), 0, 0, b.Width(), b.Height(), 255, rfNone, 0);
  Image1->SetVisible(true);
  Image1->SendToBack();
}

void TfIOPreviews::PageControl1Changing(TObject*, bool&) { FFilling = true; }

void TfIOPreviews::PageControl1Change(TObject*) {
  FFilling = true;
  ReadWork();
  FillActivePage();
  FFilling = false;
  if (chkLockPreview->Checked()) ApplyAct();
  Button4->SetEnabled(false);
}

// ---------------------------------------------------------------- the working copy

void TfIOPreviews::ReadWork() {
  if (Params == nullptr) return;
  TIOParamsVals& p = *Params;
  TIEPreviewsWork& w = Work;
  w.JpegQuality = p.JPEG_Quality;
  w.JpegColorSpace = p.JPEG_ColorSpace;
  w.JpegDCTMethod = static_cast<uint8_t>(std::min<int>(p.JPEG_DCTMethod, 2));
  w.JpegOptimalHuffman = p.JPEG_OptimalHuffman;
  w.JpegSmooth = p.JPEG_Smooth;
  w.JpegProgressive = p.JPEG_Progressive;
  w.J2000Rate = p.J2000_Rate;
  w.J2000ColorSpace = p.J2000_ColorSpace;
  w.TiffCompression = p.TIFF_Compression;
  w.TiffImageIndex = p.TIFF_ImageIndex;
  w.TiffPhotometric = p.TIFF_PhotometInterpret;
  w.TiffXPos = p.TIFF_XPos;
  w.TiffYPos = p.TIFF_YPos;
  w.TiffDocumentName = p.TIFF_DocumentName;
  w.TiffImageDescription = p.TIFF_ImageDescription;
  w.TiffPageName = p.TIFF_PageName;
  w.TiffPageNumber = p.TIFF_PageNumber;
  w.TiffPageCount = p.TIFF_PageCount;
  w.TiffBits = p.BitsPerSample;
  w.TiffSamples = p.SamplesPerPixel;
  w.GifImageIndex = p.GIF_ImageIndex;
  w.GifXPos = p.GIF_XPos;
  w.GifYPos = p.GIF_YPos;
  w.GifDelay = p.GIF_DelayTime;
  w.GifFlagTransp = p.GIF_FlagTranspColor;
  w.GifTranspColor = p.GIF_TranspColor;
  w.GifInterlaced = p.GIF_Interlaced;
  w.GifBackground = p.GIF_Background;
  w.GifBits = std::clamp<int32_t>(p.BitsPerSample, 1, 8);
  w.BmpCompression = p.BMP_Compression;
  w.PcxCompression = p.PCX_Compression;
  w.PngInterlaced = p.PNG_Interlaced;
  w.PngBackground = p.PNG_Background;
  w.PngFilter = p.PNG_Filter;
  w.PngCompression = p.PNG_Compression;
  w.TgaBackground = p.TGA_Background;
  w.TgaCompressed = p.TGA_Compressed;
  w.TgaName = p.TGA_ImageName;
  w.TgaDescription = p.TGA_Descriptor;
  const int b = p.BitsPerSample, s = p.SamplesPerPixel;
  if (s == 1 && (b == 1 || b == 4 || b == 8)) {
    w.BmpColors = w.PcxColors = b == 1 ? 0 : (b == 4 ? 1 : 2);
  } else if (s == 3) {
    if (b == 5 || b == 8) w.BmpColors = 3;
    w.PcxColors = 3;
  }
  w.PngColors = w.TgaColors = s == 1 ? (b == 1 ? 0 : 1) : 2;
}

void TfIOPreviews::WriteWork() {
  if (Params == nullptr) return;
  TIOParamsVals& p = *Params;
  const TIEPreviewsWork& w = Work;
  if (ActiveIs(TabSheetJPEG1, TabSheetJPEG2)) {
    p.JPEG_Quality = w.JpegQuality;
    p.JPEG_ColorSpace = w.JpegColorSpace;
    p.JPEG_DCTMethod = w.JpegDCTMethod;
    p.JPEG_OptimalHuffman = w.JpegOptimalHuffman;
    p.JPEG_Smooth = w.JpegSmooth;
    p.JPEG_Progressive = w.JpegProgressive;
    p.FileType = ioJPEG;
  } else if (ActiveIs(TabSheetTIFF1, TabSheetTIFF2)) {
    p.TIFF_Compression = w.TiffCompression;
    p.SetImageIndex(w.TiffImageIndex);
    p.TIFF_PhotometInterpret = w.TiffPhotometric;
    p.TIFF_XPos = w.TiffXPos;
    p.TIFF_YPos = w.TiffYPos;
    p.TIFF_DocumentName = w.TiffDocumentName;
    p.TIFF_ImageDescription = w.TiffImageDescription;
    p.TIFF_PageName = w.TiffPageName;
    p.TIFF_PageNumber = w.TiffPageNumber;
    p.TIFF_PageCount = w.TiffPageCount;
    p.SamplesPerPixel = w.TiffSamples;
    p.BitsPerSample = w.TiffBits;
    p.FileType = ioTIFF;
  } else if (ActiveIs(TabSheetGIF1, TabSheetGIF2)) {
    p.SetImageIndex(w.GifImageIndex);
    p.GIF_XPos = w.GifXPos;
    p.GIF_YPos = w.GifYPos;
    p.GIF_DelayTime = w.GifDelay;
    p.GIF_FlagTranspColor = w.GifFlagTransp;
    p.GIF_TranspColor = w.GifTranspColor;
    p.GIF_Interlaced = w.GifInterlaced;
    p.GIF_Background = w.GifBackground;
    p.BitsPerSample = w.GifBits;
    p.FileType = ioGIF;
  } else if (ActiveIs(TabSheetBMP1)) {
    p.BMP_Compression = w.BmpCompression;
    PvBmpColors(w.BmpColors, p.BitsPerSample, p.SamplesPerPixel);
    p.FileType = ioBMP;
  } else if (ActiveIs(TabSheetPCX1)) {
    p.PCX_Compression = w.PcxCompression;
    PvBmpColors(std::min(w.PcxColors, 3), p.BitsPerSample, p.SamplesPerPixel);
    p.FileType = ioPCX;
  } else if (ActiveIs(TabSheetPNG1)) {
    PvPngColors(w.PngColors, p.BitsPerSample, p.SamplesPerPixel);
    p.PNG_Background = w.PngBackground;
    p.PNG_Interlaced = w.PngInterlaced;
    p.PNG_Filter = w.PngFilter;
    p.PNG_Compression = w.PngCompression;
    p.FileType = ioPNG;
  } else if (ActiveIs(TabSheetTGA1)) {
    PvPngColors(w.TgaColors, p.BitsPerSample, p.SamplesPerPixel);
    p.TGA_Background = w.TgaBackground;
    p.TGA_Compressed = w.TgaCompressed;
    p.TGA_ImageName = w.TgaName;
    p.TGA_Descriptor = w.TgaDescription;
    p.FileType = ioTGA;
  } else if (ActiveIs(TabSheetJ20001)) {
    p.BitsPerSample = 8;
    p.SamplesPerPixel = w.J2000ColorSpace == 0 ? 1 : 3;
    p.J2000_ColorSpace = std::min<uint8_t>(w.J2000ColorSpace, 2);
    p.J2000_Rate = w.J2000Rate;
    p.FileType = ioJ2K;
  }
}

void TfIOPreviews::ShowSizeLabels() {
  TIEBitmap* b = Imagery1->GetIEBitmap();
  const int64_t size = b != nullptr ? int64_t(b->RowLen()) * b->Height() : 0;
  for (TLabel* l : {Label4, Label74, Label11, Label78, Label28, Label84, Label40, Label46, Label51, Label59, Label68})
    l->SetCaption(PvBytes(size));
}

void TfIOPreviews::FillActivePage() {
  const bool was = FFilling;
  FFilling = true;
  const TIEPreviewsWork& w = Work;
  ShowSizeLabels();
  Edit22->SetText(std::to_string(w.JpegQuality));
  TrackBar13->SetPosition(w.JpegQuality);
  Edit16->SetText(std::to_string(w.JpegQuality));
  TrackBar2->SetPosition(w.JpegQuality);
  ComboBox1->SetItemIndex(w.JpegDCTMethod);
  Edit23->SetText(std::to_string(w.JpegSmooth));
  ComboBox13->SetItemIndex(std::min<int>(w.JpegColorSpace, 4));
  CheckBox2->SetChecked(w.JpegOptimalHuffman);
  CheckBox3->SetChecked(w.JpegProgressive);
  // TIFF
  const bool lzw = IETiffLzwCompressHook != nullptr;
  ComboBox2->SetItemIndex(PvTiffCompressionPos(w.TiffCompression, lzw));
  ComboBox16->SetItemIndex(PvTiffCompressionPos(w.TiffCompression, lzw));
  Edit1->SetText(std::to_string(w.TiffImageIndex));
  ComboBox3->SetItemIndex(PvPhotometricPos(w.TiffPhotometric));
  int colors = ComboBox4->ItemIndex();
  if (w.TiffSamples == 1) {
    if (w.TiffBits == 1) colors = 0;
    else if (w.TiffBits >= 2 && w.TiffBits <= 4) colors = 1;
    else if (w.TiffBits >= 5 && w.TiffBits <= 8) colors = 2;
    else if (w.TiffBits == 16) colors = 3;
  } else if (w.TiffSamples == 3 && w.TiffBits == 8) {
    colors = 4;
  }
  const int ph = w.TiffPhotometric;
  if (ph == kPvCMYK || ph == 6 || ph == 8) colors = 4;
  else if (!PvGreyPhotometric(ph) && colors == 0) colors = 4;
  else if (PvGreyPhotometric(ph)) colors = w.TiffBits == 1 ? 0 : 2;
  ComboBox4->SetItemIndex(colors);
  ComboBox17->SetItemIndex(w.TiffSamples >= 3 ? 3 : (w.TiffBits == 1 ? 0 : (w.TiffBits <= 4 ? 1 : 2)));
  Edit2->SetText(std::to_string(w.TiffXPos));
  Edit3->SetText(std::to_string(w.TiffYPos));
  Edit4->SetText(w.TiffDocumentName);
  Edit5->SetText(w.TiffImageDescription);
  Edit6->SetText(w.TiffPageName);
  Edit7->SetText(std::to_string(w.TiffPageNumber));
  Edit8->SetText(std::to_string(w.TiffPageCount));
  // GIF
  Edit9->SetText(std::to_string(w.GifImageIndex));
  ComboBox5->SetItemIndex(w.GifBits - 1);
  ComboBox18->SetItemIndex(w.GifBits - 1);
  CheckBox4->SetChecked(w.GifFlagTransp);
  LabelGifTranspColor->SetEnabled(w.GifFlagTransp);
  Panel3->SetEnabled(w.GifFlagTransp);
  Panel3->SetColor(PvColorOf(w.GifTranspColor));
  Panel4->SetColor(PvColorOf(w.GifBackground));
  CheckBox5->SetChecked(w.GifInterlaced);
  Edit12->SetText(std::to_string(w.GifDelay));
  Edit10->SetText(std::to_string(w.GifXPos));
  Edit11->SetText(std::to_string(w.GifYPos));
  // BMP, PCX, PNG, TGA
  ComboBox6->SetItemIndex(std::min<int>(w.BmpCompression, 1));
  ComboBox7->SetItemIndex(w.BmpColors);
  ComboBox8->SetItemIndex(std::min<int>(w.PcxCompression, 1));
  ComboBox9->SetItemIndex(std::min(w.PcxColors, 3));
  ComboBox10->SetItemIndex(w.PngColors);
  Panel1->SetColor(PvColorOf(w.PngBackground));
  ComboBox11->SetItemIndex(std::min<int>(w.PngFilter, 2));
  ComboBox12->SetItemIndex(std::clamp<int>(w.PngCompression, 0, 9));
  CheckBox6->SetChecked(w.PngInterlaced);
  ComboBox14->SetItemIndex(w.TgaColors);
  Panel5->SetColor(PvColorOf(w.TgaBackground));
  CheckBox1->SetChecked(w.TgaCompressed);
  Edit13->SetText(w.TgaName);
  Edit14->SetText(w.TgaDescription);
  // JPEG 2000
  const int rate = static_cast<int>(std::clamp(w.J2000Rate, 0.0, 1.0) * 1000 + 0.5);
  Edit15->SetText(std::to_string(rate));
  TrackBar1->SetPosition(rate);
  ComboBox15->SetItemIndex(std::min<int>(w.J2000ColorSpace, 2));
  FFilling = was;
}

// An integer typed into Edit: Default when it is not a number; a number outside Min..Max is
// clamped, written back into the edit and reported.
int TfIOPreviews::EditInt(TEdit* Edit, int Default, int Min, int Max) {
  int v = 0;
  if (!TryStrToInt(Edit->Text(), v)) {
    // A lone sign is the start of a number being typed; anything else counts as the default.
    return Default;
  }
  if (v >= Min && v <= Max) return v;
  const int clamped = std::clamp(v, Min, Max);
  const bool was = FFilling;
  FFilling = true;
  Edit->SetText(std::to_string(clamped));
  FFilling = was;
  ShowMessage("The value must be between " + std::to_string(Min) + " and " + std::to_string(Max) + ".");
  return clamped;
}

void TfIOPreviews::Changed() {
  Button4->SetEnabled(true);
  if (chkLockPreview->Checked()) {
    ApplyAct();
    Imagery2->Repaint();
  }
}

// ---------------------------------------------------------------- change handlers

void TfIOPreviews::ComboBox2Click(TObject* Sender) {
  if (FFilling) return;
  FFilling = true;
  TIEPreviewsWork& w = Work;
  int colors = ComboBox4->ItemIndex();
  int ph = ComboBox3->ItemIndex();
  if (Sender == ComboBox3) {
    const int v = PvPhotometricValue(ph);
    if (PvGreyPhotometric(v)) {
      if (colors > 0) colors = 2;
    } else if (v == kPvRGB || v == kPvCMYK || v == 6 || v == 8) {
      colors = 4;
    } else if (v == kPvRGBPalette) {
      colors = 2;
    }
  } else if (Sender == ComboBox4) {
    if (colors == 0) {
      if (!PvGreyPhotometric(PvPhotometricValue(ph))) ph = 1;
    } else if (colors == 1) {
      ph = kPvRGBPalette;
    } else if (colors == 2) {
      if (ph == kPvRGB) ph = kPvRGBPalette;
      else if (ph > kPvRGBPalette) ph = kPvRGBPalette;
    }
  }
  ComboBox4->SetItemIndex(colors);
  ComboBox3->SetItemIndex(ph);
  static const int bits[] = {1, 4, 8, 16, 8};
  colors = std::clamp(colors, 0, 4);
  w.TiffSamples = colors == 4 ? 3 : 1;
  w.TiffBits = bits[colors];
  w.TiffPhotometric = PvPhotometricValue(ph);
  if (w.TiffPhotometric == kPvCMYK) {
    w.TiffSamples = 4;
    w.TiffBits = 8;
  }
  w.TiffCompression = PvTiffCompressionValue(ComboBox2->ItemIndex(), IETiffLzwCompressHook != nullptr);
  w.TiffImageIndex = EditInt(Edit1, 0, 0, 1000);
  w.TiffXPos = EditInt(Edit2, 0, 0, 1000000);
  w.TiffYPos = EditInt(Edit3, 0, 0, 1000000);
  w.TiffDocumentName = Edit4->Text();
  w.TiffImageDescription = Edit5->Text();
  w.TiffPageName = Edit6->Text();
  w.TiffPageNumber = EditInt(Edit7, 0, -1, 65535);
  w.TiffPageCount = EditInt(Edit8, 0, -1, 65535);
  FFilling = false;
  Changed();
}

void TfIOPreviews::ComboBox16Change(TObject* Sender) {
  if (FFilling) return;
  FFilling = true;
  TIEPreviewsWork& w = Work;
  const bool lzw = IETiffLzwCompressHook != nullptr;
  uint8_t comp = PvTiffCompressionValue(ComboBox16->ItemIndex(), lzw);
  int colors = ComboBox17->ItemIndex();
  if (Sender == ComboBox16) {
    if (comp >= 1 && comp <= 4) colors = 0;
    else if (comp == 7) colors = 3;
  }
  static const int bits[] = {1, 4, 8, 8};
  colors = std::clamp(colors, 0, 3);
  w.TiffBits = bits[colors];
  w.TiffSamples = colors == 3 ? 3 : 1;
  if (comp >= 1 && comp <= 4) {
    if (w.TiffBits > 1) comp = 0;
    else w.TiffPhotometric = 1;
  } else if (comp == 7) {
    if (w.TiffBits == 8 && w.TiffSamples == 3) w.TiffPhotometric = 6;
    else comp = 0;
  } else {
    w.TiffPhotometric = w.TiffSamples == 3 ? kPvRGB : (w.TiffBits == 1 ? 1 : kPvRGBPalette);
  }
  w.TiffCompression = comp;
  ComboBox16->SetItemIndex(PvTiffCompressionPos(comp, lzw));
  ComboBox17->SetItemIndex(colors);
  FFilling = false;
  Changed();
}

void TfIOPreviews::ComboBox5Click(TObject*) {
  if (FFilling) return;
  FFilling = true;
  TIEPreviewsWork& w = Work;
  w.GifBits = std::max(ComboBox5->ItemIndex(), 0) + 1;
  w.GifInterlaced = CheckBox5->Checked();
  w.GifFlagTransp = CheckBox4->Checked();
  w.GifImageIndex = EditInt(Edit9, 0, 0, 1000);
  w.GifXPos = EditInt(Edit10, 0, 0, 65535);
  w.GifYPos = EditInt(Edit11, 0, 0, 65535);
  w.GifDelay = EditInt(Edit12, 0, 0, 65535);
  LabelGifTranspColor->SetEnabled(w.GifFlagTransp);
  Panel3->SetEnabled(w.GifFlagTransp);
  FFilling = false;
  Changed();
}

void TfIOPreviews::ComboBox18Change(TObject*) {
  if (FFilling) return;
  Work.GifBits = std::max(ComboBox18->ItemIndex(), 0) + 1;
  Changed();
}

void TfIOPreviews::ComboBox6Change(TObject*) {
  if (FFilling) return;
  Work.BmpCompression = static_cast<uint8_t>(std::max(ComboBox6->ItemIndex(), 0));
  Work.BmpColors = std::max(ComboBox7->ItemIndex(), 0);
  Changed();
}

void TfIOPreviews::ComboBox8Change(TObject*) {
  if (FFilling) return;
  Work.PcxCompression = static_cast<uint8_t>(std::max(ComboBox8->ItemIndex(), 0));
  Work.PcxColors = std::max(ComboBox9->ItemIndex(), 0);
  Changed();
}

void TfIOPreviews::ComboBox10Change(TObject*) {
  if (FFilling) return;
  Work.PngColors = std::max(ComboBox10->ItemIndex(), 0);
  Work.PngInterlaced = CheckBox6->Checked();
  Work.PngFilter = static_cast<uint8_t>(std::max(ComboBox11->ItemIndex(), 0));
  Work.PngCompression = std::max(ComboBox12->ItemIndex(), 0);
  Changed();
}

void TfIOPreviews::ComboBox14Click(TObject*) {
  if (FFilling) return;
  Work.TgaColors = std::max(ComboBox14->ItemIndex(), 0);
  Work.TgaCompressed = CheckBox1->Checked();
  Work.TgaName = Edit13->Text();
  Work.TgaDescription = Edit14->Text();
  Changed();
}

void TfIOPreviews::Edit22Change(TObject*) {
  if (FFilling) return;
  const int q = EditInt(Edit22, 50, 0, 100);
  if (TrackBar13->Position() != q) {
    TrackBar13->SetPosition(q);  // stores and previews through TrackBar13Change
  } else {
    TrackBar13Change(TrackBar13);
  }
}

void TfIOPreviews::Edit16Change(TObject*) {
  if (FFilling) return;
  const int q = EditInt(Edit16, 50, 0, 100);
  if (TrackBar2->Position() != q)
    TrackBar2->SetPosition(q);
  else
    TrackBar2Change(TrackBar2);
}

void TfIOPreviews::TrackBar13Change(TObject* Sender) {
  if (FFilling) return;
  FFilling = true;
  TIEPreviewsWork& w = Work;
  w.JpegQuality = TrackBar13->Position();
  w.JpegColorSpace = static_cast<uint8_t>(std::max(ComboBox13->ItemIndex(), 0));
  w.JpegDCTMethod = static_cast<uint8_t>(std::max(ComboBox1->ItemIndex(), 0));
  w.JpegSmooth = EditInt(Edit23, 0, 0, 100);
  w.JpegOptimalHuffman = CheckBox2->Checked();
  w.JpegProgressive = CheckBox3->Checked();
  if (Sender != Edit22) Edit22->SetText(std::to_string(w.JpegQuality));
  FFilling = false;
  Changed();
}

void TfIOPreviews::TrackBar2Change(TObject*) {
  if (FFilling) return;
  FFilling = true;
  Work.JpegQuality = TrackBar2->Position();
  Edit16->SetText(std::to_string(Work.JpegQuality));
  FFilling = false;
  Changed();
}

void TfIOPreviews::Edit15Change(TObject*) {
  if (FFilling) return;
  const int r = EditInt(Edit15, 1000, 0, 1000);
  if (TrackBar1->Position() != r)
    TrackBar1->SetPosition(r);
  else
    TrackBar1Change(TrackBar1);
}

void TfIOPreviews::TrackBar1Change(TObject*) {
  if (FFilling) return;
  FFilling = true;
  Work.J2000Rate = TrackBar1->Position() / 1000.0;
  Work.J2000ColorSpace = static_cast<uint8_t>(std::max(ComboBox15->ItemIndex(), 0));
  Edit15->SetText(std::to_string(TrackBar1->Position()));
  FFilling = false;
  Changed();
}

// ---------------------------------------------------------------- colours

void TfIOPreviews::PickColor(TPanel* Panel, TIERGBPixel& Color, int, int) {
  ColorDialog1->SetColor(PvColorOf(Color));
  if (!ColorDialog1->Execute()) return;
  Color = PvPixelOf(ColorDialog1->Color());
  Panel->SetColor(ColorDialog1->Color());
  Changed();
}

void TfIOPreviews::Panel1Click(TObject*) { PickColor(Panel1, Work.PngBackground, 8, 1); }
void TfIOPreviews::Panel3Click(TObject*) {
  if (Work.GifFlagTransp) PickColor(Panel3, Work.GifTranspColor, Work.GifBits, 1);
}
void TfIOPreviews::Panel4Click(TObject*) { PickColor(Panel4, Work.GifBackground, Work.GifBits, 1); }
void TfIOPreviews::Panel5Click(TObject*) { PickColor(Panel5, Work.TgaBackground, 8, 1); }

// ---------------------------------------------------------------- buttons and views

void TfIOPreviews::Button1Click(TObject*) {
  WriteWork();
  SetModalResult(mrOk);
}

void TfIOPreviews::Button3Click(TObject*) { ApplyAct(); }

void TfIOPreviews::Button4Click(TObject*) {
  WriteWork();
  Button4->SetEnabled(false);
}

void TfIOPreviews::SpeedButton1Click(TObject*) {
  Button3->SetEnabled(!chkLockPreview->Checked());
  if (chkLockPreview->Checked()) ApplyAct();
}

void TfIOPreviews::Imagery1ViewChange(TObject*, int) {
  if (!FWindowActive) return;
  Imagery2->LockPaint();
  Imagery2->SetZoom(Imagery1->Zoom());
  Imagery2->SetViewOrigin(Imagery1->ViewX(), Imagery1->ViewY());
  Imagery2->UnlockPaint();
}

void TfIOPreviews::Imagery1Progress(TObject*, int Per) {
  ProgressBar1->SetPosition(Per / std::max(FProgressDivisor, 1) + FProgressOffset);
}

// ---------------------------------------------------------------- the preview

void TfIOPreviews::ShowStored(int64_t Size, bool Jpeg) {
  if (Jpeg) {
    Label25->SetCaption(PvBytes(Size));
    Label76->SetCaption(PvBytes(Size));
    return;
  }
  TLabel* l = ActiveIs(TabSheetTIFF1) ? Label18 : ActiveIs(TabSheetTIFF2) ? Label80 : ActiveIs(TabSheetGIF1) ? Label30
            : ActiveIs(TabSheetGIF2) ? Label86 : ActiveIs(TabSheetBMP1) ? Label42 : ActiveIs(TabSheetPCX1) ? Label48
            : ActiveIs(TabSheetPNG1) ? Label53 : ActiveIs(TabSheetTGA1) ? Label61 : Label70;
  l->SetCaption(PvBytes(Size));
}

void TfIOPreviews::PreviewJpeg(TImageryIO* Src, TImageryIO* Dst) {
  FProgressDivisor = 2;
  TIOParamsVals* p = Src->Params;
  p->JPEG_Quality = Work.JpegQuality;
  p->JPEG_ColorSpace = Work.JpegColorSpace;
  p->JPEG_DCTMethod = Work.JpegDCTMethod;
  p->JPEG_OptimalHuffman = Work.JpegOptimalHuffman;
  p->JPEG_Smooth = Work.JpegSmooth;
  p->JPEG_Progressive = Work.JpegProgressive;
  TMemoryStream ms;
  Src->SaveToStreamJpeg(&ms);
  if (Src->Aborting) {  // no JPEG writer, or it failed: nothing to show
    Imagery2->Blank();
    SetCaption(kPreviewsNoResult);
    return;
  }
  ShowStored(ms.Size(), true);
  FProgressOffset = 50;
  ms.SetPosition(0);
  Dst->LoadFromStreamJpeg(&ms);
}

void TfIOPreviews::PreviewJ2000(TImageryIO* Src, TImageryIO* Dst) {
  FProgressDivisor = 2;
  TIOParamsVals* p = Src->Params;
  p->J2000_Rate = Work.J2000Rate;
  p->J2000_ColorSpace = Work.J2000ColorSpace;
  p->BitsPerSample = 8;
  p->SamplesPerPixel = 3;
  TMemoryStream ms;
  Src->SaveToStreamJ2K(&ms);
  if (Src->Aborting) {
    Imagery2->Blank();
    SetCaption(kPreviewsNoResult);
    return;
  }
  ShowStored(ms.Size(), false);
  FProgressOffset = 50;
  ms.SetPosition(0);
  Dst->LoadFromStreamJ2K(&ms);
}

// The result takes the colour reduction the parameters would store: a palette of
// IEColorCount(bits, samples) colours (kept in the result's parameters when WithColorMap), or
// grey levels.
void TfIOPreviews::ReduceResult(int Bits, int Samples, bool WithColorMap) {
  TImageryProc* proc = Imagery2->GetProc();
  TIOParamsVals* rp = Imagery2->GetIO()->Params;
  const uint32_t n = IEColorCount(Bits, Samples);
  if (n > 256) return;
  if (WithColorMap) {
    std::vector<TIERGBPixel> map(n);
    proc->ConvertToPalette(static_cast<int>(n), map.data(), DitherMethod);
    rp->SetColorMap(map.data(), static_cast<int32_t>(n));
  } else {
    proc->ConvertTo(static_cast<int>(n), DitherMethod);
  }
}

void TfIOPreviews::PreviewCounted(TImageryIO* Src, TImageryIO* Dst) {
  FProgressDivisor = 1;
  TIOParamsVals* p = Src->Params;
  const TIEPreviewsWork& w = Work;
  TNulStream ns;
  int bits = 8, samples = 3;
  enum { kTiff, kGif, kPng, kTga, kBmp, kPcx } kind;
  if (ActiveIs(TabSheetTIFF1, TabSheetTIFF2)) {
    kind = kTiff;
    p->TIFF_Compression = w.TiffCompression;
    p->TIFF_PhotometInterpret = w.TiffPhotometric;
    p->BitsPerSample = bits = w.TiffBits;
    p->SamplesPerPixel = samples = w.TiffSamples;
    Src->SaveToStreamTIFF(&ns);
  } else if (ActiveIs(TabSheetGIF1, TabSheetGIF2)) {
    kind = kGif;
    p->BitsPerSample = bits = w.GifBits;
    p->SamplesPerPixel = samples = 1;
    p->GIF_Interlaced = w.GifInterlaced;
    Src->SaveToStreamGIF(&ns);
  } else if (ActiveIs(TabSheetPNG1)) {
    kind = kPng;
    PvPngColors(w.PngColors, p->BitsPerSample, p->SamplesPerPixel);
    bits = p->BitsPerSample;
    samples = p->SamplesPerPixel;
    p->PNG_Interlaced = w.PngInterlaced;
    p->PNG_Filter = w.PngFilter;
    p->PNG_Compression = w.PngCompression;
    Src->SaveToStreamPNG(&ns);
  } else if (ActiveIs(TabSheetTGA1)) {
    kind = kTga;
    PvPngColors(w.TgaColors, p->BitsPerSample, p->SamplesPerPixel);
    bits = p->BitsPerSample;
    samples = p->SamplesPerPixel;
    p->TGA_Compressed = w.TgaCompressed;
    Src->SaveToStreamTGA(&ns);
  } else if (ActiveIs(TabSheetBMP1)) {
    kind = kBmp;
    p->BMP_Compression = w.BmpCompression;
    PvBmpColors(w.BmpColors, p->BitsPerSample, p->SamplesPerPixel);
    bits = p->BitsPerSample;
    samples = p->SamplesPerPixel;
    Src->SaveToStreamBMP(&ns);
  } else if (ActiveIs(TabSheetPCX1)) {
    kind = kPcx;
    p->PCX_Compression = w.PcxCompression;
    PvBmpColors(std::min(w.PcxColors, 3), p->BitsPerSample, p->SamplesPerPixel);
    bits = p->BitsPerSample;
    samples = p->SamplesPerPixel;
    Src->SaveToStreamPCX(&ns);
  } else {
    return;
  }
  if (Src->Aborting) {  // no writer for the format: the parameters can still be chosen
    Imagery2->Blank();
    SetCaption(kPreviewsNoResult);
    return;
  }
  ShowStored(ns.Size(), false);
  try {
    Imagery2->GetIEBitmap()->Assign(Imagery1->GetIEBitmap());
    Dst->Params->Assign(p);
  } catch (const Exception&) {
    SetCaption(kPreviewsNoResult);
    return;
  }
  if (kind == kBmp || kind == kPcx) {
    ReduceResult(bits, samples, false);
  } else if (kind == kTiff && PvGreyPhotometric(w.TiffPhotometric) && bits == 8 && samples == 1) {
    Imagery2->GetProc()->ConvertToGray();
    Dst->Params->SetColorMap(nullptr, 0);
  } else if (!PvGreyPhotometric(kind == kTiff ? w.TiffPhotometric : 2) || bits != 8 || samples != 1) {
    if (kind != kTiff || w.TiffPhotometric < kPvCMYK) ReduceResult(bits, samples, true);
  } else {
    ReduceResult(bits, samples, true);
  }
}

void TfIOPreviews::ApplyAct() {
  if (!FWindowActive) return;
  const TCursor old = Screen()->Cursor();
  Screen()->SetCursor(crHourGlass);
  TImageryIO* src = Imagery1->GetIO();
  TImageryIO* dst = Imagery2->GetIO();
  src->SetDefaultDitherMethod(DitherMethod);
  FProgressOffset = 0;
  try {
    if (ActiveIs(TabSheetJPEG1, TabSheetJPEG2))
      PreviewJpeg(src, dst);
    else if (ActiveIs(TabSheetJ20001))
      PreviewJ2000(src, dst);
    else
      PreviewCounted(src, dst);
  } catch (...) {
    Screen()->SetCursor(old);
    ProgressBar1->SetPosition(0);
    throw;
  }
  ProgressBar1->SetPosition(0);
  Screen()->SetCursor(old);
  Imagery2->LockPaint();
  Imagery2->SetZoom(Imagery1->Zoom());
  Imagery2->SetViewOrigin(Imagery1->ViewX(), Imagery1->ViewY());
  Imagery2->UnlockPaint();
}

// ---------------------------------------------------------------- the IO component's dialog

namespace {

bool PreviewsDialogRun(TImageryIO* IO, TIEDialogPages Pages) {
  auto* f = new TfIOPreviews(IO);
  bool ok = false;
  try {
    f->DefaultLockPreview = (IO->PreviewsParams & (1u << ioppDefaultLockPreview)) != 0;
    f->Button4->SetVisible((IO->PreviewsParams & (1u << ioppApplyButton)) != 0);
    f->Params = IO->Params;
    f->Simplified = IO->SimplifiedParamsDialogs;
    if (f->Simplified) {
      const int ppi = Screen()->PixelsPerInch();
      f->PageControl1->SetHeight(static_cast<int>(ppi * 1.2708333333333333));
      f->SetHeight(static_cast<int>(ppi * 3.75));
    }
    f->DitherMethod = IO->DefaultDitherMethod();
    f->Localize(IO->MsgLanguage);
    f->SetFont(IO->PreviewFont());
    f->Imagery1->SetExternalBitmap(IO->IEBitmap());
    f->Imagery1->Update();
    f->Imagery2->Blank();
    if (f->SetPages(Pages)) {
      if (IO->OnIOPreview) IO->OnIOPreview(IO, f);
      ok = f->ShowModal() == mrOk;
    }
  } catch (...) {
    f->Imagery1->SetExternalBitmap(nullptr);
    delete f;
    throw;
  }
  f->Imagery1->SetExternalBitmap(nullptr);
  delete f;
  return ok;
}

}  // namespace

void IEInstallPreviewsDialog(bool Install) { IECodecs.PreviewsDialog = Install ? &PreviewsDialogRun : nullptr; }

// TfIOPreviews: the modal "Parameters preview" window of TImageryIO.DoPreviews. One page per file
// format edits a working copy of that format's save parameters; the source view shows the IO's
// image, the result view the image as the chosen parameters store it, with the uncompressed and
// the stored size. OK (or Apply) writes the active page's values into the parameter set and
// selects the format as its FileType; Cancel leaves the set alone.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/iedefs.h"
#include "imaging/io/iefileformats.h"
#include "platform/vcl/forms.h"

class TImageryView;
class TImageryIO;
class TIOParamsVals;
class TLabel;
class TButton;
class TCheckBox;
class TEdit;
class TComboBox;
class TGroupBox;
class TPanel;
class TImage;
class TProgressBar;
class TPageControl;
class TTabSheet;
class TTrackBar;
class TUpDown;
class TColorDialog;

// The values the pages edit, kept apart from the parameter set until OK or Apply.
struct TIEPreviewsWork {
  int32_t JpegQuality = 80, JpegSmooth = 0;
  uint8_t JpegColorSpace = 2, JpegDCTMethod = 0;
  bool JpegOptimalHuffman = false, JpegProgressive = false;
  double J2000Rate = 1.0;
  uint8_t J2000ColorSpace = 1;
  uint8_t TiffCompression = 0, TiffPhotometric = 2;
  int32_t TiffImageIndex = 0, TiffXPos = 0, TiffYPos = 0, TiffPageNumber = -1, TiffPageCount = -1;
  std::string TiffDocumentName, TiffImageDescription, TiffPageName;
  int32_t TiffBits = 8, TiffSamples = 3;
  int32_t GifImageIndex = 0, GifXPos = 0, GifYPos = 0, GifDelay = 0, GifBits = 8;
  bool GifFlagTransp = false, GifInterlaced = false;
  TIERGBPixel GifTranspColor{0, 0, 0}, GifBackground{0, 0, 0};
  uint8_t BmpCompression = 0, PcxCompression = 1;
  int BmpColors = 3, PcxColors = 3, PngColors = 2, TgaColors = 2;  // positions in the colour lists
  bool PngInterlaced = false, TgaCompressed = true;
  TIERGBPixel PngBackground{0, 0, 0}, TgaBackground{0, 0, 0};
  uint8_t PngFilter = 0;
  int32_t PngCompression = 5;
  std::string TgaName, TgaDescription;
};

class TfIOPreviews : public TForm {
  ORV_CLASS(TfIOPreviews, TForm)
public:
  explicit TfIOPreviews(TComponent* AOwner);
  ~TfIOPreviews() override;

  // Set up by the opener before SetPages and ShowModal.
  TIOParamsVals* Params = nullptr;
  bool Simplified = false;
  uint8_t DitherMethod = 1;
  bool DefaultLockPreview = false;
  void Localize(uint8_t Language);
  // Stores the page set, resolves ppAUTO by the FileType; false when no page can show.
  bool SetPages(TIEDialogPages Pages);
  TIEDialogPages Pages() const { return FPages; }
  TIEPreviewsWork Work;

  // Handlers (public so that the window and its tests can run them).
  void FormActivate(TObject* Sender);
  void FormResize(TObject* Sender);
  void PageControl1Changing(TObject* Sender, bool& AllowChange);
  void PageControl1Change(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void Button4Click(TObject* Sender);
  void SpeedButton1Click(TObject* Sender);
  void Imagery1ViewChange(TObject* Sender, int Change);
  void Imagery1Progress(TObject* Sender, int Per);
  void ComboBox2Click(TObject* Sender);
  void ComboBox5Click(TObject* Sender);
  void ComboBox6Change(TObject* Sender);
  void ComboBox8Change(TObject* Sender);
  void ComboBox10Change(TObject* Sender);
  void ComboBox14Click(TObject* Sender);
  void ComboBox16Change(TObject* Sender);
  void ComboBox18Change(TObject* Sender);
  void Edit15Change(TObject* Sender);
  void Edit16Change(TObject* Sender);
  void Edit22Change(TObject* Sender);
  void TrackBar1Change(TObject* Sender);
  void TrackBar2Change(TObject* Sender);
  void TrackBar13Change(TObject* Sender);
  void Panel1Click(TObject* Sender);
  void Panel3Click(TObject* Sender);
  void Panel4Click(TObject* Sender);
  void Panel5Click(TObject* Sender);
  // Computes the preview of the active page into the result view.
  void ApplyAct();
  bool WindowActive() const { return FWindowActive; }

  TImageryView *Imagery1, *Imagery2;
  TLabel *Label1, *Label2;
  TButton *Button1, *Button2, *Button3, *Button4;
  TCheckBox* chkLockPreview;
  TProgressBar* ProgressBar1;
  TColorDialog* ColorDialog1;
  TImage* Image1;
  TPageControl* PageControl1;
  TTabSheet *TabSheetJPEG1, *TabSheetJPEG2, *TabSheetTIFF1, *TabSheetTIFF2, *TabSheetGIF1, *TabSheetGIF2,
      *TabSheetBMP1, *TabSheetPCX1, *TabSheetPNG1, *TabSheetTGA1, *TabSheetJ20001;
  // JPEG
  TEdit *Edit22, *Edit23, *Edit16;
  TTrackBar *TrackBar13, *TrackBar2, *TrackBar1;
  TUpDown *UpDown11, *UpDown1, *UpDown2;
  TComboBox *ComboBox1, *ComboBox13;
  TCheckBox *CheckBox2, *CheckBox3;
  TGroupBox *GroupBoxJpegAdvanced, *GroupBoxTiffInfo, *GroupBoxGifAdvanced, *GroupBoxPngAdvanced;
  // TIFF
  TComboBox *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox16, *ComboBox17;
  TEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8;
  // GIF
  TEdit *Edit9, *Edit10, *Edit11, *Edit12;
  TComboBox *ComboBox5, *ComboBox18;
  TCheckBox *CheckBox4, *CheckBox5;
  TPanel *Panel3, *Panel4;
  TLabel* LabelGifTranspColor;
  // BMP, PCX, PNG, TGA, JPEG 2000
  TComboBox *ComboBox6, *ComboBox7, *ComboBox8, *ComboBox9, *ComboBox10, *ComboBox11, *ComboBox12, *ComboBox14,
      *ComboBox15;
  TCheckBox *CheckBox6, *CheckBox1;
  TPanel *Panel1, *Panel5;
  TEdit *Edit13, *Edit14, *Edit15;
  TLabel *LabelPngBackground, *LabelTgaBackground, *LabelTgaName, *LabelTgaDescription, *LabelJ2000Photometric;
  // Size labels: uncompressed and stored size of each page.
  TLabel *Label4, *Label25, *Label74, *Label76, *Label11, *Label18, *Label78, *Label80, *Label28, *Label30,
      *Label84, *Label86, *Label40, *Label42, *Label46, *Label48, *Label51, *Label53, *Label59, *Label61, *Label68,
      *Label70;
  // The caption "&" + caption 4 that palette choices show on their cancel button.
  std::string CancelCaption = "&Cancel";

private:
  void ReadWork();
  void WriteWork();
  void FillActivePage();
  void FillTiffCompressions();
  void ShowSizeLabels();
  void Arrange();
  void Changed();  // a stored value changed: Apply enabled, preview again when locked
  int EditInt(TEdit* Edit, int Default, int Min, int Max);
  void PickColor(TPanel* Panel, TIERGBPixel& Color, int PaletteBits, int PaletteSamples);
  void PreviewJpeg(TImageryIO* Src, TImageryIO* Dst);
  void PreviewJ2000(TImageryIO* Src, TImageryIO* Dst);
  void PreviewCounted(TImageryIO* Src, TImageryIO* Dst);
  void ShowStored(int64_t Size, bool Jpeg);
  void ReduceResult(int Bits, int Samples, bool WithColorMap);
  bool ActiveIs(TTabSheet* A, TTabSheet* B = nullptr) const;

  TIEDialogPages FPages = 0;
  bool FFilling = false, FWindowActive = false, FSetUp = false, FBuilt = false;
  int FProgressDivisor = 1, FProgressOffset = 0;
};

// Installs (or removes) the dialog as TImageryIO.DoPreviews' dialog (the views' start-up does).
void IEInstallPreviewsDialog(bool Install);

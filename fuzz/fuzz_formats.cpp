// Every built-in image format read by name rather than by content, so that formats content
// detection cannot tell apart (headerless raw pixels, WBMP) and later pages and frames (GIF,
// DCX, ICO, TIFF) are reached too. The first four bytes choose the call; the rest is the file.
//   byte 0: the format (FuzzFormatsTypes below, modulo their count)
//   byte 1: the page, frame or image index; with the high bit set the whole file goes through the
//           multi-image input into a grid instead (every page, frame or image of it)
//   bytes 2, 3: width and height (1..64) and byte 1 the pixel format, for headerless raw pixels
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_formats.h"
#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ieview.h"
#include "imaging/io/iemio.h"
#include "imaging/io/imageryio.h"

namespace {

// A grid that keeps copies of the images it is given.
class TFuzzFormatsGrid : public TIEView, public TIEMultiImageTarget {
public:
  TIEBitmap Image;
  std::vector<std::unique_ptr<TIEBitmap>> Items;
  TIEBitmap* GetIEBitmap() override { return &Image; }
  TIEBitmap* GetAlphaChannel() override { return Image.GetAlphaChannel(); }
  bool HasAlphaChannel() override { return Image.HasAlphaChannel(); }
  void RemoveAlphaChannel(bool Merge) override { Image.RemoveAlphaChannel(Merge); }
  void LockPaint() override {}
  int UnlockPaint() override { return 0; }
  int UnlockPaintNoRefresh() override { return 0; }
  void ImageChange() override {}

  int ImageCount() override { return static_cast<int>(Items.size()); }
  int SelectedImage() override { return -1; }
  void InsertImageEx(int Index) override {
    if (Index < 0 || Index > ImageCount()) Index = ImageCount();
    Items.insert(Items.begin() + Index, std::make_unique<TIEBitmap>());
    Announce(1, Index);
  }
  int AppendImage() override {
    Items.push_back(std::make_unique<TIEBitmap>());
    Announce(1, ImageCount() - 1);
    return ImageCount() - 1;
  }
  void DeleteImage(int Index) override {
    if (Index < 0 || Index >= ImageCount()) return;
    Items.erase(Items.begin() + Index);
    Announce(2, Index);
  }
  void SetImage(int Index, TIEBitmap* Bitmap) override {
    if (Index >= 0 && Index < ImageCount()) Items[Index]->Assign(Bitmap);
  }
  void SetImageFileName(int, const std::string&) override {}
  void SetImageBottomText(int, const std::string&) override {}
  void SetImageDelayTime(int, int) override {}
  void SetImageBackground(int, TColor) override {}
  void LoadImageFromFile(int, const std::string&) override {}
  void LoadImageFromStream(int, TStream*) override {}
  void GetLastChange(int& Kind, int& I, int& J) override {
    Kind = LastKind;
    I = Last;
    J = 0;
  }
  void Update() override {}

private:
  void Announce(int Kind, int Index) {
    LastKind = Kind;
    Last = Index;
    CallListeners();
  }
  int LastKind = 0, Last = 0;
};

const TIEPixelFormat kFuzzFormatsRawPixels[] = {ie1g, ie8p, ie8g, ie16g, ie24RGB, ie32f, ieCMYK, ieRGB48};

void FuzzFormatsMulti(int32_t Type, TStream* S) {
  TFuzzFormatsGrid grid;
  TImageryMIO mio(nullptr);
  mio.SetAttachedMView(&grid);
  switch (Type) {
    case ioGIF: mio.LoadFromStreamGIF(S); break;
    case ioTIFF: mio.LoadFromStreamTIFF(S); break;
    case ioICO: mio.LoadFromStreamICO(S); break;
    case ioDCX: mio.LoadFromStreamDCX(S); break;
    case ioDICOM: mio.LoadFromStreamDICOM(S); break;
    default: mio.LoadFromStream(S); break;
  }
  mio.SetAttachedMView(nullptr);
}

void FuzzFormatsSingle(int32_t Type, int Index, int W, int H, TStream* S) {
  TImageryIO io(nullptr);
  TIOParamsVals& p = *io.Params;
  p.ImageIndex = p.GIF_ImageIndex = p.DCX_ImageIndex = p.ICO_ImageIndex = p.CUR_ImageIndex = p.TIFF_ImageIndex = Index;
  if (Type == ioBMPRAW) {
    const int kinds = static_cast<int>(sizeof kFuzzFormatsRawPixels / sizeof kFuzzFormatsRawPixels[0]);
    io.IEBitmap()->Allocate(W, H, kFuzzFormatsRawPixels[Index % kinds]);
    p.RAWPIXELS_Planar = static_cast<uint8_t>((Index >> 3) & 1);
    p.RAWPIXELS_RowAlign = (Index & 0x40) ? 32 : 8;
    p.RAWPIXELS_HeaderSize = (Index >> 4) & 3;
    io.LoadFromStreamRawPixels(S);
    return;
  }
  io.LoadFromStreamFormat(S, Type);
  S->SetPosition(0);
  TImageryIO params(nullptr);
  params.Params->ImageIndex = params.Params->GIF_ImageIndex = params.Params->DCX_ImageIndex = Index;
  params.ParamsFromStreamFormat(S, Type);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = [] {
    IEImagingStartup();
    return true;
  }();
  (void)started;
  if (Size < 4 || Size > (1u << 20)) return 0;
  const int32_t type = FuzzFormatsTypes[Data[0] % FuzzFormatsTypeCount];
  const int index = Data[1] & 0x7F;
  const bool multi = (Data[1] & 0x80) != 0;
  const int w = 1 + Data[2] % 64, h = 1 + Data[3] % 64;
  try {
    TIEMemStream ms(Data + 4, static_cast<int64_t>(Size - 4));
    if (multi)
      FuzzFormatsMulti(type, &ms);
    else
      FuzzFormatsSingle(type, index, w, h, &ms);
  } catch (const std::exception&) {
  }
  return 0;
}

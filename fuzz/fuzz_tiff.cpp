// TIFF files: the detectors, the first pages read (parameters only, whole, and one tile), the
// decoded page written back, and the tag handler's read and write of every page.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "imaging/codecs/iecodecs.h"
#include "imaging/codecs/tiffilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/ietiffhandler.h"
#include "platform/rtl/streams.h"

namespace {

// Decoded pages up to this many pixels are written back. A page of a hundred megapixels is sound
// (a few hundred bytes of two-dimensional fax coding describe one), and writing it takes its
// time under the sanitizers without reaching anything new.
constexpr int64_t kFuzzTiffWriteMaxPixels = int64_t(1) << 22;

struct TFuzzTiffInit {
  TFuzzTiffInit() { IERegisterCodecs(); }
};

void FuzzTiffRead(const uint8_t* Data, int Length, int Page, bool ParamsOnly, int Tile) {
  TIEMemStream ms(Data, Length);
  TIEBitmap b;
  TIOParamsVals p;
  p.TIFF_ImageIndex = Page;
  p.TIFF_GetTile = Tile;
  p.IsNativePixelFormat = Page == 1;
  std::atomic<bool> abort{false};
  TIEProgressRec rec;
  rec.Aborting = &abort;
  TIEMask* mask = nullptr;
  int pages = 0;
  TiffReadImage(&b, &ms, pages, false, false, false, mask, ParamsOnly, rec, p);
  delete mask;
  if (!ParamsOnly && !abort.load() && !b.IsEmpty() && Page == 0 && Tile < 0 &&
      int64_t(b.Width()) * b.Height() <= kFuzzTiffWriteMaxPixels) {
    TMemoryStream out;
    TIOParamsVals w;
    w.Assign(&p);
    TiffWriteImage(&out, false, &b, rec, w);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TFuzzTiffInit init;
  if (Size > (1u << 22)) return 0;
  const int length = static_cast<int>(Size);
  try {
    TIEMemStream ms(Data, length);
    TiffDetect(&ms);
    CameraRawTiffDetect(&ms);
    HdPhotoDetect(&ms);
    TiffPageCount(&ms);
  } catch (const std::exception&) {
  }
  for (int page = 0; page < 2; ++page) {
    try {
      FuzzTiffRead(Data, length, page, true, -1);
      FuzzTiffRead(Data, length, page, false, -1);
    } catch (const std::exception&) {
    }
  }
  try {
    FuzzTiffRead(Data, length, 0, false, 1);
  } catch (const std::exception&) {
  }
  try {
    TIEMemStream ms(Data, length);
    TIETIFFHandler h;
    if (h.ReadStream(&ms)) {
      TMemoryStream out;
      h.WriteStream(&out, -1);
    }
  } catch (const std::exception&) {
  }
  return 0;
}

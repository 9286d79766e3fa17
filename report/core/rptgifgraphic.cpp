#include "report/core/rptgifgraphic.h"

#include <cstring>
#include <mutex>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TrptGIFGraphic, TBitmap)

void TrptGIFGraphic::LoadFromStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  char sig[6] = {};
  const int64_t got = Stream->Read(sig, 6);
  Stream->SetPosition(start);
  // The picture as it travels inside report files: the bitmap this graphic keeps.
  if (got >= 2 && sig[0] == 'B' && sig[1] == 'M') {
    TBitmap::LoadFromStream(Stream);
    return;
  }
  if (got < 6 || (std::memcmp(sig, "GIF87a", 6) != 0 && std::memcmp(sig, "GIF89a", 6) != 0))
    throw EInvalidGraphic("Bitmap image is not valid");
  IEImagingStartup();
  TIEBitmap image;
  TImageryIO io(nullptr);
  io.AttachBitmap(&image);
  io.LoadFromStreamGIF(Stream);
  if (io.Aborting || image.Width() <= 0 || image.Height() <= 0) throw EInvalidGraphic("Bitmap image is not valid");
  TBitmap* decoded = image.GetTBitmap();
  if (!decoded) throw EInvalidGraphic("Bitmap image is not valid");
  Assign(decoded);
}

void rptRegisterGIFGraphic() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterClass(TrptGIFGraphic::StaticClass());
    TPicture::RegisterFileFormat("gif", "GIF Image", TrptGIFGraphic::StaticClass());
  });
}

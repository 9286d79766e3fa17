// Writing an edited photo back over its file through a temporary file beside it.
#include "app/photosave.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieprocdefs.h"
#include "imaging/core/ieresample.h"
#include "imaging/io/imageryio.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/fileutils.h"

namespace {

const int kExifThumbSide = 160;

[[noreturn]] void Fail(const std::string& Path, const std::string& Cause) {
  throw EPhotoSaveError("The photo \"" + Path + "\" cannot be saved: " + Cause);
}

void ShrinkIntoExifThumbnail(TImageryIO* IO) {
  TIOParamsVals* p = IO->Params;
  TIEBitmap* picture = IO->IEBitmap();
  if (p == nullptr || p->EXIF_Bitmap == nullptr || picture == nullptr || picture->IsEmpty())
    return;
  const int w = picture->Width(), h = picture->Height();
  const double scale = std::min(1.0, double(kExifThumbSide) / std::max(w, h));
  const int tw = std::max(1, int(w * scale)), th = std::max(1, int(h * scale));
  TIEBitmap source;
  source.Assign(picture);
  if (source.PixelFormat() != ie24RGB) source.SetPixelFormat(ie24RGB);
  p->EXIF_Bitmap->Allocate(tw, th, ie24RGB);
  IEResample(&source, p->EXIF_Bitmap, rfTriangle, nullptr, nullptr);
}

}  // namespace

void SavePhotoOver(TImageryIO* IO, const std::string& Path, bool Jpeg) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_regular_file(Path, ec)) Fail(Path, "the file no longer exists");
  if (FileIsReadOnly(Path) && !FileSetReadOnly(Path, false))
    Fail(Path, "its read-only attribute cannot be cleared");
  ShrinkIntoExifThumbnail(IO);
  // The temporary file keeps the photo's extension: the format is chosen by it.
  const std::string temp = ExtractFilePath(Path) + ".orvanta-save-" + ExtractFileName(Path);
  auto dropTemp = [&] {
    std::error_code ignored;
    fs::remove(temp, ignored);
  };
  try {
    if (Jpeg)
      IO->SaveToFileJpeg(temp);
    else
      IO->SaveToFile(temp);
  } catch (const Exception& E) {
    dropTemp();
    Fail(Path, E.Message());
  }
  IO->Params->FileName = Path;
  if (IO->Aborting.load() || !fs::is_regular_file(temp, ec) || fs::file_size(temp, ec) == 0) {
    dropTemp();
    Fail(Path, "the picture could not be written (disk full or format not writable)");
  }
  if (!fs::is_regular_file(Path, ec)) {
    dropTemp();
    Fail(Path, "the file no longer exists");
  }
  fs::rename(temp, Path, ec);
  if (ec) {
    dropTemp();
    Fail(Path, ec.message());
  }
}

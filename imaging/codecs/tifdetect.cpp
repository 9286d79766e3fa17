// Detection of TIFF-structured files, page count and page removal, the EXIF tag copy, and the
// registration of the TIFF codec with the IO front end (see tiffilt.h).
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "imaging/codecs/tifccitt.h"
#include "imaging/codecs/tiflzw.h"
#include "imaging/codecs/tifinternal.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/ietiffhandler.h"
#include "platform/rtl/streams.h"

namespace {

// Restores a stream's position when it goes out of scope.
struct TTifDetectKeepPos {
  TStream* S;
  int64_t Pos;
  explicit TTifDetectKeepPos(TStream* Stream) : S(Stream), Pos(Stream->Position()) {}
  ~TTifDetectKeepPos() { S->SetPosition(Pos); }
};

// The first directory of the TIFF whose header starts at the reader's position 0.
bool TifDetectFirstDir(TStream* R, bool Le, uint32_t Offset, TTIFFDirectory& D) {
  D.LittleEndian = Le;
  D.Stream = R;
  D.Base = 0;
  int n;
  return TiffReadDirectory(0, Offset, D, n);
}

void TifRegReadHook(TIEBitmap* Bitmap, TStream* Stream, int& PageCount, bool ThumbnailMode, bool IgnoreAlpha,
                    bool AtPosition, TIEMask*& AlphaMask, bool ParamsOnly, TIEProgressRec& Progress,
                    TIOParamsVals& IOParams) {
  TiffReadImage(Bitmap, Stream, PageCount, ThumbnailMode, IgnoreAlpha, AtPosition, AlphaMask, ParamsOnly, Progress,
                IOParams);
}

void TifRegWriteHook(TStream* Stream, bool Append, TIEBitmap* Bitmap, TIEProgressRec& Progress,
                     TIOParamsVals& IOParams) {
  TiffWriteImage(Stream, Append, Bitmap, Progress, IOParams);
}

}  // namespace

bool TiffDetect(TStream* Stream) {
  TTifDetectKeepPos keep(Stream);
  TIEBufferedReadStream r(Stream, 1024, true);
  if (r.Size() <= 8) return false;
  uint8_t h[9];
  if (r.Read(h, 9) != 9) return false;
  const int64_t size = r.Size();
  bool le;
  if (h[0] == 'I' && h[1] == 'I') le = true;
  else if (h[0] == 'M' && h[1] == 'M') le = false;
  else return false;
  const uint32_t off = IEGet32(h + 4, le);
  if (int64_t(off) >= size) return false;
  if (!le && h[8] == 0xBA) return false;
  TTIFFDirectory d;
  if (!TifDetectFirstDir(&r, le, off, d)) return false;
  return TiffFindTag(d, 256) >= 0 && TiffFindTag(d, 257) >= 0;
}

bool CameraRawTiffDetect(TStream* Stream) {
  TTifDetectKeepPos keep(Stream);
  TIEBufferedReadStream r(Stream, 1024, true);
  uint8_t h[8];
  if (r.Read(h, 8) != 8) return false;
  bool le;
  if (h[0] == 'I' && h[1] == 'I') le = true;
  else if (h[0] == 'M' && h[1] == 'M') le = false;
  else return false;
  TTIFFDirectory d;
  if (!TifDetectFirstDir(&r, le, IEGet32(h + 4, le), d)) return false;
  const int dng = TiffFindTag(d, 50706);
  if (dng >= 0 && d.Entries[dng].Type == 1 && d.Entries[dng].Count == 4) return true;
  const int ph = TiffFindTag(d, 262);
  if (ph >= 0 && d.Entries[ph].Type == 3 && d.Entries[ph].Count == 1) {
    const int32_t v = TiffGetInt(d, 262, 0);
    if (v == 32803 || v == 34892) return true;
  }
  return TiffFindTag(d, 330) >= 0 && TiffFindTag(d, 37398) >= 0 && TiffGetInt(d, 256, 0) < 200 &&
         TiffGetInt(d, 257, 0) < 200 && TiffFindTag(d, 256) >= 0 && TiffFindTag(d, 257) >= 0;
}

bool HdPhotoDetect(TStream* Stream) {
  TTifDetectKeepPos keep(Stream);
  TIEBufferedReadStream r(Stream, 1024, true);
  if (r.Size() <= 8) return false;
  uint8_t h[8];
  if (r.Read(h, 8) != 8 || h[0] != 'I' || h[1] != 'I') return false;
  TTIFFDirectory d;
  if (!TifDetectFirstDir(&r, true, IELE32(h + 4), d)) return false;
  for (int tag : {48256, 48257, 48129, 48320, 48321})
    if (TiffFindTag(d, tag) < 0) return false;
  return true;
}

int TiffPageCount(TStream* Stream) {
  TTifDetectKeepPos keep(Stream);
  const int64_t base = Stream->Position();
  uint8_t h[8];
  if (Stream->Read(h, 8) != 8) return 0;
  bool le;
  if (h[0] == 'I' && h[1] == 'I') le = true;
  else if (h[0] == 'M' && h[1] == 'M') le = false;
  else return 0;
  TTIFFDirectory d;
  d.LittleEndian = le;
  d.Stream = Stream;
  d.Base = base;
  int n = 0;
  TiffReadDirectory(-1, IEGet32(h + 4, le), d, n);
  return n;
}

bool TiffDeletePage(TStream* Stream, int Index) {
  TTifDetectKeepPos keep(Stream);
  const int64_t base = Stream->Position();
  const int64_t size = Stream->Size();
  uint8_t h[8];
  if (Index < 0 || Stream->Read(h, 8) != 8) return false;
  bool le;
  if (h[0] == 'I' && h[1] == 'I') le = true;
  else if (h[0] == 'M' && h[1] == 'M') le = false;
  else return false;
  // link k points at page k; page Index is removed by pointing its link at the page after it
  int64_t linkPos = base + 4;
  uint32_t link = IEGet32(h + 4, le);
  std::set<uint32_t> seen;
  for (int k = 0;; ++k) {
    if (link == 0 || base + link + 2 > size || !seen.insert(link).second) return false;
    uint8_t c[2], l[4];
    Stream->SetPosition(base + link);
    if (Stream->Read(c, 2) != 2) return false;
    const int64_t next = base + link + 2 + int64_t(IEGet16(c, le)) * 12;
    if (next + 4 > size) return false;
    Stream->SetPosition(next);
    if (Stream->Read(l, 4) != 4) return false;
    if (k == Index) {
      Stream->SetPosition(linkPos);
      return Stream->Write(l, 4) == 4;
    }
    linkPos = next;
    link = IEGet32(l, le);
  }
}

bool ExifTagCopy(TStream* Source, TStream* Dest, const std::string& SourceFile, TIOParamsVals& IOParams,
                 int PageIndex, const std::string& DestFile) {
  std::vector<uint8_t> blk;
  IESaveEXIFToStandardBuffer(&IOParams, blk, false);
  TIEMemStream ms(blk.data(), int64_t(blk.size()));
  TIETIFFHandler exif;
  exif.ReadStream(&ms);
  TIETIFFHandler target;
  int64_t pos = 0;
  if (Source != nullptr) {
    pos = Source->Position();
    target.ReadStream(Source);
  } else {
    target.ReadFile(SourceFile);
  }
  static const uint16_t tags[23] = {271,   272,   306,   274,   282,   283,   296,   305,   315,   318,   531,  319,
                                    529,   532,   33432, 18246, 40091, 40092, 40093, 40094, 40095, 34665, 34853};
  for (uint16_t t : tags) {
    const int i = exif.FindTag(0, t);
    if (i >= 0) target.CopyTag(0, i, PageIndex, &exif);
  }
  if (Dest != nullptr) {
    if (Dest == Source) Dest->SetPosition(pos);
    target.WriteStream(Dest, -1);
  } else {
    target.WriteFile(DestFile, -1);
  }
  return true;
}

void IERegisterTiffCodec() {
  IETiffLzwDecompressHook = TiffLzwDecompress;
  IETiffLzwCompressHook = TiffLzwCompress;
  IECodecs.TiffReadImage = TifRegReadHook;
  IECodecs.TiffWriteImage = TifRegWriteHook;
  IECodecs.TiffDetect = TiffDetect;
  IECodecs.IsHDPhoto = HdPhotoDetect;
  if (IECodecs.IsCameraRaw == nullptr) IECodecs.IsCameraRaw = CameraRawTiffDetect;
  IECCITTInit();
}

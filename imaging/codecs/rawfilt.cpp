// Camera RAW reader around LibRaw (see rawfilt.h).
#include "imaging/codecs/rawfilt.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedefs.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ietransform.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"

namespace {

// Heaps inside heaps are walked this deep at most (real files nest two or three levels).
constexpr int kCiffMaxDepth = 8;
constexpr int kCiffMaxRecords = 256;
// Files larger than this are not read into memory for identification or decoding.
constexpr int64_t kRawMaxFileBytes = int64_t(1) << 30;

void RawSay(TIEProgressRec& Progress, int Per) {
  if (Progress.Callback != nullptr) Progress.Callback(Progress.Data, Progress.Sender, Per);
}

// The rest of the stream from its position (position restored); false when too large.
bool RawReadRest(TStream* Stream, std::vector<uint8_t>& Data) {
  const int64_t at = Stream->Position();
  const int64_t left = Stream->Size() - at;
  if (left <= 0 || left > kRawMaxFileBytes) return false;
  Data.resize(static_cast<size_t>(left));
  const int64_t n = Stream->Read(Data.data(), left);
  Stream->SetPosition(at);
  if (n <= 0) return false;
  Data.resize(static_cast<size_t>(n));
  return true;
}

// ---- the heaps of "HEAPCCDR" files ----

struct TCiffWalk {
  const uint8_t* Data;
  size_t Size;
  bool BigEndian;
  TIOParamsVals* Params;
  std::vector<std::pair<uint16_t, std::vector<uint16_t>>> MakerTags;  // tag id, values
  int64_t BestJpeg = -1, BestJpegSize = 0;
  int BestW = 0, BestH = 0;
  std::set<std::pair<size_t, size_t>> Visited;  // heaps walked (start, length): each once

  uint16_t U16(size_t At) const {
    return BigEndian ? static_cast<uint16_t>(Data[At] << 8 | Data[At + 1])
                     : static_cast<uint16_t>(Data[At] | Data[At + 1] << 8);
  }
  uint32_t U32(size_t At) const {
    return BigEndian ? uint32_t(Data[At]) << 24 | uint32_t(Data[At + 1]) << 16 | uint32_t(Data[At + 2]) << 8 | Data[At + 3]
                     : uint32_t(Data[At + 3]) << 24 | uint32_t(Data[At + 2]) << 16 | uint32_t(Data[At + 1]) << 8 | Data[At];
  }
  std::string Text(size_t At, size_t Len) const {
    std::string s;
    for (size_t i = 0; i < Len && Data[At + i] != 0; ++i) s.push_back(static_cast<char>(Data[At + i]));
    return s;
  }

  void Jpeg(size_t At, size_t Len) {
    try {
      TIEMemStream ms(Data + At, static_cast<int64_t>(Len));
      TImageryIO io(nullptr);
      io.ParamsFromStreamFormat(&ms, ioJPEG);
      if (io.Aborting.load()) return;
      const int w = io.Params->Width, h = io.Params->Height;
      if (w <= 0 || h <= 0) return;
      if (BestJpeg < 0 || (w < BestW && h < BestH)) {
        BestJpeg = static_cast<int64_t>(At);
        BestJpegSize = static_cast<int64_t>(Len);
        BestW = w;
        BestH = h;
      }
    } catch (...) {
    }
  }

  // The heap at Start, Len bytes long; its record table is found through its last 4 bytes.
  void Heap(size_t Start, size_t Len, int Depth) {
    if (Depth > kCiffMaxDepth || Len < 4 || Start > Size || Len > Size - Start) return;
    if (!Visited.emplace(Start, Len).second) return;  // a heap that contains itself
    const size_t table = Start + U32(Start + Len - 4);
    if (table < Start || table + 2 > Start + Len) return;
    const int count = std::min<int>(U16(table), kCiffMaxRecords);
    for (int i = 0; i < count; ++i) {
      const size_t rec = table + 2 + size_t(i) * 10;
      if (rec + 10 > Start + Len) return;
      const uint16_t rawType = U16(rec);
      size_t at, len;
      if (rawType >= 0x4000) {  // the data live in the record itself
        at = rec + 2;
        len = 8;
      } else {
        len = U32(rec + 2);
        at = Start + U32(rec + 6);
        if (at < Start || at > Start + Len || len > Start + Len - at) continue;  // outside this heap
      }
      Record(rawType & 0x3FFF, at, len, Depth);
    }
  }

  void Record(uint16_t Type, size_t At, size_t Len, int Depth) {
    switch (Type) {
      case 0x0805: Params->EXIF_ImageDescription = Text(At, Len); break;
      case 0x080A: {
        Params->EXIF_Make = Text(At, Len);
        const size_t m = std::min(Len, Params->EXIF_Make.size() + 1);
        Params->EXIF_Model = Text(At + m, Len - m);
        break;
      }
      case 0x080B: Params->EXIF_Software = Text(At, Len); break;
      case 0x1810:
        if (Len >= 8) {
          Params->EXIF_ExifImageWidth = static_cast<int32_t>(U32(At));
          Params->EXIF_ExifImageHeight = static_cast<int32_t>(U32(At + 4));
        }
        break;
      case 0x102A:
      case 0x102D: {
        std::vector<uint16_t> v(Len / 2);
        for (size_t i = 0; i < v.size(); ++i) v[i] = U16(At + 2 * i);
        MakerTags.emplace_back(Type == 0x102A ? 4 : 1, std::move(v));
        break;
      }
      case 0x2007:
      case 0x2008: Jpeg(At, Len); break;
      case 0x2800: case 0x2807: case 0x3000: case 0x3002: case 0x3003: case 0x3004: case 0x300A: case 0x300B:
        Heap(At, Len, Depth + 1);
        break;
      default: break;
    }
  }
};

void CiffPut16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void CiffPut32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// The maker-note tags as a tag block: count, 12-byte entries, then the values tag after tag.
void CiffWriteMakerNote(const TCiffWalk& W, TIOParamsVals& P) {
  if (P.EXIF_MakerNote == nullptr) return;
  std::vector<uint8_t> b;
  CiffPut16(b, static_cast<uint32_t>(W.MakerTags.size()));
  uint32_t offset = 2 + 12 * static_cast<uint32_t>(W.MakerTags.size());
  for (const auto& t : W.MakerTags) {
    CiffPut16(b, t.first);
    CiffPut16(b, 3);
    CiffPut32(b, static_cast<uint32_t>(t.second.size()));
    CiffPut32(b, offset);
    offset += static_cast<uint32_t>(t.second.size() * 2);
  }
  for (const auto& t : W.MakerTags)
    for (uint16_t v : t.second) CiffPut16(b, v);
  TMemoryStream* d = P.EXIF_MakerNote->Data();
  d->Clear();
  d->Write(b.data(), static_cast<int64_t>(b.size()));
  P.EXIF_MakerNote->Update();
}

bool RawEmbeddedInfoFromBuffer(const uint8_t* Data, size_t Size, TIOParamsVals& P) {
  if (Size < 14) return false;
  const bool ii = Data[0] == 'I' && Data[1] == 'I', mm = Data[0] == 'M' && Data[1] == 'M';
  if (!ii && !mm && std::memcmp(Data + 6, "HEAPCCDR", 8) != 0) return false;
  TCiffWalk w{Data, Size, mm, &P, {}, -1, 0, 0, 0, {}};
  const uint32_t hlen = w.U32(2);
  if (hlen < Size) w.Heap(hlen, Size - hlen, 0);
  TIEBitmap* thumb = P.EnsureEXIFBitmap();
  if (w.BestJpeg >= 0) {
    TIEMemStream ms(Data + w.BestJpeg, w.BestJpegSize);
    TImageryIO io(nullptr);
    io.AttachBitmap(thumb);
    io.LoadFromStreamJpeg(&ms);
    if (io.Aborting.load()) thumb->FreeImage();
  }
  CiffWriteMakerNote(w, P);
  return false;
}

// LibRaw's own thumbnail when the file's structures gave none: JPEG data or 8-bit RGB.
void RawLibraryThumbnail(LibRaw& Raw, TIOParamsVals& P) {
  if (Raw.unpack_thumb() != LIBRAW_SUCCESS) return;
  const libraw_thumbnail_t& t = Raw.imgdata.thumbnail;
  if (t.thumb == nullptr || t.tlength == 0) return;
  TIEBitmap* thumb = P.EnsureEXIFBitmap();
  if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
    TIEMemStream ms(t.thumb, t.tlength);
    TImageryIO io(nullptr);
    io.AttachBitmap(thumb);
    io.LoadFromStreamJpeg(&ms);
    if (io.Aborting.load()) thumb->FreeImage();
  } else if (t.tformat == LIBRAW_THUMBNAIL_BITMAP && t.tcolors == 3 && t.twidth > 0 && t.theight > 0 &&
             uint64_t(t.twidth) * t.theight * 3 <= t.tlength && thumb->Allocate(t.twidth, t.theight, ie24RGB)) {
    for (int y = 0; y < t.theight; ++y) {
      uint8_t* row = thumb->Scanline(y);
      const uint8_t* src = reinterpret_cast<const uint8_t*>(t.thumb) + size_t(y) * t.twidth * 3;
      for (int x = 0; x < t.twidth; ++x) {
        row[3 * x] = src[3 * x + 2];
        row[3 * x + 1] = src[3 * x + 1];
        row[3 * x + 2] = src[3 * x];
      }
    }
  }
}

std::string RawCameraName(LibRaw& Raw) {
  auto field = [](const char* s) { return std::string(s, strnlen(s, 64)); };
  return field(Raw.imgdata.idata.make) + " " + field(Raw.imgdata.idata.model) + " " +
         field(Raw.imgdata.color.model2);
}

// The decoded image (four 16-bit values per pixel, red, green, blue first) into the bitmap
// through the white point and gamma table; the fourth value is the pixel's magnitude.
void RawOutput(LibRaw& Raw, TIEBitmap* Bitmap, TIOParamsVals& P, int Trim, double Bright) {
  const int w = Raw.imgdata.sizes.iwidth, h = Raw.imgdata.sizes.iheight;
  ushort(*img)[4] = Raw.imgdata.image;
  const size_t n = size_t(w) * h;
  std::vector<uint32_t> hist(8192, 0);
  for (size_t i = 0; i < n; ++i) {
    const double m = std::sqrt(double(img[i][0]) * img[i][0] + double(img[i][1]) * img[i][1] +
                               double(img[i][2]) * img[i][2]);
    img[i][3] = static_cast<ushort>(std::min(m, 65535.0));
    ++hist[img[i][3] >> 4];
  }
  const std::string make = Raw.imgdata.idata.make;
  const int64_t perc = static_cast<int64_t>((make == "FUJIFILM" ? 0.005 : 0.01) * w * h);
  int64_t sum = 0;
  int val = 8191;
  for (; val > 0; --val)
    if ((sum += hist[val]) > perc) break;
  const double white = val * 16 > 0 ? val * 16 : 1;
  const double r = Bright * 442 / white;
  const double gamma = P.RAW_Gamma;
  const bool deep = P.IsNativePixelFormat;
  const double top = deep ? 65535 : 255;
  std::vector<double> table(65536);
  table[0] = 0;  // a black pixel stays black (the power of 0 below 1 is infinite)
  for (int i = 1; i < 65536; ++i) table[i] = std::pow(2.0 * i / white, gamma - 1) * r * (deep ? 65535.0 / 255 : 1);
  const int outW = std::max(0, w - 2 * Trim), outH = std::max(0, h - 2 * Trim);
  P.BitsPerSample = deep ? 16 : 8;
  P.SamplesPerPixel = 3;
  if (outW == 0 || outH == 0 || !Bitmap->Allocate(outW, outH, deep ? ieRGB48 : ie24RGB)) return;
  for (int y = 0; y < outH; ++y) {
    uint8_t* row = Bitmap->Scanline(y);
    for (int x = 0; x < outW; ++x) {
      const ushort* px = img[size_t(y + Trim) * w + x + Trim];
      const double f = table[px[3]];
      for (int c = 0; c < 3; ++c) {
        const double v = px[c] * f;
        const int out = !(v < top) ? static_cast<int>(top) : (v > 0 ? static_cast<int>(v) : 0);
        if (deep) reinterpret_cast<uint16_t*>(row)[3 * x + c] = static_cast<uint16_t>(out);
        else row[3 * x + 2 - c] = static_cast<uint8_t>(out);  // blue, green, red
      }
    }
  }
}

}  // namespace

bool RawEmbeddedInfoRead(TStream* Stream, TIOParamsVals& IOParams) {
  std::vector<uint8_t> data;
  if (!RawReadRest(Stream, data)) return false;
  return RawEmbeddedInfoFromBuffer(data.data(), data.size(), IOParams);
}

bool CameraRawDetect(TStream* Stream) {
  try {
    std::vector<uint8_t> data;
    if (!RawReadRest(Stream, data)) return false;
    auto raw = std::make_unique<LibRaw>(0);
    return raw->open_buffer(data.data(), data.size()) == LIBRAW_SUCCESS;
  } catch (...) {
    return false;
  }
}

void CameraRawReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                        bool Preview) {
  try {
    const int64_t start = Stream->Position();
    if (IOParams.RAW_GetExifThumbnail) {
      IOParams.EnsureEXIFBitmap();
      IOParams.SetRAW_GetExifThumbnail(false);
      CameraRawReadImage(Stream, Bitmap, IOParams, Progress, true);
      IOParams.SetRAW_GetExifThumbnail(true);
      if (IOParams.EXIF_Bitmap != nullptr && !IOParams.EXIF_Bitmap->IsEmpty() && !Progress.IsAborting()) {
        Bitmap->Assign(IOParams.EXIF_Bitmap);
        return;
      }
      if (Progress.IsAborting()) return;
      Stream->SetPosition(start);
    }
    std::vector<uint8_t> data;
    if (!RawReadRest(Stream, data)) return Progress.Abort();
    const int64_t tiff = IEFindRawTIFFHeader(Stream);
    if (tiff >= 0) {
      Stream->SetPosition(start + tiff);
      IELoadRawEXIF(Stream, &IOParams);
      Stream->SetPosition(start);
    } else {
      RawEmbeddedInfoFromBuffer(data.data(), data.size(), IOParams);
    }

    auto raw = std::make_unique<LibRaw>(0);
    libraw_output_params_t& o = raw->imgdata.params;
    o.bright = static_cast<float>(IOParams.RAW_Bright);
    o.four_color_rgb = IOParams.RAW_FourColorRGB ? 1 : 0;
    o.no_interpolation = 0;  // document mode off
    o.use_auto_wb = IOParams.RAW_UseAutoWB ? 1 : 0;
    o.use_camera_wb = IOParams.RAW_UseCameraWB ? 1 : 0;
    o.user_qual = 0;  // quick (bilinear) interpolation
    o.half_size = IOParams.RAW_HalfSize ? 1 : 0;
    o.output_bps = 16;
    o.gamm[0] = o.gamm[1] = 1;  // linear: the gamma table below shapes the output
    o.no_auto_bright = 1;
    o.output_color = 1;  // sRGB primaries
    o.user_flip = 0;
    if (raw->open_buffer(data.data(), data.size()) != LIBRAW_SUCCESS) return Progress.Abort();
    if (IOParams.EXIF_Bitmap == nullptr || IOParams.EXIF_Bitmap->IsEmpty()) RawLibraryThumbnail(*raw, IOParams);
    // With a thumbnail to follow, the colours are matched to it after a darker decoding.
    const bool thumbRef = IOParams.RAW_AutoAdjustColors && IOParams.EXIF_Bitmap != nullptr &&
                          !IOParams.EXIF_Bitmap->IsEmpty();
    if (thumbRef) o.bright = 0.5f;

    const libraw_image_sizes_t& sz = raw->imgdata.sizes;
    IOParams.RAW_Camera = RawCameraName(*raw);
    IOParams.SetDpiX(IEDefaultDpiX);
    IOParams.SetDpiY(IEDefaultDpiY);
    IOParams.SetColorMap(nullptr, 0);
    IOParams.Width = IOParams.OriginalWidth = std::max(0, int(sz.width) - 2);
    IOParams.Height = IOParams.OriginalHeight = std::max(0, int(sz.height) - 2);
    if (!Preview) {
      const bool cfa = raw->imgdata.idata.filters != 0;
      const bool shrink = IOParams.RAW_HalfSize && cfa;
      if (IOParams.RAW_RedScale != 1.0 || IOParams.RAW_BlueScale != 1.0) {
        const float* pm = raw->imgdata.color.pre_mul;
        if (pm[0] > 0 && pm[1] > 0 && pm[2] > 0) {
          o.user_mul[0] = static_cast<float>(pm[0] * IOParams.RAW_RedScale);
          o.user_mul[1] = pm[1];
          o.user_mul[2] = static_cast<float>(pm[2] * IOParams.RAW_BlueScale);
          o.user_mul[3] = pm[3] > 0 ? pm[3] : pm[1];
        }
      }
      if (raw->unpack() != LIBRAW_SUCCESS) return Progress.Abort();
      RawSay(Progress, 70);
      if (raw->dcraw_process() != LIBRAW_SUCCESS || raw->imgdata.image == nullptr) return Progress.Abort();
      RawSay(Progress, 85);
      IOParams.SetImageCount(1);
      const int trim = cfa && !shrink ? 1 : 0;
      RawOutput(*raw, Bitmap, IOParams, trim, o.bright);
      RawSay(Progress, 90);
    }
    if (thumbRef && !Preview && !Bitmap->IsEmpty()) {
      TIEBitmap ref;
      ref.Assign(IOParams.EXIF_Bitmap);
      if (ref.PixelFormat() != ie24RGB) ref.SetPixelFormat(ie24RGB);
      IEMatchHistogram(&ref, Bitmap);
    }
    RawSay(Progress, 100);
  } catch (...) {
    Progress.Abort();
  }
}

void IERegisterCameraRawCodec() {
  IECodecs.CameraRawReadImage = CameraRawReadImage;
  IECodecs.IsCameraRaw = CameraRawDetect;
}

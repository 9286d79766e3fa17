// JPEG 2000 codec around OpenJPEG (see jp2filt.h).
#include "imaging/codecs/jp2filt.h"

#include <openjpeg.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iedefs.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

// The reader keeps at most this many components (the fixed table of the original design).
constexpr uint32_t kJp2MaxComponents = 11;
// Samples the reader lets OpenJPEG decode at most (1 GB of 32-bit samples).
constexpr uint64_t kJp2MaxSamples = uint64_t(1) << 28;
// Pixels a byte of the code stream may declare at most (past the first kilobyte).
constexpr uint64_t kJp2MostPixelsPerByte = 2048;
constexpr OPJ_SIZE_T kJp2ChunkSize = 65536;

// YCbCr-to-RGB tables, indexed by the 8-bit chroma value.
int32_t Jp2CrToRed[256], Jp2CbToBlue[256], Jp2CrToGreen[256], Jp2CbToGreen[256];
bool Jp2TablesBuilt = false;

void Jp2Say(TIEProgressRec& Progress, int Per) {
  if (Progress.Callback == nullptr) return;
  Progress.Callback(Progress.Data, Progress.Sender, Per);
}

// OpenJPEG's messages never reach the user.
void Jp2Quiet(const char*, void*) {}

// The caller's stream as OpenJPEG sees it: positions count from where the codec started.
struct TJp2StreamCtx {
  TStream* Stream;
  int64_t Base;
  bool Writing;
};

OPJ_SIZE_T Jp2ReadCb(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* c = static_cast<TJp2StreamCtx*>(User);
  try {
    const int64_t n = c->Stream->Read(Buffer, static_cast<int64_t>(Count));
    return n <= 0 ? static_cast<OPJ_SIZE_T>(-1) : static_cast<OPJ_SIZE_T>(n);
  } catch (...) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
}

OPJ_SIZE_T Jp2WriteCb(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* c = static_cast<TJp2StreamCtx*>(User);
  try {
    const int64_t n = c->Stream->Write(Buffer, static_cast<int64_t>(Count));
    return n < 0 ? static_cast<OPJ_SIZE_T>(-1) : static_cast<OPJ_SIZE_T>(n);
  } catch (...) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
}

// Moves to Base + Offset. A writer that moves past the end fills the gap with zeros, so the
// space OpenJPEG reserves for a box header exists before it comes back to fill it.
bool Jp2MoveTo(TJp2StreamCtx* c, int64_t Offset) {
  if (Offset < 0) return false;
  const int64_t target = c->Base + Offset;
  const int64_t size = c->Stream->Size();
  if (target <= size || !c->Writing) {
    if (!c->Writing && target > size) return false;
    c->Stream->SetPosition(target);
    return c->Stream->Position() == target;
  }
  c->Stream->SetPosition(size);
  static const uint8_t zeros[512] = {};
  for (int64_t left = target - size; left > 0;) {
    const int64_t n = std::min<int64_t>(left, sizeof(zeros));
    if (c->Stream->Write(zeros, n) != n) return false;
    left -= n;
  }
  return true;
}

OPJ_OFF_T Jp2SkipCb(OPJ_OFF_T Count, void* User) {
  auto* c = static_cast<TJp2StreamCtx*>(User);
  try {
    const int64_t at = c->Stream->Position() - c->Base;
    return Jp2MoveTo(c, at + Count) ? Count : -1;
  } catch (...) {
    return -1;
  }
}

OPJ_BOOL Jp2SeekCb(OPJ_OFF_T Offset, void* User) {
  try {
    return Jp2MoveTo(static_cast<TJp2StreamCtx*>(User), Offset) ? OPJ_TRUE : OPJ_FALSE;
  } catch (...) {
    return OPJ_FALSE;
  }
}

opj_stream_t* Jp2OpenStream(TJp2StreamCtx& Ctx, bool Input) {
  opj_stream_t* s = opj_stream_create(kJp2ChunkSize, Input ? OPJ_TRUE : OPJ_FALSE);
  if (s == nullptr) return nullptr;
  opj_stream_set_user_data(s, &Ctx, nullptr);
  if (Input) {
    opj_stream_set_read_function(s, Jp2ReadCb);
    const int64_t left = Ctx.Stream->Size() - Ctx.Base;
    opj_stream_set_user_data_length(s, static_cast<OPJ_UINT64>(std::max<int64_t>(left, 0)));
  } else {
    opj_stream_set_write_function(s, Jp2WriteCb);
  }
  opj_stream_set_skip_function(s, Jp2SkipCb);
  opj_stream_set_seek_function(s, Jp2SeekCb);
  return s;
}

void Jp2SilenceCodec(opj_codec_t* Codec) {
  opj_set_info_handler(Codec, Jp2Quiet, nullptr);
  opj_set_warning_handler(Codec, Jp2Quiet, nullptr);
  opj_set_error_handler(Codec, Jp2Quiet, nullptr);
}

// Owns what one read or write made of OpenJPEG.
struct TJp2Session {
  opj_codec_t* Codec = nullptr;
  opj_stream_t* Stream = nullptr;
  opj_image_t* Image = nullptr;
  ~TJp2Session() {
    if (Image != nullptr) opj_image_destroy(Image);
    if (Stream != nullptr) opj_stream_destroy(Stream);
    if (Codec != nullptr) opj_destroy_codec(Codec);
  }
};

enum class TJp2Mode { Grey, RGB, YCbCr, Unsupported };

TJp2Mode Jp2ModeOf(const opj_image_t* Image) {
  switch (Image->color_space) {
    case OPJ_CLRSPC_GRAY: return TJp2Mode::Grey;
    case OPJ_CLRSPC_SRGB: return TJp2Mode::RGB;
    case OPJ_CLRSPC_SYCC: return TJp2Mode::YCbCr;
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED:  // a bare code stream: the component count tells
      return Image->numcomps >= 3 ? TJp2Mode::RGB : TJp2Mode::Grey;
    default: return TJp2Mode::Unsupported;
  }
}

// The component holding colour channel N (the N-th component that is not opacity), else
// component N itself, else -1.
int Jp2ChannelComponent(const opj_image_t* Image, int N) {
  int seen = 0;
  for (uint32_t i = 0; i < Image->numcomps; ++i)
    if (Image->comps[i].alpha == 0 && seen++ == N) return static_cast<int>(i);
  return N < static_cast<int>(Image->numcomps) ? N : -1;
}

// Checks the geometry every later step relies on: a non-empty extent, at most 11 components of
// 1 to 32 bits, and no more samples than the data could plausibly hold.
bool Jp2GeometryOk(const opj_image_t* Image, int64_t DataBytes) {
  if (Image == nullptr || Image->x1 <= Image->x0 || Image->y1 <= Image->y0) return false;
  if (Image->numcomps == 0 || Image->numcomps > kJp2MaxComponents) return false;
  const int64_t w = int64_t(Image->x1) - Image->x0, h = int64_t(Image->y1) - Image->y0;
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF || !IERowLengthFits(static_cast<int>(w), 24)) return false;
  if (!IEPlausibleImageSize(w, h, DataBytes)) return false;
  // The decoder sets up and transforms every sample of the declared size even when the packets
  // are nearly empty, at a cost far above other formats' per pixel: a few hundred bytes declaring
  // tens of megapixels would keep it busy for seconds. Photos even at the strongest compression
  // need a byte per thousand pixels or so.
  if (uint64_t(w) * uint64_t(h) > uint64_t(std::max<int64_t>(DataBytes, 0) + 1024) * kJp2MostPixelsPerByte)
    return false;
  uint64_t samples = 0;
  for (uint32_t i = 0; i < Image->numcomps; ++i) {
    const opj_image_comp_t& c = Image->comps[i];
    if (c.prec < 1 || c.prec > 32 || c.dx == 0 || c.dy == 0) return false;
    samples += uint64_t(c.w) * c.h;
  }
  return samples <= kJp2MaxSamples;
}

// Whether the tile grid of the code stream's size marker can be in DataBytes: every tile has at
// least one tile-part (a 12-byte SOT marker segment and the 2-byte SOD), and the decoder sets up
// every tile while it reads the main header, so a few bytes must not declare tens of thousands of
// tiles. The stream position is kept. A stream whose size marker cannot be found is left to the
// decoder, which refuses it.
bool Jp2TileGridFits(TStream* Stream, bool Jp2, int64_t DataBytes) {
  const int64_t at = Stream->Position();
  auto be32 = [](const uint8_t* b) { return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]; };
  bool fits = true;
  int64_t pos = at;
  const int64_t end = at + DataBytes;
  bool found = !Jp2;
  // A JP2 file: the code stream is the content of the contiguous code stream box ("jp2c").
  for (int boxes = 0; Jp2 && !found && boxes < 64 && pos + 8 <= end; ++boxes) {
    uint8_t h[16];
    Stream->SetPosition(pos);
    if (Stream->Read(h, 8) != 8) break;
    uint64_t len = be32(h);
    int64_t head = 8;
    if (len == 1) {
      if (Stream->Read(h + 8, 8) != 8) break;
      len = uint64_t(be32(h + 8)) << 32 | be32(h + 12);
      head = 16;
    }
    if (std::memcmp(h + 4, "jp2c", 4) == 0) {
      pos += head;
      found = true;
    } else if (len == 0 || len < static_cast<uint64_t>(head) || len > static_cast<uint64_t>(end - pos)) {
      break;
    } else {
      pos += static_cast<int64_t>(len);
    }
  }
  uint8_t siz[40];
  Stream->SetPosition(pos);
  if (found && Stream->Read(siz, 40) == 40 && siz[0] == 0xFF && siz[1] == 0x4F && siz[2] == 0xFF && siz[3] == 0x51) {
    const uint64_t xs = be32(siz + 8), ys = be32(siz + 12), xt = be32(siz + 24), yt = be32(siz + 28),
                   xto = be32(siz + 32), yto = be32(siz + 36);
    if (xt > 0 && yt > 0 && xs > xto && ys > yto) {
      const uint64_t tiles = ((xs - xto + xt - 1) / xt) * ((ys - yto + yt - 1) / yt);
      fits = tiles <= static_cast<uint64_t>(std::max<int64_t>(0, end - pos)) / 14;
    }
  }
  Stream->SetPosition(at);
  return fits;
}

// Column (or row) of a component for each image column (row): the reference-grid position
// divided by the component's spacing, less the component's own origin; outside entries are 0.
std::vector<uint32_t> Jp2IndexTable(uint32_t Count, uint32_t ImageOrigin, uint32_t Spacing, uint32_t CompOrigin,
                                    uint32_t CompSize) {
  std::vector<uint32_t> t(Count);
  for (uint32_t i = 0; i < Count; ++i) {
    const int64_t v = static_cast<int64_t>((uint64_t(ImageOrigin) + i) / Spacing) - CompOrigin;
    t[i] = v < 0 || v >= CompSize ? 0 : static_cast<uint32_t>(v);
  }
  return t;
}

struct TJp2Plane {
  const opj_image_comp_t* Comp = nullptr;
  std::vector<uint32_t> Cols, Rows;
  int Sample(uint32_t x, uint32_t y) const {
    return Jpeg2000Sample8(Comp->data[size_t(Rows[y]) * Comp->w + Cols[x]], static_cast<int>(Comp->prec));
  }
};

uint8_t Jp2Clamp(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// The rate and progression options of the option string, as OpenJPEG takes them. A rate below 1
// is the fraction of the uncompressed size to keep (OpenJPEG wants its inverse, a ratio); a rate
// of 1 or more, or none, codes losslessly.
void Jp2ApplyOptions(const std::string& Options, opj_cparameters_t& P) {
  size_t at = 0;
  while (at < Options.size()) {
    while (at < Options.size() && Options[at] == ' ') ++at;
    size_t end = Options.find(' ', at);
    if (end == std::string::npos) end = Options.size();
    const std::string tok = Options.substr(at, end - at);
    at = end;
    if (tok.rfind("rate=", 0) == 0) {
      std::string v = tok.substr(5);
      std::replace(v.begin(), v.end(), ',', '.');
      double rate = 0;
      auto r = std::from_chars(v.data(), v.data() + v.size(), rate);
      if (r.ec == std::errc() && std::isfinite(rate) && rate > 0 && rate < 1) P.tcp_rates[0] = static_cast<float>(1.0 / rate);
    } else if (tok.rfind("prg=", 0) == 0) {
      const std::string v = tok.substr(4);
      if (v == "lrcp") P.prog_order = OPJ_LRCP;
      else if (v == "rlcp") P.prog_order = OPJ_RLCP;
      else if (v == "rpcl") P.prog_order = OPJ_RPCL;
      else if (v == "pcrl") P.prog_order = OPJ_PCRL;
      else if (v == "cprl") P.prog_order = OPJ_CPRL;
    }
  }
}

}  // namespace

int Jpeg2000Sample8(int32_t Value, int Precision) {
  if (Precision < 1 || Precision > 32) return 0;
  uint32_t u = static_cast<uint32_t>(Value);
  if (Precision < 32) u <<= (32 - Precision);
  return static_cast<int>(u >> 24);
}

bool Jp2Detect(TStream* Stream) {
  static const uint8_t sig[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  uint8_t h[12];
  const int64_t at = Stream->Position();
  const bool r = Stream->Read(h, 12) == 12 && std::memcmp(h, sig, 12) == 0;
  Stream->SetPosition(at);
  return r;
}

bool J2kDetect(TStream* Stream) {
  uint8_t h[4];
  const int64_t at = Stream->Position();
  const bool r = Stream->Read(h, 4) == 4 && h[0] == 0xFF && h[1] == 0x4F && h[2] == 0xFF && h[3] == 0x51;
  Stream->SetPosition(at);
  return r;
}

void IEJ2000Init() {
  const float kr = 0.299f, kg = 0.587f, kb = 0.114f;
  const float crr = 2 * (1 - kr), cbb = 2 * (1 - kb);
  const float crg = kr * 2 * (1 - kr) / kg, cbg = kb * 2 * (1 - kb) / kg;
  for (int i = 0; i < 256; ++i) {
    const float d = static_cast<float>(i - 128);
    Jp2CrToRed[i] = static_cast<int32_t>(std::nearbyint(crr * d));
    Jp2CbToBlue[i] = static_cast<int32_t>(std::nearbyint(cbb * d));
    Jp2CrToGreen[i] = -static_cast<int32_t>(std::nearbyint(crg * d));
    Jp2CbToGreen[i] = -static_cast<int32_t>(std::nearbyint(cbg * d));
  }
  Jp2TablesBuilt = true;
}

void IEJ2000Free() {}

void Jpeg2000ReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                       bool Preview) {
  try {
    const bool jp2 = Jp2Detect(Stream);
    if (!jp2 && !J2kDetect(Stream)) return Progress.Abort();
    if (!Jp2TablesBuilt) IEJ2000Init();
    TJp2StreamCtx ctx{Stream, Stream->Position(), false};
    const int64_t dataBytes = Stream->Size() - ctx.Base;
    TJp2Session s;
    s.Codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (s.Codec == nullptr) return Progress.Abort();
    Jp2SilenceCodec(s.Codec);
    opj_dparameters_t dp;
    opj_set_default_decoder_parameters(&dp);
    if (!opj_setup_decoder(s.Codec, &dp)) return Progress.Abort();
    if (!Jp2TileGridFits(Stream, jp2, dataBytes)) return Progress.Abort();
    s.Stream = Jp2OpenStream(ctx, true);
    if (s.Stream == nullptr || !opj_read_header(s.Stream, s.Codec, &s.Image) || !Jp2GeometryOk(s.Image, dataBytes))
      return Progress.Abort();
    if (!Preview) {
      if (!opj_decode(s.Codec, s.Stream, s.Image) || !opj_end_decompress(s.Codec, s.Stream) ||
          !Jp2GeometryOk(s.Image, dataBytes))
        return Progress.Abort();
    }
    opj_image_t* img = s.Image;
    const uint32_t width = img->x1 - img->x0, height = img->y1 - img->y0;
    IOParams.SetImageCount(1);
    const TJp2Mode mode = Jp2ModeOf(img);
    if (mode == TJp2Mode::Unsupported) return Progress.Abort();
    int used[3] = {-1, -1, -1};
    const int nUsed = mode == TJp2Mode::Grey ? 1 : 3;
    for (int n = 0; n < nUsed; ++n) {
      used[n] = Jp2ChannelComponent(img, n);
      if (used[n] < 0 && mode == TJp2Mode::YCbCr) used[n] = 0;
      if (used[n] < 0) return Progress.Abort();  // an RGB image needs three components
    }
    IOParams.BitsPerSample = static_cast<int32_t>(img->comps[used[0]].prec);
    IOParams.SamplesPerPixel = mode == TJp2Mode::Grey ? 1 : 3;
    IOParams.SetDpiX(IEDefaultDpiX);
    IOParams.SetDpiY(IEDefaultDpiY);
    IOParams.SetColorMap(nullptr, 0);
    IOParams.Width = IOParams.OriginalWidth = static_cast<int32_t>(width);
    IOParams.Height = IOParams.OriginalHeight = static_cast<int32_t>(height);
    if (Preview) return;

    TJp2Plane planes[3];
    for (int n = 0; n < nUsed; ++n) {
      const opj_image_comp_t& c = img->comps[used[n]];
      if (c.data == nullptr || c.w == 0 || c.h == 0) return Progress.Abort();
      planes[n].Comp = &c;
      planes[n].Cols = Jp2IndexTable(width, img->x0, c.dx, c.x0, c.w);
      planes[n].Rows = Jp2IndexTable(height, img->y0, c.dy, c.y0, c.h);
    }
    const bool bilevel = IOParams.BitsPerSample == 1 && IOParams.SamplesPerPixel == 1;
    if (!Bitmap->Allocate(static_cast<int>(width), static_cast<int>(height), bilevel ? ie1g : ie24RGB))
      return Progress.Abort();
    const double per = 100.0 / height;
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* row = Bitmap->Scanline(static_cast<int>(y));
      if (bilevel) std::memset(row, 0, (width + 7) / 8);
      for (uint32_t x = 0; x < width; ++x) {
        if (mode == TJp2Mode::Grey) {
          const int v = planes[0].Sample(x, y);
          if (bilevel) {
            if (v != 0) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          } else {
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uint8_t>(v);
          }
        } else if (mode == TJp2Mode::RGB) {
          row[3 * x] = static_cast<uint8_t>(planes[2].Sample(x, y));
          row[3 * x + 1] = static_cast<uint8_t>(planes[1].Sample(x, y));
          row[3 * x + 2] = static_cast<uint8_t>(planes[0].Sample(x, y));
        } else {
          const int Y = planes[0].Sample(x, y), cb = planes[1].Sample(x, y), cr = planes[2].Sample(x, y);
          row[3 * x] = Jp2Clamp(Y + Jp2CbToBlue[cb]);
          row[3 * x + 1] = Jp2Clamp(Y + Jp2CbToGreen[cb] + Jp2CrToGreen[cr]);
          row[3 * x + 2] = Jp2Clamp(Y + Jp2CrToRed[cr]);
        }
      }
      Jp2Say(Progress, static_cast<int>(y * per));
      if (Progress.IsAborting()) break;
    }
  } catch (...) {
    Progress.Abort();
  }
}

std::string Jpeg2000OptionString(const TIOParamsVals& IOParams) {
  std::string rate;
  IEFloatToStrDot(rate, IOParams.J2000_Rate);
  std::string s = "rate=" + rate;
  if (IOParams.J2000_Progression == 0) s += " prg=lrcp";
  else if (IOParams.J2000_Progression == 1) s += " prg=rlcp";
  return s;
}

void Jpeg2000WriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, int Kind,
                        TIEProgressRec& Progress) {
  try {
    if (Bitmap == nullptr || Bitmap->IsEmpty() || (Kind != 0 && Kind != 1)) return Progress.Abort();
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    if (pf != ie1g && pf != ie24RGB) return Progress.Abort();
    if (pf == ie1g) {
      IOParams.BitsPerSample = 1;
      IOParams.J2000_ColorSpace = 0;
    }
    const int bits = IOParams.BitsPerSample;
    if (bits < 1 || bits > 16 || IOParams.J2000_ColorSpace > 2) return Progress.Abort();
    const uint32_t width = static_cast<uint32_t>(Bitmap->Width()), height = static_cast<uint32_t>(Bitmap->Height());
    const bool grey = IOParams.J2000_ColorSpace == 0;
    TIEBitmap* alpha = nullptr;
    if (!grey && pf == ie24RGB && Bitmap->HasAlphaChannel()) {
      alpha = Bitmap->GetAlphaChannel();
      if (alpha != nullptr && (alpha->Full || alpha->Width() != Bitmap->Width() || alpha->Height() != Bitmap->Height()))
        alpha = nullptr;
    }
    const uint32_t ncomp = grey ? 1 : (alpha != nullptr ? 4 : 3);
    opj_image_cmptparm_t cp[4];
    std::memset(cp, 0, sizeof(cp));
    for (uint32_t i = 0; i < ncomp; ++i) {
      cp[i].dx = cp[i].dy = 1;
      cp[i].w = width;
      cp[i].h = height;
      cp[i].prec = static_cast<OPJ_UINT32>(bits);
      cp[i].sgnd = 0;
    }
    TJp2Session s;
    s.Image = opj_image_create(ncomp, cp, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    if (s.Image == nullptr) return Progress.Abort();
    s.Image->x0 = s.Image->y0 = 0;
    s.Image->x1 = width;
    s.Image->y1 = height;
    if (alpha != nullptr) s.Image->comps[3].alpha = 1;
    for (uint32_t i = 0; i < ncomp; ++i)
      if (s.Image->comps[i].data == nullptr) return Progress.Abort();
      else std::memset(s.Image->comps[i].data, 0, sizeof(OPJ_INT32) * width * height);

    const double maxval = static_cast<double>((1u << bits) - 1);
    auto scale = [maxval](int v) { return static_cast<OPJ_INT32>(v / 255.0 * maxval); };
    const double per = height > 0 ? 100.0 / height : 0;
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* row = Bitmap->Scanline(static_cast<int>(y));
      const size_t base = size_t(y) * width;
      for (uint32_t x = 0; x < width; ++x) {
        if (pf == ie1g) {
          s.Image->comps[0].data[base + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;  // always grey
          continue;
        }
        const int b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
        if (grey) {
          const int lum = (r * IEGrayWeightRed + g * IEGrayWeightGreen + b * IEGrayWeightBlue) / 100;
          s.Image->comps[0].data[base + x] = scale(lum);
        } else {
          s.Image->comps[0].data[base + x] = scale(r);
          s.Image->comps[1].data[base + x] = scale(g);
          s.Image->comps[2].data[base + x] = scale(b);
        }
      }
      if (alpha != nullptr) {
        const uint8_t* a = alpha->Scanline(static_cast<int>(y));
        for (uint32_t x = 0; x < width; ++x) s.Image->comps[3].data[base + x] = scale(a[x]);
      }
      Jp2Say(Progress, static_cast<int>(y * per));
      if (Progress.IsAborting()) break;  // the rows transferred so far are still written
    }

    opj_cparameters_t p;
    opj_set_default_encoder_parameters(&p);
    p.tcp_numlayers = 1;
    p.cp_disto_alloc = 1;
    p.tcp_rates[0] = 0;  // lossless unless the rate asks for less
    p.prog_order = OPJ_LRCP;
    Jp2ApplyOptions(Jpeg2000OptionString(IOParams), p);
    p.tcp_mct = ncomp >= 3 ? 1 : 0;
    // Every resolution level needs at least one sample per side.
    int res = 1;
    for (uint32_t side = std::min(width, height); side > 1 && res < 6; side >>= 1) ++res;
    p.numresolution = res;
    s.Codec = opj_create_compress(Kind == 0 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (s.Codec == nullptr) return Progress.Abort();
    Jp2SilenceCodec(s.Codec);
    TJp2StreamCtx ctx{Stream, Stream->Position(), true};
    s.Stream = Jp2OpenStream(ctx, false);
    if (s.Stream == nullptr || !opj_setup_encoder(s.Codec, &p, s.Image) ||
        !opj_start_compress(s.Codec, s.Image, s.Stream) || !opj_encode(s.Codec, s.Stream) ||
        !opj_end_compress(s.Codec, s.Stream))
      Progress.Abort();  // an encoder failure is reported, never passed off as a file
  } catch (...) {
    Progress.Abort();
  }
}

void IERegisterJpeg2000Codec() {
  IECodecs.Jpeg2000ReadImage = Jpeg2000ReadImage;
  IECodecs.Jpeg2000WriteImage = Jpeg2000WriteImage;
  IESetLibraryStep(lsJ2000, &IEJ2000Init, &IEJ2000Free);
}

// PSD codec (see psdfilt.h).
#include "imaging/codecs/psdfilt.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/ieresample.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kPsdMaxLayerChannels = 56;
constexpr int kPsdMaxNameLength = 1023;

// Big-endian reading over the buffered reader; a short read marks the input as ended.
class TPsdInput {
public:
  TPsdInput(TStream* Stream, int64_t Size) : R(Stream), FSize(Size) {}
  int64_t Position() const { return R.Position(); }
  int64_t Size() const { return FSize; }
  int64_t Remaining() const { return std::max<int64_t>(0, FSize - R.Position()); }
  bool Read(void* Dest, int64_t Count) {
    if (Count <= 0) return true;
    if (R.Read(Dest, Count) != Count) {
      Ended = true;
      return false;
    }
    return true;
  }
  uint8_t U8() {
    const int c = R.Get();
    if (c < 0) {
      Ended = true;
      return 0;
    }
    return static_cast<uint8_t>(c);
  }
  uint16_t U16() {
    uint8_t b[2] = {0, 0};
    Read(b, 2);
    return IEBE16(b);
  }
  uint32_t U32() {
    uint8_t b[4] = {0, 0, 0, 0};
    Read(b, 4);
    return IEBE32(b);
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  // Moves forward to Target (never backwards, never past the end).
  void SkipTo(int64_t Target) {
    const int64_t n = std::min(Target, FSize) - R.Position();
    if (n > 0) R.Skip(n);
  }

  bool Ended = false;

private:
  TIECodecReader R;
  int64_t FSize;
};

struct TPsdHeader {
  uint16_t Channels = 0;
  uint32_t Height = 0, Width = 0;
  uint16_t Depth = 0, Mode = 0;
};

bool PsdHeaderFrom(const uint8_t* h, TPsdHeader& H) {
  if (std::memcmp(h, "8BPS", 4) != 0 || IEBE16(h + 4) != 1) return false;
  H.Channels = IEBE16(h + 12);
  H.Height = IEBE32(h + 14);
  H.Width = IEBE32(h + 18);
  H.Depth = IEBE16(h + 22);
  H.Mode = IEBE16(h + 24);
  return H.Channels >= 1 && H.Channels <= 24 && H.Depth >= 1 && H.Depth <= 16 && H.Mode < 10;
}

// Colour channels of a mode (the channel after them is the transparency).
int PsdColourChannels(int Mode) {
  switch (Mode) {
    case 0: case 1: case 2: case 8: return 1;
    case 3: case 9: return 3;
    case 4: return 4;
    default: return 0;
  }
}

TIEPixelFormat PsdPixelFormat(int Mode, int Depth) {
  switch (Mode) {
    case 0: return Depth == 1 ? ie1g : ieNone;
    case 1: case 8: return Depth == 8 ? ie8g : Depth == 16 ? ie16g : ieNone;
    case 2: return Depth == 8 ? ie8p : ieNone;
    case 3: return Depth == 8 ? ie24RGB : Depth == 16 ? ieRGB48 : ieNone;
    case 4: return Depth == 8 || Depth == 16 ? ieCMYK : ieNone;
    case 9: return Depth == 8 || Depth == 16 ? ieCIELab : ieNone;
    default: return ieNone;
  }
}

// PackBits decoding of Count stored bytes into Out (Length bytes, never written past).
void PsdUnpackBits(const uint8_t* In, int Count, uint8_t* Out, int Length) {
  int i = 0, o = 0;
  while (i < Count && o < Length) {
    const int n = static_cast<int8_t>(In[i++]);
    if (n >= 0) {
      const int k = std::min({n + 1, Count - i, Length - o});
      std::memcpy(Out + o, In + i, static_cast<size_t>(std::max(k, 0)));
      i += n + 1;
      o += std::max(k, 0);
    } else if (n != -128) {
      if (i >= Count) break;
      const int k = std::min(1 - n, Length - o);
      std::memset(Out + o, In[i++], static_cast<size_t>(k));
      o += k;
    }
  }
}

// What a document needs to decode a channel.
struct TPsdDoc {
  TPsdHeader H;
  std::vector<uint8_t> Palette;  // 768 planar bytes or empty
  int TransparentIndex = -1;
};

// Decodes the rows of one channel (compression and row counts already read) into Bitmap, which
// is allocated at Width x Height in Format (kept when it already is, so channels accumulate).
// Mask: the channel is a user mask decoded as 8-bit grey.
void PsdDecodeChannelRows(TPsdInput& In, const TPsdDoc& D, TIEBitmap* B, int Width, int Height, int Id, bool Mask,
                          int Compression, const uint16_t* Counts) {
  const int depth = D.H.Depth;
  const TIEPixelFormat pf = Mask ? ie8g : PsdPixelFormat(D.H.Mode, depth);
  if (pf == ieNone || Width <= 0 || Height <= 0) return;
  if (B->Width() != Width || B->Height() != Height || B->PixelFormat() != pf) {
    if (!B->Allocate(Width, Height, pf)) return;
    B->Fill(pf == ie1g ? 1 : 0);
  }
  const int colours = PsdColourChannels(D.H.Mode);
  const bool alpha = !Mask && (Id == -1 || Id == colours);
  if (!Mask && !alpha && (Id < 0 || Id >= colours)) return;  // other channels are not kept
  const int64_t rawLen = (static_cast<int64_t>(Width) * depth + 7) / 8;
  std::vector<uint8_t> row(static_cast<size_t>(rawLen)), packed;
  if (pf == ie8p && Id == 0) {
    if (D.Palette.size() == 768) {
      for (int i = 0; i < 256; ++i)
        B->SetPaletteEntry(i, TIERGBPixel{D.Palette[512 + i], D.Palette[256 + i], D.Palette[i]});
    }
  }
  TIEBitmap* A = alpha ? B->GetAlphaChannel() : nullptr;
  for (int y = 0; y < Height; ++y) {
    if (Compression == 0) {
      if (!In.Read(row.data(), rawLen)) return;
    } else if (Compression == 1) {
      const int n = Counts[y];
      packed.resize(static_cast<size_t>(n));
      if (!In.Read(packed.data(), n)) return;
      std::fill(row.begin(), row.end(), 0);
      PsdUnpackBits(packed.data(), n, row.data(), static_cast<int>(rawLen));
    } else {
      continue;
    }
    const uint8_t* r = row.data();
    if (alpha || Mask) {
      uint8_t* o = (alpha ? A : B)->Scanline(y);
      for (int x = 0; x < Width; ++x) o[x] = depth == 16 ? r[2 * x] : depth == 8 ? r[x] : ((r[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0);
      continue;
    }
    uint8_t* o = B->Scanline(y);
    switch (pf) {
      case ie1g:
        for (int64_t i = 0; i < rawLen; ++i) o[i] = static_cast<uint8_t>(~r[i]);
        break;
      case ie8g:
      case ie8p:
        std::memcpy(o, r, static_cast<size_t>(Width));
        if (pf == ie8p && D.TransparentIndex >= 0) {
          uint8_t* a = B->GetAlphaChannel()->Scanline(y);
          for (int x = 0; x < Width; ++x) a[x] = r[x] == D.TransparentIndex ? 0 : 255;
        }
        break;
      case ie16g: {
        auto* w = reinterpret_cast<uint16_t*>(o);
        for (int x = 0; x < Width; ++x) w[x] = IEBE16(r + 2 * x);
        break;
      }
      case ie24RGB:
        for (int x = 0; x < Width; ++x) o[3 * x + 2 - Id] = r[x];
        break;
      case ieRGB48: {
        auto* w = reinterpret_cast<uint16_t*>(o);
        for (int x = 0; x < Width; ++x) w[3 * x + Id] = IEBE16(r + 2 * x);
        break;
      }
      case ieCMYK:
      case ieCIELab: {
        const int step = pf == ieCMYK ? 4 : 3;
        const int sample = depth == 16 ? 2 : 1;
        const uint8_t bias = pf == ieCIELab && Id > 0 ? 128 : 0;
        for (int x = 0; x < Width; ++x) o[step * x + Id] = static_cast<uint8_t>(r[sample * x] - bias);
        break;
      }
      default:
        break;
    }
  }
}

// Whether a channel of Width x Height samples of Depth bits can come from the bytes left: PackBits
// gives at most 128 bytes for 2, so a channel that needs far more than that is not in the file and
// is not allocated (a few header bytes must not make a picture of many megapixels).
bool PsdChannelFits(int64_t Width, int64_t Height, int Depth, int64_t Remaining) {
  if (Width <= 0 || Height <= 0 || !IEPlausibleImageSize(Width, Height, Remaining + 1)) return false;
  const int64_t rowBytes = (Width * Depth + 7) / 8;
  return rowBytes * Height <= (std::max<int64_t>(0, Remaining) + 1024) * 64;
}

// Reads a channel's compression and row counts, then its rows.
void PsdDecodeLayerChannel(TPsdInput& In, const TPsdDoc& D, TIEBitmap* B, int Width, int Height, int Id, bool Mask) {
  const int comp = In.U16();
  std::vector<uint16_t> counts;
  const int depth = D.H.Depth;
  if (comp == 1) {
    if (static_cast<int64_t>(Height) * 2 > In.Remaining()) {
      In.Ended = true;
      return;
    }
    counts.resize(static_cast<size_t>(Height));
    for (int y = 0; y < Height; ++y) counts[static_cast<size_t>(y)] = In.U16();
  }
  (void)depth;
  PsdDecodeChannelRows(In, D, B, Width, Height, Id, Mask, comp, counts.data());
}

struct TPsdChannel {
  int Id = 0;
  uint32_t Length = 0;
};

struct TPsdRecord {
  int32_t Top = 0, Left = 0, Bottom = 0, Right = 0;
  std::vector<TPsdChannel> Channels;
  int Opacity = 255, Clipping = 0, Flags = 0;
  int32_t MaskTop = 0, MaskLeft = 0, MaskBottom = 0, MaskRight = 0;
  std::string Name;
};

// The side of a rectangle, or -1 when it is negative or out of range.
int64_t PsdSide(int32_t From, int32_t To) {
  const int64_t n = static_cast<int64_t>(To) - From;
  return n < 0 || n > 0x3FFFFFFF ? -1 : n;
}

bool PsdReadRecord(TPsdInput& In, TPsdRecord& R) {
  R.Top = In.I32();
  R.Left = In.I32();
  R.Bottom = In.I32();
  R.Right = In.I32();
  const int nch = In.I16();
  if (nch < 0 || nch > kPsdMaxLayerChannels) return false;
  for (int i = 0; i < nch; ++i) {
    TPsdChannel c;
    c.Id = In.I16();
    c.Length = In.U32();
    R.Channels.push_back(c);
  }
  uint8_t sig[8];
  if (!In.Read(sig, 8) || std::memcmp(sig, "8BIM", 4) != 0) return false;
  R.Opacity = In.U8();
  R.Clipping = In.U8();
  R.Flags = In.U8();
  In.U8();
  const uint32_t extra = In.U32();
  const int64_t extraEnd = In.Position() + extra;
  if (static_cast<int64_t>(extra) > In.Remaining()) return false;
  const uint32_t maskLen = In.U32();
  const int64_t maskEnd = In.Position() + maskLen;
  if (maskLen >= 16 && maskEnd <= extraEnd) {
    R.MaskTop = In.I32();
    R.MaskLeft = In.I32();
    R.MaskBottom = In.I32();
    R.MaskRight = In.I32();
  }
  if (maskEnd > extraEnd) return false;
  In.SkipTo(maskEnd);
  const uint32_t rangesLen = In.U32();
  const int64_t rangesEnd = In.Position() + rangesLen;
  if (rangesEnd > extraEnd) return false;
  In.SkipTo(rangesEnd);
  const int nameLen = In.U8();
  if (In.Position() + nameLen <= extraEnd) {
    std::string name(static_cast<size_t>(nameLen), '\0');
    In.Read(name.data(), nameLen);
    R.Name = name.substr(0, kPsdMaxNameLength);
  }
  In.SkipTo(extraEnd);
  return !In.Ended;
}

void PsdReadResources(TPsdInput& In, TIOParamsVals& P, TIEBitmap* Target, bool& LoadLayers, bool& ThumbTaken,
                      bool& IccFound, TPsdDoc& D) {
  const uint32_t len = In.U32();
  const int64_t end = In.Position() + len;
  while (!In.Ended && In.Position() < end) {
    if (In.Position() & 1) In.U8();
    uint8_t sig[4];
    if (!In.Read(sig, 4) || std::memcmp(sig, "8BIM", 4) != 0) break;
    const int id = In.U16();
    const int nameLen = In.U8();
    In.SkipTo(In.Position() + nameLen + ((nameLen + 1) & 1));
    const uint32_t size = In.U32();
    if (size == 0 || static_cast<int64_t>(size) > In.Size() || static_cast<int64_t>(size) > In.Remaining()) break;
    std::vector<uint8_t> data(size);
    if (!In.Read(data.data(), size)) break;
    const uint8_t* d = data.data();
    switch (id) {
      case 1005:
        if (size >= 12) {
          P.SetDpiX(static_cast<int32_t>(IEBE32(d) >> 16));
          P.SetDpiY(static_cast<int32_t>(IEBE32(d + 8) >> 16));
        }
        break;
      case 1028:
        P.IPTC_Info->LoadFromStandardBuffer(d, static_cast<int>(size));
        break;
      case 1036:
        if (size > 28) {
          if (P.EXIF_Bitmap == nullptr) P.EXIF_Bitmap = new TIEBitmap();
          TMemoryStream ms;
          ms.Write(d + 28, size - 28);
          ms.SetPosition(0);
          TIOParamsVals tp;
          std::atomic<bool> abort{false};
          TIEProgressRec rec;
          rec.Aborting = &abort;
          JpegReadImage(&ms, nullptr, P.EXIF_Bitmap, tp, rec, false, false, false, false, false, false, -1, false);
          if (P.GetThumbnail && Target != nullptr && !P.EXIF_Bitmap->IsEmpty()) {
            Target->Assign(P.EXIF_Bitmap);
            ThumbTaken = true;
            LoadLayers = false;
          }
        }
        break;
      case 1039:
        P.GetInputICCProfile()->LoadFromBuffer(d, static_cast<int>(size));
        IccFound = true;
        break;
      case 1047:
        if (size >= 2) D.TransparentIndex = IEBE16(d);
        break;
      case 1060:
        P.XMP_Info.assign(reinterpret_cast<const char*>(d), size);
        break;
      default:
        break;
    }
  }
  In.SkipTo(end);
}

// Reads the layer section into Layers (TIEPsdLayer records). False on broken data.
bool PsdReadLayers(TPsdInput& In, const TPsdDoc& D, TList* Layers, bool LoadLayers, TIEProgressRec& Progress) {
  const uint32_t len = In.U32();
  const int64_t end = In.Position() + len;
  if (len == 0) return true;
  In.U32();  // layer info length
  int count = In.I16();
  count = count < 0 ? -count : count;
  if ((count > 1 && !LoadLayers) || Layers == nullptr) {
    In.SkipTo(end);
    return true;
  }
  // A record takes at least 34 bytes: a count the section cannot hold is broken data.
  if (static_cast<int64_t>(count) * 34 > In.Remaining()) return false;
  std::vector<TPsdRecord> recs(static_cast<size_t>(count));
  for (auto& r : recs)
    if (!PsdReadRecord(In, r)) return false;
  const int first = Layers->Count();
  std::vector<TIEPsdLayer*> made;
  for (auto& r : recs) {
    auto* L = new TIEPsdLayer();
    L->Bitmap = new TIEBitmap();
    L->Left = r.Left;
    L->Top = r.Top;
    L->Opacity = r.Opacity;
    L->Name = r.Name;
    L->Visible = (r.Flags & 2) == 0;
    L->ClipToImage = r.Clipping == 0;
    Layers->Add(L);
    made.push_back(L);
  }
  for (size_t li = 0; li < recs.size(); ++li) {
    const TPsdRecord& r = recs[li];
    TIEPsdLayer* L = made[li];
    const int64_t w = PsdSide(r.Left, r.Right), h = PsdSide(r.Top, r.Bottom);
    for (const TPsdChannel& c : r.Channels) {
      const int64_t start = In.Position();
      const int64_t chEnd = start + c.Length;
      if (c.Id == -2) {
        auto* M = new TIEPsdLayer();
        M->Bitmap = new TIEBitmap();
        M->IsMask = true;
        M->Visible = false;
        M->Left = r.MaskLeft;
        M->Top = r.MaskTop;
        const int idx = Layers->IndexOf(L);
        Layers->Insert(idx + 1, M);
        const int64_t mw = PsdSide(r.MaskLeft, r.MaskRight), mh = PsdSide(r.MaskTop, r.MaskBottom);
        if (mw > 0 && mh > 0 && PsdChannelFits(mw, mh, D.H.Depth, In.Remaining()))
          PsdDecodeLayerChannel(In, D, M->Bitmap, static_cast<int>(mw), static_cast<int>(mh), c.Id, true);
      } else if (w > 0 && h > 0) {
        if (!PsdChannelFits(w, h, D.H.Depth, In.Remaining())) return false;
        PsdDecodeLayerChannel(In, D, L->Bitmap, static_cast<int>(w), static_cast<int>(h), c.Id, false);
      }
      if (In.Ended) return false;
      In.SkipTo(chEnd);
    }
    if (Progress.Callback != nullptr) {
      Progress.Per = 1;
      Progress.Val = static_cast<int32_t>(static_cast<double>(li) / static_cast<double>(recs.size()) * 100.0);
      Progress.Report();
    }
  }
  // Global layer mask info: read and passed over.
  const uint32_t gl = In.U32();
  In.SkipTo(In.Position() + gl);
  In.SkipTo(end);
  // Layers without pixels go, with the mask that follows them.
  for (int i = Layers->Count() - 1; i >= first; --i) {
    auto* L = static_cast<TIEPsdLayer*>(Layers->Items(i));
    if (L->IsMask || (L->Bitmap->Width() > 0 && L->Bitmap->Height() > 0)) continue;
    if (i + 1 < Layers->Count() && static_cast<TIEPsdLayer*>(Layers->Items(i + 1))->IsMask) {
      delete static_cast<TIEPsdLayer*>(Layers->Items(i + 1));
      Layers->Delete(i + 1);
    }
    delete L;
    Layers->Delete(i);
  }
  return true;
}

// Converts a decoded image to 24-bit RGB unless native formats are asked for.
void PsdToRGB(TIEBitmap* B, TIOParamsVals& P, bool IccFound, int Mode) {
  if (B == nullptr || B->IsEmpty() || B->PixelFormat() == ie1g || P.IsNativePixelFormat) return;
  TIEICC* in = P.InputICCProfileOrNil();
  TIEICC* out = P.GetOutputICCProfile();
  const bool viaIcc = IccFound && IEColorManagement && in != nullptr && in->IsValid() && !in->Applied &&
                      out != nullptr && out->IsValid() && Mode == 3;
  if (B->PixelFormat() != ie24RGB) B->SetPixelFormat(ie24RGB);
  if (viaIcc) in->TransformBitmap(B, out);
}

}  // namespace

TIEPsdLayer::~TIEPsdLayer() { delete Bitmap; }

int TIEPsdLayer::GetWidth() const { return Width != 0 ? Width : Bitmap != nullptr ? Bitmap->Width() : 0; }
int TIEPsdLayer::GetHeight() const { return Height != 0 ? Height : Bitmap != nullptr ? Bitmap->Height() : 0; }

void PsdFreeLayers(TList* Layers) {
  if (Layers == nullptr) return;
  for (int i = 0; i < Layers->Count(); ++i) delete static_cast<TIEPsdLayer*>(Layers->Items(i));
  Layers->Clear();
}

bool PsdDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t h[26];
  bool ok = false;
  try {
    TPsdHeader H;
    ok = Stream->Read(h, 26) == 26 && PsdHeaderFrom(h, H);
  } catch (...) {
    ok = false;
  }
  Stream->SetPosition(start);
  return ok;
}

void PsdReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TList* Layers, bool LoadLayers,
                  TIEProgressRec& Progress) {
  try {
    if (Progress.Callback != nullptr) {
      Progress.Per = 1;
      Progress.Val = 0;
      Progress.Report();
    }
    const int64_t size = Stream->Size();
    TPsdInput In(Stream, size);
    uint8_t h[26];
    TPsdDoc D;
    if (!In.Read(h, 26) || !PsdHeaderFrom(h, D.H)) {
      Progress.Abort();
      return;
    }
    std::unique_ptr<TIEBitmap> temp;
    TIEBitmap* B = Bitmap;
    if (Bitmap != nullptr && Bitmap->Location() == ieTBitmap) {
      temp = std::make_unique<TIEBitmap>();
      B = temp.get();
    }
    P.SetImageCount(1);
    P.Width = P.OriginalWidth = static_cast<int32_t>(std::min<uint32_t>(D.H.Width, 0x7FFFFFFF));
    P.Height = P.OriginalHeight = static_cast<int32_t>(std::min<uint32_t>(D.H.Height, 0x7FFFFFFF));
    P.BitsPerSample = D.H.Depth;
    P.SamplesPerPixel = D.H.Channels;
    P.SetDpiX(96);
    P.SetDpiY(96);

    const uint32_t cmLen = In.U32();
    if (cmLen == 768) {
      D.Palette.resize(768);
      In.Read(D.Palette.data(), 768);
    } else {
      In.SkipTo(In.Position() + cmLen);
    }
    bool thumbTaken = false, iccFound = false;
    PsdReadResources(In, P, B, LoadLayers, thumbTaken, iccFound, D);
    const int before = Layers != nullptr ? Layers->Count() : 0;
    if (!In.Ended && !PsdReadLayers(In, D, Layers, LoadLayers, Progress)) {
      Progress.Abort();
      return;
    }
    const bool gotLayers = Layers != nullptr && Layers->Count() > before;
    if ((!LoadLayers || Layers == nullptr || !gotLayers) && B != nullptr && (!P.GetThumbnail || !thumbTaken)) {
      const int w = static_cast<int>(P.Width), hgt = static_cast<int>(P.Height);
      const int comp = In.U16();
      if (In.Ended || (w > 0 && hgt > 0 && !PsdChannelFits(w, hgt, D.H.Depth, In.Remaining()))) {
        Progress.Abort();
        return;
      }
      std::vector<uint16_t> counts;
      if (comp == 1) {
        const int64_t n = static_cast<int64_t>(D.H.Channels) * hgt;
        if (n * 2 > In.Remaining()) {
          Progress.Abort();
          return;
        }
        counts.resize(static_cast<size_t>(n));
        for (auto& c : counts) c = In.U16();
      }
      for (int c = 0; c < D.H.Channels && !In.Ended; ++c)
        PsdDecodeChannelRows(In, D, B, w, hgt, c, false, comp,
                             comp == 1 ? counts.data() + static_cast<size_t>(c) * hgt : nullptr);
      if (Layers != nullptr && gotLayers && Progress.Callback != nullptr) {
        Progress.Val = 100;
        Progress.Report();
      }
    }
    if (Layers != nullptr) {
      for (int i = before; i < Layers->Count(); ++i) {
        auto* L = static_cast<TIEPsdLayer*>(Layers->Items(i));
        if (!L->IsMask) PsdToRGB(L->Bitmap, P, iccFound, D.H.Mode);
      }
    }
    if (B != nullptr && !thumbTaken) PsdToRGB(B, P, iccFound, D.H.Mode);
    if (temp != nullptr) Bitmap->Assign(temp.get());
  } catch (...) {
    Progress.Abort();
  }
}

void PsdPackBitsRow(const uint8_t* Row, int Length, std::vector<uint8_t>& Out) {
  int lit = 0;  // pending literal bytes, ending at i
  auto flush = [&](int End) {
    if (lit == 0) return;
    Out.push_back(static_cast<uint8_t>(lit - 1));
    Out.insert(Out.end(), Row + End - lit, Row + End);
    lit = 0;
  };
  int i = 0;
  while (i < Length) {
    int run = 1;
    while (i + run < Length && run < 128 && Row[i + run] == Row[i]) ++run;
    if (run >= 4) {
      flush(i);
      Out.push_back(static_cast<uint8_t>(1 - run));
      Out.push_back(Row[i]);
      i += run;
      continue;
    }
    for (int k = 0; k < run; ++k) {
      ++lit;
      ++i;
      if (lit == 128) flush(i);
    }
  }
  flush(i);
}

namespace {

// The document a pixel format becomes: mode and depth, or mode -1 when refused.
void PsdModeOf(TIEPixelFormat F, int& Mode, int& Depth) {
  Mode = -1;
  Depth = 8;
  switch (F) {
    case ie1g: Mode = 0; Depth = 1; break;
    case ie8p: Mode = 2; break;
    case ie8g: Mode = 1; break;
    case ie16g: Mode = 1; Depth = 16; break;
    case ie24RGB: case ie32RGB: Mode = 3; break;
    case ieCMYK: Mode = 4; break;
    case ieRGB48: Mode = 3; Depth = 16; break;
    case ieCIELab: Mode = 9; break;
    default: break;
  }
}

// Output building with write-back of length fields.
class TPsdOut {
public:
  std::vector<uint8_t> B;
  size_t Pos() const { return B.size(); }
  void U8(uint32_t v) { B.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    U8(v >> 8);
    U8(v);
  }
  void U32(uint32_t v) {
    U16(v >> 16);
    U16(v);
  }
  void Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    B.insert(B.end(), b, b + n);
  }
  void Put16(size_t At, uint32_t v) {
    B[At] = static_cast<uint8_t>(v >> 8);
    B[At + 1] = static_cast<uint8_t>(v);
  }
  void Put32(size_t At, uint32_t v) {
    Put16(At, v >> 16);
    Put16(At + 2, v);
  }
};

// One channel's raw rows (row length bytes each) of a bitmap at the document depth.
// Which: -1 the alpha channel, otherwise colour channel Which.
void PsdChannelRow(TIEBitmap* B, int Which, int y, int Depth, std::vector<uint8_t>& Row) {
  const int w = B->Width();
  const TIEPixelFormat pf = B->PixelFormat();
  Row.assign(static_cast<size_t>((static_cast<int64_t>(w) * Depth + 7) / 8), 0);
  if (Which == -1 || (pf == ie32RGB && Which == 3)) {
    const uint8_t* a = B->HasAlphaChannel() ? B->GetAlphaChannel()->Scanline(y) : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint8_t v = a != nullptr ? a[x] : 255;
      if (Depth == 16) {
        Row[2 * x] = Row[2 * x + 1] = v;  // v x 257
      } else if (Depth == 8) {
        Row[x] = v;
      } else if (v >= 128) {
        Row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
    return;
  }
  const uint8_t* s = B->Scanline(y);
  switch (pf) {
    case ie1g:
      for (size_t i = 0; i < Row.size(); ++i) Row[i] = static_cast<uint8_t>(~s[i]);
      break;
    case ie8g: case ie8p:
      std::memcpy(Row.data(), s, static_cast<size_t>(w));
      break;
    case ie16g: {
      const auto* v = reinterpret_cast<const uint16_t*>(s);
      for (int x = 0; x < w; ++x) IEPut16(Row.data() + 2 * x, v[x], false);
      break;
    }
    case ie24RGB: case ie32RGB: {
      const int step = pf == ie24RGB ? 3 : 4;
      for (int x = 0; x < w; ++x) Row[x] = s[step * x + 2 - Which];
      break;
    }
    case ieRGB48: {
      const auto* v = reinterpret_cast<const uint16_t*>(s);
      for (int x = 0; x < w; ++x) IEPut16(Row.data() + 2 * x, v[3 * x + Which], false);
      break;
    }
    case ieCMYK:
      for (int x = 0; x < w; ++x) Row[x] = s[4 * x + Which];
      break;
    case ieCIELab:
      for (int x = 0; x < w; ++x) Row[x] = static_cast<uint8_t>(s[3 * x + Which] + (Which > 0 ? 128 : 0));
      break;
    default:
      break;
  }
}

// A mask bitmap's row at the document depth.
void PsdMaskRow(TIEBitmap* M, int y, int Depth, std::vector<uint8_t>& Row) {
  const int w = M->Width();
  const uint8_t* s = M->Scanline(y);
  if (Depth == 16) {
    Row.resize(static_cast<size_t>(w) * 2);
    for (int x = 0; x < w; ++x) Row[2 * x] = Row[2 * x + 1] = s[x];
  } else {
    Row.assign(s, s + w);
  }
}

// Writes one channel with compression 1 (row counts written back); returns its byte length.
template <class RowFn>
uint32_t PsdWriteChannel(TPsdOut& O, int Height, RowFn Row) {
  const size_t start = O.Pos();
  O.U16(1);
  const size_t table = O.Pos();
  for (int y = 0; y < Height; ++y) O.U16(0);
  std::vector<uint8_t> row, packed;
  for (int y = 0; y < Height; ++y) {
    Row(y, row);
    packed.clear();
    PsdPackBitsRow(row.data(), static_cast<int>(row.size()), packed);
    O.Put16(table + 2 * static_cast<size_t>(y), static_cast<uint32_t>(packed.size()));
    O.Bytes(packed.data(), packed.size());
  }
  return static_cast<uint32_t>(O.Pos() - start);
}

void PsdResource(TPsdOut& O, int Id, const void* Data, size_t Size) {
  if (O.Pos() & 1) O.U8(0);
  O.Bytes("8BIM", 4);
  O.U16(static_cast<uint32_t>(Id));
  O.U16(0);  // empty name
  O.U32(static_cast<uint32_t>(Size));
  O.Bytes(Data, Size);
}

// Re-indexes Layer against Document's palette (Layer keeps its alpha channel).
void PsdToDocumentPalette(TIEBitmap* Layer, TIEBitmap* Document) {
  const int n = std::min(256, Document->PaletteLength());
  if (Layer->PixelFormat() == ie8p && Layer->PaletteLength() >= n) {
    bool same = true;
    for (int i = 0; i < n && same; ++i) same = Layer->GetPaletteEntry(i) == Document->GetPaletteEntry(i);
    if (same) return;
  }
  std::unique_ptr<TIEBitmap> rgb(IEConvertedCopy(Layer, ie24RGB));
  TIEBitmap* alpha = rgb->HasAlphaChannel() ? rgb->DetachAlphaChannel() : nullptr;
  std::vector<TIERGBPixel> pal(static_cast<size_t>(std::max(n, 1)));
  for (int i = 0; i < n; ++i) pal[static_cast<size_t>(i)] = Document->GetPaletteEntry(i);
  Layer->Allocate(rgb->Width(), rgb->Height(), ie8p);
  for (int i = 0; i < n; ++i) Layer->SetPaletteEntry(i, pal[static_cast<size_t>(i)]);
  for (int y = 0; y < rgb->Height(); ++y) {
    const auto* s = reinterpret_cast<const TIERGBPixel*>(rgb->Scanline(y));
    uint8_t* d = Layer->Scanline(y);
    for (int x = 0; x < rgb->Width(); ++x) d[x] = static_cast<uint8_t>(n > 0 ? IENearestPaletteIndex(pal.data(), n, s[x]) : 0);
  }
  if (alpha != nullptr) Layer->AttachAlphaChannel(alpha);
}

TIEPixelFormat PsdLayerFormat(int Mode, int Depth) {
  return Mode == 3 && Depth == 8 ? ie24RGB : PsdPixelFormat(Mode, Depth);
}

}  // namespace

void PsdWriteImage(TStream* Stream, TIOParamsVals& P, TIEProgressRec& Progress, TList* Layers, TIEBitmap* Merged) {
  try {
    const int count = Layers != nullptr ? Layers->Count() : 0;
    auto layerAt = [&](int i) { return static_cast<TIEPsdLayer*>(Layers->Items(i)); };
    TIEBitmap* M = Merged;
    if (M == nullptr && count > 0) M = layerAt(0)->Bitmap;
    int mode = -1, depth = 8;
    if (M != nullptr && !M->IsEmpty()) PsdModeOf(M->PixelFormat(), mode, depth);
    if (mode < 0) {
      Progress.Abort();
      return;
    }
    // Layers in the document's format, at their displayed size, with an alpha channel.
    const TIEPixelFormat lf = PsdLayerFormat(mode, depth);
    for (int i = 0; i < count; ++i) {
      TIEPsdLayer* L = layerAt(i);
      if (L->Bitmap == nullptr) L->Bitmap = new TIEBitmap();
      if (L->Bitmap->IsEmpty()) continue;
      if (L->IsMask) {
        if (L->Bitmap->PixelFormat() != ie8g) L->Bitmap->SetPixelFormat(ie8g);
      } else if (lf == ie8p && L->Bitmap != M) {
        // An indexed document has one palette, the merged image's: layer pixels take its nearest entries.
        PsdToDocumentPalette(L->Bitmap, M);
      } else if (L->Bitmap->PixelFormat() != lf) {
        L->Bitmap->SetPixelFormat(lf);
      }
      const int w = L->GetWidth(), h = L->GetHeight();
      if (w > 0 && h > 0 && (w != L->Bitmap->Width() || h != L->Bitmap->Height())) {
        auto* r = new TIEBitmap(w, h, L->Bitmap->PixelFormat());
        L->Bitmap->CopyPaletteTo(r);
        IEResample(L->Bitmap, r, L->UseResampleFilter ? L->ResampleFilter : rfNone, nullptr, {});
        delete L->Bitmap;
        L->Bitmap = r;
      }
      L->Width = L->Height = 0;
      if (!L->IsMask && depth != 1) L->Bitmap->GetAlphaChannel();
    }

    TPsdOut O;
    const int channels = M->ChannelCount();
    O.Bytes("8BPS", 4);
    O.U16(1);
    for (int i = 0; i < 6; ++i) O.U8(0);
    O.U16(static_cast<uint32_t>(channels));
    O.U32(static_cast<uint32_t>(M->Height()));
    O.U32(static_cast<uint32_t>(M->Width()));
    O.U16(static_cast<uint32_t>(depth));
    O.U16(static_cast<uint32_t>(mode));
    // Colour mode data.
    if (M->PixelFormat() == ie8p) {
      O.U32(768);
      uint8_t pal[768] = {};
      for (int i = 0; i < 256 && i < M->PaletteLength(); ++i) {
        const TIERGBPixel c = M->GetPaletteEntry(i);
        pal[i] = c.r;
        pal[256 + i] = c.g;
        pal[512 + i] = c.b;
      }
      O.Bytes(pal, 768);
    } else {
      O.U32(0);
    }
    // Image resources.
    const size_t resStart = O.Pos();
    O.U32(0);
    {
      TPsdOut r;
      r.U32(static_cast<uint32_t>(std::max(P.DpiX, 0)) << 16);
      r.U16(1);
      r.U16(1);
      r.U32(static_cast<uint32_t>(std::max(P.DpiY, 0)) << 16);
      r.U16(1);
      r.U16(1);
      PsdResource(O, 1005, r.B.data(), r.B.size());
    }
    if (M->PixelFormat() == ie8p) {
      const uint8_t ti[2] = {0, 255};
      PsdResource(O, 1047, ti, 2);
    }
    if (P.IPTC_Info != nullptr && P.IPTC_Info->GetCount() > 0) {
      std::vector<uint8_t> buf;
      P.IPTC_Info->SaveToStandardBuffer(buf, false);
      if (!buf.empty()) PsdResource(O, 1028, buf.data(), buf.size());
    }
    if (TIEICC* icc = P.InputICCProfileOrNil(); icc != nullptr && !icc->Raw.empty())
      PsdResource(O, 1039, icc->Raw.data(), icc->Raw.size());
    if (P.EXIF_Bitmap != nullptr && !P.EXIF_Bitmap->IsEmpty()) {
      TMemoryStream js;
      TIOParamsVals jp;
      std::atomic<bool> abort{false};
      TIEProgressRec rec;
      rec.Aborting = &abort;
      std::unique_ptr<TIEBitmap> rgb;
      TIEBitmap* t = P.EXIF_Bitmap;
      if (t->PixelFormat() != ie24RGB) {
        rgb.reset(IEConvertedCopy(t, ie24RGB));
        t = rgb.get();
      }
      JpegWriteImage(&js, t, jp, rec);
      if (!abort.load() && js.Size() > 0) {
        TPsdOut r;
        const uint32_t tw = static_cast<uint32_t>(t->Width()), th = static_cast<uint32_t>(t->Height());
        r.U32(1);
        r.U32(tw);
        r.U32(th);
        r.U32(tw * 3);
        r.U32(tw * th * 3);
        r.U32(static_cast<uint32_t>(js.Size()));
        r.U16(24);
        r.U16(1);
        const size_t at = r.Pos();
        r.B.resize(at + static_cast<size_t>(js.Size()));
        js.SetPosition(0);
        js.Read(r.B.data() + at, js.Size());
        PsdResource(O, 1036, r.B.data(), r.B.size());
      }
    }
    if (!P.XMP_Info.empty()) PsdResource(O, 1060, P.XMP_Info.data(), P.XMP_Info.size());
    if (O.Pos() & 1) O.U8(0);
    O.Put32(resStart, static_cast<uint32_t>(O.Pos() - resStart - 4));

    // Layer and mask information.
    std::vector<TIEPsdLayer*> list;
    std::unique_ptr<TIEPsdLayer> stand;
    for (int i = 0; i < count; ++i) list.push_back(layerAt(i));
    if (list.empty()) {
      stand = std::make_unique<TIEPsdLayer>();
      stand->Bitmap = M;  // shared, released below
      list.push_back(stand.get());
    }
    struct TLayerOut {
      TIEPsdLayer* L;
      TIEPsdLayer* Mask;
      std::vector<std::pair<int, size_t>> LengthAt;  // channel id, where its length goes
    };
    std::vector<TLayerOut> outs;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i]->IsMask) continue;
      TIEPsdLayer* mask = i + 1 < list.size() && list[i + 1]->IsMask && list[i + 1]->Bitmap != nullptr &&
                                  !list[i + 1]->Bitmap->IsEmpty()
                              ? list[i + 1]
                              : nullptr;
      outs.push_back({list[i], mask, {}});
    }
    const size_t sectStart = O.Pos();
    O.U32(0);
    const size_t infoStart = O.Pos();
    O.U32(0);
    O.U16(static_cast<uint32_t>(outs.size()));
    for (TLayerOut& lo : outs) {
      TIEBitmap* b = lo.L->Bitmap;
      const bool alpha = b->HasAlphaChannel() || (lo.L == stand.get() && depth != 1);
      O.U32(static_cast<uint32_t>(lo.L->Top));
      O.U32(static_cast<uint32_t>(lo.L->Left));
      O.U32(static_cast<uint32_t>(lo.L->Top + b->Height()));
      O.U32(static_cast<uint32_t>(lo.L->Left + b->Width()));
      const int colours = b->PixelFormat() == ie32RGB ? 3 : b->ChannelCount();
      std::vector<int> ids;
      if (alpha) ids.push_back(-1);
      for (int c = 0; c < colours; ++c) ids.push_back(c);
      if (lo.Mask != nullptr) ids.push_back(-2);
      O.U16(static_cast<uint32_t>(ids.size()));
      for (int id : ids) {
        O.U16(static_cast<uint32_t>(id & 0xFFFF));
        lo.LengthAt.emplace_back(id, O.Pos());
        O.U32(0);
      }
      O.Bytes("8BIMnorm", 8);
      O.U8(static_cast<uint32_t>(std::clamp(lo.L->Opacity, 0, 255)));
      O.U8(0);
      O.U8(lo.L->Visible ? 0 : 2);
      O.U8(0);
      const size_t extraAt = O.Pos();
      O.U32(0);
      if (lo.Mask != nullptr) {
        O.U32(20);
        O.U32(static_cast<uint32_t>(lo.Mask->Top));
        O.U32(static_cast<uint32_t>(lo.Mask->Left));
        O.U32(static_cast<uint32_t>(lo.Mask->Top + lo.Mask->Bitmap->Height()));
        O.U32(static_cast<uint32_t>(lo.Mask->Left + lo.Mask->Bitmap->Width()));
        O.U8(0);
        O.U8(0);
        O.U16(0);
      } else {
        O.U32(0);
      }
      O.U32(0);  // blending ranges
      const std::string name = lo.L->Name.substr(0, 255);
      O.U8(static_cast<uint32_t>(name.size()));
      O.Bytes(name.data(), name.size());
      while ((O.Pos() - extraAt - 4) % 4 != 0) O.U8(1);
      O.Put32(extraAt, static_cast<uint32_t>(O.Pos() - extraAt - 4));
    }
    for (size_t li = 0; li < outs.size(); ++li) {
      TLayerOut& lo = outs[li];
      TIEBitmap* b = lo.L->Bitmap;
      for (auto& [id, at] : lo.LengthAt) {
        uint32_t n;
        if (id == -2) {
          TIEBitmap* mb = lo.Mask->Bitmap;
          n = PsdWriteChannel(O, mb->Height(), [&](int y, std::vector<uint8_t>& row) { PsdMaskRow(mb, y, depth, row); });
        } else {
          const int channel = id;  // a structured binding cannot be captured by every compiler
          n = PsdWriteChannel(O, b->Height(), [&](int y, std::vector<uint8_t>& row) { PsdChannelRow(b, channel, y, depth, row); });
        }
        O.Put32(at, n);
      }
      if (Progress.Callback != nullptr) {
        Progress.Per = 1;
        Progress.Val = static_cast<int32_t>(static_cast<double>(li) / static_cast<double>(outs.size()) * 100.0);
        Progress.Report();
      }
    }
    if ((O.Pos() - infoStart) & 1) O.U8(0);
    O.Put32(infoStart, static_cast<uint32_t>(O.Pos() - infoStart - 4));
    O.U32(0);  // global layer mask info
    O.Put32(sectStart, static_cast<uint32_t>(O.Pos() - sectStart - 4));
    if (stand != nullptr) stand->Bitmap = nullptr;

    // Composite: every channel of the merged image, PackBits rows.
    const int h = M->Height();
    O.U16(1);
    const size_t table = O.Pos();
    for (int64_t i = 0; i < static_cast<int64_t>(channels) * h; ++i) O.U16(0);
    std::vector<uint8_t> row, packed;
    for (int c = 0; c < channels; ++c) {
      for (int y = 0; y < h; ++y) {
        PsdChannelRow(M, c, y, depth, row);
        packed.clear();
        PsdPackBitsRow(row.data(), static_cast<int>(row.size()), packed);
        O.Put16(table + 2 * (static_cast<size_t>(c) * h + y), static_cast<uint32_t>(packed.size()));
        O.Bytes(packed.data(), packed.size());
      }
      if (count > 0 && Progress.Callback != nullptr) {
        Progress.Per = 1;
        Progress.Val = static_cast<int32_t>(static_cast<double>(c) / channels * 100.0);
        Progress.Report();
      }
    }
    bool failed = false;
    IECodecWrite(Stream, O.B.data(), static_cast<int64_t>(O.B.size()), failed, Progress);
  } catch (...) {
    Progress.Abort();
  }
}

void IERegisterPsdCodec() {
  IECodecs.PsdReadImage = &PsdReadImage;
  IECodecs.PsdWriteImage = &PsdWriteImage;
}

// ICC profiles and transforms through lcms2, the built-in sRGB and CMYK profiles and the row
// colour converter.
//
// The built-in CMYK profile is made in memory at first use: a CMYK output profile whose lookup
// tables are sampled from the library's own CMYK formulas (through sRGB), so that the ICC route
// and the formula route agree and no third-party profile data is shipped.
#include "imaging/core/ieicc.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iesmall.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/streams.h"

ORV_CLASS_IMPL(TIEICC, TObject)

bool IEColorManagement = false;
bool IECMYKThroughICC = true;

namespace {

uint32_t BE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

std::string ZText(const std::vector<uint8_t>& raw, size_t at) {
  std::string s;
  while (at < raw.size() && raw[at] != 0 && s.size() < 1000) s += static_cast<char>(raw[at++]);
  return s.size() < 1000 ? s : std::string();
}

// lcms2 format and channel count of a pixel kind (16-bit samples).
cmsUInt32Number FormatOf(int kind, int& channels) {
  switch (kind) {
    case 2:
    case 3:
      channels = 4;
      return TYPE_CMYK_16;
    case 4:
      channels = 3;
      return TYPE_Lab_DBL;  // Lab goes through doubles so that the signed a and b keep their meaning
    case 5:
      channels = 1;
      return TYPE_GRAY_16;
    case 8:
      channels = 3;
      return TYPE_YCbCr_16;
    default:
      channels = 3;
      return TYPE_RGB_16;
  }
}

// Expands n pixels of a kind into 16-bit samples (or Lab doubles).
void Expand(int kind, const uint8_t* in, int n, std::vector<uint16_t>& w, std::vector<double>& lab) {
  int ch;
  FormatOf(kind, ch);
  if (kind == 4) {
    lab.resize(static_cast<size_t>(n) * 3);
    for (int i = 0; i < n; ++i) {
      lab[3 * i] = in[3 * i] / 2.5;
      lab[3 * i + 1] = static_cast<int8_t>(in[3 * i + 1]);
      lab[3 * i + 2] = static_cast<int8_t>(in[3 * i + 2]);
    }
    return;
  }
  w.resize(static_cast<size_t>(n) * ch);
  for (int i = 0; i < n; ++i) {
    switch (kind) {
      case 0:
      case 8:
        for (int c = 0; c < 3; ++c) w[3 * i + c] = static_cast<uint16_t>(in[3 * i + c] * 257);
        break;
      case 1:
        for (int c = 0; c < 3; ++c) w[3 * i + c] = static_cast<uint16_t>(in[3 * i + 2 - c] * 257);
        break;
      case 2:
        for (int c = 0; c < 4; ++c) w[4 * i + c] = static_cast<uint16_t>((255 - in[4 * i + c]) * 257);
        break;
      case 3:
        for (int c = 0; c < 4; ++c) w[4 * i + c] = static_cast<uint16_t>(in[6 * i + c] * 257);
        break;
      case 5:
        w[i] = static_cast<uint16_t>(in[i] * 257);
        break;
      case 6:
      case 7: {
        const uint16_t* s = reinterpret_cast<const uint16_t*>(in);
        for (int c = 0; c < 3; ++c) {
          uint16_t v = s[3 * i + c];
          if (kind == 7) v = static_cast<uint16_t>((v >> 8) | (v << 8));
          w[3 * i + c] = v;
        }
        break;
      }
    }
  }
}

// ---- built-in profiles ----

std::mutex gCMYKLock;
cmsHPROFILE gCMYKProfile = nullptr, gSRGBProfile = nullptr;
cmsHTRANSFORM gCMYKToRGB = nullptr, gRGBToCMYK = nullptr;
bool gCMYKTried = false;

struct TSamplerCtx {
  cmsHTRANSFORM LabToRGB, RGBToLab;
};

// CMYK (device, 0 = no ink) to Lab through the formula and sRGB.
cmsInt32Number SampleAToB(const cmsUInt16Number In[], cmsUInt16Number Out[], void* Cargo) {
  auto* ctx = static_cast<TSamplerCtx*>(Cargo);
  TIECMYK k{static_cast<uint8_t>(255 - (In[0] >> 8)), static_cast<uint8_t>(255 - (In[1] >> 8)),
            static_cast<uint8_t>(255 - (In[2] >> 8)), static_cast<uint8_t>(255 - (In[3] >> 8))};
  const TIERGBPixel p{static_cast<uint8_t>(k.y * k.k / 255), static_cast<uint8_t>(k.m * k.k / 255),
                      static_cast<uint8_t>(k.c * k.k / 255)};
  const cmsUInt16Number rgb[3] = {static_cast<cmsUInt16Number>(p.r * 257), static_cast<cmsUInt16Number>(p.g * 257),
                                  static_cast<cmsUInt16Number>(p.b * 257)};
  cmsDoTransform(ctx->RGBToLab, rgb, Out, 1);
  return TRUE;
}

// Lab to CMYK through sRGB and the formula.
cmsInt32Number SampleBToA(const cmsUInt16Number In[], cmsUInt16Number Out[], void* Cargo) {
  auto* ctx = static_cast<TSamplerCtx*>(Cargo);
  cmsUInt16Number rgb[3];
  cmsDoTransform(ctx->LabToRGB, In, rgb, 1);
  const int r = rgb[0] >> 8, g = rgb[1] >> 8, b = rgb[2] >> 8;
  int kk = std::max({r, g, b});
  if (kk == 0) kk = 1;
  const int inv[4] = {r * 255 / kk, g * 255 / kk, b * 255 / kk, kk};  // inverted convention
  for (int c = 0; c < 4; ++c) Out[c] = static_cast<cmsUInt16Number>((255 - inv[c]) * 257);
  return TRUE;
}

cmsHPROFILE MakeCMYKProfile() {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
  TSamplerCtx ctx{cmsCreateTransform(lab, TYPE_Lab_16, srgb, TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0),
                  cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0)};
  cmsHPROFILE p = nullptr;
  if (ctx.LabToRGB && ctx.RGBToLab) {
    p = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(p, 4.3);
    cmsSetDeviceClass(p, cmsSigOutputClass);
    cmsSetColorSpace(p, cmsSigCmykData);
    cmsSetPCS(p, cmsSigLabData);
    cmsPipeline* a2b = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* c1 = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(c1, SampleAToB, &ctx, 0);
    cmsPipelineInsertStage(a2b, cmsAT_END, c1);
    cmsPipeline* b2a = cmsPipelineAlloc(nullptr, 3, 4);
    cmsStage* c2 = cmsStageAllocCLut16bit(nullptr, 33, 3, 4, nullptr);
    cmsStageSampleCLut16bit(c2, SampleBToA, &ctx, 0);
    cmsPipelineInsertStage(b2a, cmsAT_END, c2);
    cmsWriteTag(p, cmsSigAToB0Tag, a2b);
    cmsWriteTag(p, cmsSigBToA0Tag, b2a);
    cmsWriteTag(p, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsMLU* desc = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(desc, "en", "US", "Built-in CMYK");
    cmsWriteTag(p, cmsSigProfileDescriptionTag, desc);
    cmsMLUfree(desc);
    cmsPipelineFree(a2b);
    cmsPipelineFree(b2a);
  }
  if (ctx.LabToRGB) cmsDeleteTransform(ctx.LabToRGB);
  if (ctx.RGBToLab) cmsDeleteTransform(ctx.RGBToLab);
  cmsCloseProfile(lab);
  cmsCloseProfile(srgb);
  return p;
}

bool ICCToRGB(TIECMYK in, TIERGBPixel& out) {
  if (!IECMYKThroughICC || !IEInitCMYKTransform()) return false;
  const cmsUInt16Number s[4] = {static_cast<cmsUInt16Number>((255 - in.c) * 257), static_cast<cmsUInt16Number>((255 - in.m) * 257),
                                static_cast<cmsUInt16Number>((255 - in.y) * 257), static_cast<cmsUInt16Number>((255 - in.k) * 257)};
  cmsUInt16Number d[3];
  cmsDoTransform(gCMYKToRGB, s, d, 1);
  out = IEMakeRGB(static_cast<uint8_t>(d[0] >> 8), static_cast<uint8_t>(d[1] >> 8), static_cast<uint8_t>(d[2] >> 8));
  return true;
}

bool ICCToCMYK(TIERGBPixel in, TIECMYK& out) {
  if (!IECMYKThroughICC || !IEInitCMYKTransform()) return false;
  const cmsUInt16Number s[3] = {static_cast<cmsUInt16Number>(in.r * 257), static_cast<cmsUInt16Number>(in.g * 257),
                                static_cast<cmsUInt16Number>(in.b * 257)};
  cmsUInt16Number d[4];
  cmsDoTransform(gRGBToCMYK, s, d, 1);
  out = TIECMYK{static_cast<uint8_t>((d[0] >> 8) ^ 255), static_cast<uint8_t>((d[1] >> 8) ^ 255),
                static_cast<uint8_t>((d[2] >> 8) ^ 255), static_cast<uint8_t>((d[3] >> 8) ^ 255)};
  return true;
}

}  // namespace

bool IEInitCMYKTransform() {
  std::lock_guard<std::mutex> lock(gCMYKLock);
  if (gCMYKToRGB && gRGBToCMYK) return true;
  if (gCMYKTried) return false;
  gCMYKTried = true;
  gCMYKProfile = MakeCMYKProfile();
  if (!gCMYKProfile) return false;
  gSRGBProfile = cmsCreate_sRGBProfile();
  gCMYKToRGB = cmsCreateTransform(gCMYKProfile, TYPE_CMYK_16, gSRGBProfile, TYPE_RGB_16, INTENT_PERCEPTUAL, 0);
  gRGBToCMYK = cmsCreateTransform(gSRGBProfile, TYPE_RGB_16, gCMYKProfile, TYPE_CMYK_16, INTENT_PERCEPTUAL, 0);
  return gCMYKToRGB && gRGBToCMYK;
}

void IEFreeCMYKTransform() {
  std::lock_guard<std::mutex> lock(gCMYKLock);
  if (gCMYKToRGB) cmsDeleteTransform(gCMYKToRGB);
  if (gRGBToCMYK) cmsDeleteTransform(gRGBToCMYK);
  if (gCMYKProfile) cmsCloseProfile(gCMYKProfile);
  if (gSRGBProfile) cmsCloseProfile(gSRGBProfile);
  gCMYKToRGB = gRGBToCMYK = nullptr;
  gCMYKProfile = gSRGBProfile = nullptr;
  gCMYKTried = false;
}

void IEInstallCMYKTransform() {
  IECMYKTransform.ToRGB = ICCToRGB;
  IECMYKTransform.ToCMYK = ICCToCMYK;
}

// ---------------------------------------------------------------------------------------------

TIEICC::TIEICC() = default;
TIEICC::~TIEICC() { Clear(); }

void TIEICC::LoadFromBuffer(const void* Data, int Length) {
  Clear();
  if (!Data || Length <= 0) return;
  FRaw.assign(static_cast<const uint8_t*>(Data), static_cast<const uint8_t*>(Data) + Length);
  OpenProfile();
}

void TIEICC::Assign(TIEICC* Source) {
  if (!Source || Source == this) return;
  std::vector<uint8_t> raw = Source->FRaw;
  Clear();
  FRaw = std::move(raw);
  OpenProfile();
}

void TIEICC::Clear() {
  CloseProfile();
  FRaw.clear();
  FApplied = false;
}

void TIEICC::SaveToStream(TStream* Stream, bool RawOnly) {
  if (!Stream) return;
  const int32_t n = static_cast<int32_t>(FRaw.size());
  if (!RawOnly) Stream->WriteBuffer(&n, 4);
  if (n) Stream->WriteBuffer(FRaw.data(), n);
}

void TIEICC::OpenProfile() {
  if (FRaw.empty()) return;
  FProfile = cmsOpenProfileFromMem(FRaw.data(), static_cast<cmsUInt32Number>(FRaw.size()));
  FCopyright.clear();
  FDescription.clear();
  if (FRaw.size() <= 128) return;
  const int64_t len = static_cast<int64_t>(FRaw.size());
  const int32_t count = static_cast<int32_t>(BE32(&FRaw[128]));
  if (count > 1000 || count < 0) return;
  for (int i = 0; i < count; ++i) {
    const size_t at = 132 + static_cast<size_t>(i) * 12;
    if (at + 12 > FRaw.size()) break;
    const uint32_t sig = BE32(&FRaw[at]);
    const int64_t off = BE32(&FRaw[at + 4]), size = BE32(&FRaw[at + 8]);
    if (off < 0 || off > len || size < 0 || size > len) break;
    if (sig == 0x63707274 && size < 1000) FCopyright = ZText(FRaw, static_cast<size_t>(off) + 8);   // "cprt"
    if (sig == 0x64657363 && size < 1000) FDescription = ZText(FRaw, static_cast<size_t>(off) + 12);  // "desc"
  }
}

void TIEICC::CloseProfile() {
  FreeTransform();
  if (FProfile) cmsCloseProfile(FProfile);
  FProfile = nullptr;
  FInKind = FOutKind = FIntent = -1;
  FFlags = 0;
}

void TIEICC::FreeTransform() {
  if (!FTransform) return;
  cmsDeleteTransform(FTransform);
  FTransform = nullptr;
  FApplied = true;
}

bool TIEICC::Transform(TIEICC* Dest, int InKind, int Count, void* OutBuffer, const void* InBuffer, uint32_t Flags,
                       int Intent, int OutKind) {
  if (!FProfile || !Dest || !Dest->FProfile || Count <= 0 || !OutBuffer || !InBuffer) return false;
  int inCh, outCh;
  const cmsUInt32Number inFmt = FormatOf(InKind, inCh), outFmt = FormatOf(OutKind, outCh);
  if (!FTransform || InKind != FInKind || OutKind != FOutKind || Intent != FIntent || Flags != FFlags) {
    if (FTransform) cmsDeleteTransform(FTransform);
    FTransform = cmsCreateTransform(FProfile, inFmt, Dest->FProfile, outFmt, INTENT_PERCEPTUAL, 0);
    FInKind = InKind;
    FOutKind = OutKind;
    FIntent = Intent;
    FFlags = Flags;
  }
  if (!FTransform) return false;
  std::vector<uint16_t> in16;
  std::vector<double> inLab;
  Expand(InKind, static_cast<const uint8_t*>(InBuffer), Count, in16, inLab);
  std::vector<uint16_t> out16(static_cast<size_t>(Count) * outCh);
  std::vector<double> outLab(OutKind == 4 ? static_cast<size_t>(Count) * 3 : 0);
  cmsDoTransform(FTransform, InKind == 4 ? static_cast<const void*>(inLab.data()) : in16.data(),
                 OutKind == 4 ? static_cast<void*>(outLab.data()) : out16.data(), static_cast<cmsUInt32Number>(Count));
  uint8_t* o = static_cast<uint8_t*>(OutBuffer);
  if (OutKind == 1) {
    for (int i = 0; i < Count; ++i)
      for (int c = 0; c < 3; ++c) o[3 * i + 2 - c] = static_cast<uint8_t>(out16[3 * i + c] >> 8);
  } else if (OutKind == 2) {
    for (int i = 0; i < Count; ++i)
      for (int c = 0; c < 4; ++c) o[4 * i + c] = static_cast<uint8_t>((out16[4 * i + c] >> 8) ^ 0xFF);
  }
  return true;
}

bool TIEICC::TransformBitmap(TIEBitmap* Bitmap, TIEPixelFormat TargetFormat, TIEICC* Dest) {
  auto kindOf = [](TIEPixelFormat f) {
    switch (f) {
      case ie8g: return 5;
      case ie24RGB: return 1;
      case ieCMYK: return 2;
      case ieRGB48: return 6;
      case ieCIELab: return 4;
      default: return -1;
    }
  };
  if (!Bitmap || Bitmap->IsEmpty() || !Dest) return false;
  const int inKind = kindOf(Bitmap->PixelFormat()), outKind = kindOf(TargetFormat);
  if (inKind < 0 || outKind < 0 || (outKind != 1 && outKind != 2)) return false;
  TIEBitmap res;
  res.SetLocation(Bitmap->Location() == ieFile ? ieFile : ieMemory);
  if (!res.Allocate(Bitmap->Width(), Bitmap->Height(), TargetFormat)) return false;
  bool ok = true;
  for (int y = 0; y < Bitmap->Height() && ok; ++y) {
    std::vector<uint8_t> row(static_cast<size_t>(Bitmap->RowLen()));
    std::memcpy(row.data(), Bitmap->Scanline(y), row.size());
    ok = Transform(Dest, inKind, Bitmap->Width(), res.Scanline(y), row.data(), 0, 0, outKind);
  }
  FreeTransform();
  if (!ok) return false;
  TIEBitmap* alpha = Bitmap->DetachAlphaChannel();
  Bitmap->CopyImageFrom(&res);
  if (alpha) Bitmap->AttachAlphaChannel(alpha);
  return true;
}

void TIEICC::LoadSRGBProfile() {
  Clear();
  FProfile = cmsCreate_sRGBProfile();
}

void IEConvertColorRow(const void* Source, int SourceKind, void* Dest, int Count, int DestKind, TIEICC* Input,
                       TIEICC* Output, TIEICC* Default) {
  if (!Source || !Dest || Count <= 0) return;
  // ICC route: the input profile unless only a default one is set.
  TIEICC* profile = (Input && Input->IsValid()) || !(Default && Default->IsValid()) ? Input : Default;
  if (IEColorManagement && profile && profile->IsValid() && !profile->Applied()) {
    TIEICC srgb;
    TIEICC* out = Output;
    if (!out || !out->IsValid()) {
      srgb.LoadSRGBProfile();
      out = &srgb;
    }
    if (profile->Transform(out, SourceKind, Count, Dest, Source, 0, 0, DestKind)) return;
  }
  const uint8_t* s = static_cast<const uint8_t*>(Source);
  uint8_t* d = static_cast<uint8_t*>(Dest);
  // CMYK rows through the built-in profile: one transform call per row instead of per pixel.
  if (((SourceKind == 2 && DestKind == 1 && IECMYKTransform.ToRGB == ICCToRGB) ||
       (SourceKind == 1 && DestKind == 2 && IECMYKTransform.ToCMYK == ICCToCMYK)) &&
      IECMYKThroughICC && IEInitCMYKTransform()) {
    const bool toRGB = SourceKind == 2;
    const int inCh = toRGB ? 4 : 3, outCh = toRGB ? 3 : 4;
    std::vector<cmsUInt16Number> in(static_cast<size_t>(Count) * inCh), out(static_cast<size_t>(Count) * outCh);
    for (int i = 0; i < Count; ++i)
      for (int c = 0; c < inCh; ++c)
        in[static_cast<size_t>(i) * inCh + c] =
            toRGB ? static_cast<cmsUInt16Number>((255 - s[4 * i + c]) * 257) : static_cast<cmsUInt16Number>(s[3 * i + 2 - c] * 257);
    cmsDoTransform(toRGB ? gCMYKToRGB : gRGBToCMYK, in.data(), out.data(), static_cast<cmsUInt32Number>(Count));
    for (int i = 0; i < Count; ++i)
      for (int c = 0; c < outCh; ++c) {
        const uint8_t v = static_cast<uint8_t>(out[static_cast<size_t>(i) * outCh + c] >> 8);
        if (toRGB)
          d[3 * i + 2 - c] = v;
        else
          d[4 * i + c] = v ^ 0xFF;
      }
    return;
  }
  for (int i = 0; i < Count; ++i) {
    if (SourceKind == 0 && DestKind == 1) {
      d[3 * i] = s[3 * i + 2];
      d[3 * i + 1] = s[3 * i + 1];
      d[3 * i + 2] = s[3 * i];
    } else if (SourceKind == 1 && DestKind == 1) {
      std::memcpy(d, s, static_cast<size_t>(Count) * 3);
      return;
    } else if (SourceKind == 1 && DestKind == 2) {
      reinterpret_cast<TIECMYK*>(d)[i] = IERGB2CMYK(reinterpret_cast<const TIERGBPixel*>(s)[i]);
    } else if (SourceKind == 1 && DestKind == 4) {
      reinterpret_cast<TIECIELabPixel*>(d)[i] = IERGBToCIELab(reinterpret_cast<const TIERGBPixel*>(s)[i]);
    } else if (SourceKind == 1 && DestKind == 5) {
      const TIERGBPixel p = reinterpret_cast<const TIERGBPixel*>(s)[i];
      d[i] = static_cast<uint8_t>((p.r * IEGrayWeightRed + p.g * IEGrayWeightGreen + p.b * IEGrayWeightBlue) / 100);
    } else if (SourceKind == 2 && DestKind == 1) {
      reinterpret_cast<TIERGBPixel*>(d)[i] = IECMYK2RGB(reinterpret_cast<const TIECMYK*>(s)[i]);
    } else if (SourceKind == 4 && DestKind == 1) {
      reinterpret_cast<TIERGBPixel*>(d)[i] = IECIELabToRGB(reinterpret_cast<const TIECIELabPixel*>(s)[i]);
    } else if ((SourceKind == 6 || SourceKind == 7) && DestKind == 1) {
      // The high byte of each word: the second byte of a little-endian word, the first of a
      // big-endian one.
      const int hi = SourceKind == 6 ? 1 : 0;
      d[3 * i] = s[6 * i + 4 + hi];
      d[3 * i + 1] = s[6 * i + 2 + hi];
      d[3 * i + 2] = s[6 * i + hi];
    } else if (SourceKind == 8 && DestKind == 1) {
      IEYCbCrToRGB(reinterpret_cast<TIERGBPixel*>(d)[i], s[3 * i], s[3 * i + 1], s[3 * i + 2]);
    } else {
      return;  // a combination without a formula leaves the destination untouched
    }
  }
}

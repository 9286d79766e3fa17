// The built-in CMYK profile and transforms through lcms2, and the row colour converter's formulas.
//
// The built-in CMYK profile is made in memory at first use: a CMYK output profile whose lookup
// tables are sampled from the library's own CMYK formulas (through sRGB), so that the ICC route
// and the formula route agree and no third-party profile data is shipped.
#include "imaging/core/iecmykprofile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "imaging/core/iesmall.h"
#include "imaging/core/ieutils.h"


namespace {

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
    // Identity curves around the table, the layout the profile file's lookup-table tags need.
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(a2b, cmsAT_END, c1);
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipeline* b2a = cmsPipelineAlloc(nullptr, 3, 4);
    cmsStage* c2 = cmsStageAllocCLut16bit(nullptr, 33, 3, 4, nullptr);
    cmsStageSampleCLut16bit(c2, SampleBToA, &ctx, 0);
    cmsPipelineInsertStage(b2a, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipelineInsertStage(b2a, cmsAT_END, c2);
    cmsPipelineInsertStage(b2a, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
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
  if (!IEInitCMYKTransform()) return false;
  const cmsUInt16Number s[4] = {static_cast<cmsUInt16Number>((255 - in.c) * 257), static_cast<cmsUInt16Number>((255 - in.m) * 257),
                                static_cast<cmsUInt16Number>((255 - in.y) * 257), static_cast<cmsUInt16Number>((255 - in.k) * 257)};
  cmsUInt16Number d[3];
  cmsDoTransform(gCMYKToRGB, s, d, 1);
  out = IEMakeRGB(static_cast<uint8_t>(d[0] >> 8), static_cast<uint8_t>(d[1] >> 8), static_cast<uint8_t>(d[2] >> 8));
  return true;
}

bool ICCToCMYK(TIERGBPixel in, TIECMYK& out) {
  if (!IEInitCMYKTransform()) return false;
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

bool IEBuiltInCMYKProfile(std::vector<uint8_t>& Bytes) {
  Bytes.clear();
  cmsHPROFILE p = MakeCMYKProfile();
  if (!p) return false;
  cmsUInt32Number size = 0;
  bool ok = cmsSaveProfileToMem(p, nullptr, &size) && size > 0;
  if (ok) {
    Bytes.resize(size);
    ok = cmsSaveProfileToMem(p, Bytes.data(), &size);
  }
  cmsCloseProfile(p);
  if (!ok) Bytes.clear();
  return ok;
}

void IEConvertColorRow(const void* Source, int SourceKind, void* Dest, int Count, int DestKind) {
  if (!Source || !Dest || Count <= 0) return;
  const uint8_t* s = static_cast<const uint8_t*>(Source);
  uint8_t* d = static_cast<uint8_t*>(Dest);
  // CMYK rows through the built-in profile: one transform call per row instead of per pixel.
  if (((SourceKind == 2 && DestKind == 1 && IECMYKTransform.ToRGB == ICCToRGB) ||
       (SourceKind == 1 && DestKind == 2 && IECMYKTransform.ToCMYK == ICCToCMYK)) &&
      IEInitCMYKTransform()) {
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
      const uint8_t r = s[3 * i], b = s[3 * i + 2];  // read first: the codecs convert rows in place
      d[3 * i] = b;
      d[3 * i + 1] = s[3 * i + 1];
      d[3 * i + 2] = r;
    } else if (SourceKind == 1 && DestKind == 1) {
      std::memmove(d, s, static_cast<size_t>(Count) * 3);
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
      const uint8_t r = s[6 * i + hi], g = s[6 * i + 2 + hi], b = s[6 * i + 4 + hi];
      d[3 * i] = b;
      d[3 * i + 1] = g;
      d[3 * i + 2] = r;
    } else if (SourceKind == 8 && DestKind == 1) {
      IEYCbCrToRGB(reinterpret_cast<TIERGBPixel*>(d)[i], s[3 * i], s[3 * i + 1], s[3 * i + 2]);
    } else {
      return;  // a combination without a formula leaves the destination untouched
    }
  }
}

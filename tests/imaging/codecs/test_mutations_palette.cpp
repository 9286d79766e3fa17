// The GIF, TGA, PNM, WBMP, PCX and DCX readers against damaged copies of valid files: bytes
// flipped and files cut at pseudo-random places (fixed seeds). They must return normally, without
// raising, leaking or touching memory they do not own (the sanitizer build checks the last two).
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "codectest.h"
#include "imaging/codecs/giffilt.h"
#include "imaging/codecs/pcxfilt.h"
#include "imaging/codecs/pnmfilt.h"
#include "imaging/codecs/tgafilt.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"

namespace {

struct TFormat {
  const char* Name;
  std::function<void(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&)> Write;
  std::function<void(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&, TIEMask*&)> Read;
};

std::vector<TFormat> Formats() {
  return {
      {"gif",
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r) {
         p.GIF_Interlaced = true;
         GifWriteImage(s, b, p, r);
       },
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*& m) {
         int n = 0;
         GifReadImage(s, b, n, p, r, false, m, false);
       }},
      {"tga",
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r) {
         p.SamplesPerPixel = 1;
         p.BitsPerSample = 8;
         TgaWriteImage(s, b, p, nullptr, r);
       },
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*& m) {
         TgaReadImage(s, b, p, false, m, false, r);
       }},
      {"pnm", [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r) { PnmWriteImage(s, b, p, r); },
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*&) { PnmReadImage(s, b, p, r, false); }},
      {"wbmp", [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r) { WbmpWriteImage(s, b, p, r); },
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*&) { WbmpReadImage(s, b, p, r, false); }},
      {"pcx", [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r) { PcxWriteImage(s, b, p, r); },
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*&) {
         PcxReadImage(s, b, p, false, r, s->Size());
       }},
      {"dcx", [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r) { DcxInsertPage(s, b, p, r); },
       [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*&) { DcxReadPage(s, b, p, false, r); }},
  };
}

}  // namespace

TEST(MutationsPalette, ReadersSurviveDamagedFiles) {
  for (const TFormat& f : Formats()) {
    SCOPED_TRACE(f.Name);
    TIEBitmap photo;
    MakePhoto(photo, 23, 13);
    TIOParamsVals wp;
    TMemoryStream out;
    TTestProgress wpr;
    f.Write(&out, &photo, wp, wpr.Rec);
    const auto good = Bytes(out);
    ASSERT_GT(good.size(), 20u);
    std::mt19937 rng(4321);
    for (int round = 0; round < 150; ++round) {
      auto bad = good;
      if (round % 3 == 0) {
        bad.resize(rng() % bad.size());
      } else {
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < flips; ++k) {
          const size_t at = (rng() % 4) ? rng() % std::min<size_t>(140, bad.size()) : rng() % bad.size();
          bad[at] = static_cast<uint8_t>(rng());
        }
      }
      TMemoryStream s;
      Load(s, bad);
      TIEBitmap bmp;
      TIOParamsVals p;
      TTestProgress pr;
      TIEMask* mask = nullptr;
      EXPECT_NO_THROW(f.Read(&s, &bmp, p, pr.Rec, mask)) << round;
      delete mask;
    }
  }
}

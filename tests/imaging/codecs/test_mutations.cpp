// Every reader against damaged copies of valid files: bytes flipped and files cut at
// pseudo-random places (fixed seeds). The readers must return normally, without raising, leaking
// or touching memory they do not own (the sanitizer build checks the last two).
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "codectest.h"
#include "imaging/codecs/bmpfilt.h"
#include "imaging/codecs/ieicofilt.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/pngfilt.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"

namespace {

using TReader = std::function<void(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&, TIEMask*&)>;

std::vector<uint8_t> Sample(int32_t type) {
  TIEBitmap photo;
  MakePhoto(photo, 21, 13);
  TIOParamsVals p;
  TMemoryStream out;
  TTestProgress pr;
  switch (type) {
    case 0:
      p.JPEG_Progressive = true;
      JpegWriteImage(&out, &photo, p, pr.Rec);
      break;
    case 1: {
      TIEMask m;
      m.AllocateBits(21, 13, 8);
      m.Fill(200);
      PngWriteImage(&out, &photo, p, &m, pr.Rec);
      break;
    }
    case 2:
      p.SamplesPerPixel = 1;
      p.BMP_Compression = 1;
      BmpWriteImage(&out, &photo, p, false, pr.Rec);
      break;
    default: {
      TIEIcoSize sizes[2] = {{16, 16}, {24, 24}};
      int32_t bits[2] = {8, 32};
      IcoWriteImage(&out, &photo, p, pr.Rec, sizes, bits, 2);
      break;
    }
  }
  return Bytes(out);
}

TReader ReaderOf(int type) {
  switch (type) {
    case 0:
      return [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*&) {
        JpegReadImage(s, nullptr, b, p, r, false, false, true, false, true, true, -1, false);
      };
    case 1:
      return [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*&) { PngReadImage(s, b, p, false, r); };
    case 2:
      return [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*& m) {
        BmpReadImage(s, b, 0, p, r, false, false, m, false);
      };
    default:
      return [](TStream* s, TIEBitmap* b, TIOParamsVals& p, TIEProgressRec& r, TIEMask*& m) {
        p.ICO_ImageIndex = 1;
        IcoReadImage(s, b, p, false, r, m, false);
      };
  }
}

}  // namespace

TEST(Mutations, ReadersSurviveDamagedFiles) {
  const char* names[] = {"jpeg", "png", "bmp", "ico"};
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE(names[type]);
    const auto good = Sample(type);
    ASSERT_GT(good.size(), 40u);
    TReader read = ReaderOf(type);
    std::mt19937 rng(1234 + type);
    for (int round = 0; round < 150; ++round) {
      auto bad = good;
      if (round % 3 == 0) {
        bad.resize(rng() % bad.size());
      } else {
        int flips = 1 + static_cast<int>(rng() % 8);
        // Headers are where the interesting damage is: most flips land in the first 100 bytes.
        for (int f = 0; f < flips; ++f) {
          size_t at = (rng() % 4) ? rng() % std::min<size_t>(100, bad.size()) : rng() % bad.size();
          bad[at] = static_cast<uint8_t>(rng());
        }
      }
      TMemoryStream s;
      Load(s, bad);
      TIEBitmap bmp;
      TIOParamsVals p;
      TTestProgress pr;
      TIEMask* mask = nullptr;
      EXPECT_NO_THROW(read(&s, &bmp, p, pr.Rec, mask)) << round;
      delete mask;
    }
  }
}

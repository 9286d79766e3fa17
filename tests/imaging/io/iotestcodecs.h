// Small stand-in codecs for the IO tests: a marker-carrying format installed in the JPEG slot
// (SOI, the marker list, a raw pixel chunk, EOI) and the same pixel chunk behind a "BM" header in
// the BMP slot. They follow the codec calling convention (bad data sets the abort flag), so the
// load and save frames, the worker threads and the metadata paths can be tested without the codec
// library.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieview.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iexmp.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace iotest {

inline void WritePixels(TStream* S, TIEBitmap* B) {
  int32_t w = B->Width(), h = B->Height();
  uint8_t pf = B->PixelFormat();
  S->WriteBuffer("PIX", 3);
  S->WriteBuffer(&w, 4);
  S->WriteBuffer(&h, 4);
  S->WriteBuffer(&pf, 1);
  for (int y = 0; y < h; ++y) S->WriteBuffer(B->Scanline(y), (int64_t(w) * IEBitsPerPixel[pf] + 7) / 8);
}

// Reads the pixel chunk; false on bad data.
inline bool ReadPixels(TStream* S, TIEBitmap* B, TIOParamsVals& P, bool Preview) {
  char tag[3];
  int32_t w = 0, h = 0;
  uint8_t pf = 0;
  if (S->Read(tag, 3) != 3 || std::memcmp(tag, "PIX", 3) != 0) return false;
  if (S->Read(&w, 4) != 4 || S->Read(&h, 4) != 4 || S->Read(&pf, 1) != 1) return false;
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096 || pf == 0 || pf >= IEPixelFormatCount) return false;
  P.Width = w;
  P.Height = h;
  P.SetImageCount(1);
  if (Preview) return true;
  B->Allocate(w, h, static_cast<TIEPixelFormat>(pf));
  const int64_t rowBytes = (int64_t(w) * IEBitsPerPixel[pf] + 7) / 8;
  for (int y = 0; y < h; ++y)
    if (S->Read(B->Scanline(y), rowBytes) != rowBytes) return false;
  return true;
}

inline void FakeJpegWrite(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIEProgressRec& Rec) {
  const uint8_t soi[2] = {0xFF, 0xD8};
  S->WriteBuffer(soi, 2);
  if (P.JPEG_MarkerList->IndexOf(0xE0) < 0) {  // an APP0 marker, as real files start
    const uint8_t app0[9] = {0xFF, 0xE0, 0, 7, 'J', 'F', 'I', 'F', 0};
    S->WriteBuffer(app0, 9);
  }
  P.JPEG_MarkerList->SortMarkers();
  for (int i = 0; i < P.JPEG_MarkerList->GetCount(); ++i) {
    int len = P.JPEG_MarkerList->GetMarkerLength(i) + 2;
    const uint8_t h[4] = {0xFF, P.JPEG_MarkerList->GetMarkerType(i), uint8_t(len >> 8), uint8_t(len)};
    S->WriteBuffer(h, 4);
    S->WriteBuffer(P.JPEG_MarkerList->GetMarkerData(i), len - 2);
  }
  WritePixels(S, B);
  const uint8_t eoi[2] = {0xFF, 0xD9};
  S->WriteBuffer(eoi, 2);
  Rec.Val = 1;
  Rec.Per = 100;
  Rec.Report();
}

inline void FakeJpegRead(TStream* S, TStream*, TIEBitmap* B, bool, int, bool, bool, bool, bool Parse, bool, bool Preview,
                         TIEProgressRec& Rec, TIOParamsVals& P) {
  uint8_t b[4];
  if (S->Read(b, 2) != 2 || b[0] != 0xFF || b[1] != 0xD8) return Rec.Abort();
  for (;;) {
    int64_t pos = S->Position();
    if (S->Read(b, 2) != 2) return Rec.Abort();
    if (b[0] != 0xFF) {
      S->SetPosition(pos);
      break;
    }
    uint8_t type = b[1];
    if (S->Read(b, 2) != 2) return Rec.Abort();
    int len = (b[0] << 8) | b[1];
    if (len < 2) return Rec.Abort();
    std::vector<uint8_t> data(len - 2);
    if (S->Read(data.data(), len - 2) != len - 2) return Rec.Abort();
    P.JPEG_MarkerList->AddMarker(type, data.data(), len - 2);
    if (Parse && type == 0xE1 && !P.EXIF_HasEXIFData) IELoadEXIFFromStandardBuffer(data.data(), len - 2, &P);
    if (Parse && type == 0xE1) IELoadXMPFromMarker(data.data(), len - 2, &P);
    if (Parse && type == 0xED) P.IPTC_Info->LoadFromStandardBuffer(data.data(), len - 2);
  }
  if (!ReadPixels(S, B, P, Preview)) return Rec.Abort();
  if (!Preview && (S->Read(b, 2) != 2 || b[0] != 0xFF || b[1] != 0xD9)) return Rec.Abort();
  Rec.Val = 1;
  Rec.Per = 100;
  Rec.Report();
}

inline void FakeBmpRead(TStream* S, TIEBitmap* B, int64_t, bool, TIEMask*&, bool, bool Preview, TIEProgressRec& Rec,
                        TIOParamsVals& P) {
  char h[2];
  if (S->Read(h, 2) != 2 || h[0] != 'B' || h[1] != 'M') return Rec.Abort();
  if (!ReadPixels(S, B, P, Preview)) Rec.Abort();
}

inline void FakeBmpWrite(TStream* S, TIEBitmap* B, TIOParamsVals&, bool, TIEProgressRec&) {
  S->WriteBuffer("BM", 2);
  WritePixels(S, B);
}

// Installs the stand-ins (and restores the previous table when destroyed).
struct TFakeCodecs {
  TIECodecs Saved = IECodecs;
  TFakeCodecs() {
    IECodecs.JpegReadImage = &FakeJpegRead;
    IECodecs.JpegWriteImage = &FakeJpegWrite;
    IECodecs.BmpReadImage = &FakeBmpRead;
    IECodecs.BmpWriteImage = &FakeBmpWrite;
  }
  ~TFakeCodecs() { IECodecs = Saved; }
};

// A fresh folder under /tmp, removed with its content.
struct TTempDir {
  std::string Path;
  TTempDir() {
    char tmpl[] = "/tmp/orv_imgio_XXXXXX";
    Path = ::mkdtemp(tmpl);
  }
  ~TTempDir() { std::filesystem::remove_all(Path); }
  std::string operator/(const std::string& Name) const { return Path + "/" + Name; }
};

inline void WriteFile(const std::string& Name, const std::vector<uint8_t>& Bytes) {
  TFileStream f(Name, fmCreate);
  if (!Bytes.empty()) f.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
}

// A 24-bit image with a recognisable pattern.
inline void MakePattern(TIEBitmap* B, int W, int H, uint8_t Seed = 0) {
  B->Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(B->Scanline(y));
    for (int x = 0; x < W; ++x) row[x] = {uint8_t(x * 7 + Seed), uint8_t(y * 5), uint8_t(x ^ y)};
  }
}

// A concrete view holding one bitmap; counts image changes.
class TTestView : public TIEView {
public:
  TIEBitmap Image;
  int ImageChanges = 0;
  TIEBitmap* GetIEBitmap() override { return &Image; }
  TIEBitmap* GetAlphaChannel() override { return Image.GetAlphaChannel(); }
  bool HasAlphaChannel() override { return Image.HasAlphaChannel(); }
  void RemoveAlphaChannel(bool Merge) override { Image.RemoveAlphaChannel(Merge); }
  void LockPaint() override {}
  int UnlockPaint() override { return 0; }
  int UnlockPaintNoRefresh() override { return 0; }
  void ImageChange() override { ++ImageChanges; }
};

}  // namespace iotest

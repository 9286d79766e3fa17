// DICOM reader (see dicomfilt.h).
#include "imaging/codecs/dicomfilt.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

constexpr uint32_t kDicomUndefined = 0xFFFFFFFFu;
// Deepest nesting of undefined-length sequences and items a file may use.
constexpr int kDicomMaxNesting = 32;
const char kDicomBigEndianUid[] = "1.2.840.10008.1.2.2";

// The reader's state for one stream.
struct TDICOMContext {
  TIOParamsVals* Params = nullptr;
  TIEBitmap* Bitmap = nullptr;
  TIEProgressRec* Progress = nullptr;
  TStream* Stream = nullptr;  // the buffered stream
  int64_t Size = 0;
  bool NoPreamble = false;
  bool LittleEndian = true;
  std::string TransferSyntax;
  int SamplesPerPixel = 1;
  std::string Photometric;
  int PlanarConfiguration = 0;
  int Frames = 1;
  int PixelRepresentation = 0;
  int Columns = 0, Rows = 0, BitsAllocated = 0, BitsStored = 0;
  double WindowCentre = -1.0, WindowWidth = -1.0, RescaleIntercept = 0.0, RescaleSlope = 1.0;
};

bool DicomUpper(uint8_t c) { return c >= 'A' && c <= 'Z'; }

bool DicomLongLengthVR(const char* vr) {
  static const char* const kLong[] = {"OB", "UN", "OW", "SQ", "UT", "OF", "OD", "OL", "OV", "UC", "UR", "SV", "UV"};
  for (const char* l : kLong)
    if (vr[0] == l[0] && vr[1] == l[1]) return true;
  return false;
}

int DicomElementSize(const std::string& vr) {
  if (vr == "SS" || vr == "US") return 2;
  if (vr == "UL" || vr == "SL" || vr == "FL") return 4;
  if (vr == "FD") return 8;
  return 1;
}

std::string DicomTrim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (static_cast<unsigned char>(s[a]) <= ' ')) ++a;
  while (b > a && (static_cast<unsigned char>(s[b - 1]) <= ' ')) --b;
  return s.substr(a, b - a);
}

// The text up to the first backslash as a number ("." or "," as decimal separator); -1 when it is
// not one (or not a finite number of sensible size).
double DicomNumber(const std::string& text) {
  std::string t = DicomTrim(text.substr(0, text.find('\\')));
  std::replace(t.begin(), t.end(), ',', '.');
  if (t.empty()) return -1.0;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 1e9) return -1.0;
  return v;
}

// Reads exactly Count bytes; false when the stream ends first.
bool DicomRead(TStream* S, void* Dest, int64_t Count) { return Count <= 0 || S->Read(Dest, Count) == Count; }

// Window and stretch over Count samples (16 bits: Words, else Bytes with Max 255).
template <class T>
void DicomWindowStretch(TDICOMContext& C, T* Samples, int64_t Count, int Max) {
  const bool windowed = C.WindowCentre != -1.0 && C.WindowWidth != -1.0;
  const double centre = C.WindowCentre - 0.5, span = C.WindowWidth - 1.0;
  const double low = std::trunc(centre - span / 2), high = std::trunc(centre + span / 2);
  double offset = 0;
  int mn = Max, mx = 0;
  for (int64_t i = 0; i < Count; ++i) {
    double s;
    if (C.PixelRepresentation == 1)
      s = sizeof(T) == 2 ? static_cast<int16_t>(Samples[i]) : static_cast<int8_t>(Samples[i]);
    else
      s = Samples[i];
    const double v = s * C.RescaleSlope + C.RescaleIntercept;
    double w = v;
    if (windowed) {
      if (v <= low) w = 0;
      else if (v >= high) w = Max;
      else if (span <= 0) w = v < centre ? 0 : Max;  // a width of 1 or less is a threshold
      else w = ((v - centre) / span + 0.5) * Max;
    }
    if (w < 0) offset = std::max(offset, -w);
    const double r = std::clamp(std::trunc(w + offset), -2147483648.0, 2147483647.0);
    const T stored = static_cast<T>(static_cast<int64_t>(r) & Max);
    Samples[i] = stored;
    mn = std::min<int>(mn, stored);
    mx = std::max<int>(mx, stored);
  }
  // Every sample equal: nothing to stretch (the samples stay as they are).
  if (mx <= mn) return;
  const double scale = static_cast<double>(Max) / (mx - mn);
  for (int64_t i = 0; i < Count; ++i) Samples[i] = static_cast<T>(std::trunc((Samples[i] - mn) * scale));
}

bool DicomMonochrome1(const TDICOMContext& C) {
  std::string p = DicomTrim(C.Photometric);
  for (char& ch : p) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return p == "MONOCHROME1";
}

// Window, stretch and inversion of a grey (or, for 8 bits, any) bitmap, row by row.
void DicomFinishGrey(TDICOMContext& C, TIEBitmap* B, bool Window) {
  const bool invert = DicomMonochrome1(C);
  const bool wide = B->PixelFormat() == ie16g;
  const int64_t perRow = wide ? B->Width() : static_cast<int64_t>(B->Width()) * (B->PixelFormat() == ie24RGB ? 3 : 1);
  if (Window) {
    // The stretch needs the minimum and maximum of the whole image: copy it out and back.
    if (wide) {
      std::vector<uint16_t> all(static_cast<size_t>(perRow) * B->Height());
      for (int y = 0; y < B->Height(); ++y) std::memcpy(&all[static_cast<size_t>(y) * perRow], B->Scanline(y), perRow * 2);
      DicomWindowStretch<uint16_t>(C, all.data(), static_cast<int64_t>(all.size()), 65535);
      for (int y = 0; y < B->Height(); ++y) std::memcpy(B->Scanline(y), &all[static_cast<size_t>(y) * perRow], perRow * 2);
    } else {
      std::vector<uint8_t> all(static_cast<size_t>(perRow) * B->Height());
      for (int y = 0; y < B->Height(); ++y) std::memcpy(&all[static_cast<size_t>(y) * perRow], B->Scanline(y), perRow);
      DicomWindowStretch<uint8_t>(C, all.data(), static_cast<int64_t>(all.size()), 255);
      for (int y = 0; y < B->Height(); ++y) std::memcpy(B->Scanline(y), &all[static_cast<size_t>(y) * perRow], perRow);
    }
  }
  if (invert && B->PixelFormat() != ie24RGB) {
    const int64_t n = wide ? perRow * 2 : perRow;
    for (int y = 0; y < B->Height(); ++y) {
      uint8_t* r = B->Scanline(y);
      for (int64_t i = 0; i < n; ++i) r[i] = static_cast<uint8_t>(~r[i]);
    }
  }
}

// PackBits decoding from the stream until Wanted bytes are produced or Limit is reached.
void DicomRleSegment(TStream* S, int64_t Limit, uint8_t* Out, int64_t Wanted) {
  int64_t o = 0;
  uint8_t buf[129];
  while (o < Wanted && S->Position() < Limit) {
    uint8_t h;
    if (!DicomRead(S, &h, 1)) break;
    const int n = static_cast<int8_t>(h);
    if (n >= 0) {
      const int k = n + 1;
      if (!DicomRead(S, buf, k)) break;
      const int64_t c = std::min<int64_t>(k, Wanted - o);
      std::memcpy(Out + o, buf, static_cast<size_t>(c));
      o += c;
    } else if (n != -128) {
      uint8_t v;
      if (!DicomRead(S, &v, 1)) break;
      const int64_t c = std::min<int64_t>(1 - n, Wanted - o);
      std::memset(Out + o, v, static_cast<size_t>(c));
      o += c;
    }
  }
}

void DicomDecodeRle(TDICOMContext& C, int64_t FragmentEnd) {
  TStream* S = C.Stream;
  const int64_t start = S->Position();
  uint8_t hdr[64];
  if (!DicomRead(S, hdr, 64)) {
    C.Progress->Abort();
    return;
  }
  const uint32_t segs = IELE32(hdr);
  const int w = C.Columns, h = C.Rows;
  const int64_t plane = static_cast<int64_t>(w) * h;
  const bool grey8 = C.SamplesPerPixel == 1 && C.BitsStored <= 8;
  const bool grey16 = C.SamplesPerPixel == 1 && C.BitsStored > 8 && C.BitsStored <= 16;
  const bool rgb = C.SamplesPerPixel == 3 && C.BitsStored <= 8;
  const uint32_t need = grey8 ? 1 : grey16 ? 2 : rgb ? 3 : 0;
  if (need == 0) return;
  if (w <= 0 || h <= 0 || !IEPlausibleImageSize(w, h, FragmentEnd - start)) {
    C.Progress->Abort();
    return;
  }
  if (segs < need || segs > 15) {
    C.Progress->Abort();
    return;
  }
  std::vector<std::vector<uint8_t>> planes(need, std::vector<uint8_t>(static_cast<size_t>(plane), 0));
  for (uint32_t i = 0; i < need; ++i) {
    const int64_t at = start + IELE32(hdr + 4 + 4 * i);
    if (at < start + 64 || at >= FragmentEnd) continue;
    // A segment ends where the next one begins (when that lies after it), else at the fragment end.
    int64_t limit = FragmentEnd;
    if (i + 1 < segs) {
      const int64_t next = start + IELE32(hdr + 8 + 4 * i);
      if (next > at && next < FragmentEnd) limit = next;
    }
    S->SetPosition(at);
    DicomRleSegment(S, limit, planes[i].data(), plane);
  }
  TIEBitmap* B = C.Bitmap;
  if (!B->Allocate(w, h, grey8 ? ie8g : grey16 ? ie16g : ie24RGB)) {
    C.Progress->Abort();
    return;
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* r = B->Scanline(y);
    const size_t o = static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      if (grey8) {
        r[x] = planes[0][o + x];
      } else if (grey16) {
        reinterpret_cast<uint16_t*>(r)[x] = static_cast<uint16_t>(planes[0][o + x] << 8 | planes[1][o + x]);
      } else {
        r[3 * x + 2] = planes[0][o + x];
        r[3 * x + 1] = planes[1][o + x];
        r[3 * x] = planes[2][o + x];
      }
    }
  }
  DicomFinishGrey(C, B, true);
}

void DicomDecodeLossless(TDICOMContext& C, int64_t Length) {
  TStream* S = C.Stream;
  const bool grey8 = C.SamplesPerPixel == 1 && C.BitsStored <= 8;
  const bool grey16 = C.SamplesPerPixel == 1 && C.BitsStored > 8 && C.BitsStored <= 16;
  const bool rgb = C.SamplesPerPixel == 3 && C.BitsStored <= 8;
  if (!grey8 && !grey16 && !rgb) return;
  Length = std::min(Length, C.Size - S->Position());
  if (Length <= 0) {
    C.Progress->Abort();
    return;
  }
  std::vector<uint8_t> data(static_cast<size_t>(Length));
  if (!DicomRead(S, data.data(), Length)) {
    C.Progress->Abort();
    return;
  }
  std::vector<uint8_t> bytes;
  std::vector<uint16_t> words;
  int w, h, nc, p;
  if (!LosslessJpegDecode(data.data(), Length, bytes, words, w, h, nc, p)) {
    C.Progress->Abort();
    return;
  }
  const bool eight = p == 8;
  // The frame must match what the elements announce.
  if ((grey8 && (!eight || nc != 1)) || (grey16 && (eight || nc != 1)) || (rgb && (!eight || nc != 3))) {
    C.Progress->Abort();
    return;
  }
  TIEBitmap* B = C.Bitmap;
  if (!B->Allocate(w, h, grey8 ? ie8g : grey16 ? ie16g : ie24RGB)) {
    C.Progress->Abort();
    return;
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* r = B->Scanline(y);
    const size_t o = static_cast<size_t>(y) * w;
    if (grey8) {
      std::memcpy(r, &bytes[o], static_cast<size_t>(w));
    } else if (grey16) {
      std::memcpy(r, &words[o], static_cast<size_t>(w) * 2);
    } else {
      for (int x = 0; x < w; ++x) {
        r[3 * x + 2] = bytes[(o + x) * 3];
        r[3 * x + 1] = bytes[(o + x) * 3 + 1];
        r[3 * x] = bytes[(o + x) * 3 + 2];
      }
    }
  }
  if (!rgb) DicomFinishGrey(C, B, true);
}

void DicomDecodeBaseline(TDICOMContext& C) {
  TIOParamsVals tp;
  TIEProgressRec rec;
  rec.Aborting = C.Progress->Aborting;
  JpegReadImage(C.Stream, nullptr, C.Bitmap, tp, rec, false, false, false, false, false, false, -1, true);
  if (C.SamplesPerPixel == 1 && !C.Bitmap->IsEmpty() && C.Bitmap->PixelFormat() == ie8g) DicomFinishGrey(C, C.Bitmap, true);
}

void DicomDecodeNative(TDICOMContext& C) {
  TStream* S = C.Stream;
  const int w = C.Columns, h = C.Rows, spp = C.SamplesPerPixel, bits = C.BitsStored;
  const bool grey8 = spp == 1 && bits >= 1 && bits <= 8;
  const bool grey16 = spp == 1 && bits > 8 && bits <= 16;
  const bool rgb = spp == 3 && bits >= 1 && bits <= 8;
  if (!grey8 && !grey16 && !rgb) return;
  const int64_t sampleBytes = grey16 ? 2 : 1;
  const int64_t need = static_cast<int64_t>(w) * h * spp * sampleBytes;
  if (w <= 0 || h <= 0 || need > C.Size - S->Position()) {
    C.Progress->Abort();
    return;
  }
  std::vector<uint8_t> data(static_cast<size_t>(need));
  if (!DicomRead(S, data.data(), need)) {
    C.Progress->Abort();
    return;
  }
  TIEBitmap* B = C.Bitmap;
  if (!B->Allocate(w, h, grey8 ? ie8g : grey16 ? ie16g : ie24RGB)) {
    C.Progress->Abort();
    return;
  }
  const int shift = 8 - std::min(bits, 8);
  const int64_t planeSize = static_cast<int64_t>(w) * h;
  for (int y = 0; y < h; ++y) {
    uint8_t* r = B->Scanline(y);
    const int64_t o = static_cast<int64_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      if (grey8) {
        r[x] = static_cast<uint8_t>(data[o + x] << shift);
      } else if (grey16) {
        reinterpret_cast<uint16_t*>(r)[x] = IEGet16(&data[(o + x) * 2], C.LittleEndian);
      } else if (C.PlanarConfiguration == 1) {
        r[3 * x + 2] = static_cast<uint8_t>(data[o + x] << shift);
        r[3 * x + 1] = static_cast<uint8_t>(data[planeSize + o + x] << shift);
        r[3 * x] = static_cast<uint8_t>(data[2 * planeSize + o + x] << shift);
      } else {
        r[3 * x + 2] = static_cast<uint8_t>(data[(o + x) * 3] << shift);
        r[3 * x + 1] = static_cast<uint8_t>(data[(o + x) * 3 + 1] << shift);
        r[3 * x] = static_cast<uint8_t>(data[(o + x) * 3 + 2] << shift);
      }
    }
  }
  if (grey8) DicomFinishGrey(C, B, false);
  if (grey16) DicomFinishGrey(C, B, true);
}

uint16_t DicomGet16(const uint8_t* p, const TDICOMContext& C) { return IEGet16(p, C.LittleEndian); }
uint32_t DicomGet32(const uint8_t* p, const TDICOMContext& C) { return IEGet32(p, C.LittleEndian); }

// The pixel data element: encapsulated frames or native data.
void DicomDecodePixels(TDICOMContext& C) {
  TStream* S = C.Stream;
  const int64_t start = S->Position();
  uint8_t t[8];
  if (!DicomRead(S, t, 4)) {
    C.Progress->Abort();
    return;
  }
  const bool item = DicomGet16(t, C) == 0xFFFE && DicomGet16(t + 2, C) == 0xE000;
  if (!item) {
    S->SetPosition(start);
    DicomDecodeNative(C);
    return;
  }
  TIOParamsVals& P = *C.Params;
  if (!DicomRead(S, t, 4)) {
    C.Progress->Abort();
    return;
  }
  const uint32_t tableLen = DicomGet32(t, C);
  const int frames = std::max(C.Frames, 1);
  const int index = std::clamp(P.ImageIndex, 0, frames - 1);
  P.SetImageIndex(index);
  if (tableLen != 0) {
    const int64_t tableStart = S->Position();
    if (tableLen > C.Size - tableStart || static_cast<int64_t>(index) * 4 + 4 > tableLen) {
      C.Progress->Abort();
      return;
    }
    S->SetPosition(tableStart + static_cast<int64_t>(index) * 4);
    if (!DicomRead(S, t, 4)) {
      C.Progress->Abort();
      return;
    }
    const int64_t at = tableStart + tableLen + DicomGet32(t, C);
    if (at > C.Size) {
      C.Progress->Abort();
      return;
    }
    S->SetPosition(at);
  } else {
    // No offset table: each fragment holds one frame; pass over those before the frame wanted.
    for (int f = 0; f < index; ++f) {
      if (!DicomRead(S, t, 8) || DicomGet16(t, C) != 0xFFFE || DicomGet16(t + 2, C) != 0xE000) {
        C.Progress->Abort();
        return;
      }
      const int64_t len = DicomGet32(t + 4, C);
      if (len > C.Size - S->Position()) {
        C.Progress->Abort();
        return;
      }
      S->SetPosition(S->Position() + len);
    }
  }
  if (!DicomRead(S, t, 8) || DicomGet16(t, C) != 0xFFFE || DicomGet16(t + 2, C) != 0xE000) {
    C.Progress->Abort();
    return;
  }
  const int64_t fragLen = std::min<int64_t>(DicomGet32(t + 4, C), C.Size - S->Position());
  const int64_t fragEnd = S->Position() + fragLen;
  const std::string& ts = C.TransferSyntax;
  if (ts == "1.2.840.10008.1.2.4.50") DicomDecodeBaseline(C);
  else if (ts == "1.2.840.10008.1.2.4.70" || ts == "1.2.840.10008.1.2.4.57") DicomDecodeLossless(C, fragLen);
  else if (ts == "1.2.840.10008.1.2.5") DicomDecodeRle(C, fragEnd);
}

// Updates the context from an element of group 0028.
void DicomContextElement(TDICOMContext& C, uint16_t Element, const std::string& Text, bool HasInt, int64_t Int) {
  const int v = HasInt ? static_cast<int>(std::clamp<int64_t>(Int, 0, 0x7FFFFFFF)) : 0;
  switch (Element) {
    case 0x0002: if (HasInt) C.SamplesPerPixel = v; break;
    case 0x0004: C.Photometric = Text; break;
    case 0x0006: if (HasInt) C.PlanarConfiguration = v; break;
    case 0x0008: {
      const std::string t = DicomTrim(Text);
      char* end = nullptr;
      const long n = std::strtol(t.c_str(), &end, 10);
      C.Frames = !t.empty() && *end == '\0' && n >= 0 && n <= 0x7FFFFFFF ? static_cast<int>(n) : 1;
      break;
    }
    case 0x0010: if (HasInt) C.Rows = v; break;
    case 0x0011: if (HasInt) C.Columns = v; break;
    case 0x0100:
      if (HasInt) {
        C.BitsAllocated = v;
        if (C.BitsStored == 0) C.BitsStored = v;
      }
      break;
    case 0x0101:
      if (HasInt) {
        C.BitsStored = v;
        if (C.BitsAllocated == 0) C.BitsAllocated = v;
      }
      break;
    case 0x0103: if (HasInt) C.PixelRepresentation = v; break;
    case 0x1050: C.WindowCentre = DicomNumber(Text); if (C.WindowCentre == 0) C.WindowCentre = -1.0; break;
    case 0x1051: C.WindowWidth = DicomNumber(Text); break;
    case 0x1052: C.RescaleIntercept = DicomNumber(Text); break;
    case 0x1053: C.RescaleSlope = DicomNumber(Text); break;
    default: break;
  }
}

void DicomWalk(TDICOMContext& C, bool Preview) {
  TStream* S = C.Stream;
  TIOParamsVals& P = *C.Params;
  uint8_t b[8];
  if (S->Seek(128, soBeginning) != 128 || !DicomRead(S, b, 4) || std::memcmp(b, "DICM", 4) != 0) {
    C.NoPreamble = true;
    S->SetPosition(0);
  }
  int depth = 0;  // open sequences and items of undefined length
  while (S->Position() + 8 <= C.Size) {
    if (!DicomRead(S, b, 4)) break;
    uint16_t group = IELE16(b), element = IELE16(b + 2);
    if (!C.LittleEndian && group != 0x0002) {
      group = IEBE16(b);
      element = IEBE16(b + 2);
    }
    const bool lengthLittle = C.LittleEndian || group == 0x0002;
    const char* dictVR = IEDicomLookupVR(group, element);
    std::string vr = dictVR;
    int64_t length;
    if (!DicomRead(S, b, 4)) break;
    if (vr == "!!") {
      length = IEGet32(b, lengthLittle);
    } else if (group == 0x0002 || (DicomUpper(b[0]) && DicomUpper(b[1]))) {
      const char evr[3] = {static_cast<char>(b[0]), static_cast<char>(b[1]), 0};
      if (DicomLongLengthVR(evr)) {
        if (!DicomRead(S, b, 4)) break;
        length = IEGet32(b, lengthLittle);
      } else {
        length = IEGet16(b + 2, lengthLittle);
      }
      if (vr == "xs") vr = evr;
    } else {
      length = IEGet32(b, lengthLittle);
    }
    const bool undefined = length == kDicomUndefined;
    if (undefined) length = -1;

    // Undefined-length sequences and items open a level; their delimiters close one.
    if (group == 0xFFFE && (element == 0xE00D || element == 0xE0DD)) {
      if (depth > 0) --depth;
    } else if (undefined && (vr == "SQ" || (group == 0xFFFE && element == 0xE000) ||
                                (group == 0x7FE0 && element == 0x0010 && depth > 0))) {
      if (++depth > kDicomMaxNesting) {
        C.Progress->Abort();
        break;
      }
    }

    if (group == 0x7FE0 && element == 0x0010 && depth == 0) {
      P.BitsPerSample = C.BitsStored;
      P.SamplesPerPixel = C.SamplesPerPixel;
      P.Width = P.OriginalWidth = C.Columns;
      P.Height = P.OriginalHeight = C.Rows;
      P.SetImageCount(C.Frames);
      P.DICOM_Tags->AddTag(group, element, -1, nullptr, vr);
      if (!Preview && C.Bitmap != nullptr) DicomDecodePixels(C);
      return;
    }
    std::vector<uint8_t> value;
    bool hasInt = false;
    int64_t intValue = 0;
    if (length > 0 && length < C.Size && length <= C.Size - S->Position()) {
      value.resize(static_cast<size_t>(length));
      if (!DicomRead(S, value.data(), length)) break;
      const int es = DicomElementSize(vr);
      if (length == es && (es == 1 || es == 2 || es == 4)) {
        hasInt = true;
        intValue = es == 1 ? value[0] : es == 2 ? IEGet16(value.data(), lengthLittle) : IEGet32(value.data(), lengthLittle);
      }
      P.DICOM_Tags->AddTag(group, element, static_cast<int>(length), value.data(), vr);
    } else {
      P.DICOM_Tags->AddTag(group, element, -1, nullptr, vr);
    }
    const std::string text(value.begin(), value.end());
    if (group == 0x0002 && element == 0x0010) {
      C.TransferSyntax = std::string(text.c_str());  // up to the zero pad
      C.TransferSyntax = DicomTrim(C.TransferSyntax);
      if (C.TransferSyntax == kDicomBigEndianUid) C.LittleEndian = false;
    } else if (group == 0x0028) {
      DicomContextElement(C, element, std::string(text.c_str()), hasInt, intValue);
    }
  }
  P.SetImageCount(C.Frames);
}

}  // namespace

const char* IEDicomLookupVR(uint16_t Group, uint16_t Element) {
  int n = 0;
  const TIEDicomDictEntry* d = IEDicomDictionary(n);
  for (int i = 0; i < n; ++i)
    if (d[i].Group == Group && d[i].Element == Element) return d[i].VR;
  return "xs";
}

bool DicomDetect(TStream* Stream) {
  const int64_t start = Stream->Position();
  bool ok = false;
  try {
    uint8_t b[4];
    Stream->SetPosition(start + 128);
    ok = Stream->Position() == start + 128 && Stream->Read(b, 4) == 4 && std::memcmp(b, "DICM", 4) == 0;
  } catch (...) {
    ok = false;
  }
  Stream->SetPosition(start);
  return ok;
}

void DicomReadImage(TStream* Stream, TIOParamsVals& IOParams, TIEBitmap* Bitmap, bool Preview,
                    TIEProgressRec& Progress) {
  try {
    std::unique_ptr<TIEBitmap> temp;
    TIEBitmap* B = Bitmap;
    if (Bitmap != nullptr && Bitmap->Location() == ieTBitmap) {
      temp = std::make_unique<TIEBitmap>();
      B = temp.get();
    }
    TIEBufferedReadStream buffered(Stream, 8192, true);
    TDICOMContext C;
    C.Params = &IOParams;
    C.Bitmap = B;
    C.Progress = &Progress;
    C.Stream = &buffered;
    C.Size = buffered.Size();
    DicomWalk(C, Preview || B == nullptr);
    if (temp != nullptr && !temp->IsEmpty()) {
      if (temp->PixelFormat() != ie1g && temp->PixelFormat() != ie24RGB) temp->SetPixelFormat(ie24RGB);
      Bitmap->Assign(temp.get());
    }
  } catch (...) {
    Progress.Abort();
  }
}

int DicomFrameCount(TStream* Stream) {
  const int64_t start = Stream->Position();
  TIOParamsVals p;
  std::atomic<bool> abort{false};
  TIEProgressRec rec;
  rec.Aborting = &abort;
  DicomReadImage(Stream, p, nullptr, true, rec);
  Stream->SetPosition(start);
  return abort.load() ? 0 : p.ImageCount;
}

void IERegisterDicomCodec() {
  IECodecs.DicomReadImage = &DicomReadImage;
  IECodecs.DicomFrameCount = &DicomFrameCount;
}

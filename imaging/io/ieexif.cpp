// EXIF and GPS metadata between parameter sets and EXIF blocks.
//
// The EXIF block is a small TIFF structure. It is read and written here directly (IFD0, the EXIF
// and GPS sub-directories and the thumbnail directory IFD1 with its JPEG interchange data), with
// every offset and count checked against the block: a damaged block loads what lies inside it
// and nothing else. The thumbnail itself is decoded and encoded by the JPEG codec (IECodecs); when
// that is not available the thumbnail is skipped.
#include "imaging/io/ieexif.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

bool IEIsEXIFMarker(const void* Data, int Length) {
  if (Data == nullptr || Length < 4) return false;
  const auto* d = static_cast<const char*>(Data);
  // Read as zero-terminated text: "Exif" followed by a zero byte or the end of the data.
  return std::memcmp(d, "Exif", 4) == 0 && (Length == 4 || d[4] == 0);
}

namespace {

enum TTiffType : uint16_t {
  ttByte = 1, ttAscii = 2, ttShort = 3, ttLong = 4, ttRational = 5, ttSByte = 6, ttUndefined = 7, ttSShort = 8,
  ttSLong = 9, ttSRational = 10, ttFloat = 11, ttDouble = 12
};
int TypeSize(uint16_t t) {
  switch (t) {
    case ttByte: case ttAscii: case ttSByte: case ttUndefined: return 1;
    case ttShort: case ttSShort: return 2;
    case ttLong: case ttSLong: case ttFloat: return 4;
    case ttRational: case ttSRational: case ttDouble: return 8;
    default: return 0;
  }
}

enum TDir : uint8_t { dIFD0, dEXIF, dGPS };
enum TKind : uint8_t { kText, kInt, kRational, kSRational, kUndefText, kUndefInt };

struct TFieldDesc {
  uint16_t Tag;
  TDir Dir;
  TKind Kind;
  std::string TIOParamsVals::*S = nullptr;
  int32_t TIOParamsVals::*I = nullptr;
  double TIOParamsVals::*D = nullptr;
  int32_t Reset = 0;  // value ResetEXIF leaves (ints); doubles: DReset
  double DReset = 0;
};

#define FT(tag, dir, m) TFieldDesc{tag, dir, kText, &TIOParamsVals::m}
#define FI(tag, dir, m, r) TFieldDesc{tag, dir, kInt, nullptr, &TIOParamsVals::m, nullptr, r}
#define FR(tag, dir, m) TFieldDesc{tag, dir, kRational, nullptr, nullptr, &TIOParamsVals::m}
#define FS(tag, dir, m) TFieldDesc{tag, dir, kSRational, nullptr, nullptr, &TIOParamsVals::m}

// The plain fields; arrays, orientation, resolutions, user comment, maker note, the XP texts and
// the special GPS values are handled by name below.
const TFieldDesc Fields[] = {
    FT(271, dIFD0, EXIF_Make), FT(272, dIFD0, EXIF_Model), FI(296, dIFD0, EXIF_ResolutionUnit, 0),
    FT(305, dIFD0, EXIF_Software), FT(306, dIFD0, EXIF_DateTime), FT(315, dIFD0, EXIF_Artist),
    FI(531, dIFD0, EXIF_YCbCrPositioning, 0), FT(33432, dIFD0, EXIF_Copyright), FI(18246, dIFD0, EXIF_Rating, -1),
    FR(33434, dEXIF, EXIF_ExposureTime), FR(33437, dEXIF, EXIF_FNumber), FI(34850, dEXIF, EXIF_ExposureProgram, 0),
    TFieldDesc{36864, dEXIF, kUndefText, &TIOParamsVals::EXIF_ExifVersion},
    FT(36867, dEXIF, EXIF_DateTimeOriginal), FT(36868, dEXIF, EXIF_DateTimeDigitized),
    FR(37122, dEXIF, EXIF_CompressedBitsPerPixel), FS(37377, dEXIF, EXIF_ShutterSpeedValue),
    FR(37378, dEXIF, EXIF_ApertureValue), FS(37379, dEXIF, EXIF_BrightnessValue),
    FS(37380, dEXIF, EXIF_ExposureBiasValue), FR(37381, dEXIF, EXIF_MaxApertureValue),
    FR(37382, dEXIF, EXIF_SubjectDistance), FI(37383, dEXIF, EXIF_MeteringMode, 0),
    FI(37384, dEXIF, EXIF_LightSource, 0), FI(37385, dEXIF, EXIF_Flash, 0), FR(37386, dEXIF, EXIF_FocalLength),
    FT(37520, dEXIF, EXIF_SubsecTime), FT(37521, dEXIF, EXIF_SubsecTimeOriginal),
    FT(37522, dEXIF, EXIF_SubsecTimeDigitized),
    TFieldDesc{40960, dEXIF, kUndefText, &TIOParamsVals::EXIF_FlashPixVersion},
    FI(40961, dEXIF, EXIF_ColorSpace, 0), FI(40962, dEXIF, EXIF_PixelXDimension, 0),
    FI(40963, dEXIF, EXIF_PixelYDimension, 0), FT(40964, dEXIF, EXIF_RelatedSoundFile),
    FR(41486, dEXIF, EXIF_FocalPlaneXResolution), FR(41487, dEXIF, EXIF_FocalPlaneYResolution),
    FI(41488, dEXIF, EXIF_FocalPlaneResolutionUnit, 0), FR(41493, dEXIF, EXIF_ExposureIndex),
    FI(41495, dEXIF, EXIF_SensingMethod, 0),
    TFieldDesc{41728, dEXIF, kUndefInt, nullptr, &TIOParamsVals::EXIF_FileSource},
    TFieldDesc{41729, dEXIF, kUndefInt, nullptr, &TIOParamsVals::EXIF_SceneType},
    FI(41986, dEXIF, EXIF_ExposureMode, -1), FI(41987, dEXIF, EXIF_WhiteBalance, -1),
    TFieldDesc{41988, dEXIF, kRational, nullptr, nullptr, &TIOParamsVals::EXIF_DigitalZoomRatio, 0, -1.0},
    FI(41989, dEXIF, EXIF_FocalLengthIn35mmFilm, -1), FI(41990, dEXIF, EXIF_SceneCaptureType, -1),
    FI(41991, dEXIF, EXIF_GainControl, -1), FI(41992, dEXIF, EXIF_Contrast, -1), FI(41993, dEXIF, EXIF_Saturation, -1),
    FI(41994, dEXIF, EXIF_Sharpness, -1), FI(41996, dEXIF, EXIF_SubjectDistanceRange, -1),
    FT(42016, dEXIF, EXIF_ImageUniqueID),
    FT(1, dGPS, EXIF_GPSLatitudeRef), FT(3, dGPS, EXIF_GPSLongitudeRef), FR(6, dGPS, EXIF_GPSAltitude),
    FT(8, dGPS, EXIF_GPSSatellites), FT(9, dGPS, EXIF_GPSStatus), FT(10, dGPS, EXIF_GPSMeasureMode),
    FR(11, dGPS, EXIF_GPSDOP), FT(12, dGPS, EXIF_GPSSpeedRef), FR(13, dGPS, EXIF_GPSSpeed),
    FT(14, dGPS, EXIF_GPSTrackRef), FR(15, dGPS, EXIF_GPSTrack), FT(16, dGPS, EXIF_GPSImgDirectionRef),
    FR(17, dGPS, EXIF_GPSImgDirection), FT(18, dGPS, EXIF_GPSMapDatum), FT(19, dGPS, EXIF_GPSDestLatitudeRef),
    FT(21, dGPS, EXIF_GPSDestLongitudeRef), FT(23, dGPS, EXIF_GPSDestBearingRef), FR(24, dGPS, EXIF_GPSDestBearing),
    FT(25, dGPS, EXIF_GPSDestDistanceRef), FR(26, dGPS, EXIF_GPSDestDistance), FT(29, dGPS, EXIF_GPSDateStamp),
};

struct TTriple {
  uint16_t Tag;
  double TIOParamsVals::*A;
  double TIOParamsVals::*B;
  double TIOParamsVals::*C;
};
const TTriple GPSTriples[] = {
    {2, &TIOParamsVals::EXIF_GPSLatitudeDegrees, &TIOParamsVals::EXIF_GPSLatitudeMinutes,
     &TIOParamsVals::EXIF_GPSLatitudeSeconds},
    {4, &TIOParamsVals::EXIF_GPSLongitudeDegrees, &TIOParamsVals::EXIF_GPSLongitudeMinutes,
     &TIOParamsVals::EXIF_GPSLongitudeSeconds},
    {7, &TIOParamsVals::EXIF_GPSTimeStampHour, &TIOParamsVals::EXIF_GPSTimeStampMinute,
     &TIOParamsVals::EXIF_GPSTimeStampSecond},
    {20, &TIOParamsVals::EXIF_GPSDestLatitudeDegrees, &TIOParamsVals::EXIF_GPSDestLatitudeMinutes,
     &TIOParamsVals::EXIF_GPSDestLatitudeSeconds},
    {22, &TIOParamsVals::EXIF_GPSDestLongitudeDegrees, &TIOParamsVals::EXIF_GPSDestLongitudeMinutes,
     &TIOParamsVals::EXIF_GPSDestLongitudeSeconds},
};

struct TXPField {
  uint16_t Tag;
  std::string TIOParamsVals::*S;
};
const TXPField XPFields[] = {{40091, &TIOParamsVals::EXIF_XPTitle}, {40092, &TIOParamsVals::EXIF_XPComment},
                             {40093, &TIOParamsVals::EXIF_XPAuthor}, {40094, &TIOParamsVals::EXIF_XPKeywords},
                             {40095, &TIOParamsVals::EXIF_XPSubject}};

// ---- UTF-16LE <-> UTF-8 for the XP texts ----
std::string Utf16LEToUtf8(const uint8_t* p, size_t bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    uint32_t c = p[i] | (p[i + 1] << 8);
    if (c == 0) break;
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
      uint32_t lo = p[i + 2] | (p[i + 3] << 8);
      if (lo >= 0xDC00 && lo < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    if (c < 0x80) out += char(c);
    else if (c < 0x800) { out += char(0xC0 | (c >> 6)); out += char(0x80 | (c & 63)); }
    else if (c < 0x10000) { out += char(0xE0 | (c >> 12)); out += char(0x80 | ((c >> 6) & 63)); out += char(0x80 | (c & 63)); }
    else { out += char(0xF0 | (c >> 18)); out += char(0x80 | ((c >> 12) & 63)); out += char(0x80 | ((c >> 6) & 63)); out += char(0x80 | (c & 63)); }
  }
  return out;
}

std::vector<uint8_t> Utf8ToUtf16LE(const std::string& s) {
  std::vector<uint8_t> out;
  auto put = [&](uint32_t u) { out.push_back(uint8_t(u)); out.push_back(uint8_t(u >> 8)); };
  for (size_t i = 0; i < s.size();) {
    uint8_t b = uint8_t(s[i]);
    uint32_t c;
    int len;
    if (b < 0x80) { c = b; len = 1; }
    else if ((b >> 5) == 6) { c = b & 31; len = 2; }
    else if ((b >> 4) == 14) { c = b & 15; len = 3; }
    else { c = b & 7; len = 4; }
    for (int k = 1; k < len && i + k < s.size(); ++k) c = (c << 6) | (uint8_t(s[i + k]) & 63);
    i += len;
    if (c >= 0x10000) { c -= 0x10000; put(0xD800 + (c >> 10)); put(0xDC00 + (c & 0x3FF)); }
    else put(c);
  }
  put(0);
  return out;
}

// ---------------------------------------------------------------- reading

class TExifReader {
public:
  TExifReader(const uint8_t* Data, size_t Size) : d(Data), n(Size) {}

  bool Header(uint32_t& First) {
    if (n < 8) return false;
    if (d[0] == 'I' && d[1] == 'I') le = true;
    else if (d[0] == 'M' && d[1] == 'M') le = false;
    else return false;
    uint16_t magic = U16(2);
    if (magic != 42) return false;
    First = U32(4);
    return First >= 8 && First < n;
  }

  struct TEntry {
    uint16_t Tag, Type;
    uint32_t Count;
    size_t Pos;  // where the value bytes are
    bool Valid;
  };

  // Lists the entries of the directory at Off (each directory is read at most once). Returns the
  // next directory's offset (0 when none or unusable).
  uint32_t Read(uint32_t Off, std::vector<TEntry>& Out, bool Again = false) {
    Out.clear();
    if (Off < 8 || Off + 2 > n || !(Visited.insert(Off).second || Again)) return 0;
    uint16_t count = U16(Off);
    uint64_t end = uint64_t(Off) + 2 + uint64_t(count) * 12;
    if (end + 4 > n) count = static_cast<uint16_t>((n - Off - 2) / 12);  // keep the entries that fit
    for (uint16_t i = 0; i < count; ++i) {
      size_t p = Off + 2 + size_t(i) * 12;
      TEntry e{U16(p), U16(p + 2), U32(p + 4), p + 8, false};
      uint64_t bytes = uint64_t(TypeSize(e.Type)) * e.Count;
      if (TypeSize(e.Type) == 0 || e.Count == 0) { Out.push_back(e); continue; }
      if (bytes > 4) e.Pos = U32(p + 8);
      e.Valid = uint64_t(e.Pos) + bytes <= n;
      Out.push_back(e);
    }
    size_t np = Off + 2 + size_t(count) * 12;
    return np + 4 <= n ? U32(np) : 0;
  }

  uint16_t U16(size_t p) const {
    if (p + 2 > n) return 0;
    return IEGet16(d + p, le);
  }
  uint32_t U32(size_t p) const {
    if (p + 4 > n) return 0;
    return IEGet32(d + p, le);
  }
  // Number i of the entry as a double (any numeric type).
  double Num(const TEntry& e, uint32_t i) const {
    if (!e.Valid || i >= e.Count) return 0;
    size_t p = e.Pos + size_t(i) * TypeSize(e.Type);
    switch (e.Type) {
      case ttByte: case ttUndefined: return d[p];
      case ttSByte: return int8_t(d[p]);
      case ttShort: return U16(p);
      case ttSShort: return int16_t(U16(p));
      case ttLong: return U32(p);
      case ttSLong: return int32_t(U32(p));
      case ttRational: { uint32_t den = U32(p + 4); return den ? double(U32(p)) / den : 0; }
      case ttSRational: { int32_t den = int32_t(U32(p + 4)); return den ? double(int32_t(U32(p))) / den : 0; }
      case ttFloat: { uint32_t v = U32(p); float f; std::memcpy(&f, &v, 4); return f; }
      case ttDouble: {
        uint64_t v = le ? (uint64_t(U32(p + 4)) << 32) | U32(p) : (uint64_t(U32(p)) << 32) | U32(p + 4);
        double f; std::memcpy(&f, &v, 8); return f;
      }
      default: return 0;
    }
  }
  std::string Text(const TEntry& e) const {
    if (!e.Valid) return {};
    size_t bytes = size_t(e.Count) * TypeSize(e.Type);
    std::string s(reinterpret_cast<const char*>(d + e.Pos), bytes);
    if (size_t z = s.find('\0'); z != std::string::npos) s.resize(z);
    return s;
  }
  const uint8_t* Bytes(const TEntry& e) const { return e.Valid ? d + e.Pos : nullptr; }
  size_t ByteCount(const TEntry& e) const { return e.Valid ? size_t(e.Count) * TypeSize(e.Type) : 0; }

  // The maker note of entry e rebuilt as a self-contained little-endian directory in Out: the
  // entry count n, n slots of 12 bytes filled in order by the entries kept, then the data of the
  // kept entries longer than 4 bytes, their offsets pointing there. Its entries' offsets count from
  // the start of this block, so the note reads on without the file around it. Out stays empty
  // when the note is not such a directory or an entry has an unknown type.
  void RebuildMakerNote(const TEntry& e, TMemoryStream* Out) const {
    Out->Clear();
    const size_t bytes = ByteCount(e);
    if (bytes < 2) return;
    const uint32_t count = U16(e.Pos);
    if (count > 256 || bytes < 12 * size_t(count)) return;
    std::vector<uint8_t> block(2 + 12 * size_t(count), 0);
    block[0] = uint8_t(count);
    block[1] = uint8_t(count >> 8);
    size_t slot = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t p = e.Pos + 2 + 12 * size_t(i);
      if (p + 12 > n) break;  // the note's table runs out of the data
      const uint16_t tag = U16(p), type = U16(p + 2);
      const uint32_t cnt = U32(p + 4), off = U32(p + 8);
      if (type > 12) {
        Out->Clear();
        return;
      }
      const int unit = TypeSize(type);
      const uint64_t size = uint64_t(cnt) * unit;
      const bool inside = size <= 4 || (off > 0 && uint64_t(off) + size <= n);
      if (unit == 0 || !inside || cnt >= n) continue;
      uint8_t* s = block.data() + 2 + 12 * slot++;
      s[0] = uint8_t(tag);
      s[1] = uint8_t(tag >> 8);
      s[2] = uint8_t(type);
      s[3] = uint8_t(type >> 8);
      for (int k = 0; k < 4; ++k) s[4 + k] = uint8_t(cnt >> (8 * k));
      if (size > 4) {
        const uint32_t at = static_cast<uint32_t>(block.size());
        for (int k = 0; k < 4; ++k) s[8 + k] = uint8_t(at >> (8 * k));
        block.insert(block.end(), d + off, d + off + size);  // data blocks keep their byte order
      } else if (unit == 2) {  // values held in the entry: each turned little-endian by its width
        for (uint32_t k = 0; k < cnt; ++k) {
          const uint16_t v = U16(p + 8 + 2 * k);
          s[8 + 2 * k] = uint8_t(v);
          s[9 + 2 * k] = uint8_t(v >> 8);
        }
      } else if (unit == 4) {
        for (int k = 0; k < 4; ++k) s[8 + k] = uint8_t(off >> (8 * k));
      } else {
        std::memcpy(s + 8, d + p + 8, 4);
      }
    }
    Out->WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
    Out->SetPosition(0);
  }

private:
  const uint8_t* d;
  size_t n;
  bool le = true;
  std::set<uint32_t> Visited;
};

// Integer value i of an entry when it is finite and within [Low, High]; the entry is skipped
// otherwise (a rational of 4e9 or a NaN float never reaches an integer field).
bool IntOf(const TExifReader& R, const TExifReader::TEntry& e, uint32_t i, double Low, double High, int64_t& Out) {
  const double v = R.Num(e, i);
  if (!(v >= Low && v <= High)) return false;
  Out = static_cast<int64_t>(v);
  return true;
}
constexpr double Int32Low = -2147483648.0, Int32High = 2147483647.0;

void ApplyEntry(TExifReader& R, const TExifReader::TEntry& e, TDir Dir, TIOParamsVals* P, uint32_t& ExifOff,
                uint32_t& GpsOff) {
  if (!e.Valid) return;
  if (Dir == dIFD0) {
    switch (e.Tag) {
      case 34665:
      case 34853: {
        int64_t off;
        if (IntOf(R, e, 0, 0, 4294967295.0, off)) (e.Tag == 34665 ? ExifOff : GpsOff) = uint32_t(off);
        return;
      }
      case 270: P->TIFF_ImageDescription = R.Text(e); return;
      case 274: {
        int64_t v;
        if (IntOf(R, e, 0, Int32Low, Int32High, v)) P->SetEXIF_Orientation(int32_t(v));
        return;
      }
      case 282: P->SetEXIF_XResolution(R.Num(e, 0)); return;
      case 283: P->SetEXIF_YResolution(R.Num(e, 0)); return;
      case 318: for (uint32_t i = 0; i < 2; ++i) P->EXIF_WhitePoint[i] = R.Num(e, i); return;
      case 319: for (uint32_t i = 0; i < 6; ++i) P->EXIF_PrimaryChromaticities[i] = R.Num(e, i); return;
      case 529: for (uint32_t i = 0; i < 3; ++i) P->EXIF_YCbCrCoefficients[i] = R.Num(e, i); return;
      case 532: for (uint32_t i = 0; i < 6; ++i) P->EXIF_ReferenceBlackWhite[i] = R.Num(e, i); return;
      default: break;
    }
    for (const TXPField& x : XPFields)
      if (x.Tag == e.Tag) {
        P->*x.S = Utf16LEToUtf8(R.Bytes(e), R.ByteCount(e));
        return;
      }
  } else if (Dir == dEXIF) {
    switch (e.Tag) {
      case 34855: {
        int64_t v[2];
        if (IntOf(R, e, 0, Int32Low, Int32High, v[0]) && IntOf(R, e, 1, Int32Low, Int32High, v[1]))
          for (int i = 0; i < 2; ++i) P->EXIF_ISOSpeedRatings[i] = int32_t(v[i]);
        return;
      }
      case 37510: {
        size_t nb = R.ByteCount(e);
        const char* b = reinterpret_cast<const char*>(R.Bytes(e));
        P->EXIF_UserCommentCode.assign(b, std::min<size_t>(8, nb));
        if (size_t z = P->EXIF_UserCommentCode.find('\0'); z != std::string::npos) P->EXIF_UserCommentCode.resize(z);
        P->EXIF_UserComment = nb > 8 ? std::string(b + 8, nb - 8) : std::string();
        if (size_t z = P->EXIF_UserComment.find('\0'); z != std::string::npos) P->EXIF_UserComment.resize(z);
        return;
      }
      case 37500: {
        R.RebuildMakerNote(e, P->EXIF_MakerNote->Data());
        P->EXIF_MakerNote->Update();
        return;
      }
      default: break;
    }
  } else {
    switch (e.Tag) {
      case 0: {
        std::string v;
        for (uint32_t i = 0; i < std::min<uint32_t>(e.Count, 8); ++i) {
          int64_t k;
          if (!IntOf(R, e, i, Int32Low, Int32High, k)) return;
          if (i) v += '.';
          v += std::to_string(k);
        }
        P->EXIF_GPSVersionID = v;
        return;
      }
      case 5: {
        int64_t k;
        if (IntOf(R, e, 0, Int32Low, Int32High, k)) P->EXIF_GPSAltitudeRef = std::to_string(k);
        return;
      }
      default: break;
    }
    for (const TTriple& t : GPSTriples)
      if (t.Tag == e.Tag) {
        P->*t.A = R.Num(e, 0);
        P->*t.B = R.Num(e, 1);
        P->*t.C = R.Num(e, 2);
        return;
      }
  }
  for (const TFieldDesc& f : Fields) {
    if (f.Tag != e.Tag || f.Dir != Dir) continue;
    switch (f.Kind) {
      case kText:
      case kUndefText: P->*f.S = R.Text(e); break;
      case kInt:
      case kUndefInt: {
        int64_t v;
        if (IntOf(R, e, 0, Int32Low, Int32High, v)) P->*f.I = int32_t(v);
        break;
      }
      case kRational:
      case kSRational: P->*f.D = R.Num(e, 0); break;
    }
    return;
  }
}

// Decodes a JPEG thumbnail of at most 400 x 400 pixels into Bitmap (left empty otherwise).
void ReadThumbnail(const uint8_t* Data, size_t Size, TIEBitmap* Bitmap) {
  if (IECodecs.JpegReadImage == nullptr || Data == nullptr || Size == 0) return;
  TIEMemStream ms(Data, static_cast<int64_t>(Size));
  TIOParamsVals tp(nullptr);
  std::atomic<bool> abort{false};
  TIEProgressRec rec;
  rec.Aborting = &abort;
  try {
    IECodecs.JpegReadImage(&ms, nullptr, Bitmap, false, -1, false, false, false, false, false, true, rec, tp);
    if (abort.load() || tp.Width <= 0 || tp.Height <= 0 || tp.Width > 400 || tp.Height > 400) return;
    ms.SetPosition(0);
    IECodecs.JpegReadImage(&ms, nullptr, Bitmap, false, -1, false, false, false, false, false, false, rec, tp);
    if (abort.load()) Bitmap->Allocate(0, 0, ie24RGB);
  } catch (...) {
    Bitmap->Allocate(0, 0, ie24RGB);
  }
}

// The JPEG thumbnail a directory points at (tags 513 and 514) into Bitmap; left empty when the
// directory has none.
void ReadDirThumbnail(TExifReader& R, const uint8_t* Data, size_t Size, uint32_t Dir, TIEBitmap* Bitmap) {
  std::vector<TExifReader::TEntry> es;
  R.Read(Dir, es, true);
  int64_t off = 0, len = 0;
  for (auto& e : es) {
    if (e.Tag == 513 && !IntOf(R, e, 0, 0, 4294967295.0, off)) off = 0;
    if (e.Tag == 514 && !IntOf(R, e, 0, 0, 4294967295.0, len)) len = 0;
  }
  if (off != 0 && len != 0 && uint64_t(off) + uint64_t(len) <= Size) ReadThumbnail(Data + off, size_t(len), Bitmap);
}

// The image-level TIFF tags of the first directory: size, samples, photometric
// interpretation, planar configuration and names.
void ApplyTiffLevel(TExifReader& R, const std::vector<TExifReader::TEntry>& es, TIOParamsVals* P) {
  for (auto& e : es) {
    if (!e.Valid) continue;
    int64_t v = 0;
    const bool num = IntOf(R, e, 0, 0, Int32High, v);
    switch (e.Tag) {
      case 256: if (num) P->Width = P->OriginalWidth = int32_t(v); break;
      case 257: if (num) P->Height = P->OriginalHeight = int32_t(v); break;
      case 258: if (num) P->BitsPerSample = int32_t(v); break;
      case 277: if (num) P->SamplesPerPixel = int32_t(v); break;
      case 262: if (num && v <= 255) P->TIFF_PhotometInterpret = uint8_t(v); break;
      case 284: if (num) P->TIFF_PlanarConf = int32_t(v); break;
      case 269: P->TIFF_DocumentName = R.Text(e); break;
      case 285: P->TIFF_PageName = R.Text(e); break;
      default: break;
    }
  }
}

// Reads IFD0 with its EXIF and GPS directories into P; Thumb (when given) receives the IFD1
// thumbnail, Thumb0 (when given) the one IFD0 points at. TiffLevel also fills the image-level
// parameters of IFD0. False when the data are not a TIFF structure.
bool ParseExif(const uint8_t* Data, size_t Size, TIOParamsVals* P, TIEBitmap* Thumb, uint32_t* NextDir = nullptr,
               TIEBitmap* Thumb0 = nullptr, bool TiffLevel = false) {
  TExifReader R(Data, Size);
  uint32_t first;
  if (!R.Header(first)) return false;
  std::vector<TExifReader::TEntry> es;
  uint32_t exifOff = 0, gpsOff = 0;
  uint32_t next = R.Read(first, es);
  for (auto& e : es) ApplyEntry(R, e, dIFD0, P, exifOff, gpsOff);
  if (TiffLevel) ApplyTiffLevel(R, es, P);
  if (exifOff != 0) {
    R.Read(exifOff, es);
    for (auto& e : es) ApplyEntry(R, e, dEXIF, P, exifOff, gpsOff);
  }
  if (gpsOff != 0) {
    R.Read(gpsOff, es);
    for (auto& e : es) ApplyEntry(R, e, dGPS, P, exifOff, gpsOff);
  }
  if (NextDir != nullptr) *NextDir = next;
  if (Thumb0 != nullptr) ReadDirThumbnail(R, Data, Size, first, Thumb0);
  if (Thumb != nullptr && next != 0) ReadDirThumbnail(R, Data, Size, next, Thumb);
  return true;
}

// ---------------------------------------------------------------- writing

struct TOutEntry {
  uint16_t Tag, Type;
  uint32_t Count;
  std::vector<uint8_t> Data;  // little-endian value bytes
};

void Put16(std::vector<uint8_t>& v, uint16_t x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); }
void Put32(std::vector<uint8_t>& v, uint32_t x) { for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i))); }

// Rational with a denominator that keeps 4 decimals (or fewer, for large values). Values the
// type cannot hold are clamped to its range (NaN becomes 0), never converted unchecked.
void PutRational(std::vector<uint8_t>& v, double x, bool Signed) {
  const double high = Signed ? 2147483647.0 : 4294967295.0, low = Signed ? -2147483647.0 : 0.0;
  if (!(x == x)) x = 0;
  x = std::clamp(x, low, high);
  uint32_t den = 10000;
  while (den > 1 && std::fabs(x) * den > high) den /= 10;
  const double num = std::clamp(std::round(x * den), low, high);
  if (Signed) Put32(v, uint32_t(int32_t(num))); else Put32(v, uint32_t(num));
  Put32(v, den);
}

void AddText(std::vector<TOutEntry>& es, uint16_t tag, const std::string& s) {
  TOutEntry e{tag, ttAscii, 0, {}};
  e.Data.assign(s.begin(), s.end());
  e.Data.push_back(0);
  e.Count = static_cast<uint32_t>(e.Data.size());
  es.push_back(std::move(e));
}
void AddInt(std::vector<TOutEntry>& es, uint16_t tag, int32_t v) {
  TOutEntry e{tag, ttLong, 1, {}};
  if (v >= 0 && v <= 65535) { e.Type = ttShort; Put16(e.Data, uint16_t(v)); }
  else if (v >= 0) Put32(e.Data, uint32_t(v));
  else { e.Type = ttSLong; Put32(e.Data, uint32_t(v)); }
  es.push_back(std::move(e));
}
void AddRationals(std::vector<TOutEntry>& es, uint16_t tag, const double* v, int n, bool Signed) {
  TOutEntry e{tag, uint16_t(Signed ? ttSRational : ttRational), uint32_t(n), {}};
  for (int i = 0; i < n; ++i) PutRational(e.Data, v[i], Signed);
  es.push_back(std::move(e));
}
void AddBytes(std::vector<TOutEntry>& es, uint16_t tag, uint16_t type, const std::vector<uint8_t>& b) {
  es.push_back(TOutEntry{tag, type, uint32_t(b.size()), b});
}

bool AnyNonZero(const double* v, int n) {
  for (int i = 0; i < n; ++i)
    if (v[i] != 0) return true;
  return false;
}

void CollectFields(TIOParamsVals* P, TDir Dir, std::vector<TOutEntry>& es) {
  for (const TFieldDesc& f : Fields) {
    if (f.Dir != Dir) continue;
    switch (f.Kind) {
      case kText:
        if (!(P->*f.S).empty()) AddText(es, f.Tag, P->*f.S);
        break;
      case kUndefText:
        if (!(P->*f.S).empty()) AddBytes(es, f.Tag, ttUndefined, std::vector<uint8_t>((P->*f.S).begin(), (P->*f.S).end()));
        break;
      case kInt:
        if (P->*f.I != f.Reset) AddInt(es, f.Tag, P->*f.I);
        break;
      case kUndefInt:
        if (P->*f.I != 0) AddBytes(es, f.Tag, ttUndefined, {uint8_t(P->*f.I)});
        break;
      case kRational:
      case kSRational:
        if (P->*f.D != f.DReset) AddRationals(es, f.Tag, &(P->*f.D), 1, f.Kind == kSRational);
        break;
    }
  }
}

// Serialises one directory at Offset: entries sorted by tag, then the data that do not fit.
// The maker note held in Note (a little-endian directory whose offsets count from its start)
// rebuilt for writing: the entries of a known type with less than 1,024 bytes of data, whose data
// lie inside the note, then their data longer than 4 bytes, each padded to an even length. The
// offsets still count from the block's start; ExifMakerNoteMove makes them file positions.
std::vector<uint8_t> ExifMakerNoteBlock(TMemoryStream* Note) {
  std::vector<uint8_t> block;
  const int64_t size = Note->Size();
  if (size < 12) return block;
  const auto* m = static_cast<const uint8_t*>(Note->Memory());
  const uint32_t count = std::min<uint32_t>(IELE16(m), static_cast<uint32_t>((size - 2) / 12));
  std::vector<std::vector<uint8_t>> entries;
  std::vector<std::vector<uint8_t>> data;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = m + 2 + 12 * size_t(i);
    const uint16_t type = IELE16(e + 2);
    const uint32_t cnt = IELE32(e + 4), off = IELE32(e + 8);
    const int unit = TypeSize(type);
    const uint64_t bytes = uint64_t(cnt) * unit;
    if (type > 12 || unit == 0 || bytes >= 1024) continue;
    if (bytes > 4 && uint64_t(off) + bytes > uint64_t(size)) continue;
    entries.emplace_back(e, e + 12);
    data.emplace_back(bytes > 4 ? std::vector<uint8_t>(m + off, m + off + bytes) : std::vector<uint8_t>());
  }
  Put16(block, uint16_t(entries.size()));
  uint32_t at = uint32_t(2 + 12 * entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!data[i].empty()) {
      for (int k = 0; k < 4; ++k) entries[i][8 + k] = uint8_t(at >> (8 * k));
      at += uint32_t(data[i].size() + data[i].size() % 2);
    }
    block.insert(block.end(), entries[i].begin(), entries[i].end());
  }
  for (const auto& d : data) {
    block.insert(block.end(), d.begin(), d.end());
    if (d.size() % 2) block.push_back(0);
  }
  return block;
}

// Turns the offsets of a block made by ExifMakerNoteBlock into positions in the written file,
// the block being placed at At.
void ExifMakerNoteMove(std::vector<uint8_t>& Block, uint32_t At) {
  if (Block.size() < 2) return;
  const uint32_t count = IELE16(Block.data());
  for (uint32_t i = 0; i < count && 2 + 12 * size_t(i) + 12 <= Block.size(); ++i) {
    uint8_t* e = Block.data() + 2 + 12 * size_t(i);
    if (uint64_t(IELE32(e + 4)) * TypeSize(IELE16(e + 2)) <= 4) continue;
    const uint32_t pos = IELE32(e + 8) + At;
    for (int k = 0; k < 4; ++k) e[8 + k] = uint8_t(pos >> (8 * k));
  }
}

std::vector<uint8_t> WriteDir(std::vector<TOutEntry> es, uint32_t Offset, uint32_t Next) {
  std::sort(es.begin(), es.end(), [](const TOutEntry& a, const TOutEntry& b) { return a.Tag < b.Tag; });
  std::vector<uint8_t> dir, extra;
  const uint32_t dataStart = Offset + 2 + uint32_t(es.size()) * 12 + 4;
  Put16(dir, uint16_t(es.size()));
  for (auto& e : es) {
    Put16(dir, e.Tag);
    Put16(dir, e.Type);
    Put32(dir, e.Count);
    if (e.Data.size() <= 4) {
      std::vector<uint8_t> v = e.Data;
      v.resize(4, 0);
      dir.insert(dir.end(), v.begin(), v.end());
    } else {
      const uint32_t at = dataStart + uint32_t(extra.size());
      Put32(dir, at);
      if (e.Tag == 37500) ExifMakerNoteMove(e.Data, at);
      extra.insert(extra.end(), e.Data.begin(), e.Data.end());
      if (extra.size() % 2) extra.push_back(0);
    }
  }
  Put32(dir, Next);
  dir.insert(dir.end(), extra.begin(), extra.end());
  return dir;
}

size_t DirSize(const std::vector<TOutEntry>& es) {
  size_t s = 2 + es.size() * 12 + 4;
  for (auto& e : es)
    if (e.Data.size() > 4) s += e.Data.size() + (e.Data.size() % 2);
  return s;
}

}  // namespace

bool IELoadEXIFFromStandardBuffer(const void* Data, int Length, TIOParamsVals* P) {
  if (P == nullptr || !IEIsEXIFMarker(Data, Length) || Length <= 6) return false;
  const auto* d = static_cast<const uint8_t*>(Data) + 6;
  const size_t n = static_cast<size_t>(Length - 6);
  TIOParamsVals tmp(P->Owner());
  TIEBitmap* thumb = P->EnsureEXIFBitmap();
  if (!ParseExif(d, n, &tmp, thumb)) return false;
  IECopyEXIF(&tmp, P);
  P->EXIF_HasEXIFData = true;
  // The thumbnail is kept as stored. Turning it upright here would have it written back turned
  // while the orientation tag still asks for the turn, so each load and save would turn it a
  // further step; display code applies the orientation (IOApplyOrientation) when it shows it.
  return true;
}

bool IELoadEXIFFromTIFFBlock(const void* Data, int Length, TIOParamsVals* P) {
  if (P == nullptr || Data == nullptr || Length < 8) return false;
  return ParseExif(static_cast<const uint8_t*>(Data), static_cast<size_t>(Length), P, nullptr);
}

void IESaveEXIFToStandardBuffer(TIOParamsVals* P, std::vector<uint8_t>& Buffer, bool App1) {
  Buffer.clear();
  std::vector<TOutEntry> ifd0, exif, gps, ifd1;
  if (!P->EXIF_ImageDescription.empty()) AddText(ifd0, 270, P->EXIF_ImageDescription);
  if (P->EXIF_Orientation != 0) AddInt(ifd0, 274, P->EXIF_Orientation);
  if (P->EXIF_XResolution != 0) AddRationals(ifd0, 282, &P->EXIF_XResolution, 1, false);
  if (P->EXIF_YResolution != 0) AddRationals(ifd0, 283, &P->EXIF_YResolution, 1, false);
  if (AnyNonZero(P->EXIF_WhitePoint, 2)) AddRationals(ifd0, 318, P->EXIF_WhitePoint, 2, false);
  if (AnyNonZero(P->EXIF_PrimaryChromaticities, 6)) AddRationals(ifd0, 319, P->EXIF_PrimaryChromaticities, 6, false);
  if (AnyNonZero(P->EXIF_YCbCrCoefficients, 3)) AddRationals(ifd0, 529, P->EXIF_YCbCrCoefficients, 3, false);
  if (AnyNonZero(P->EXIF_ReferenceBlackWhite, 6)) AddRationals(ifd0, 532, P->EXIF_ReferenceBlackWhite, 6, false);
  for (const TXPField& x : XPFields)
    if (!(P->*x.S).empty()) AddBytes(ifd0, x.Tag, ttByte, Utf8ToUtf16LE(P->*x.S));
  CollectFields(P, dIFD0, ifd0);
  CollectFields(P, dEXIF, exif);
  if (P->EXIF_ISOSpeedRatings[0] != 0 || P->EXIF_ISOSpeedRatings[1] != 0) {
    TOutEntry e{34855, ttShort, uint32_t(P->EXIF_ISOSpeedRatings[1] != 0 ? 2 : 1), {}};
    for (uint32_t i = 0; i < e.Count; ++i) Put16(e.Data, uint16_t(P->EXIF_ISOSpeedRatings[i]));
    exif.push_back(std::move(e));
  }
  if (!P->EXIF_UserComment.empty() || !P->EXIF_UserCommentCode.empty()) {
    std::vector<uint8_t> b(8, 0);
    std::memcpy(b.data(), P->EXIF_UserCommentCode.data(), std::min<size_t>(8, P->EXIF_UserCommentCode.size()));
    b.insert(b.end(), P->EXIF_UserComment.begin(), P->EXIF_UserComment.end());
    AddBytes(exif, 37510, ttUndefined, b);
  }
  if (std::vector<uint8_t> note = ExifMakerNoteBlock(P->EXIF_MakerNote->Data()); !note.empty())
    AddBytes(exif, 37500, ttUndefined, note);
  CollectFields(P, dGPS, gps);
  if (!P->EXIF_GPSVersionID.empty()) {
    std::vector<uint8_t> b;
    size_t s = 0;
    while (b.size() < 4 && s <= P->EXIF_GPSVersionID.size()) {
      size_t dot = P->EXIF_GPSVersionID.find('.', s);
      b.push_back(uint8_t(std::atoi(P->EXIF_GPSVersionID.substr(s, dot == std::string::npos ? std::string::npos : dot - s).c_str())));
      if (dot == std::string::npos) break;
      s = dot + 1;
    }
    b.resize(4, 0);
    AddBytes(gps, 0, ttByte, b);
  }
  if (!P->EXIF_GPSAltitudeRef.empty()) AddBytes(gps, 5, ttByte, {uint8_t(std::atoi(P->EXIF_GPSAltitudeRef.c_str()))});
  for (const TTriple& t : GPSTriples) {
    double v[3] = {P->*t.A, P->*t.B, P->*t.C};
    if (AnyNonZero(v, 3)) AddRationals(gps, t.Tag, v, 3, false);
  }
  // the thumbnail, JPEG-encoded
  std::vector<uint8_t> jpeg;
  if (P->EXIF_Bitmap != nullptr && !P->EXIF_Bitmap->IsEmpty() && IECodecs.JpegWriteImage != nullptr) {
    TMemoryStream ms;
    TIOParamsVals tp(nullptr);
    std::atomic<bool> abort{false};
    TIEProgressRec rec;
    rec.Aborting = &abort;
    TIEBitmap copy;
    copy.Assign(P->EXIF_Bitmap);
    if (copy.PixelFormat() != ie24RGB && copy.PixelFormat() != ie1g) copy.Allocate(0, 0, ie24RGB);
    if (!copy.IsEmpty()) IECodecs.JpegWriteImage(&ms, &copy, tp, rec);
    if (!abort.load() && ms.Size() > 0) {
      const auto* m = static_cast<const uint8_t*>(ms.Memory());
      jpeg.assign(m, m + ms.Size());
    }
  }
  // layout: header, IFD0, EXIF, GPS, IFD1, thumbnail data
  TOutEntry exifPtr{34665, ttLong, 1, {0, 0, 0, 0}}, gpsPtr{34853, ttLong, 1, {0, 0, 0, 0}};
  if (!exif.empty()) ifd0.push_back(exifPtr);
  if (!gps.empty()) ifd0.push_back(gpsPtr);
  if (!jpeg.empty()) {
    AddInt(ifd1, 259, 6);
    ifd1.push_back(TOutEntry{513, ttLong, 1, {0, 0, 0, 0}});
    ifd1.push_back(TOutEntry{514, ttLong, 1, {}});
    Put32(ifd1.back().Data, uint32_t(jpeg.size()));
  }
  const uint32_t off0 = 8;
  const uint32_t offExif = off0 + uint32_t(DirSize(ifd0));
  const uint32_t offGps = offExif + (exif.empty() ? 0 : uint32_t(DirSize(exif)));
  const uint32_t offIfd1 = offGps + (gps.empty() ? 0 : uint32_t(DirSize(gps)));
  const uint32_t offJpeg = offIfd1 + (ifd1.empty() ? 0 : uint32_t(DirSize(ifd1)));
  for (auto& e : ifd0) {
    if (e.Tag == 34665) { e.Data.clear(); Put32(e.Data, offExif); }
    if (e.Tag == 34853) { e.Data.clear(); Put32(e.Data, offGps); }
  }
  for (auto& e : ifd1)
    if (e.Tag == 513) { e.Data.clear(); Put32(e.Data, offJpeg); }
  std::vector<uint8_t> out = {'I', 'I', 42, 0};
  Put32(out, off0);
  auto append = [&](const std::vector<uint8_t>& v) { out.insert(out.end(), v.begin(), v.end()); };
  append(WriteDir(ifd0, off0, ifd1.empty() ? 0 : offIfd1));
  if (!exif.empty()) append(WriteDir(exif, offExif, 0));
  if (!gps.empty()) append(WriteDir(gps, offGps, 0));
  if (!ifd1.empty()) append(WriteDir(ifd1, offIfd1, 0));
  append(jpeg);
  if (App1) {
    static const uint8_t prefix[6] = {'E', 'x', 'i', 'f', 0, 0};
    Buffer.assign(prefix, prefix + 6);
  }
  Buffer.insert(Buffer.end(), out.begin(), out.end());
}

// Reads Stream from its position to the end (at most 64 MB) into Data.
static bool ReadRest(TStream* Stream, std::vector<uint8_t>& Data) {
  int64_t avail = Stream->Size() - Stream->Position();
  if (avail <= 0) return false;
  Data.resize(static_cast<size_t>(std::min<int64_t>(avail, int64_t(64) << 20)));
  Data.resize(static_cast<size_t>(Stream->Read(Data.data(), static_cast<int64_t>(Data.size()))));
  return !Data.empty();
}

bool IELoadEXIFFromTIFF(TStream* Stream, TIOParamsVals* P) {
  const int64_t pos = Stream->Position();
  P->EnsureEXIFBitmap();
  std::vector<uint8_t> data;
  if (IECodecs.TiffReadImage != nullptr) {
    // The TIFF reader in parameters-only mode fills every parameter of the first directory.
    int pages = 0;
    TIEMask* mask = nullptr;
    std::atomic<bool> abort{false};
    TIEProgressRec rec;
    rec.Aborting = &abort;
    TIEBitmap none;
    const int32_t index = P->TIFF_ImageIndex;
    P->SetImageIndex(0);
    IECodecs.TiffReadImage(&none, Stream, pages, false, true, true, mask, true, rec, *P);
    P->SetImageIndex(index);
    delete mask;
  } else if (ReadRest(Stream, data)) {
    ParseExif(data.data(), data.size(), P, nullptr, nullptr, nullptr, true);
  }
  Stream->SetPosition(pos);
  return true;
}

int64_t IEFindRawTIFFHeader(TStream* Stream) {
  const int64_t pos = Stream->Position();
  const int64_t size = Stream->Size();
  std::vector<uint8_t> b(131072);
  b.resize(static_cast<size_t>(std::max<int64_t>(0, Stream->Read(b.data(), static_cast<int64_t>(b.size())))));
  Stream->SetPosition(pos);
  for (size_t i = 0; i + 8 <= b.size(); ++i) {
    bool le = b[i] == 'I' && b[i + 1] == 'I', be = b[i] == 'M' && b[i + 1] == 'M';
    if (!le && !be) continue;
    uint16_t magic = IEGet16(b.data() + i + 2, le);
    if (magic != 42 && magic != 20306 && magic != 21330) continue;
    uint32_t off = IEGet32(b.data() + i + 4, le);
    if (int32_t(off) >= 0 && int64_t(off) < size) return static_cast<int64_t>(i);
  }
  return -1;
}

bool IELoadRawEXIF(TStream* Stream, TIOParamsVals* P) {
  const int64_t pos = Stream->Position();
  P->EnsureEXIFBitmap();
  std::vector<uint8_t> data;
  if (ReadRest(Stream, data)) {
    TIOParamsVals tmp(P->Owner());
    TIEBitmap a, b;
    uint32_t next = 0;
    if (ParseExif(data.data(), data.size(), &tmp, &b, &next, &a)) {
      IECopyEXIF(&tmp, P);
      P->EXIF_HasEXIFData = true;
      // A is directory 0's picture, B directory 1's: the smaller one that holds any pixels wins.
      auto allZero = [](TIEBitmap& x) {  // the pixels' bytes, not the row padding
        const int64_t bytes = (int64_t(x.Width()) * IEBitsPerPixel[x.PixelFormat()] + 7) / 8;
        for (int y = 0; y < x.Height(); ++y) {
          const uint8_t* r = x.Scanline(y);
          for (int64_t i = 0; i < bytes; ++i)
            if (r[i] != 0) return false;
        }
        return true;
      };
      if (a.Width() > 0 && (a.Width() < b.Width() || b.IsEmpty()) && !allZero(a))
        P->EXIF_Bitmap->Assign(&a);
      else if (b.Width() > 0 && (b.Width() < a.Width() || a.IsEmpty()) && !allZero(b))
        P->EXIF_Bitmap->Assign(&b);
    }
  }
  Stream->SetPosition(pos);
  return true;
}

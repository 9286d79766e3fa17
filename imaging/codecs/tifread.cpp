// TIFF reader: the directory walk, the value helpers and the page reader (see tiffilt.h).
//
// Every value read from the file is checked against the stream: an offset or count that does not
// fit reads as a missing tag. The EXIF, GPS and Windows XP tags of a page are handed, as a small
// TIFF block, to the library's one EXIF parser (ieexif), so TIFF pages and JPEG photos fill the
// same fields in the same way.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/tifinternal.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iesmall.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "imaging/core/iestreams.h"
#include "platform/rtl/streams.h"

namespace {

// Directory chains longer than this end (a guard besides the visited-offset check).
constexpr int kTifReadMaxDirectories = 65536;
// Texts longer than this are not read.
constexpr uint32_t kTifReadMaxText = 0xFFFFF;

bool TifReadAt(TStream* S, int64_t Pos, void* Buf, int64_t Count) {
  if (Pos < 0 || Count < 0 || Pos + Count > S->Size()) return false;
  S->SetPosition(Pos);
  return S->Read(Buf, Count) == Count;
}

// Byte size of the entry's value; 0 for unknown types.
uint64_t TifReadValueBytes(const TTIFFEntry& E) { return uint64_t(TiffTypeSize(E.Type)) * E.Count; }

// Where the value bytes of E are in the stream (-1 when they lie in the entry, -2 when they do not
// fit the stream).
int64_t TifReadValuePos(const TTIFFDirectory& D, const TTIFFEntry& E) {
  const uint64_t bytes = TifReadValueBytes(E);
  if (bytes <= 4) return -1;
  const int64_t pos = D.Base + int64_t(IEGet32(E.Value, D.LittleEndian));
  if (pos < 0 || uint64_t(pos) + bytes > uint64_t(D.Stream->Size())) return -2;
  return pos;
}

// Element Index of a numeric value (SHORT, LONG, BYTE and their signed kinds) read from the
// entry or the file; false when it is not there.
bool TifReadElement(const TTIFFDirectory& D, const TTIFFEntry& E, uint32_t Index, int64_t& Out) {
  if (Index >= E.Count) return false;
  const int size = TiffTypeSize(E.Type);
  if (size == 0 || size > 4) return false;
  uint8_t buf[4];
  const uint8_t* p;
  const int64_t pos = TifReadValuePos(D, E);
  if (pos == -2) return false;
  if (pos == -1) {
    p = E.Value + Index * size;
  } else {
    if (!TifReadAt(D.Stream, pos + int64_t(Index) * size, buf, size)) return false;
    p = buf;
  }
  switch (E.Type) {
    case 1: case 2: case 7: Out = p[0]; return true;
    case 6: Out = int8_t(p[0]); return true;
    case 3: Out = IEGet16(p, D.LittleEndian); return true;
    case 8: Out = int16_t(IEGet16(p, D.LittleEndian)); return true;
    case 4: Out = IEGet32(p, D.LittleEndian); return true;
    case 9: Out = int32_t(IEGet32(p, D.LittleEndian)); return true;
    default: return false;  // FLOAT
  }
}

// The directory reader's bookkeeping of one walk.
struct TTifReadWalk {
  std::set<int64_t> Visited;
};

// The entries the EXIF parser needs from the page directory.
bool TifReadIsExifPageTag(uint16_t Tag) {
  switch (Tag) {
    case 270: case 271: case 272: case 274: case 282: case 283: case 296: case 305: case 306: case 315:
    case 318: case 319: case 529: case 531: case 532: case 18246: case 33432:
    case 40091: case 40092: case 40093: case 40094: case 40095:
      return true;
    default:
      return false;
  }
}

void TifReadPut16(std::vector<uint8_t>& V, size_t At, uint32_t X, bool Le) { IEPut16(V.data() + At, X, Le); }
void TifReadPut32(std::vector<uint8_t>& V, size_t At, uint32_t X, bool Le) { IEPut32(V.data() + At, X, Le); }

// The maker note copied to Block at At (Bytes long) is a directory whose entries point into the
// file: the data of each entry longer than 4 bytes is copied from the file to the end of Block and
// the entry pointed there, so that the note reads from the block alone. Entries whose data lie
// outside the file keep their offsets (the EXIF parser then drops them).
void TifReadMakerNoteData(const TTIFFDirectory& D, std::vector<uint8_t>& Block, size_t At, size_t Bytes) {
  if (Bytes < 2) return;
  const bool le = D.LittleEndian;
  const uint32_t n = IEGet16(Block.data() + At, le);
  if (n > 256 || Bytes < 12 * size_t(n)) return;
  const int64_t fileSize = D.Stream->Size();
  for (uint32_t i = 0; i < n && 2 + 12 * size_t(i) + 12 <= Bytes; ++i) {
    const size_t p = At + 2 + 12 * size_t(i);
    const int unit = TiffTypeSize(IEGet16(Block.data() + p + 2, le));
    const uint64_t size = uint64_t(IEGet32(Block.data() + p + 4, le)) * unit;
    const uint32_t off = IEGet32(Block.data() + p + 8, le);
    if (unit == 0 || size <= 4 || size > (1u << 20) || off == 0 || int64_t(off + size) > fileSize) continue;
    if (Block.size() % 2) Block.push_back(0);
    const size_t dataAt = Block.size();
    Block.resize(dataAt + size);
    if (!TifReadAt(D.Stream, off, Block.data() + dataAt, int64_t(size))) {
      Block.resize(dataAt);
      continue;
    }
    IEPut32(Block.data() + p + 8, uint32_t(dataAt), le);
  }
}

// Appends directory D's entries (those Keep accepts) to Block as a directory of a TIFF held in
// memory, values copied in the file's byte order; returns the directory's offset in Block.
// The EXIF and GPS pointers of the page are filled by the caller (their entries come out as 0).
template <class TKeep>
uint32_t TifReadAppendDir(const TTIFFDirectory& D, std::vector<uint8_t>& Block, TKeep Keep,
                          std::vector<std::pair<uint16_t, size_t>>* PointerSlots) {
  std::vector<const TTIFFEntry*> es;
  for (const TTIFFEntry& e : D.Entries)
    if (Keep(e.Tag) && TiffTypeSize(e.Type) != 0 && TifReadValueBytes(e) <= (1u << 20)) es.push_back(&e);
  if (Block.size() % 2) Block.push_back(0);
  const size_t at = Block.size();
  const bool le = D.LittleEndian;
  Block.resize(at + 2 + es.size() * 12 + 4, 0);
  TifReadPut16(Block, at, uint32_t(es.size()), le);
  for (size_t i = 0; i < es.size(); ++i) {
    const TTIFFEntry& e = *es[i];
    const size_t p = at + 2 + i * 12;
    TifReadPut16(Block, p, e.Tag, le);
    TifReadPut16(Block, p + 2, e.Type, le);
    TifReadPut32(Block, p + 4, e.Count, le);
    if (e.Tag == 34665 || e.Tag == 34853) {
      if (PointerSlots != nullptr) PointerSlots->push_back({e.Tag, p + 8});
      continue;
    }
    const int64_t pos = TifReadValuePos(D, e);
    if (pos == -1) {
      std::memcpy(Block.data() + p + 8, e.Value, 4);
    } else if (pos >= 0) {
      const uint64_t bytes = TifReadValueBytes(e);
      if (Block.size() % 2) Block.push_back(0);
      const size_t dataAt = Block.size();
      Block.resize(dataAt + bytes);
      if (!TifReadAt(D.Stream, pos, Block.data() + dataAt, int64_t(bytes))) {
        Block.resize(dataAt);
        TifReadPut32(Block, p + 4, 0, le);  // unreadable: no values
      } else {
        TifReadPut32(Block, p + 8, uint32_t(dataAt), le);
        if (e.Tag == 37500) TifReadMakerNoteData(D, Block, dataAt, size_t(bytes));
      }
    } else {
      TifReadPut32(Block, p + 4, 0, le);
    }
  }
  return uint32_t(at);
}

// The page's EXIF side as a TIFF block: the page tags of EXIF, then the EXIF and GPS directories.
std::vector<uint8_t> TifReadExifBlock(const TTIFFDirectory& Page, const TTIFFDirectory* Exif,
                                      const TTIFFDirectory* Gps) {
  std::vector<uint8_t> block = {uint8_t(Page.LittleEndian ? 'I' : 'M'), uint8_t(Page.LittleEndian ? 'I' : 'M'), 0,
                                0, 0, 0, 0, 0};
  IEPut16(block.data() + 2, 42, Page.LittleEndian);
  IEPut32(block.data() + 4, 8, Page.LittleEndian);
  std::vector<std::pair<uint16_t, size_t>> slots;
  TifReadAppendDir(Page, block, [&](uint16_t t) {
    return TifReadIsExifPageTag(t) || (t == 34665 && Exif != nullptr) || (t == 34853 && Gps != nullptr);
  }, &slots);
  for (auto& s : slots) {
    const TTIFFDirectory* sub = s.first == 34665 ? Exif : Gps;
    const uint32_t off = TifReadAppendDir(*sub, block, [](uint16_t) { return true; }, nullptr);
    IEPut32(block.data() + s.second, off, Page.LittleEndian);
  }
  return block;
}

int TifReadCompressionParam(int C, int T4) {
  switch (C) {
    case 1: return 0;
    case 2: return 1;
    case 3: return (T4 & 1) ? 3 : 2;
    case 4: return 4;
    case 5: return 5;
    case 6: return 6;
    case 7: return 7;
    case 32773: return 8;
    case 32946: return 9;
    case 8: return 10;
    default: return 11;
  }
}

// Old-style JPEG page (compression 6).
void TifReadOldJpeg(TTIFFVars& V, TIEBitmap* Bitmap, TIEProgressRec& Progress) {
  TStream* s = V.Stream;
  const int64_t size = s->Size();
  if (V.StripByteCounts.empty()) {
    int64_t start = V.Base + V.JpegIFOffset;
    if (V.JpegIFOffset == 0 && !V.StripOffsets.empty()) start = V.Base + uint32_t(V.StripOffsets[0]);
    if (start < 0 || start >= size) return Progress.Abort();
    s->SetPosition(start);
    const int32_t len = JpegFindEnd(s);
    if (len <= 0 || start + len > size) return Progress.Abort();
    std::vector<uint8_t> data(static_cast<size_t>(len));
    if (!TifReadAt(s, start, data.data(), len)) return Progress.Abort();
    TIEMemStream ms(data.data(), len);
    TIOParamsVals p(nullptr);
    JpegReadImage(&ms, nullptr, Bitmap, p, Progress, false, false, false, true, false, false, -1, false);
    return;
  }
  if (!Bitmap->Allocate(V.ImageWidth, V.ImageLength, ie24RGB)) return Progress.Abort();
  const int strips = int(std::min(V.StripOffsets.size(), V.StripByteCounts.size()));
  const int rps = std::max(1, std::min(V.RowsPerStrip, V.ImageLength));
  for (int i = 0; i < strips; ++i) {
    std::vector<uint8_t> data;
    auto append = [&](int64_t pos, int64_t n) {
      if (n <= 0 || pos < 0 || pos >= size) return;
      n = std::min(n, size - pos);
      const size_t at = data.size();
      data.resize(at + size_t(n));
      if (!TifReadAt(s, pos, data.data() + at, n)) data.resize(at);
    };
    if (V.JpegIFLength > 0) append(V.Base + uint32_t(V.JpegIFOffset), V.JpegIFLength);
    if (i > 0) {
      uint8_t h[4];
      const int64_t p0 = V.Base + uint32_t(V.StripOffsets[0]);
      if (TifReadAt(s, p0, h, 4)) append(p0, int64_t((h[2] << 8) | h[3]) + 2);
    }
    append(V.Base + uint32_t(V.StripOffsets[i]), uint32_t(V.StripByteCounts[i]));
    if (data.empty()) continue;
    TIEMemStream ms(data.data(), int64_t(data.size()));
    TIEBitmap tmp;
    TIOParamsVals p(nullptr);
    std::atomic<bool> localAbort{false};
    TIEProgressRec rec;
    rec.Aborting = strips == 1 ? Progress.Aborting : &localAbort;
    if (strips == 1) rec = Progress;
    const int rows = JpegReadImage(&ms, nullptr, &tmp, p, rec, false, false, false, true, false, false, rps, false);
    if (strips > 1 && localAbort.load() && rows <= rps / 2) Progress.Abort();
    if (strips == 1 && Progress.IsAborting() && rows > rps / 2 && Progress.Aborting != nullptr)
      Progress.Aborting->store(false);
    if (!tmp.IsEmpty()) {
      const int h = std::min(tmp.Height(), V.ImageLength - rps * i);
      const int w = std::min(tmp.Width(), V.ImageWidth);
      if (h > 0 && w > 0) {
        if (tmp.PixelFormat() != ie24RGB) tmp.SetPixelFormat(ie24RGB);
        tmp.CopyRectTo(Bitmap, 0, 0, 0, rps * i, w, h);
      }
    }
    if (strips > 1) {
      Progress.Val = i + 1;
      Progress.Per = 100.0 / strips;
      Progress.Report();
    }
    if (Progress.IsAborting()) return;
  }
}

}  // namespace

int TiffTypeSize(int Type) {
  static const int sizes[13] = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return Type >= 0 && Type <= 12 ? sizes[Type] : 0;
}

bool TiffReadDirectory(int Index, int64_t FirstOffset, TTIFFDirectory& Dir, int& Count) {
  Count = 0;
  Dir.Entries.clear();
  TStream* s = Dir.Stream;
  const int64_t size = s->Size();
  const bool le = Dir.LittleEndian;
  bool loaded = false;
  TTifReadWalk walk;
  int64_t off = FirstOffset;
  while (off > 0 && Count < kTifReadMaxDirectories) {
    if (!walk.Visited.insert(off).second) break;  // a loop of any length ends here
    uint8_t b2[2];
    if (!TifReadAt(s, Dir.Base + off, b2, 2)) break;
    const uint16_t n = IEGet16(b2, le);
    if (n == 0) break;
    const int64_t tableAt = Dir.Base + off + 2;
    if (Count == Index) {
      // the entries that lie inside the stream
      const int64_t fit = std::min<int64_t>(n, std::max<int64_t>(0, (size - tableAt) / 12));
      std::vector<uint8_t> raw(static_cast<size_t>(fit) * 12);
      if (fit > 0 && !TifReadAt(s, tableAt, raw.data(), fit * 12)) break;
      Dir.Entries.resize(static_cast<size_t>(fit));
      for (int64_t i = 0; i < fit; ++i) {
        const uint8_t* p = raw.data() + i * 12;
        TTIFFEntry& e = Dir.Entries[static_cast<size_t>(i)];
        e.Tag = IEGet16(p, le);
        e.Type = IEGet16(p + 2, le);
        e.Count = IEGet32(p + 4, le);
        std::memcpy(e.Value, p + 8, 4);
      }
      loaded = true;
    }
    const int64_t linkAt = tableAt + int64_t(n) * 12;
    uint8_t b4[4];
    if (linkAt >= size || !TifReadAt(s, linkAt, b4, 4)) break;
    ++Count;
    const uint32_t next = IEGet32(b4, le);
    if (next == 0 || int64_t(next) == off || int32_t(next) < 0 || next < 8 || Dir.Base + next >= size) break;
    off = next;
  }
  return loaded;
}

int TiffFindTag(const TTIFFDirectory& Dir, int Tag) {
  for (size_t i = 0; i < Dir.Entries.size(); ++i)
    if (Dir.Entries[i].Tag == Tag) return static_cast<int>(i);
  return -1;
}

int32_t TiffGetInt(const TTIFFDirectory& Dir, int Tag, int32_t Default) {
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0) return Default;
  const TTIFFEntry& e = Dir.Entries[i];
  switch (TiffTypeSize(e.Type)) {
    case 1: return e.Value[0];
    case 2: return e.Type == 8 ? int16_t(IEGet16(e.Value, Dir.LittleEndian)) : IEGet16(e.Value, Dir.LittleEndian);
    default: return int32_t(IEGet32(e.Value, Dir.LittleEndian));
  }
}

int32_t TiffGetIntAt(const TTIFFDirectory& Dir, int Tag, int Index, int32_t Default) {
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0 || Index < 0) return Default;
  const TTIFFEntry& e = Dir.Entries[i];
  if (e.Type != 3 && e.Type != 4) return Default;
  int64_t v;
  return TifReadElement(Dir, e, uint32_t(Index), v) ? int32_t(v) : Default;
}

std::vector<int32_t> TiffGetIntArray(const TTIFFDirectory& Dir, int Tag) {
  std::vector<int32_t> out;
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0) return out;
  const TTIFFEntry& e = Dir.Entries[i];
  const int size = TiffTypeSize(e.Type);
  if (size == 0 || size > 4 || e.Type == 11) return out;
  const int64_t pos = TifReadValuePos(Dir, e);
  if (pos == -2) return out;  // more values than the file holds
  std::vector<uint8_t> raw;
  const uint8_t* p = e.Value;
  if (pos >= 0) {
    raw.resize(static_cast<size_t>(TifReadValueBytes(e)));
    if (!TifReadAt(Dir.Stream, pos, raw.data(), int64_t(raw.size()))) return out;
    p = raw.data();
  }
  out.resize(e.Count);
  for (uint32_t k = 0; k < e.Count; ++k) {
    const uint8_t* q = p + size_t(k) * size;
    switch (e.Type) {
      case 3: case 8: out[k] = IEGet16(q, Dir.LittleEndian); break;
      case 4: case 9: out[k] = int32_t(IEGet32(q, Dir.LittleEndian)); break;
      default: out[k] = q[0]; break;
    }
  }
  return out;
}

double TiffGetRationalAt(const TTIFFDirectory& Dir, int Tag, int Index) {
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0 || Index < 0) return 0;
  const TTIFFEntry& e = Dir.Entries[i];
  if ((e.Type != 5 && e.Type != 10) || uint32_t(Index) >= e.Count) return 0;
  const int64_t pos = TifReadValuePos(Dir, e);
  uint8_t b[8];
  if (pos < 0 || !TifReadAt(Dir.Stream, pos + int64_t(Index) * 8, b, 8)) return 0;
  if (e.Type == 10) {
    const int32_t n = int32_t(IEGet32(b, Dir.LittleEndian)), d = int32_t(IEGet32(b + 4, Dir.LittleEndian));
    return double(n) / (d == 0 ? 1 : d);
  }
  const uint32_t n = IEGet32(b, Dir.LittleEndian), d = IEGet32(b + 4, Dir.LittleEndian);
  return double(n) / (d == 0 ? 1 : d);
}

double TiffGetRational(const TTIFFDirectory& Dir, int Tag) { return TiffGetRationalAt(Dir, Tag, 0); }

std::vector<uint8_t> TiffGetRawBytes(const TTIFFDirectory& Dir, int Tag) {
  std::vector<uint8_t> out;
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0) return out;
  const TTIFFEntry& e = Dir.Entries[i];
  const int64_t pos = TifReadValuePos(Dir, e);
  if (pos == -2) return out;
  const uint64_t bytes = TifReadValueBytes(e);
  if (pos == -1) return std::vector<uint8_t>(e.Value, e.Value + bytes);
  out.resize(static_cast<size_t>(bytes));
  if (!TifReadAt(Dir.Stream, pos, out.data(), int64_t(bytes))) out.clear();
  return out;
}

std::string TiffGetInlineString(const TTIFFDirectory& Dir, int Tag) {
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0) return {};
  const TTIFFEntry& e = Dir.Entries[i];
  if (e.Count < 1 || e.Count > 4) return {};
  return std::string(reinterpret_cast<const char*>(e.Value), e.Count);
}

std::string TiffGetString(const TTIFFDirectory& Dir, int Tag) {
  const int i = TiffFindTag(Dir, Tag);
  if (i < 0) return {};
  const TTIFFEntry& e = Dir.Entries[i];
  if (e.Count > kTifReadMaxText) return {};
  if (e.Count <= 4) {
    std::string s = TiffGetInlineString(Dir, Tag);
    if (size_t z = s.find('\0'); z != std::string::npos) s.resize(z);
    return s;
  }
  std::vector<uint8_t> b = TiffGetRawBytes(Dir, Tag);
  std::string s(b.begin(), b.end());
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::string TiffVersionToString(const std::string& Bytes) {
  std::string out;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    if (i) out += '.';
    out += std::to_string(static_cast<uint8_t>(Bytes[i]));
  }
  return out;
}

void TiffReadImage(TIEBitmap* Bitmap, TStream* Stream, int& PageCount, bool ThumbnailMode, bool IgnoreAlpha,
                   bool AtPosition, TIEMask*& AlphaMask, bool ParamsOnly, TIEProgressRec& Progress,
                   TIOParamsVals& IOParams) {
  PageCount = 0;
  TIOParamsVals& P = IOParams;
  const int64_t base = AtPosition ? Stream->Position() : 0;
  uint8_t head[8];
  if (!TifReadAt(Stream, base, head, 8)) return Progress.Abort();
  bool le;
  if (head[0] == 'I' && head[1] == 'I') le = true;
  else if (head[0] == 'M' && head[1] == 'M') le = false;
  else return Progress.Abort();
  const uint32_t first = IEGet32(head + 4, le);
  if (first == 0) return Progress.Abort();

  TTIFFDirectory page;
  page.LittleEndian = le;
  page.Stream = Stream;
  page.Base = base;
  const bool found = TiffReadDirectory(P.TIFF_ImageIndex, first, page, PageCount);
  if (!found) {
    P.SetImageCount(PageCount);
    return Progress.Abort();
  }
  if (P.TIFF_SubIndex >= 0) {
    const int32_t k = TiffGetIntAt(page, 330, P.TIFF_SubIndex, 0);
    if (k > 0) {
      TTIFFDirectory sub = page;
      int n;
      if (TiffReadDirectory(0, uint32_t(k), sub, n)) page.Entries = std::move(sub.Entries);
    }
  }
  std::unique_ptr<TTIFFDirectory> exif, gps;
  for (int tag : {34665, 34853}) {
    const int32_t off = TiffGetInt(page, tag, 0);
    if (off <= 0) continue;
    auto d = std::make_unique<TTIFFDirectory>(page);
    int n;
    if (!TiffReadDirectory(0, uint32_t(off), *d, n)) continue;
    (tag == 34665 ? exif : gps) = std::move(d);
  }

  TTIFFVars V;
  V.Stream = Stream;
  V.Base = base;
  V.LittleEndian = le;
  V.Params = &P;
  V.IgnoreAlpha = IgnoreAlpha;
  V.GetTile = P.TIFF_GetTile;
  V.ImageWidth = TiffGetInt(page, 256, 0);
  V.ImageLength = TiffGetInt(page, 257, 0);
  V.SamplesPerPixel = TiffGetInt(page, 277, 1);
  {
    const int i = TiffFindTag(page, 258);
    if (i < 0) {
      V.BitsPerSample = 1;
    } else {
      std::vector<int32_t> bits = TiffGetIntArray(page, 258);
      if (bits.empty()) return Progress.Abort();
      for (int32_t b : bits)
        if (b != bits[0]) return Progress.Abort();
      V.BitsPerSample = bits[0];
    }
  }
  V.RowsPerStrip = TiffGetInt(page, 278, V.ImageLength);
  if (V.RowsPerStrip == -1 || V.RowsPerStrip <= 0) V.RowsPerStrip = V.ImageLength;
  V.TileWidth = TiffGetInt(page, 322, -1);
  V.TileLength = TiffGetInt(page, 323, -1);
  if (V.GetTile != -1 && V.TileWidth > 0 && V.TileLength > 0) {
    V.ImageWidth = V.TileWidth;
    V.ImageLength = V.TileLength;
  }
  V.Photometric = uint16_t(TiffGetInt(page, 262, 2));
  V.PlanarConfig = uint16_t(TiffGetInt(page, 284, 1));
  V.Orientation = uint16_t(TiffGetInt(page, 274, 1));
  V.Compression = uint16_t(TiffGetInt(page, 259, 1));
  V.StripOffsets = TiffGetIntArray(page, 273);
  V.StripByteCounts = TiffGetIntArray(page, 279);
  V.TileOffsets = TiffGetIntArray(page, 324);
  V.TileByteCounts = TiffGetIntArray(page, 325);
  V.ResolutionUnit = TiffGetInt(page, 296, 2);
  V.XResolution = TiffGetRational(page, 282);
  V.YResolution = TiffGetRational(page, 283);
  V.Predictor = TiffGetInt(page, 317, 1);
  V.JpegTables = TiffGetRawBytes(page, 347);
  V.T4Options = TiffGetInt(page, 292, 0);
  V.FillOrder = TiffGetInt(page, 266, 1);
  V.XPosition = TiffGetRational(page, 286);
  V.YPosition = TiffGetRational(page, 287);
  V.Software = TiffGetString(page, 305);
  V.YCbCrSubH = TiffGetIntAt(page, 530, 0, 0);
  V.YCbCrSubV = TiffGetIntAt(page, 530, 1, 0);
  if (V.YCbCrSubH == 0) V.YCbCrSubH = 2;
  if (V.YCbCrSubV == 0) V.YCbCrSubV = 2;
  V.JpegProcess = TiffGetInt(page, 512, 0);
  V.JpegIFOffset = TiffGetInt(page, 513, 0);
  V.JpegIFLength = TiffGetInt(page, 514, 0);
  V.ExtraSample0 = TiffGetIntAt(page, 338, 0, 0);
  V.ExtraSamples = TiffGetIntArray(page, 338);
  if (V.ExtraSamples.size() > 10) V.ExtraSamples.resize(10);
  if (V.SamplesPerPixel == 1 && V.BitsPerSample == 1 && V.Compression >= 1 && V.Compression <= 4 &&
      V.Photometric == 2)
    V.Photometric = 0;

  // colour map
  if (TiffFindTag(page, 320) >= 0 && V.BitsPerSample >= 1 && V.BitsPerSample <= 16) {
    const int n = 1 << V.BitsPerSample;
    std::vector<int32_t> m = TiffGetIntArray(page, 320);
    if (m.size() >= size_t(3) * n) {
      const int32_t top = *std::max_element(m.begin(), m.begin() + 3 * n);
      const int shift = top < 256 ? 0 : 8;
      V.ColorMap.resize(size_t(n));
      for (int i = 0; i < n; ++i)
        V.ColorMap[size_t(i)] = TIERGBPixel{uint8_t(m[size_t(2 * n + i)] >> shift),
                                            uint8_t(m[size_t(n + i)] >> shift), uint8_t(m[size_t(i)] >> shift)};
    }
  }

  // metadata blocks
  if (P.IPTC_Info != nullptr) {
    P.IPTC_Info->Clear();
    std::vector<uint8_t> b = TiffGetRawBytes(page, 33723);
    if (!b.empty()) P.IPTC_Info->LoadFromStandardBuffer(b.data(), int(b.size()));
  }
  P.XMP_Info.clear();
  {
    const int i = TiffFindTag(page, 700);
    if (i >= 0 && (page.Entries[i].Type == 1 || page.Entries[i].Type == 7)) {
      std::vector<uint8_t> b = TiffGetRawBytes(page, 700);
      P.XMP_Info.assign(b.begin(), b.end());
    }
  }
  {
    std::vector<uint8_t> b = TiffGetRawBytes(page, 32932);
    if (!b.empty()) P.GetImagingAnnot()->LoadFromStandardBuffer(b.data(), int(b.size()));
  }
  {
    std::vector<uint8_t> b = TiffGetRawBytes(page, 34675);
    if (!b.empty()) P.GetInputICCProfile()->LoadFromBuffer(b.data(), int(b.size()));
  }

  // parameters
  P.BitsPerSample = V.BitsPerSample;
  P.SamplesPerPixel = V.SamplesPerPixel;
  P.Width = P.OriginalWidth = V.ImageWidth;
  P.Height = P.OriginalHeight = V.ImageLength;
  P.TIFF_ByteOrder = le ? 1 : 0;
  P.SetImageCount(PageCount);
  P.TIFF_ImageCount = PageCount;
  P.SetTIFF_Orientation(V.Orientation);
  P.SetEXIF_Orientation(V.Orientation);
  P.TIFF_Compression = uint8_t(TifReadCompressionParam(V.Compression, V.T4Options));
  if (V.Photometric <= 6) P.TIFF_PhotometInterpret = uint8_t(V.Photometric);
  else if (V.Photometric == 8) P.TIFF_PhotometInterpret = 7;
  P.TIFF_PlanarConf = V.PlanarConfig;
  P.TIFF_DocumentName = TiffGetString(page, 269);
  P.TIFF_ImageDescription = TiffGetString(page, 270);
  P.TIFF_PageName = TiffGetString(page, 285);
  P.TIFF_PageNumber = TiffGetIntAt(page, 297, 0, 0);
  P.TIFF_PageCount = TiffGetIntAt(page, 297, 1, 0);
  P.TIFF_FillOrder = V.FillOrder;
  {
    // the EXIF, GPS and XP fields through the library's EXIF parser
    P.ResetEXIF();
    std::vector<uint8_t> block = TifReadExifBlock(page, exif.get(), gps.get());
    IELoadEXIFFromTIFFBlock(block.data(), int(block.size()), &P);
    P.EXIF_HasEXIFData = exif != nullptr;
    P.SetEXIF_Orientation(V.Orientation);
  }
  if (!V.ColorMap.empty()) P.SetColorMap(V.ColorMap.data(), int32_t(V.ColorMap.size()));
  else P.SetColorMap(nullptr, 0);
  {
    const double factor = V.ResolutionUnit == 3 ? 2.54 : 1.0;
    const double dx = V.XResolution * factor, dy = V.YResolution * factor;
    auto toDpi = [](double d, int32_t def) {
      if (!(d >= 0.5 && d < 2147483647.0)) return def;
      return int32_t(std::lround(d));
    };
    P.SetEXIF_XResolution(dx);
    P.SetEXIF_YResolution(dy);
    P.SetDpiX(toDpi(dx, IEDefaultDpiX));
    P.SetDpiY(toDpi(dy, IEDefaultDpiY));
    auto toPos = [](double d) { return d > -2147483647.0 && d < 2147483647.0 ? int32_t(d) : 0; };
    P.TIFF_XPos = toPos(V.XPosition * factor);
    P.TIFF_YPos = toPos(V.YPosition * factor);
  }

  struct TClean {
    TIOParamsVals& P;
    ~TClean() {
      if (P.InputICCProfileOrNil() != nullptr && P.InputICCProfileOrNil()->HasTransform())
        P.InputICCProfileOrNil()->FreeTransform();
    }
  } clean{P};

  if ((V.ImageWidth == 0 || V.ImageLength == 0) && !ThumbnailMode) return Progress.Abort();
  if (V.Compression == 5) {
    V.LzwDecompress = P.TIFF_LZWDecompFunc != nullptr ? P.TIFF_LZWDecompFunc : IETiffLzwDecompressHook;
    if (V.LzwDecompress == nullptr) return Progress.Abort();
  }
  if (ParamsOnly) return;

  // decoding
  const bool hasAlpha = !IgnoreAlpha && ((V.SamplesPerPixel == 4 && V.ExtraSample0 == 2) ||
                                         (V.SamplesPerPixel > 3 && !V.ExtraSamples.empty()) ||
                                         (V.SamplesPerPixel == 2 && V.BitsPerSample == 8) ||
                                         (V.SamplesPerPixel == 4 && V.Photometric == 2));
  if (ThumbnailMode && (V.ImageWidth > 400 || V.ImageLength > 400)) return Progress.Abort();
  if (V.ImageWidth <= 0 || V.ImageLength <= 0) return Progress.Abort();
  if (!IEPlausibleImageSize(V.ImageWidth, V.ImageLength, Stream->Size())) return Progress.Abort();
  {
    // sample layouts no decoder handles, and pages (or tiles) whose decompressed size no
    // compression could reach from the bytes the file holds, are refused before any allocation
    const int64_t limit = std::min<int64_t>(int64_t(1) << 32, (Stream->Size() + 1024) * 2048);
    auto bytes = [&](int64_t W, int64_t H) { return (W * V.SamplesPerPixel * V.BitsPerSample + 7) / 8 * H; };
    if (V.BitsPerSample < 1 || V.BitsPerSample > 32 || V.SamplesPerPixel < 1 || V.SamplesPerPixel > 64 ||
        bytes(V.ImageWidth, V.ImageLength) > limit ||
        (V.TileWidth > 0 && V.TileLength > 0 && bytes(V.TileWidth, V.TileLength) > limit))
      return Progress.Abort();
  }
  if (hasAlpha || AlphaMask != nullptr) {
    if (AlphaMask == nullptr) AlphaMask = new TIEMask();
    AlphaMask->AllocateBits(V.ImageWidth, V.ImageLength, 8);
    AlphaMask->Fill(255);
    AlphaMask->Full = true;
    if (hasAlpha) V.AlphaMask = AlphaMask;
  }
  if ((V.Compression == 6 || (V.JpegIFOffset != 0 && V.Compression != 5)) && V.JpegProcess < 2) {
    TifReadOldJpeg(V, Bitmap, Progress);
  } else {
    const int b = V.BitsPerSample, s = V.SamplesPerPixel, ph = V.Photometric;
    const bool native = P.IsNativePixelFormat;
    TIEPixelFormat pf = ie24RGB;
    if (b == 1 && s == 1 && ph != 3) pf = ie1g;
    else if (native && b == 8 && s == 1 && ph == 3) pf = ie8p;
    else if (native && b == 8 && s == 1 && (ph == 0 || ph == 1)) pf = ie8g;
    else if (native && b == 16 && s == 1 && (ph == 0 || ph == 1)) pf = ie16g;
    else if (native && b == 8 && s > 3 && ph == 5) pf = ieCMYK;
    else if (native && b == 16 && s == 4 && ph == 5) pf = ieCMYK;
    else if (native && b == 16 && s == 3 && ph == 2) pf = ieRGB48;
    if (!Bitmap->Allocate(V.ImageWidth, V.ImageLength, pf)) return Progress.Abort();
    if (pf == ie8p)
      for (size_t i = 0; i < V.ColorMap.size() && i < 256; ++i) Bitmap->SetPaletteEntry(int(i), V.ColorMap[i]);
    if (ThumbnailMode) Bitmap->Fill(0);
    if (V.TileWidth > 0 || V.TileLength > 0) {
      if (V.TileOffsets.empty() && !V.StripOffsets.empty()) {
        V.TileOffsets = V.StripOffsets;
        V.TileByteCounts = V.StripByteCounts;
      }
      if (!V.TileOffsets.empty()) TiffDecodeTiles(V, Bitmap, Progress);
    } else if (!V.StripOffsets.empty()) {
      TiffDecodeStrips(V, Bitmap, Progress);
    }
  }
  if (P.TIFF_EnableAdjustOrientation && !Bitmap->IsEmpty()) {
    IEApplyOrientation(Bitmap, P.TIFF_Orientation);
    P.SetTIFF_Orientation(1);
  }
}

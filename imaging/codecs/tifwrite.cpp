// TIFF writer (see tiffilt.h): one little-endian page, as a new file or inserted into an existing
// one. The strips come first, then the data of the tags, then the directory.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/codecs/iezlib.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/tifccitt.h"
#include "imaging/codecs/tifinternal.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecolor.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

// Strips hold about this many bytes of the bitmap.
constexpr int64_t kTifWriteStripBytes = 524288;

struct TTifWriteEntry {
  uint16_t Tag = 0, Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {0, 0, 0, 0};
};

// The page being written: its stream, base, entries and the write-failure flag.
class TTifWriter {
public:
  TTifWriter(TStream* S, int64_t Base, TIEProgressRec& Progress) : FS(S), FBase(Base), FProgress(Progress) {}

  void Write(const void* Data, int64_t Count) {
    if (Count > 0 && !FFailed) IECodecWrite(FS, Data, Count, FFailed, FProgress);
  }
  // Pads to an even position; returns the position relative to the base.
  uint32_t Even() {
    if ((FS->Position() - FBase) & 1) {
      const uint8_t z = 0;
      Write(&z, 1);
    }
    return Pos();
  }
  uint32_t Pos() const { return static_cast<uint32_t>(FS->Position() - FBase); }
  bool Failed() const { return FFailed || FProgress.IsAborting(); }
  bool Has(uint16_t Tag) const {
    for (const auto& e : Entries)
      if (e.Tag == Tag) return true;
    return false;
  }
  // Adds an entry with these value bytes (little-endian): inline up to 4 bytes, else written at
  // the next even position. An entry of that tag already present is replaced.
  void Add(uint16_t Tag, uint16_t Type, uint32_t Count, const uint8_t* Bytes, size_t Size) {
    TTifWriteEntry e;
    e.Tag = Tag;
    e.Type = Type;
    e.Count = Count;
    if (Size <= 4) {
      if (Size > 0) std::memcpy(e.Value, Bytes, Size);
    } else {
      IEPutLE32(e.Value, Even());
      Write(Bytes, int64_t(Size));
    }
    Entries.erase(std::remove_if(Entries.begin(), Entries.end(), [&](const TTifWriteEntry& x) { return x.Tag == Tag; }),
                  Entries.end());
    Entries.push_back(e);
  }
  void AddLong(uint16_t Tag, uint32_t V) {
    uint8_t b[4];
    IEPutLE32(b, V);
    Add(Tag, 4, 1, b, 4);
  }
  void AddShort(uint16_t Tag, uint32_t V) {
    uint8_t b[2];
    IEPutLE16(b, V);
    Add(Tag, 3, 1, b, 2);
  }
  void AddShorts(uint16_t Tag, const std::vector<uint32_t>& V) {
    std::vector<uint8_t> b(V.size() * 2);
    for (size_t i = 0; i < V.size(); ++i) IEPutLE16(&b[2 * i], V[i]);
    Add(Tag, 3, uint32_t(V.size()), b.data(), b.size());
  }
  void AddLongs(uint16_t Tag, const std::vector<uint32_t>& V) {
    std::vector<uint8_t> b(V.size() * 4);
    for (size_t i = 0; i < V.size(); ++i) IEPutLE32(&b[4 * i], V[i]);
    if (V.size() == 1) Add(Tag, 4, 1, b.data(), 4);
    else {
      // arrays of LONG always go to the data area
      TTifWriteEntry dummy;
      (void)dummy;
      Add(Tag, 4, uint32_t(V.size()), b.data(), b.size());
    }
  }
  void AddRational(uint16_t Tag, uint32_t Num, uint32_t Den) {
    uint8_t b[8];
    IEPutLE32(b, Num);
    IEPutLE32(b + 4, Den);
    Add(Tag, 5, 1, b, 8);
  }
  void AddAscii(uint16_t Tag, const std::string& S) {
    if (S.empty()) return;
    if (S.size() <= 4) return Add(Tag, 2, uint32_t(S.size()), reinterpret_cast<const uint8_t*>(S.data()), S.size());
    std::vector<uint8_t> b(S.begin(), S.end());
    b.push_back(0);
    Add(Tag, 2, uint32_t(b.size()), b.data(), b.size());
  }
  // Writes the directory at an even position; returns its offset.
  uint32_t WriteDirectory(uint32_t Next) {
    std::stable_sort(Entries.begin(), Entries.end(),
                     [](const TTifWriteEntry& a, const TTifWriteEntry& b) { return a.Tag < b.Tag; });
    const uint32_t at = Even();
    std::vector<uint8_t> d(2 + Entries.size() * 12 + 4);
    IEPutLE16(d.data(), uint32_t(Entries.size()));
    for (size_t i = 0; i < Entries.size(); ++i) {
      uint8_t* p = d.data() + 2 + i * 12;
      IEPutLE16(p, Entries[i].Tag);
      IEPutLE16(p + 2, Entries[i].Type);
      IEPutLE32(p + 4, Entries[i].Count);
      std::memcpy(p + 8, Entries[i].Value, 4);
    }
    IEPutLE32(d.data() + d.size() - 4, Next);
    Write(d.data(), int64_t(d.size()));
    return at;
  }

  std::vector<TTifWriteEntry> Entries;
  TStream* FS;
  int64_t FBase;

private:
  TIEProgressRec& FProgress;
  bool FFailed = false;
};

// The EXIF side: the directories of the library's EXIF block (ieexif) are copied into the file,
// their data offsets moved to where they land.
struct TTifWriteExifDir {
  std::vector<TTifWriteEntry> Entries;
};

uint32_t TifWriteExifCopyDir(TTifWriter& W, const std::vector<uint8_t>& Blk, uint32_t Off, bool Main) {
  if (Off + 2 > Blk.size()) return 0;
  const uint16_t n = IELE16(&Blk[Off]);
  if (Off + 2 + size_t(n) * 12 > Blk.size()) return 0;
  std::vector<TTifWriteEntry> es;
  for (uint16_t i = 0; i < n; ++i) {
    const uint8_t* p = &Blk[Off + 2 + size_t(i) * 12];
    TTifWriteEntry e;
    e.Tag = IELE16(p);
    e.Type = IELE16(p + 2);
    e.Count = IELE32(p + 4);
    std::memcpy(e.Value, p + 8, 4);
    if (e.Tag == 34665 || e.Tag == 34853) {
      const uint32_t sub = TifWriteExifCopyDir(W, Blk, IELE32(p + 8), false);
      if (sub == 0) continue;
      IEPutLE32(e.Value, sub);
    } else {
      const uint64_t bytes = uint64_t(TiffTypeSize(e.Type)) * e.Count;
      if (bytes > 4) {
        const uint32_t at = IELE32(p + 8);
        if (uint64_t(at) + bytes > Blk.size()) continue;
        const uint32_t to = W.Even();
        IEPutLE32(e.Value, to);
        if (e.Tag == 37500) {
          // The maker note's entries point to positions in the block: moved by as much as the note.
          std::vector<uint8_t> note(Blk.begin() + at, Blk.begin() + at + bytes);
          const uint32_t count = note.size() >= 2 ? IELE16(note.data()) : 0;
          for (uint32_t k = 0; k < count && 2 + 12 * size_t(k) + 12 <= note.size(); ++k) {
            uint8_t* q = note.data() + 2 + 12 * size_t(k);
            if (uint64_t(TiffTypeSize(IELE16(q + 2))) * IELE32(q + 4) > 4) IEPutLE32(q + 8, IELE32(q + 8) - at + to);
          }
          W.Write(note.data(), int64_t(bytes));
        } else {
          W.Write(&Blk[at], int64_t(bytes));
        }
      }
    }
    es.push_back(e);
  }
  if (Main) {
    for (const TTifWriteEntry& e : es) {
      W.Entries.erase(std::remove_if(W.Entries.begin(), W.Entries.end(),
                                     [&](const TTifWriteEntry& x) { return x.Tag == e.Tag; }),
                      W.Entries.end());
      W.Entries.push_back(e);
    }
    return 1;
  }
  std::sort(es.begin(), es.end(), [](const TTifWriteEntry& a, const TTifWriteEntry& b) { return a.Tag < b.Tag; });
  const uint32_t at = W.Even();
  std::vector<uint8_t> d(2 + es.size() * 12 + 4, 0);
  IEPutLE16(d.data(), uint32_t(es.size()));
  for (size_t i = 0; i < es.size(); ++i) {
    uint8_t* q = d.data() + 2 + i * 12;
    IEPutLE16(q, es[i].Tag);
    IEPutLE16(q + 2, es[i].Type);
    IEPutLE32(q + 4, es[i].Count);
    std::memcpy(q + 8, es[i].Value, 4);
  }
  W.Write(d.data(), int64_t(d.size()));
  return at;
}

void TifWriteExif(TTifWriter& W, TIOParamsVals& P) {
  TIEBitmap* thumb = P.EXIF_Bitmap;
  P.EXIF_Bitmap = nullptr;  // the page directory carries no thumbnail
  std::vector<uint8_t> blk;
  IESaveEXIFToStandardBuffer(&P, blk, false);
  P.EXIF_Bitmap = thumb;
  if (blk.size() < 8) return;
  TifWriteExifCopyDir(W, blk, IELE32(&blk[4]), true);
}

// Settings of the strip encoder.
struct TTifWriteEnc {
  int Compression = 1;
  bool TwoD = false;
  int FillOrder = 1;
  int Photo = 2;  // internal code: 0 white-is-zero, 1 grey, 2 RGB, 3 palette, 5 CMYK, 6 YCbCr, 7 CIELab
  int Predictor = 1;
  int Bits = 8;
  bool Alpha = false;
  TTIFFLZWCompFunc Lzw = nullptr;
  TIEQuantizer* Quantizer = nullptr;
  int Samples = 3;
};

void TifWritePackBits(const uint8_t* Row, int64_t N, std::vector<uint8_t>& Out) { TiffPackBitsEncodeRow(Row, N, Out); }

// Packs the low Bits bits of each of N values, most significant bit first.
void TifWritePack(const uint8_t* In, int64_t N, int Bits, std::vector<uint8_t>& Out) {
  Out.assign(static_cast<size_t>((N * Bits + 7) / 8), 0);
  for (int64_t i = 0; i < N; ++i)
    for (int k = 0; k < Bits; ++k)
      if ((In[i] >> (Bits - 1 - k)) & 1) {
        const int64_t p = i * Bits + k;
        Out[size_t(p >> 3)] |= static_cast<uint8_t>(0x80 >> (p & 7));
      }
}

// The samples of row Y as they go to the file.
void TifWriteRowSamples(TIEBitmap* B, int Y, const TTifWriteEnc& E, TIOParamsVals& P, std::vector<uint8_t>& Out) {
  const int w = B->Width();
  const uint8_t* s = B->Scanline(Y);
  switch (B->PixelFormat()) {
    case ie1g:
      Out.assign(s, s + (w + 7) / 8);
      break;
    case ie8g:
    case ie8p:
      if (E.Bits == 8) Out.assign(s, s + w);
      else if (E.Bits < 8) {
        std::vector<uint8_t> v(s, s + w);
        if (B->PixelFormat() == ie8g)
          for (uint8_t& x : v) x = static_cast<uint8_t>(x >> (8 - E.Bits));
        TifWritePack(v.data(), w, E.Bits, Out);
      } else {
        Out.resize(size_t(w) * 2);
        for (int x = 0; x < w; ++x) IEPutLE16(&Out[size_t(x) * 2], uint32_t(s[x]) * 257);
      }
      break;
    case ie16g:
      if (E.Bits == 16) Out.assign(s, s + size_t(w) * 2);
      else {
        std::vector<uint8_t> v(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) v[size_t(x)] = static_cast<uint8_t>(reinterpret_cast<const uint16_t*>(s)[x] >> 8);
        if (E.Bits == 8) Out = v;
        else {
          for (uint8_t& x : v) x = static_cast<uint8_t>(x >> (8 - std::clamp(E.Bits, 1, 8)));
          TifWritePack(v.data(), w, E.Bits, Out);
        }
      }
      break;
    case ieCMYK:
      Out.resize(size_t(w) * 4);
      for (int i = 0; i < w * 4; ++i) Out[size_t(i)] = static_cast<uint8_t>(255 - s[i]);
      break;
    case ieRGB48:
      Out.assign(s, s + size_t(w) * 6);
      break;
    default: {  // ie24RGB
      const TIERGBPixel* px = reinterpret_cast<const TIERGBPixel*>(s);
      if (E.Photo == 5) {
        Out.resize(size_t(w) * 4);
        IEConvertColorFunction(s, 1, Out.data(), &P, w, 2);
        for (uint8_t& v : Out) v = static_cast<uint8_t>(255 - v);
      } else if (E.Photo == 7) {
        Out.resize(size_t(w) * 3);
        IEConvertColorFunction(s, 1, Out.data(), &P, w, 4);
      } else if (E.Photo == 1 || E.Photo == 3) {
        std::vector<uint8_t> idx(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) {
          if (E.Photo == 1) {
            idx[size_t(x)] = static_cast<uint8_t>(IERGBToGray(px[x]));
          } else {
            const int i = E.Quantizer != nullptr ? E.Quantizer->GetColorIndex(px[x]) : 0;
            idx[size_t(x)] = static_cast<uint8_t>(std::max(i, 0));
          }
        }
        if (E.Bits == 8) {
          Out = idx;
        } else if (E.Bits == 16) {
          Out.resize(size_t(w) * 2);
          for (int x = 0; x < w; ++x) IEPutLE16(&Out[size_t(x) * 2], uint32_t(idx[size_t(x)]) * 257);
        } else {
          if (E.Photo == 1)
            for (uint8_t& v : idx) v = static_cast<uint8_t>(v >> (8 - E.Bits));
          TifWritePack(idx.data(), w, E.Bits, Out);
        }
      } else {
        const int n = E.Alpha ? 4 : 3;
        Out.resize(size_t(w) * n);
        TIEBitmap* a = E.Alpha ? B->GetAlphaChannel() : nullptr;
        const uint8_t* ar = a != nullptr ? a->Scanline(Y) : nullptr;
        for (int x = 0; x < w; ++x) {
          uint8_t* o = &Out[size_t(x) * n];
          o[0] = px[x].r, o[1] = px[x].g, o[2] = px[x].b;
          if (n == 4) o[3] = ar != nullptr ? ar[x] : 255;
        }
        if (E.Predictor == 2)
          for (int64_t i = int64_t(w) * n - 1; i >= n; --i) Out[size_t(i)] = static_cast<uint8_t>(Out[size_t(i)] - Out[size_t(i - n)]);
      }
      break;
    }
  }
}

bool TifWriteAlphaUsed(TIEBitmap* B) {
  if (!B->HasAlphaChannel()) return false;
  TIEBitmap* a = B->GetAlphaChannel();
  for (int y = 0; y < a->Height(); ++y) {
    const uint8_t* r = a->Scanline(y);
    for (int x = 0; x < a->Width(); ++x)
      if (r[x] != 255) return true;
  }
  return false;
}

// The strip encoder: writes the strips and adds 273, 278 and 279.
void TifWriteStrips(TTifWriter& W, TIEBitmap* B, TTifWriteEnc& E, TIOParamsVals& P, TIEProgressRec& Progress) {
  const int h = B->Height();
  int strips = 1, rps = h;
  if (E.Compression != 7 && E.Compression != 32946) {
    strips = static_cast<int>(std::max<int64_t>(int64_t(h) * B->RowLen() / kTifWriteStripBytes, 1));
    rps = h / strips;
    if (h % strips) ++strips;
  }
  std::vector<uint32_t> offsets, counts;
  if (E.Compression == 7) {
    TIOParamsVals jp(nullptr);
    jp.JPEG_Quality = P.TIFF_JPEGQuality;
    jp.JPEG_ColorSpace = P.TIFF_JPEGColorSpace == 4 ? 0 : P.TIFF_JPEGColorSpace;
    const uint32_t at = W.Pos();
    JpegWriteImage(W.FS, B, jp, Progress);
    offsets.push_back(at);
    counts.push_back(W.Pos() - at);
  } else {
    std::vector<uint8_t> row, packed;
    std::unique_ptr<TZCompressionStream> z;
    void* lzw = nullptr;
    TIECCITTEncodeState fax;
    uint32_t start = W.Pos();
    int inStrip = 0;
    Progress.Per = 100.0 / std::max(1, h);
    for (int y = 0; y < h; ++y) {
      Progress.Val = y;
      Progress.Report();
      TifWriteRowSamples(B, y, E, P, row);
      switch (E.Compression) {
        case 2: IECCITTEncodeRowMH(row.data(), B->Width(), W.FS, E.FillOrder, Progress); break;
        case 3:
          if (E.TwoD) IECCITTEncodeRowG3_2D(row.data(), B->Width(), W.FS, E.FillOrder, Progress, fax);
          else IECCITTEncodeRowG3(row.data(), B->Width(), W.FS, E.FillOrder, Progress, fax);
          break;
        case 4: IECCITTEncodeRowG4(row.data(), B->Width(), W.FS, E.FillOrder, Progress, fax); break;
        case 5: E.Lzw(row.data(), int(row.size()), W.FS, lzw); break;
        case 32773:
          packed.clear();
          TifWritePackBits(row.data(), int64_t(row.size()), packed);
          W.Write(packed.data(), int64_t(packed.size()));
          break;
        case 32946:
          if (!z) z = std::make_unique<TZCompressionStream>(W.FS, std::clamp(P.TIFF_ZIPCompression, 0, 2) + 1);
          z->WriteBuffer(row.data(), int64_t(row.size()));
          break;
        default: W.Write(row.data(), int64_t(row.size())); break;
      }
      if (W.Failed()) {
        if (lzw != nullptr) E.Lzw(nullptr, 0, W.FS, lzw);
        return;
      }
      ++inStrip;
      if (inStrip == rps || y == h - 1) {
        switch (E.Compression) {
          case 3:
            if (E.TwoD) IECCITTEncodeRowG3_2D(nullptr, B->Width(), W.FS, E.FillOrder, Progress, fax);
            else IECCITTEncodeRowG3(nullptr, B->Width(), W.FS, E.FillOrder, Progress, fax);
            break;
          case 4: IECCITTEncodeRowG4(nullptr, B->Width(), W.FS, E.FillOrder, Progress, fax); break;
          case 5: E.Lzw(nullptr, 0, W.FS, lzw); break;
          case 32946: z.reset(); break;
          default: break;
        }
        offsets.push_back(start);
        counts.push_back(W.Pos() - start);
        start = W.Pos();
        inStrip = 0;
      }
    }
  }
  if (W.Failed()) return;
  W.AddLong(278, uint32_t(rps));
  W.AddLongs(273, offsets);
  W.AddLongs(279, counts);
}

// Old-style JPEG page: a complete JPEG stream, pointed at by 513 and 514.
void TifWriteOldJpeg(TTifWriter& W, TIEBitmap* B, TIOParamsVals& P, TIEProgressRec& Progress) {
  TMemoryStream m;
  TIOParamsVals jp(nullptr);
  jp.JPEG_Quality = P.TIFF_JPEGQuality;
  jp.JPEG_ColorSpace = P.TIFF_JPEGColorSpace == 4 ? 0 : P.TIFF_JPEGColorSpace;
  JpegWriteImage(&m, B, jp, Progress);
  const auto* d = static_cast<const uint8_t*>(m.Memory());
  const int64_t n = m.Size();
  int64_t k = 0;
  for (int64_t i = 0; i + 1 < n; ++i)
    if (d[i] == 0xFF && d[i + 1] == 0xDA) {
      k = i;
      break;
    }
  const uint32_t p = W.Pos();
  W.Write(d, n);
  W.AddLong(514, uint32_t(n));
  W.AddLong(513, p);
  W.AddLong(278, uint32_t(B->Height()));
  W.AddLong(279, uint32_t(n - k));
  W.AddLong(273, uint32_t(p + k));
  W.AddShort(512, 1);
  W.AddShorts(530, {2, 2});
}

// Insert mode: finds the link to change: link i points at page i (link 0 is the header's); an
// index past the last page takes the last link (0), so the page is appended. Pages receives the
// pages walked. False when the stream is not a little-endian TIFF.
bool TifWriteFindLink(TStream* S, int64_t Base, int Index, int64_t& LinkPos, uint32_t& LinkValue, int& Pages) {
  uint8_t h[8];
  S->SetPosition(Base);
  if (S->Read(h, 8) != 8 || h[0] != 'I' || h[1] != 'I') return false;
  const int64_t size = S->Size();
  std::vector<std::pair<int64_t, uint32_t>> links = {{Base + 4, IELE32(h + 4)}};
  std::set<uint32_t> seen;
  for (;;) {
    const uint32_t link = links.back().second;
    if (link == 0 || Base + link + 2 > size || !seen.insert(link).second) break;
    uint8_t c[2], l[4];
    S->SetPosition(Base + link);
    if (S->Read(c, 2) != 2) break;
    const int64_t pos = Base + link + 2 + int64_t(IELE16(c)) * 12;
    S->SetPosition(pos);
    if (pos + 4 > size || S->Read(l, 4) != 4) break;
    links.push_back({pos, IELE32(l)});
  }
  Pages = static_cast<int>(links.size()) - 1;
  const size_t i = static_cast<size_t>(std::clamp(Index, 0, Pages));
  LinkPos = links[i].first;
  LinkValue = i < links.size() - 1 ? links[i].second : 0;
  return true;
}

}  // namespace

void TiffPackBitsEncodeRow(const uint8_t* Row, int64_t RowBytes, std::vector<uint8_t>& Out) {
  std::vector<uint8_t> lit;
  auto flush = [&] {
    if (lit.empty()) return;
    Out.push_back(static_cast<uint8_t>(lit.size() - 1));
    Out.insert(Out.end(), lit.begin(), lit.end());
    lit.clear();
  };
  int64_t i = 0;
  while (i < RowBytes) {
    int64_t n = 1;
    while (i + n < RowBytes && n < 128 && Row[i + n] == Row[i]) ++n;
    if (n < 4) {
      if (lit.size() == 128) flush();
      lit.push_back(Row[i]);
      ++i;
    } else {
      flush();
      Out.push_back(static_cast<uint8_t>(1 - n));
      Out.push_back(Row[i]);
      i += n;
    }
  }
  flush();
}

int TiffWriteImage(TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIEProgressRec& Progress, TIOParamsVals& IOParams) {
  TIOParamsVals& P = IOParams;
  const int64_t base = Stream->Position();
  int64_t linkPos = 0;
  uint32_t linkValue = 0;
  int pages = 0;
  if (Insert) {
    if (!TifWriteFindLink(Stream, base, P.TIFF_ImageIndex, linkPos, linkValue, pages)) {
      Progress.Abort();
      return 0;
    }
    Stream->SetPosition(Stream->Size());
  } else {
    const uint8_t zero[8] = {0};
    bool failed = false;
    IECodecWrite(Stream, zero, 8, failed, Progress);
    if (failed) return 1;
  }
  TTifWriter W(Stream, base, Progress);

  // 1. the working bitmap
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* B = Bitmap;
  if (B != nullptr && B->IsEmpty()) B = nullptr;
  if (B != nullptr) {
    const bool oneBit = P.BitsPerSample == 1 && P.SamplesPerPixel == 1;
    const TIEPixelFormat pf = B->PixelFormat();
    if (!oneBit && pf == ie1g) {
      owned.reset(IEConvertedCopy(B, ie24RGB));
    } else if (oneBit && pf != ie1g) {
      TIEBitmap* src = B;
      std::unique_ptr<TIEBitmap> rgb;
      if (pf != ie24RGB) {
        rgb.reset(IEConvertedCopy(B, ie24RGB));
        src = rgb.get();
      }
      TIERGBPixel c1{}, c2{};
      owned.reset(IETwoColorTo1Bit(src, c1, c2));
      if (!owned) owned.reset(IEConvertedCopy(src, ie1g));
    } else if (pf == ie32f || pf == ieCIELab || pf == ie32RGB || pf == ieNone) {
      // formats without a strip layout of their own are written as 24-bit colour
      owned.reset(IEConvertedCopy(B, ie24RGB));
    }
    if (owned) B = owned.get();
  }

  TTifWriteEnc E;
  std::unique_ptr<TIEQuantizer> quant;
  TIERGBPixel palette[256];
  int paletteCount = 0;
  if (B != nullptr) {
    // 2. palette and grey. One sample of a depth its rows cannot be packed in (none, or more
    // than 8 bits but not 16; a page read may declare any) is written as 8 bits.
    if (P.SamplesPerPixel == 1 && (P.BitsPerSample < 1 || (P.BitsPerSample > 8 && P.BitsPerSample != 16)))
      P.BitsPerSample = 8;
    const int pb = P.BitsPerSample;
    if (P.SamplesPerPixel == 1 && ((pb >= 2 && pb <= 8) || pb == 16)) {
      if (P.TIFF_Compression != 5 && P.TIFF_Compression != 8 && P.TIFF_Compression != 9) P.TIFF_Compression = 0;
      if (B->PixelFormat() == ie8g || B->PixelFormat() == ie16g) {
        P.TIFF_PhotometInterpret = 1;
      } else if (B->PixelFormat() == ie8p) {
        P.TIFF_PhotometInterpret = 3;
        if (pb == 16) P.BitsPerSample = 8;
        paletteCount = std::min(1 << std::min(P.BitsPerSample, 8), 256);
        for (int i = 0; i < paletteCount; ++i)
          palette[i] = i < B->PaletteLength() ? B->GetPaletteEntry(i) : TIERGBPixel{0, 0, 0};
      } else {
        if (B->PixelFormat() != ie24RGB) {
          owned.reset(IEConvertedCopy(B, ie24RGB));
          B = owned.get();
        }
        paletteCount = std::min(1 << std::min(pb, 8), 256);
        quant = std::make_unique<TIEQuantizer>(B, palette, paletteCount);
        if (quant->GrayScale) {
          P.TIFF_PhotometInterpret = 1;
        } else {
          P.TIFF_PhotometInterpret = 3;
          if (pb == 16) P.BitsPerSample = 8;
        }
      }
    }
    // 3. normalisation
    if (P.TIFF_PhotometInterpret == 3 && P.SamplesPerPixel > 1) P.TIFF_PhotometInterpret = 2;
    if (B->PixelFormat() == ieRGB48) P.SamplesPerPixel = 3, P.BitsPerSample = 16, P.TIFF_PhotometInterpret = 2;
    if (P.BitsPerSample > 8 && P.SamplesPerPixel != 1)
      P.SamplesPerPixel = 3, P.BitsPerSample = 8, P.TIFF_PhotometInterpret = 2;
    if ((P.TIFF_PhotometInterpret == 0 || P.TIFF_PhotometInterpret == 1) && P.BitsPerSample == 8 &&
        P.SamplesPerPixel == 3)
      P.TIFF_PhotometInterpret = 2;
    if (P.TIFF_PhotometInterpret == 2 && P.SamplesPerPixel == 1 && P.BitsPerSample == 1) P.TIFF_PhotometInterpret = 1;
    if (P.TIFF_PhotometInterpret == 6 && P.TIFF_Compression != 7) P.TIFF_PhotometInterpret = 2;
    if (P.TIFF_PhotometInterpret == 2 && P.SamplesPerPixel > 3) P.SamplesPerPixel = 3;
    if (B->PixelFormat() == ieRGB48) P.SamplesPerPixel = 3, P.BitsPerSample = 16, P.TIFF_PhotometInterpret = 2;
    if (B->PixelFormat() == ieCMYK) P.SamplesPerPixel = 4, P.BitsPerSample = 8, P.TIFF_PhotometInterpret = 5;
    // a bitmap whose format the requested layout cannot describe keeps its own layout
    if (B->PixelFormat() == ie24RGB && P.SamplesPerPixel == 1 && P.BitsPerSample == 1) {
      owned.reset(IEConvertedCopy(B, ie1g));
      B = owned.get();
    }
    // 4. internal photometric code
    switch (P.TIFF_PhotometInterpret) {
      case 0: case 1: E.Photo = 1; break;
      case 3: E.Photo = 3; break;
      case 5: E.Photo = 5; break;
      case 7: E.Photo = 7; break;
      default: E.Photo = 2; break;
    }
    if (B->PixelFormat() == ie24RGB && (E.Photo == 1 || E.Photo == 3) && P.SamplesPerPixel != 1) E.Photo = 2;
    if (B->PixelFormat() == ie24RGB && P.SamplesPerPixel == 1 && E.Photo == 2) E.Photo = 1;
    if (B->PixelFormat() == ie24RGB && E.Photo == 3 && !quant) {
      paletteCount = std::min(1 << std::clamp(P.BitsPerSample, 1, 8), 256);
      quant = std::make_unique<TIEQuantizer>(B, palette, paletteCount);
    }
    E.Bits = P.BitsPerSample;
    // 5. compression
    bool invert = false;
    switch (P.TIFF_Compression) {
      case 0: E.Compression = 1; break;
      case 1: E.Compression = 2; invert = true; break;
      case 2: E.Compression = 3; invert = true; break;
      case 3: E.Compression = 3; E.TwoD = true; invert = true; break;
      case 4: E.Compression = 4; invert = true; break;
      case 5:
        E.Compression = 5;
        E.Predictor = 2;
        E.Lzw = P.TIFF_LZWCompFunc != nullptr ? P.TIFF_LZWCompFunc : IETiffLzwCompressHook;
        if (E.Lzw == nullptr) E.Compression = 1, E.Predictor = 1;
        break;
      case 6: case 7: {
        E.Compression = P.TIFF_Compression;
        static const int codes[5] = {2, 1, 6, 5, 2};
        E.Photo = codes[std::min<int>(P.TIFF_JPEGColorSpace, 4)];
        break;
      }
      case 8: E.Compression = 32773; break;
      case 9: case 10: E.Compression = 32946; break;
      default: E.Compression = 1; break;
    }
    if (invert) E.Photo = 0;
    // 6. fax codes only for bilevel bitmaps
    if (B->PixelFormat() != ie1g && E.Compression >= 2 && E.Compression <= 4) {
      E.Compression = 1;
      invert = false;
      if (E.Photo == 0) E.Photo = P.SamplesPerPixel == 1 ? 1 : 2;
    }
    if ((E.Compression == 6 || E.Compression == 7) && B->PixelFormat() != ie24RGB && B->PixelFormat() != ie8g) {
      owned.reset(IEConvertedCopy(B, ie24RGB));
      B = owned.get();
    }
    // 7. inversion for the fax codes (1 = black)
    if (invert) {
      if (!owned) owned.reset(IEConvertedCopy(B, ie1g));
      B = owned.get();
      IEInvertBits(B);
    }
    E.FillOrder = P.TIFF_FillOrder == 2 && E.Compression >= 2 && E.Compression <= 4 ? 2 : 1;
    // 8. predictor only for plain 8-bit RGB
    if (E.Predictor == 2 && !(P.BitsPerSample == 8 && P.SamplesPerPixel == 3 && E.Photo != 3 && E.Photo != 1 &&
                              !B->HasAlphaChannel() && B->PixelFormat() == ie24RGB))
      E.Predictor = 1;
    E.Samples = (E.Photo == 0 || E.Photo == 1 || E.Photo == 3) ? 1 : E.Photo == 5 ? 4 : 3;
    if (B->PixelFormat() == ie24RGB && E.Samples == 3 && (E.Compression == 1 || E.Compression == 5 || E.Compression == 32773) &&
        TifWriteAlphaUsed(B)) {
      E.Alpha = true;
      E.Samples = 4;
      E.Predictor = 1;
    }
    E.Quantizer = quant.get();
  }

  // 10. metadata tags
  if (P.EXIF_HasEXIFData) {
    TifWriteExif(W, P);
  } else {
    W.AddAscii(270, P.TIFF_ImageDescription);
    W.AddRational(282, uint32_t(std::max(P.DpiX, 0)), 1);
    W.AddRational(283, uint32_t(std::max(P.DpiY, 0)), 1);
    W.AddShort(296, 2);
  }

  // 11. image tags and data
  if (B != nullptr) {
    W.AddLong(256, uint32_t(B->Width()));
    W.AddLong(257, uint32_t(B->Height()));
    const TIEPixelFormat pf = B->PixelFormat();
    switch (pf) {
      case ie1g: W.AddShort(258, 1); break;
      case ie8p: case ie8g: W.AddShort(258, uint32_t(E.Bits)); break;
      case ie16g: W.AddShort(258, uint32_t(E.Bits)); break;
      case ieCMYK: W.AddShorts(258, {8, 8, 8, 8}); break;
      case ieRGB48: W.AddShorts(258, {16, 16, 16}); break;
      default:
        if (E.Photo == 1 || E.Photo == 3) W.AddShort(258, uint32_t(E.Bits));
        else if (E.Photo == 5 || E.Alpha) W.AddShorts(258, {8, 8, 8, 8});
        else W.AddShorts(258, {8, 8, 8});
        break;
    }
    W.AddShort(259, uint32_t(E.Compression));
    if (pf == ie1g) {
      W.AddShort(262, E.Photo == 0 ? 0 : 1);
    } else {
      const int codes[8] = {0, 1, 2, 3, 2, 5, 6, 8};
      W.AddShort(262, uint32_t(codes[std::clamp(E.Photo, 0, 7)]));
    }
    W.AddAscii(269, P.TIFF_DocumentName);
    if (E.Compression >= 2 && E.Compression <= 4) {
      W.AddShort(266, uint32_t(E.FillOrder));
      W.AddShort(284, 1);
      W.AddShort(327, 0);
    }
    if (E.Compression == 6) TifWriteOldJpeg(W, B, P, Progress);
    else TifWriteStrips(W, B, E, P, Progress);
  }
  if (W.Failed()) {
    Progress.Abort();
    return Insert ? pages : 1;
  }
  // 12. the rest of the tags
  if (B != nullptr) {
    if (B->PixelFormat() == ie1g) W.AddShort(277, 1);
    else if (B->PixelFormat() == ieCMYK) W.AddShort(277, 4);
    else if (B->PixelFormat() == ieRGB48) W.AddShort(277, 3);
    else if (B->PixelFormat() == ie8g || B->PixelFormat() == ie8p || B->PixelFormat() == ie16g) W.AddShort(277, 1);
    else W.AddShort(277, uint32_t(E.Samples));
    if (E.Alpha) W.AddShort(338, 1);
    if (E.Predictor == 2) W.AddShort(317, 2);
    if (E.Compression == 3) W.AddLong(292, E.TwoD ? 1 : 0);
    if (E.Compression == 3 || E.Compression == 4) W.AddLong(293, 0);
    if (E.Photo == 3 && B->PixelFormat() != ie1g) {
      const int n = 1 << std::clamp(E.Bits, 1, 8);
      std::vector<uint32_t> map(size_t(3) * n, 0);
      for (int i = 0; i < n && i < 256; ++i) {
        map[size_t(i)] = palette[i].r * 257u;
        map[size_t(n + i)] = palette[i].g * 257u;
        map[size_t(2 * n + i)] = palette[i].b * 257u;
      }
      W.AddShorts(320, map);
    }
  }
  W.AddAscii(285, P.TIFF_PageName);
  if (P.TIFF_XPos != 0) W.AddRational(286, uint32_t(std::max(P.TIFF_XPos, 0)) * 10000u, 10000);
  if (P.TIFF_YPos != 0) W.AddRational(287, uint32_t(std::max(P.TIFF_YPos, 0)) * 10000u, 10000);
  W.AddLong(254, 0);
  if (P.TIFF_PageNumber >= 0 || P.TIFF_PageCount >= 0)
    W.AddShorts(297, {uint32_t(std::max(P.TIFF_PageNumber, 0)), uint32_t(std::max(P.TIFF_PageCount, 0))});
  if (P.IPTC_Info != nullptr) {
    std::vector<uint8_t> b;
    P.IPTC_Info->SaveToStandardBuffer(b, false);
    if (!b.empty()) {
      b.resize((b.size() + 3) / 4 * 4, 0);
      W.Add(33723, 4, uint32_t(b.size() / 4), b.data(), b.size());
    }
  }
  if (!P.XMP_Info.empty())
    W.Add(700, 1, uint32_t(P.XMP_Info.size()), reinterpret_cast<const uint8_t*>(P.XMP_Info.data()), P.XMP_Info.size());
  if (P.ImagingAnnotOrNil() != nullptr) {
    std::vector<uint8_t> b;
    P.ImagingAnnotOrNil()->SaveToStandardBuffer(b);
    if (!b.empty()) W.Add(32932, 1, uint32_t(b.size()), b.data(), b.size());
  }
  if (TIEICC* icc = P.InputICCProfileOrNil(); icc != nullptr && icc->IsValid() && !icc->Applied)
    W.Add(34675, 7, uint32_t(icc->Raw.size()), icc->Raw.data(), icc->Raw.size());
  if (W.Failed()) {
    Progress.Abort();
    return Insert ? pages : 1;
  }
  // 13. the directory and the link to it
  const uint32_t dir = W.WriteDirectory(Insert ? linkValue : 0);
  const int64_t end = Stream->Position();
  uint8_t b[4];
  IEPutLE32(b, dir);
  if (Insert) {
    Stream->SetPosition(linkPos);
    W.Write(b, 4);
  } else {
    const uint8_t head[4] = {'I', 'I', 42, 0};
    Stream->SetPosition(base);
    W.Write(head, 4);
    W.Write(b, 4);
  }
  Stream->SetPosition(end);
  if (W.Failed()) Progress.Abort();
  return Insert ? pages + 1 : 1;
}

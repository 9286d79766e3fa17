// TIFF tag handler (see ietiffhandler.h).
#include "imaging/io/ietiffhandler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "imaging/io/iebytes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/fileutils.h"

namespace {

int TiffHandlerTypeSize(int Type) {
  static const int sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return Type >= 1 && Type <= 12 ? sizes[Type] : 0;
}

bool TiffHandlerIsSubDir(int Tag) { return Tag == 34665 || Tag == 34853 || Tag == 40965; }

// Data blocks larger than this are not read (a guard against forged counts).
constexpr uint64_t kTiffHandlerMaxBlock = uint64_t(1) << 31;

// Value Index of one entry as an integer (0 when beyond its count or of a non-integer type).
int32_t TiffHandlerTagInteger(const TIETIFFTag& T, int Index, bool Le) {
  if (Index < 0 || uint32_t(Index) >= T.Count) return 0;
  const int size = TiffHandlerTypeSize(T.Type);
  const uint8_t* src = T.Data.empty() ? T.Value : T.Data.data();
  const size_t avail = T.Data.empty() ? 4 : T.Data.size();
  if (size == 0 || (size_t(Index) + 1) * size_t(size) > avail) return 0;
  const uint8_t* p = src + size_t(Index) * size_t(size);
  switch (T.Type) {
    case 1: case 2: case 7: return p[0];
    case 6: return int8_t(p[0]);
    case 3: case 8: return IEGet16(p, Le);
    case 4: case 9: return int32_t(IEGet32(p, Le));
    default: return 0;
  }
}

// The data blocks of all pages together may hold at most this many bytes beyond twice the
// stream's size: strips and tiles do not overlap in a sound file, so a file whose offsets point
// again and again at the same bytes is refused instead of being copied without end.
constexpr uint64_t kTiffHandlerBlockSlack = uint64_t(16) << 20;

bool TiffHandlerReadAt(TStream* S, int64_t Pos, void* Buf, int64_t Count) {
  if (Pos < 0 || Count < 0 || Pos + Count > S->Size()) return false;
  S->SetPosition(Pos);
  return S->Read(Buf, Count) == Count;
}

void TiffHandlerSortEntries(TIETIFFPage& P) {
  std::stable_sort(P.begin(), P.end(), [](const TIETIFFTag& a, const TIETIFFTag& b) { return a.Tag < b.Tag; });
}

void TiffHandlerPad(TStream* S, int64_t Base) {
  if ((S->Position() - Base) & 1) {
    const uint8_t z = 0;
    S->WriteBuffer(&z, 1);
  }
}

}  // namespace

std::unique_ptr<TIETIFFHandler> TIETIFFHandler::CreateFromFile(const std::string& FileName) {
  auto h = std::make_unique<TIETIFFHandler>();
  h->ReadFile(FileName);
  return h;
}

std::unique_ptr<TIETIFFHandler> TIETIFFHandler::CreateFromStream(TStream* Stream) {
  auto h = std::make_unique<TIETIFFHandler>();
  h->ReadStream(Stream);
  return h;
}

bool TIETIFFHandler::ReadFile(const std::string& FileName) {
  if (!FileExists(FileName)) return false;
  TFileStream f(FileName, fmOpenRead);
  return ReadStream(&f);
}

bool TIETIFFHandler::IsDataOffsetTag(int Tag) const {
  return Tag == 273 || Tag == 324 || Tag == 513 || (FVersion == 444 && (Tag == 48320 || Tag == 48322));
}

int TIETIFFHandler::ByteCountTag(int Tag) const {
  switch (Tag) {
    case 273: return 279;
    case 324: return 325;
    case 513: return 514;
    case 48320: return 48321;
    case 48322: return 48323;
    default: return 0;
  }
}

bool TIETIFFHandler::ReadStream(TStream* Stream) {
  FPages.clear();
  const int64_t base = Stream->Position();
  uint8_t h[8];
  if (!TiffHandlerReadAt(Stream, base, h, 8)) return false;
  if (h[0] == 'M' && h[1] == 'M') FMotorola = true;
  else if (h[0] == 'I' && h[1] == 'I') FMotorola = false;
  else return false;
  const bool le = !FMotorola;
  FVersion = IEGet16(h + 2, le);
  int64_t pos = IEGet32(h + 4, le);
  FBlockBudget = uint64_t(std::max<int64_t>(Stream->Size(), 0)) * 2 + kTiffHandlerBlockSlack;
  std::set<int64_t> seen;  // a chain that comes back to any page it passed ends there
  while (pos > 0 && seen.insert(pos).second) {
    TIETIFFPage page;
    int64_t next = 0;
    if (!ReadDirectory(Stream, base, pos, page, false, next)) break;
    FPages.push_back(std::move(page));
    pos = next;
  }
  return true;
}

bool TIETIFFHandler::ReadDirectory(TStream* S, int64_t Base, int64_t Pos, TIETIFFPage& Out, bool Nested,
                                   int64_t& Next) {
  Next = 0;
  const bool le = !FMotorola;
  const int64_t size = S->Size();
  uint8_t c[2];
  if (!TiffHandlerReadAt(S, Base + Pos, c, 2)) return false;
  const uint16_t n = IEGet16(c, le);
  std::vector<uint8_t> raw(size_t(n) * 12);
  if (n > 0 && !TiffHandlerReadAt(S, Base + Pos + 2, raw.data(), int64_t(raw.size()))) return false;
  for (uint16_t i = 0; i < n; ++i) {
    const uint8_t* p = raw.data() + size_t(i) * 12;
    TIETIFFTag t;
    t.Tag = IEGet16(p, le);
    t.Type = IEGet16(p + 2, le);
    t.Count = IEGet32(p + 4, le);
    std::memcpy(t.Value, p + 8, 4);
    const uint64_t bytes = uint64_t(TiffHandlerTypeSize(t.Type)) * t.Count;
    if (bytes > 4) {
      const uint32_t off = IEGet32(t.Value, le);
      if (Base + off >= size || bytes > kTiffHandlerMaxBlock || uint64_t(Base + off) + bytes > uint64_t(size))
        continue;  // data outside the stream: the entry is dropped
      t.Data.resize(size_t(bytes));
      if (!TiffHandlerReadAt(S, Base + off, t.Data.data(), int64_t(bytes))) continue;
    }
    if (TiffHandlerIsSubDir(t.Tag) && !Nested) {
      int64_t dummy;
      const uint32_t off = IEGet32(t.Value, le);
      t.HasNested = ReadDirectory(S, Base, off, t.Nested, true, dummy);
      if (!t.HasNested) continue;
    }
    Out.push_back(std::move(t));
  }
  // the blocks of the data-offset tags
  for (TIETIFFTag& t : Out) {
    if (!IsDataOffsetTag(t.Tag)) continue;
    const int bc = ByteCountTag(t.Tag);
    const TIETIFFTag* counts = nullptr;
    for (const TIETIFFTag& x : Out)
      if (x.Tag == bc) counts = &x;
    if (counts == nullptr) continue;
    t.HasBlocks = true;
    // only the offsets the entry holds: a forged count beyond its value bytes makes no blocks
    const int typeSize = TiffHandlerTypeSize(t.Type);
    const size_t held = typeSize == 0 ? 0 : (t.Data.empty() ? 4 : t.Data.size()) / size_t(typeSize);
    const uint32_t offsets = uint32_t(std::min<uint64_t>(t.Count, held));
    for (uint32_t j = 0; j < offsets; ++j) {
      const int64_t off = TiffHandlerTagInteger(t, int(j), le);
      int64_t len = uint32_t(TiffHandlerTagInteger(*counts, int(j), le));
      std::vector<uint8_t> block;
      if (off >= 0 && Base + off < size) {
        len = std::max<int64_t>(std::min<int64_t>(len, size - (Base + off)), 0);
        if (uint64_t(len) > FBlockBudget) return false;  // offsets repeating the same bytes: refused
        FBlockBudget -= uint64_t(len);
        block.resize(size_t(len));
        if (!block.empty() && !TiffHandlerReadAt(S, Base + off, block.data(), int64_t(block.size()))) block.clear();
      }
      t.Blocks.push_back(std::move(block));
    }
    t.Type = 4;
    t.Data.clear();
  }
  // old-style JPEG pages: the strip tags go, the interchange-format block stays
  auto has = [&](int tag) {
    return std::any_of(Out.begin(), Out.end(), [&](const TIETIFFTag& x) { return x.Tag == tag; });
  };
  if (GetIntegerValue(Out, 259, 0) == 6 && has(273) && has(513))
    Out.erase(std::remove_if(Out.begin(), Out.end(),
                             [](const TIETIFFTag& x) { return x.Tag == 273 || x.Tag == 519 || x.Tag == 520 || x.Tag == 521; }),
              Out.end());
  TiffHandlerSortEntries(Out);
  if (!Nested) {
    uint8_t l[4];
    if (TiffHandlerReadAt(S, Base + Pos + 2 + int64_t(n) * 12, l, 4)) {
      const uint32_t next = IEGet32(l, le);
      if (next != 0 && int64_t(next) != Pos && Base + next < size) Next = next;
    }
  }
  return true;
}

int TIETIFFHandler::FindTag(int PageIndex, int Tag) const {
  if (PageIndex < 0 || PageIndex >= PageCount()) return -1;
  const TIETIFFPage& p = FPages[size_t(PageIndex)];
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].Tag == Tag) return int(i);
  return -1;
}

void TIETIFFHandler::DeleteTag(int PageIndex, int EntryIndex) {
  TIETIFFPage* p = Page(PageIndex);
  if (p != nullptr && EntryIndex >= 0 && EntryIndex < int(p->size())) p->erase(p->begin() + EntryIndex);
}

int32_t TIETIFFHandler::GetIntegerValue(const TIETIFFPage& Entries, int Tag, int Index) const {
  for (const TIETIFFTag& t : Entries)
    if (t.Tag == Tag) return TiffHandlerTagInteger(t, Index, !FMotorola);
  return 0;
}

void TIETIFFHandler::SetTagValue(TIETIFFPage& Entries, int Tag, double Value, int Type, const std::string& Text) {
  const bool le = !FMotorola;
  Entries.erase(std::remove_if(Entries.begin(), Entries.end(), [&](const TIETIFFTag& x) { return x.Tag == Tag; }),
                Entries.end());
  TIETIFFTag t;
  t.Tag = uint16_t(Tag);
  t.Type = uint16_t(Type);
  t.Count = 1;
  switch (Type) {
    case 2: {
      t.Count = uint32_t(Text.size() + 1);
      std::vector<uint8_t> b(Text.begin(), Text.end());
      b.push_back(0);
      if (b.size() <= 4) std::memcpy(t.Value, b.data(), b.size());
      else t.Data = b;
      break;
    }
    case 1: case 6: case 7: t.Value[0] = uint8_t(int(Value)); break;
    case 3: case 8: IEPut16(t.Value, uint32_t(int(Value)), le); break;
    case 5: case 10: {
      t.Data.resize(8);
      const double v = std::clamp(Value * 10000, -2147483647.0, 4294967295.0);
      IEPut32(t.Data.data(), Type == 10 ? uint32_t(int32_t(v)) : uint32_t(v), le);
      IEPut32(t.Data.data() + 4, 10000, le);
      break;
    }
    default: IEPut32(t.Value, uint32_t(int64_t(Value)), le); break;
  }
  Entries.push_back(std::move(t));
  TiffHandlerSortEntries(Entries);
}

void TIETIFFHandler::CopyTag(int SourcePage, int EntryIndex, int DestPage, TIETIFFHandler* Source) {
  if (Source == nullptr || Source->FMotorola != FMotorola) return;
  TIETIFFPage* src = Source->Page(SourcePage);
  TIETIFFPage* dst = Page(DestPage);
  if (src == nullptr || dst == nullptr || EntryIndex < 0 || EntryIndex >= int(src->size())) return;
  const TIETIFFTag copy = (*src)[size_t(EntryIndex)];  // deep copy: data, nested and blocks
  dst->erase(std::remove_if(dst->begin(), dst->end(), [&](const TIETIFFTag& x) { return x.Tag == copy.Tag; }),
             dst->end());
  dst->push_back(copy);
  if (copy.HasBlocks) {
    // the byte counts travel with the blocks
    const int bc = ByteCountTag(copy.Tag);
    for (const TIETIFFTag& x : *src)
      if (x.Tag == bc) {
        dst->erase(std::remove_if(dst->begin(), dst->end(), [&](const TIETIFFTag& y) { return y.Tag == bc; }),
                   dst->end());
        dst->push_back(x);
      }
  }
}

void TIETIFFHandler::SortPage(int PageIndex) {
  if (TIETIFFPage* p = Page(PageIndex)) TiffHandlerSortEntries(*p);
}

void TIETIFFHandler::DeletePage(int PageIndex) {
  if (PageIndex >= 0 && PageIndex < PageCount()) FPages.erase(FPages.begin() + PageIndex);
}

void TIETIFFHandler::WriteDirectory(TStream* S, int64_t Base, TIETIFFPage& L) {
  const bool le = !FMotorola;
  bool added273 = false;
  const bool has513 = std::any_of(L.begin(), L.end(), [](const TIETIFFTag& x) { return x.Tag == 513; });
  const bool has273 = std::any_of(L.begin(), L.end(), [](const TIETIFFTag& x) { return x.Tag == 273; });
  const size_t count = L.size() + (has513 && !has273 ? 1 : 0);
  TiffHandlerPad(S, Base);
  const int64_t dirPos = S->Position();
  std::vector<uint8_t> table(2 + count * 12 + 4, 0);
  IEPut16(table.data(), uint32_t(count), le);
  S->WriteBuffer(table.data(), int64_t(table.size()));  // filled in below
  size_t slot = 0;
  auto put = [&](uint16_t Tag, uint16_t Type, uint32_t Count, const uint8_t* Value) {
    uint8_t* p = table.data() + 2 + slot * 12;
    IEPut16(p, Tag, le);
    IEPut16(p + 2, Type, le);
    IEPut32(p + 4, Count, le);
    std::memcpy(p + 8, Value, 4);
    ++slot;
  };
  uint32_t jpegPos = 0;
  const std::vector<uint8_t>* jpegBlock = nullptr;
  for (TIETIFFTag& t : L) {
    uint8_t v[4];
    std::memcpy(v, t.Value, 4);
    if (t.HasBlocks) {
      std::vector<uint32_t> pos;
      for (const auto& b : t.Blocks) {
        pos.push_back(uint32_t(S->Position() - Base));
        if (!b.empty()) S->WriteBuffer(b.data(), int64_t(b.size()));
      }
      if (t.Tag == 513 && !t.Blocks.empty()) {
        jpegPos = pos[0];
        jpegBlock = &t.Blocks[0];
      }
      if (pos.size() == 1) {
        IEPut32(v, pos[0], le);
      } else {
        TiffHandlerPad(S, Base);
        IEPut32(v, uint32_t(S->Position() - Base), le);
        for (uint32_t p : pos) {
          uint8_t b[4];
          IEPut32(b, p, le);
          S->WriteBuffer(b, 4);
        }
      }
      put(t.Tag, 4, uint32_t(t.Blocks.size()), v);
    } else if (t.HasNested) {
      TiffHandlerPad(S, Base);
      IEPut32(v, uint32_t(S->Position() - Base), le);
      WriteDirectory(S, Base, t.Nested);
      put(t.Tag, t.Type, t.Count, v);
    } else {
      if (!t.Data.empty()) {
        TiffHandlerPad(S, Base);
        IEPut32(v, uint32_t(S->Position() - Base), le);
        S->WriteBuffer(t.Data.data(), int64_t(t.Data.size()));
      }
      put(t.Tag, t.Type, t.Count, v);
    }
  }
  if (has513 && !has273) {
    // an old-style JPEG page gets its strip offset: the quantisation tables inside the JPEG data
    uint32_t at = jpegPos;
    if (jpegBlock != nullptr) {
      const uint32_t len = uint32_t(uint32_t(GetIntegerValue(L, 514, 0)));
      const size_t lim = std::min<size_t>(jpegBlock->size(), len);
      for (size_t i = 0; i + 1 < lim; ++i)
        if ((*jpegBlock)[i] == 0xFF && (*jpegBlock)[i + 1] == 0xDB) {
          at = jpegPos + uint32_t(i);
          break;
        }
    }
    uint8_t v[4];
    IEPut32(v, at, le);
    put(273, 4, 1, v);
    added273 = true;
  }
  (void)added273;
  const int64_t end = S->Position();
  S->SetPosition(dirPos);
  S->WriteBuffer(table.data(), int64_t(table.size()));
  S->SetPosition(end);
}

void TIETIFFHandler::WriteStream(TStream* Stream, int PageIndex) {
  const int64_t base = Stream->Position();
  const bool le = !FMotorola;
  uint8_t h[8] = {uint8_t(FMotorola ? 'M' : 'I'), uint8_t(FMotorola ? 'M' : 'I'), 0, 0, 0, 0, 0, 0};
  IEPut16(h + 2, FVersion, le);
  IEPut32(h + 4, 8, le);
  Stream->WriteBuffer(h, 8);
  std::vector<int> which;
  if (PageIndex >= 0 && PageIndex < PageCount()) which.push_back(PageIndex);
  else
    for (int i = 0; i < PageCount(); ++i) which.push_back(i);
  int64_t linkPos = base + 4;
  for (size_t k = 0; k < which.size(); ++k) {
    TIETIFFPage& p = FPages[size_t(which[k])];
    TiffHandlerSortEntries(p);
    TiffHandlerPad(Stream, base);
    const int64_t dirPos = Stream->Position();
    const int64_t end0 = Stream->Position();
    Stream->SetPosition(linkPos);
    uint8_t b[4];
    IEPut32(b, uint32_t(dirPos - base), le);
    Stream->WriteBuffer(b, 4);
    Stream->SetPosition(end0);
    WriteDirectory(Stream, base, p);
    // the directory's link lies right after its entry table
    const int64_t end = Stream->Position();
    uint8_t c[2];
    Stream->SetPosition(dirPos);
    Stream->ReadBuffer(c, 2);
    linkPos = dirPos + 2 + int64_t(IEGet16(c, le)) * 12;
    Stream->SetPosition(end);
  }
  if (which.empty()) {
    const uint8_t z[4] = {0, 0, 0, 0};
    Stream->SetPosition(base + 4);
    Stream->WriteBuffer(z, 4);
    Stream->SetPosition(base + 8);
  }
}

void TIETIFFHandler::WriteFile(const std::string& FileName, int PageIndex) {
  TFileStream f(FileName, fmCreate);
  WriteStream(&f, PageIndex);
}

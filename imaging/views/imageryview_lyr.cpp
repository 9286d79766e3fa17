// The layer file: a view's layers with their settings and images in one stream ("IMAGERYLAYERS"
// header, one record per layer, then the images at the absolute stream positions the records
// name). Images are raw bitmaps (deflated or plain) or files of a format of the IO companion.
//
// Loading reads and checks the whole file into layers of its own before the view is touched:
// counts, lengths and image offsets are checked against the stream, inflated images are bounded
// by what their header promises (and by what deflate can expand to), so a damaged or hostile file
// is refused with the view left as it was and allocates nothing it could not fill.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/iezlib.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr char kLyrMagic[13] = {'I', 'M', 'A', 'G', 'E', 'R', 'Y', 'L', 'A', 'Y', 'E', 'R', 'S'};
constexpr int kLyrHeaderSize = 25;
constexpr int32_t kLyrVersion = 6;
constexpr int32_t kLyrRawDeflated = -1;
constexpr int32_t kLyrRawPlain = -2;
// The smallest layer record (the fields every version has).
constexpr int64_t kLyrMinRecord = 43;
// zlib's largest expansion is a little above 1032 to 1.
constexpr int64_t kLyrMaxInflateRatio = 1040;

// A layer file that cannot be loaded; caught inside the loader, which then answers false.
struct TLyrDamaged {};

int32_t LyrGetInt(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void LyrPutInt(TStream* s, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 24)};
  s->WriteBuffer(b, 4);
}

void LyrPutByte(TStream* s, uint8_t v) { s->WriteBuffer(&v, 1); }

void LyrPutDouble(TStream* s, double v) {
  uint64_t u = 0;
  std::memcpy(&u, &v, 8);
  LyrPutInt(s, static_cast<int32_t>(static_cast<uint32_t>(u)));
  LyrPutInt(s, static_cast<int32_t>(static_cast<uint32_t>(u >> 32)));
}

// Reads of a record: every short read is damage.
struct TLyrReader {
  TStream* S;
  int64_t Size;
  void Bytes(void* p, int64_t n) {
    if (n < 0 || n > Size - S->Position() || S->Read(p, n) != n) throw TLyrDamaged{};
  }
  uint8_t Byte() {
    uint8_t b = 0;
    Bytes(&b, 1);
    return b;
  }
  bool Bool() { return Byte() != 0; }
  int32_t Int() {
    uint8_t b[4];
    Bytes(b, 4);
    return LyrGetInt(b);
  }
  double Double() {
    const uint64_t lo = static_cast<uint32_t>(Int());
    const uint64_t hi = static_cast<uint32_t>(Int());
    const uint64_t u = lo | hi << 32;
    double v = 0;
    std::memcpy(&v, &u, 8);
    return v;
  }
  int64_t Left() { return Size - S->Position(); }
};

// The largest raw-layout size whose header is Head (magic, version, palette count, palette and
// the fixed fields); -1 when the header is not a valid raw bitmap.
int64_t LyrRawBound(const std::vector<uint8_t>& Head, int32_t PaletteCount) {
  const size_t at = 20 + static_cast<size_t>(PaletteCount) * 3;
  const int32_t w = LyrGetInt(&Head[at]), h = LyrGetInt(&Head[at + 4]);
  const uint8_t pf = Head[at + 8];
  if (pf == 0 || pf >= IEPixelFormatCount || w < 0 || h < 0 || !IERowLengthFits(w, IEBitsPerPixel[pf]) ||
      !IERowLengthFits(w, 8))
    return -1;
  const int64_t row = IERowLength(w, IEBitsPerPixel[pf], 64);
  const int64_t alphaRow = IERowLength(w, 8, 64);
  return static_cast<int64_t>(Head.size()) + (row + alphaRow) * h + 2;
}

// Inflates a deflated raw bitmap of Packed into Out, no further than its header promises and no
// further than deflate can expand the packed bytes.
void LyrInflateRaw(TMemoryStream& Packed, TMemoryStream& Out) {
  Packed.SetPosition(0);
  TZDecompressionStream z(&Packed);
  std::vector<uint8_t> head(20);
  if (z.Read(head.data(), 20) != 20 || std::memcmp(head.data(), "TIEBITMAPRAW", 12) != 0) throw TLyrDamaged{};
  const int32_t palette = LyrGetInt(&head[16]);
  if (palette < 0 || palette > 65536) throw TLyrDamaged{};
  const int64_t rest = static_cast<int64_t>(palette) * 3 + 55;
  head.resize(static_cast<size_t>(20 + rest));
  if (z.Read(head.data() + 20, rest) != rest) throw TLyrDamaged{};
  const int64_t bound = LyrRawBound(head, palette);
  if (bound < 0 || bound > (Packed.Size() + 64) * kLyrMaxInflateRatio) throw TLyrDamaged{};
  Out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  std::vector<uint8_t> buf(65536);
  int64_t left = bound - static_cast<int64_t>(head.size());
  while (left > 0) {
    const int64_t got = z.Read(buf.data(), std::min<int64_t>(left, 65536));
    if (got <= 0) break;
    Out.WriteBuffer(buf.data(), got);
    left -= got;
  }
  Out.SetPosition(0);
}

// One layer as read from the file, before it joins the view.
struct TLyrStaged {
  std::unique_ptr<TIELayer> Layer;
  int64_t Offset = 0;
};

// The file formats a layer image may be stored in: those of the IO front end, less the layer and
// vector-object files themselves.
bool LyrImageFormatAllowed(int32_t Format) {
  if (Format == kLyrRawDeflated || Format == kLyrRawPlain) return true;
  if (Format <= 0 || Format == ioIEV || Format == ioLYR || Format == ioALL) return false;
  return IEFindFileFormatInfo(Format) != nullptr;
}

void LyrReadRecord(TLyrReader& R, int32_t Version, TIELayer* L) {
  L->Visible = R.Bool();
  L->ShowBox = R.Bool();
  L->Opacity = R.Int();
  L->Left = R.Int();
  L->Top = R.Int();
  L->ClipToImage = R.Bool();
  L->Locked = R.Bool();
  L->MagnifyEnabled = R.Bool();
  L->MagnifyRate = R.Double();
  L->MagnifyShape = R.Byte();
  if (Version >= 3) L->MagnifySource = R.Byte();
  L->BlendMode = R.Byte();
  L->Width = R.Int();
  L->Height = R.Int();
  // Positions and display sizes beyond the largest zoomed extent are no picture's: they would
  // only overflow the layer arithmetic or ask the renderer for gigantic bitmaps.
  if (L->Width < 0 || L->Height < 0 || L->Width > IEMaxZoomedExtent || L->Height > IEMaxZoomedExtent ||
      L->Left < -IEMaxZoomedExtent || L->Left > IEMaxZoomedExtent || L->Top < -IEMaxZoomedExtent ||
      L->Top > IEMaxZoomedExtent)
    throw TLyrDamaged{};
  if (Version >= 3) {
    const uint8_t filter = R.Byte();
    if (filter > rfProjectWB) throw TLyrDamaged{};
    L->ResampleFilter = static_cast<TResampleFilter>(filter);
    L->UseResampleFilter = R.Bool();
    const int32_t n = R.Int();
    if (n < 0 || n > R.Left()) throw TLyrDamaged{};
    L->Name.assign(static_cast<size_t>(n), '\0');
    if (n > 0) R.Bytes(L->Name.data(), n);
    const int32_t user = R.Int();
    if (user < 0 || user > R.Left()) throw TLyrDamaged{};
    if (user > 0) {
      L->UserData = std::malloc(static_cast<size_t>(user));
      if (L->UserData == nullptr) throw TLyrDamaged{};
      L->UserDataSize = user;
      R.Bytes(L->UserData, user);
    }
    L->IsMask = R.Bool();
  }
  if (Version >= 4) L->Selectable = R.Bool();
  if (Version >= 6) L->DimOutside = R.Bool();
}

// Reads the image of L at the reader's position.
void LyrReadImage(TLyrReader& R, int32_t Format, TIELayer* L, bool NativePixelFormat) {
  if (Format == kLyrRawDeflated || Format == kLyrRawPlain) {
    const int32_t n = R.Int();
    if (n < 0 || n > R.Left()) throw TLyrDamaged{};
    TMemoryStream packed;
    packed.SetSize(n);
    R.Bytes(packed.Memory(), n);
    TMemoryStream raw;
    TMemoryStream* source = &packed;
    if (Format == kLyrRawDeflated) {
      LyrInflateRaw(packed, raw);
      source = &raw;
    }
    source->SetPosition(0);
    if (!L->Bitmap->LoadRaw(source)) throw TLyrDamaged{};
    return;
  }
  TImageryIO io(nullptr);
  io.AttachBitmap(L->Bitmap);
  io.SetNativePixelFormat(NativePixelFormat || L->IsMask);
  io.LoadFromStreamFormat(R.S, Format);
  if (io.Aborting.load() || L->Bitmap->Width() <= 0 || L->Bitmap->Height() <= 0) throw TLyrDamaged{};
}

// Moves the staged fields of From into the view's layer To (the image, the settings the file
// holds; the user block changes hands).
void LyrTakeFields(TIELayer* From, TIELayer* To) {
  To->Bitmap->Assign(From->Bitmap);
  To->Visible = From->Visible;
  To->ShowBox = From->ShowBox;
  To->Opacity = From->Opacity;
  To->Left = From->Left;
  To->Top = From->Top;
  To->ClipToImage = From->ClipToImage;
  To->Locked = From->Locked;
  To->MagnifyEnabled = From->MagnifyEnabled;
  To->MagnifyRate = From->MagnifyRate;
  To->MagnifyShape = From->MagnifyShape;
  To->MagnifySource = From->MagnifySource;
  To->BlendMode = From->BlendMode;
  To->Width = From->Width;
  To->Height = From->Height;
  To->ResampleFilter = From->ResampleFilter;
  To->UseResampleFilter = From->UseResampleFilter;
  To->Name = From->Name;
  if (To->UserDataSize > 0) std::free(To->UserData);
  To->UserData = From->UserData;
  To->UserDataSize = From->UserDataSize;
  From->UserData = nullptr;
  From->UserDataSize = 0;
  To->IsMask = From->IsMask;
  To->Selectable = From->Selectable;
  To->DimOutside = From->DimOutside;
  To->ClientRect = RECT{0, 0, 0, 0};
}

}  // namespace

bool LyrDetect(TStream* Stream) {
  if (Stream == nullptr) return false;
  const int64_t start = Stream->Position();
  bool found = false;
  try {
    uint8_t h[kLyrHeaderSize];
    found = Stream->Read(h, kLyrHeaderSize) == kLyrHeaderSize && std::memcmp(h, kLyrMagic, 13) == 0 &&
            LyrGetInt(h + 21) > 0;
  } catch (const Exception&) {
    found = false;
  }
  Stream->SetPosition(start);
  return found;
}

void TImageryView::SaveLayersToStream(TStream* Stream, int32_t Format) {
  SyncLayers();
  if (Format == ioTIFF) Format = ioPNG;
  const int current = FLayersCurrent;
  const bool honour = HonourSelectable;
  HonourSelectable = false;
  try {
    const int count = GetLayersCount();
    Stream->WriteBuffer(kLyrMagic, 13);
    LyrPutInt(Stream, kLyrVersion);
    LyrPutInt(Stream, Format);
    LyrPutInt(Stream, count);
    std::vector<int64_t> placeholders(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      TIELayer* L = GetLayer(i);
      LyrPutByte(Stream, L->Visible);
      LyrPutByte(Stream, L->ShowBox);
      LyrPutInt(Stream, L->Opacity);
      LyrPutInt(Stream, L->Left);
      LyrPutInt(Stream, L->Top);
      LyrPutByte(Stream, L->ClipToImage);
      LyrPutByte(Stream, L->Locked);
      LyrPutByte(Stream, L->MagnifyEnabled);
      LyrPutDouble(Stream, L->MagnifyRate);
      LyrPutByte(Stream, L->MagnifyShape);
      LyrPutByte(Stream, L->MagnifySource);
      LyrPutByte(Stream, L->BlendMode);
      LyrPutInt(Stream, L->Width);
      LyrPutInt(Stream, L->Height);
      LyrPutByte(Stream, static_cast<uint8_t>(L->ResampleFilter));
      LyrPutByte(Stream, L->UseResampleFilter);
      LyrPutInt(Stream, static_cast<int32_t>(L->Name.size()));
      if (!L->Name.empty()) Stream->WriteBuffer(L->Name.data(), static_cast<int64_t>(L->Name.size()));
      const int32_t user = L->UserData != nullptr ? std::max(L->UserDataSize, 0) : 0;
      LyrPutInt(Stream, user);
      if (user > 0) Stream->WriteBuffer(L->UserData, user);
      LyrPutByte(Stream, L->IsMask);
      LyrPutByte(Stream, L->Selectable);
      LyrPutByte(Stream, L->DimOutside);
      placeholders[static_cast<size_t>(i)] = Stream->Position();
      LyrPutInt(Stream, 0);
      LyrPutInt(Stream, 0);
    }
    for (int i = 0; i < count; ++i) {
      const int64_t offset = Stream->Position();
      Stream->SetPosition(placeholders[static_cast<size_t>(i)]);
      LyrPutInt(Stream, static_cast<int32_t>(static_cast<uint32_t>(offset)));
      LyrPutInt(Stream, static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(offset) >> 32)));
      Stream->SetPosition(offset);
      SetLayersCurrent(i);
      TIEBitmap* image = FIEBitmap;
      if (Format == kLyrRawDeflated || Format == kLyrRawPlain) {
        TMemoryStream raw;
        int64_t guess = static_cast<int64_t>(image->Height()) * image->RowLen() / 2;
        if (image->HasAlphaChannel())
          guess += static_cast<int64_t>(image->GetAlphaChannel()->Height()) * image->GetAlphaChannel()->RowLen();
        try {
          if (guess > 0 && static_cast<uint64_t>(guess) < IEGetPhysicalMemory(true)) raw.SetCapacity(guess);
        } catch (...) {
          // reserving ahead is only a hint
        }
        if (Format == kLyrRawDeflated) {
          TZCompressionStream z(&raw, 2);
          image->SaveRaw(&z);
          z.Finish();
        } else {
          image->SaveRaw(&raw);
        }
        if (raw.Size() > 0x7FFFFFFF) throw EWriteError("Layer image too large for a layer file");
        LyrPutInt(Stream, static_cast<int32_t>(raw.Size()));
        Stream->WriteBuffer(raw.Memory(), raw.Size());
      } else {
        TImageryIO* io = GetIO();
        const TIEPixelFormat pf = image->PixelFormat();
        io->Params->BitsPerSample = pf == ie1g ? 1 : 8;
        io->Params->SamplesPerPixel = (pf == ie1g || pf == ie8g) ? 1 : 3;
        io->Aborting.store(false);
        io->SaveToStream(Stream, Format);
        // A layer image the format could not take would make a file that cannot be read back.
        if (io->Aborting.load()) throw EWriteError("Cannot write layer image " + std::to_string(i));
      }
      Stream->Seek(0, soEnd);
    }
  } catch (...) {
    SetLayersCurrent(current);
    HonourSelectable = honour;
    throw;
  }
  SetLayersCurrent(current);
  HonourSelectable = honour;
}

bool TImageryView::LoadLayersFromStream(TStream* Stream) {
  if (Stream == nullptr) return false;
  const int64_t start = Stream->Position();
  const int64_t size = Stream->Size();
  uint8_t h[kLyrHeaderSize];
  if (size - start < kLyrHeaderSize || Stream->Read(h, kLyrHeaderSize) != kLyrHeaderSize ||
      std::memcmp(h, kLyrMagic, 13) != 0) {
    Stream->SetPosition(start);
    return false;
  }
  const int32_t version = LyrGetInt(h + 13), format = LyrGetInt(h + 17), count = LyrGetInt(h + 21);
  std::vector<TLyrStaged> staged;
  bool loaded = false;
  if (version > 0) {
    // Everything is read into layers of our own first; the view changes only once all was read.
    const bool native = FIO != nullptr && FIO->NativePixelFormat();
    try {
      TLyrReader R{Stream, size};
      if (count < 0 || count > R.Left() / kLyrMinRecord) throw TLyrDamaged{};
      if (count > 0 && !LyrImageFormatAllowed(format)) throw TLyrDamaged{};
      staged.resize(static_cast<size_t>(count));
      for (TLyrStaged& st : staged) {
        st.Layer = std::make_unique<TIELayer>(this, false, nullptr);
        LyrReadRecord(R, version, st.Layer.get());
        const uint64_t lo = static_cast<uint32_t>(R.Int());
        const uint64_t hi = static_cast<uint32_t>(R.Int());
        st.Offset = static_cast<int64_t>(lo | hi << 32);
      }
      // The images follow the records, one after the other in layer order.
      int64_t previous = Stream->Position() - 1;
      for (TLyrStaged& st : staged) {
        if (st.Offset <= previous || st.Offset >= size) throw TLyrDamaged{};
        previous = st.Offset;
        Stream->SetPosition(st.Offset);
        LyrReadImage(R, format, st.Layer.get(), native);
      }
      loaded = true;
    } catch (const TLyrDamaged&) {
      loaded = false;
    } catch (const Exception&) {
      loaded = false;  // a read, inflate or decoding failure of a damaged file
    }
    if (!loaded) {
      Stream->SetPosition(start);
      return false;
    }
    // Swap in: layer 0 keeps its object (it holds the view's image), the others are replaced.
    const bool honour = HonourSelectable;
    HonourSelectable = false;
    SetLayersCurrent(0);
    SyncLayers();
    while (GetLayersCount() > 1) {
      delete FLayers.back();
      FLayers.pop_back();
    }
    if (!staged.empty()) {
      LyrTakeFields(staged[0].Layer.get(), GetLayer(0));
      for (size_t i = 1; i < staged.size(); ++i) FLayers.push_back(staged[i].Layer.release());
    }
    FIEBitmap = GetLayer(0)->Bitmap;
    FBitmap = FIEBitmap->Location() == ieTBitmap ? FIEBitmap->GetTBitmap() : nullptr;
    FLayersCurrent = 0;
    SetLayersCurrent(GetLayersCount() - 1);
    HonourSelectable = honour;
    CallListeners();
  }
  if (FIO != nullptr) {
    TIEBitmap* b0 = GetLayer(0)->Bitmap;
    FIO->Params->Width = b0->Width();
    FIO->Params->Height = b0->Height();
    FIO->Params->OriginalWidth = b0->Width();
    FIO->Params->OriginalHeight = b0->Height();
  }
  Update();
  return loaded;
}

bool TImageryView::LoadLayersFromFile(const std::string& FileName) {
  TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
  return LoadLayersFromStream(&fs);
}

namespace {

// The flattened picture (the union of the layers, as the view renders it) must fit in memory.
bool LyrFlatSizePlausible(TImageryView& View) {
  TIELayer* l0 = View.GetLayer(0);
  int64_t right = l0->GetWidth(), bottom = l0->GetHeight(), mx = 0, my = 0;
  for (int i = 1; i < View.GetLayersCount(); ++i) {
    TIELayer* l = View.GetLayer(i);
    if (l->ClipToImage) continue;
    right = std::max<int64_t>(right, int64_t{l->Left} + l->GetWidth());
    bottom = std::max<int64_t>(bottom, int64_t{l->Top} + l->GetHeight());
    mx = std::max<int64_t>(mx, -int64_t{l->Left});
    my = std::max<int64_t>(my, -int64_t{l->Top});
  }
  const int64_t w = right + mx, h = bottom + my;
  if (w > IEMaxZoomedExtent || h > IEMaxZoomedExtent) return false;
  return static_cast<uint64_t>(w * h * 4) < IEGetPhysicalMemory(false) / 2;
}

bool LyrLoadHook(TIEView* View, TStream* Stream, TIEBitmap* Bitmap, bool& IntoView) {
  if (auto* view = dynamic_cast<TImageryView*>(View)) {
    IntoView = true;
    return view->LoadLayersFromStream(Stream);
  }
  IntoView = false;
  if (Bitmap == nullptr) return false;
  // A temporary view loads the layers and flattens them; the target takes the result.
  TImageryView temp(nullptr);
  if (!temp.LoadLayersFromStream(Stream)) return false;
  if (!LyrFlatSizePlausible(temp)) return false;
  temp.FlattenLayers();
  Bitmap->Assign(temp.GetIEBitmap());
  return true;
}

}  // namespace

void IEInstallLayerFileHooks(bool Install) {
  IECodecs.IsLayersFile = Install ? &LyrDetect : nullptr;
  IECodecs.LoadLayersFile = Install ? &LyrLoadHook : nullptr;
}

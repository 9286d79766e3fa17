// The deflate stream over zlib.
#include "report/output/rptzlib.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace rptzlib {

struct TCustomZStream::ZState {
  z_stream Rec{};
  bool Open = false;
  bool Finished = false;
};

namespace {

const char* ZErrorText(int Code) {
  switch (Code) {
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "zlib error";
  }
}

int Check(int Code) {
  if (Code < 0) throw EZCompressionError(ZErrorText(Code));
  return Code;
}

voidpf ZAlloc(voidpf, uInt Items, uInt Size) { return std::calloc(Items, Size); }
void ZFree(voidpf, voidpf Address) { std::free(Address); }

}  // namespace

TCustomZStream::TCustomZStream(TStream* Dest)
    : FStream(Dest), FStreamPos(Dest->Position()), FZ(std::make_unique<ZState>()) {}

TCustomZStream::~TCustomZStream() = default;

TZCompressionStream::TZCompressionStream(TStream* Dest, int LevelIndex) : TCustomZStream(Dest) {
  static const int kLevels[4] = {0, 1, Z_DEFAULT_COMPRESSION, 9};
  int level = kLevels[LevelIndex < 0 ? 0 : LevelIndex > 3 ? 3 : LevelIndex];
  FZ->Rec.zalloc = ZAlloc;
  FZ->Rec.zfree = ZFree;
  FZ->Rec.next_out = FBuffer;
  FZ->Rec.avail_out = kBufferSize;
  Check(deflateInit(&FZ->Rec, level));
  FZ->Open = true;
}

void TZCompressionStream::Flush(bool Reset) {
  int64_t used = kBufferSize - static_cast<int64_t>(FZ->Rec.avail_out);
  if (used > 0) FStream->WriteBuffer(FBuffer, used);
  if (Reset) {
    FZ->Rec.next_out = FBuffer;
    FZ->Rec.avail_out = kBufferSize;
  }
  FStreamPos = FStream->Position();
}

int64_t TZCompressionStream::Write(const void* Buffer, int64_t Count) {
  if (FZ->Finished) throw EZCompressionError("Invalid ZStream operation!");
  FZ->Rec.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  FZ->Rec.avail_in = static_cast<uInt>(Count);
  if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
  while (FZ->Rec.avail_in > 0) {
    Check(deflate(&FZ->Rec, Z_NO_FLUSH));
    if (FZ->Rec.avail_out == 0) {
      Flush(true);
      if (OnProgress) OnProgress(this);
    }
  }
  return Count;
}

int64_t TZCompressionStream::Read(void*, int64_t) { throw EZCompressionError("Invalid ZStream operation!"); }

int64_t TZCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == soCurrent) return static_cast<int64_t>(FZ->Rec.total_in);
  throw EZCompressionError("Invalid ZStream operation!");
}

void TZCompressionStream::Finish() {
  if (FZ->Finished || !FZ->Open) return;
  FZ->Finished = true;
  try {
    FZ->Rec.next_in = nullptr;
    FZ->Rec.avail_in = 0;
    if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
    while (Check(deflate(&FZ->Rec, Z_FINISH)) != Z_STREAM_END) Flush(true);
    Flush(false);
  } catch (...) {
    deflateEnd(&FZ->Rec);
    FZ->Open = false;
    throw;
  }
  deflateEnd(&FZ->Rec);
  FZ->Open = false;
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (...) {
  }
  if (FZ->Open) deflateEnd(&FZ->Rec);
}

}  // namespace rptzlib

void rptCompressStream(TStream* Source, TStream* Dest, int LevelIndex) {
  rptzlib::TZCompressionStream z(Dest, LevelIndex);
  Source->SetPosition(0);
  unsigned char buf[65536];
  for (;;) {
    int64_t n = Source->Read(buf, sizeof buf);
    if (n <= 0) break;
    z.Write(buf, n);
  }
  z.Finish();
}

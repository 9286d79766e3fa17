// Deflate and inflate streams over zlib (see iezlib.h).
#include "imaging/codecs/iezlib.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

struct TZStreamRec : z_stream {};

namespace {

constexpr int ZBufferSize = 65536;
const char* const InvalidOperation = "Invalid ZStream operation!";

int ZLevel(int LevelIndex) {
  static const int Levels[4] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};
  if (LevelIndex < 0) LevelIndex = 0;
  if (LevelIndex > 3) LevelIndex = 3;
  return Levels[LevelIndex];
}

int CheckCompress(int Code) {
  if (Code < 0) throw EZCompressionError(IEZlibErrorText(Code));
  return Code;
}

int CheckDecompress(int Code) {
  if (Code < 0) throw EZDecompressionError(IEZlibErrorText(Code));
  return Code;
}

}  // namespace

const char* IEZlibErrorText(int Code) {
  switch (Code) {
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    case Z_NEED_DICT: return "need dictionary";
    case Z_STREAM_END: return "stream end";
    default: return "";
  }
}

ORV_CLASS_IMPL(TCustomZStream, TStream)
ORV_CLASS_IMPL(TZCompressionStream, TCustomZStream)
ORV_CLASS_IMPL(TZDecompressionStream, TCustomZStream)

TCustomZStream::TCustomZStream(TStream* Stream)
    : FStream(Stream), FStreamPos(Stream->Position()), FZRec(new TZStreamRec()),
      FBuffer(new uint8_t[ZBufferSize]) {
  std::memset(static_cast<z_stream*>(FZRec.get()), 0, sizeof(z_stream));
}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::DoProgress() {
  if (OnProgress) OnProgress(this);
}

// ---- compression ----

TZCompressionStream::TZCompressionStream(TStream* Dest, int LevelIndex) : TCustomZStream(Dest) {
  FZRec->next_out = FBuffer.get();
  FZRec->avail_out = ZBufferSize;
  CheckCompress(deflateInit(FZRec.get(), ZLevel(LevelIndex)));
}

void TZCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  FZRec->next_in = nullptr;
  FZRec->avail_in = 0;
  if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
  while (CheckCompress(deflate(FZRec.get(), Z_FINISH)) != Z_STREAM_END) {
    FStream->WriteBuffer(FBuffer.get(), ZBufferSize - FZRec->avail_out);
    FZRec->next_out = FBuffer.get();
    FZRec->avail_out = ZBufferSize;
  }
  if (FZRec->avail_out < static_cast<uInt>(ZBufferSize))
    FStream->WriteBuffer(FBuffer.get(), ZBufferSize - FZRec->avail_out);
  FStreamPos = FStream->Position();
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // A destructor cannot report the failure; Finish() can be called first by callers who care.
  }
  deflateEnd(FZRec.get());
}

int64_t TZCompressionStream::Read(void*, int64_t) { throw EZCompressionError(InvalidOperation); }

int64_t TZCompressionStream::Write(const void* Buffer, int64_t Count) {
  if (FFinished) throw EZCompressionError(InvalidOperation);
  if (Count <= 0) return Count < 0 ? 0 : Count;
  if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
  const uint8_t* p = static_cast<const uint8_t*>(Buffer);
  int64_t left = Count;
  // zlib counts in 32 bits: hand over very large buffers in slices.
  while (left > 0) {
    uInt slice = static_cast<uInt>(left > 0x40000000 ? 0x40000000 : left);
    FZRec->next_in = const_cast<Bytef*>(p);
    FZRec->avail_in = slice;
    while (FZRec->avail_in > 0) {
      CheckCompress(deflate(FZRec.get(), Z_NO_FLUSH));
      if (FZRec->avail_out == 0) {
        FStream->WriteBuffer(FBuffer.get(), ZBufferSize);
        FZRec->next_out = FBuffer.get();
        FZRec->avail_out = ZBufferSize;
        FStreamPos = FStream->Position();
        DoProgress();
      }
    }
    p += slice;
    left -= slice;
  }
  return Count;
}

int64_t TZCompressionStream::Seek(int64_t, TSeekOrigin) { return static_cast<int64_t>(FZRec->total_in); }

// ---- decompression ----

TZDecompressionStream::TZDecompressionStream(TStream* Source) : TCustomZStream(Source) {
  FZRec->next_in = FBuffer.get();
  FZRec->avail_in = 0;
  CheckDecompress(inflateInit(FZRec.get()));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(FZRec.get()); }

int64_t TZDecompressionStream::Write(const void*, int64_t) { throw EZDecompressionError(InvalidOperation); }

int64_t TZDecompressionStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  if (Count > 0x40000000) Count = 0x40000000;
  FZRec->next_out = static_cast<Bytef*>(Buffer);
  FZRec->avail_out = static_cast<uInt>(Count);
  if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
  while (FZRec->avail_out > 0 && !FStreamEnd) {
    if (FZRec->avail_in == 0) {
      int64_t got = FStream->Read(FBuffer.get(), ZBufferSize);
      if (got <= 0) break;
      FZRec->next_in = FBuffer.get();
      FZRec->avail_in = static_cast<uInt>(got);
      FStreamPos = FStream->Position();
      DoProgress();
    }
    if (CheckDecompress(inflate(FZRec.get(), Z_NO_FLUSH)) == Z_STREAM_END) FStreamEnd = true;
  }
  if (FStreamEnd && FZRec->avail_in > 0) {
    // Leave the source just behind the compressed data.
    FStream->Seek(-static_cast<int64_t>(FZRec->avail_in), soCurrent);
    FStreamPos = FStream->Position();
    FZRec->avail_in = 0;
  }
  return Count - FZRec->avail_out;
}

void TZDecompressionStream::Discard(int64_t Count) {
  uint8_t buf[8192];
  while (Count > 0) {
    int64_t n = Count > 8192 ? 8192 : Count;
    int64_t got = Read(buf, n);
    if (got <= 0) break;
    Count -= got;
  }
}

int64_t TZDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t totalOut = static_cast<int64_t>(FZRec->total_out);
  if (Origin == soBeginning && Offset == 0) {
    CheckDecompress(inflateReset(FZRec.get()));
    FZRec->next_in = FBuffer.get();
    FZRec->avail_in = 0;
    FStreamEnd = false;
    FStream->SetPosition(0);
    FStreamPos = 0;
  } else if (Origin == soCurrent && Offset >= 0) {
    Discard(Offset);
  } else if (Origin == soBeginning && Offset > totalOut) {
    Discard(Offset - totalOut);
  } else if (Origin == soEnd && Offset == 0) {
    uint8_t buf[8192];
    while (Read(buf, sizeof buf) > 0) {
    }
  } else {
    throw EZDecompressionError(InvalidOperation);
  }
  return static_cast<int64_t>(FZRec->total_out);
}

void ZDecompressBuffer(const void* InBuf, int InSize, void*& OutBuf, int OutEstimate, int& OutSize) {
  OutBuf = nullptr;
  OutSize = 0;
  if (InSize < 0) throw EZDecompressionError(IEZlibErrorText(Z_BUF_ERROR));
  int step = (InSize + 255) & ~255;
  if (step == 0) step = 256;
  if (OutEstimate <= 0) OutEstimate = step;
  uint8_t* block = static_cast<uint8_t*>(std::malloc(OutEstimate));
  if (!block) throw EZDecompressionError(IEZlibErrorText(Z_MEM_ERROR));
  int size = OutEstimate;
  z_stream z;
  std::memset(&z, 0, sizeof z);
  z.next_in = static_cast<Bytef*>(const_cast<void*>(InBuf));
  z.avail_in = static_cast<uInt>(InSize);
  z.next_out = block;
  z.avail_out = static_cast<uInt>(size);
  try {
    CheckDecompress(inflateInit(&z));
    try {
      for (;;) {
        int rc = CheckDecompress(inflate(&z, Z_NO_FLUSH));
        if (rc == Z_STREAM_END) break;
        // No progress with output room left: the input ended before the stream end.
        if (z.avail_out > 0 && z.avail_in == 0) throw EZDecompressionError(IEZlibErrorText(Z_BUF_ERROR));
        if (static_cast<int64_t>(size) + step > 0x7FFFFFFF) throw EZDecompressionError(IEZlibErrorText(Z_MEM_ERROR));
        size += step;
        uint8_t* grown = static_cast<uint8_t*>(std::realloc(block, size));
        if (!grown) throw EZDecompressionError(IEZlibErrorText(Z_MEM_ERROR));
        block = grown;
        z.next_out = block + z.total_out;
        z.avail_out = static_cast<uInt>(size - z.total_out);
      }
    } catch (...) {
      inflateEnd(&z);
      throw;
    }
    inflateEnd(&z);
  } catch (...) {
    std::free(block);
    throw;
  }
  OutSize = static_cast<int>(z.total_out);
  uint8_t* shrunk = static_cast<uint8_t*>(std::realloc(block, OutSize > 0 ? OutSize : 1));
  OutBuf = shrunk ? shrunk : block;
}

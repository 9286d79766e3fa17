// The zlib streams of the skin-forms library (see kszlibcompress.h).
#include "skins/kszlibcompress.h"

#include <zlib.h>

#include <algorithm>

ORV_CLASS_IMPL(TCustomZlibStream, TStream)
ORV_CLASS_IMPL(TCompressionStream, TCustomZlibStream)
ORV_CLASS_IMPL(TDecompressionStream, TCustomZlibStream)

struct TCustomZlibStream::TZState {
  z_stream s{};
};

namespace {
[[noreturn]] void InvalidCompressionOp() { throw ECompressionError("Invalid stream operation"); }
[[noreturn]] void InvalidDecompressionOp() {
  throw EDecompressionError("Invalid stream operation");
}

int CheckDeflate(int Code) {
  if (Code < 0) throw ECompressionError("error");
  return Code;
}
}  // namespace

// ---- TCustomZlibStream ----
TCustomZlibStream::TCustomZlibStream(TStream* Strm)
    : FStrm(Strm),
      FStrmPos(Strm->Position()),
      FStartPos(FStrmPos),
      FZ(std::make_unique<TZState>()) {}

TCustomZlibStream::~TCustomZlibStream() = default;

void TCustomZlibStream::Progress(TObject* Sender) {
  if (OnProgress) OnProgress(Sender);
}

// ---- TCompressionStream ----
TCompressionStream::TCompressionStream(int LevelIndex, TStream* Dest) : TCustomZlibStream(Dest) {
  static const int levels[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION,
                               Z_BEST_COMPRESSION};
  if (LevelIndex < 0 || LevelIndex > 3) throw ECompressionError("error");
  z_stream& z = FZ->s;
  z.next_out = FBuffer;
  z.avail_out = BufferSize;
  CheckDeflate(deflateInit(&z, levels[LevelIndex]));
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // A destructor cannot report; Finish is the place for callers that need to know.
  }
  deflateEnd(&FZ->s);
}

// Writes the full output buffer to the destination and starts it again.
void TCompressionStream::FlushBuffer() {
  FStrm->WriteBuffer(FBuffer, BufferSize);
  FZ->s.next_out = FBuffer;
  FZ->s.avail_out = BufferSize;
  FStrmPos = FStrm->Position();
  Progress(this);
}

int64_t TCompressionStream::Write(const void* Buffer, int64_t Count) {
  if (FFinished) InvalidCompressionOp();
  if (Count <= 0) return 0;
  z_stream& z = FZ->s;
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  const uint8_t* in = static_cast<const uint8_t*>(Buffer);
  int64_t left = Count;
  // zlib counts input in 32-bit units; large writes go in pieces.
  while (left > 0) {
    const uInt piece = static_cast<uInt>(std::min<int64_t>(left, 1 << 30));
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = piece;
    while (z.avail_in > 0) {
      CheckDeflate(deflate(&z, Z_NO_FLUSH));
      if (z.avail_out == 0) FlushBuffer();
    }
    in += piece;
    left -= piece;
  }
  return Count;
}

void TCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  z_stream& z = FZ->s;
  z.next_in = nullptr;
  z.avail_in = 0;
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  for (;;) {
    const int code = CheckDeflate(deflate(&z, Z_FINISH));
    if (z.avail_out != 0 || code == Z_STREAM_END) break;
    FlushBuffer();
  }
  const int64_t used = BufferSize - z.avail_out;
  if (used > 0) FStrm->WriteBuffer(FBuffer, used);
  z.next_out = FBuffer;
  z.avail_out = BufferSize;
  FStrmPos = FStrm->Position();
}

int64_t TCompressionStream::Read(void*, int64_t) { InvalidCompressionOp(); }

int64_t TCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == soCurrent) return static_cast<int64_t>(FZ->s.total_in);
  InvalidCompressionOp();
}

// ---- TDecompressionStream ----
TDecompressionStream::TDecompressionStream(TStream* Source) : TCustomZlibStream(Source) {
  z_stream& z = FZ->s;
  z.next_in = FBuffer;
  z.avail_in = 0;
  if (inflateInit(&z) < 0) throw EDecompressionError("compression error");
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&FZ->s); }

int64_t TDecompressionStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || FEnded) return 0;
  z_stream& z = FZ->s;
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  uint8_t* out = static_cast<uint8_t*>(Buffer);
  int64_t produced = 0;
  while (produced < Count) {
    if (z.avail_in == 0) {
      const int64_t got = FStrm->Read(FBuffer, BufferSize);
      if (got <= 0) return produced;
      z.next_in = FBuffer;
      z.avail_in = static_cast<uInt>(got);
      FStrmPos = FStrm->Position();
      Progress(this);
    }
    const uInt room = static_cast<uInt>(std::min<int64_t>(Count - produced, 1 << 30));
    z.next_out = out + produced;
    z.avail_out = room;
    const int code = inflate(&z, Z_NO_FLUSH);
    produced += room - z.avail_out;
    // A stream that wants a preset dictionary would make no progress at all: refuse it as
    // damaged data rather than asking again forever.
    if (code < 0 || code == Z_NEED_DICT) throw EDecompressionError("compression error");
    if (code == Z_STREAM_END) {
      // Whatever follows the zlib stream is not ours to read.
      FEnded = true;
      break;
    }
  }
  return produced;
}

int64_t TDecompressionStream::Write(const void*, int64_t) { InvalidDecompressionOp(); }

void TDecompressionStream::Skip(int64_t Count) {
  uint8_t piece[BufferSize];
  while (Count > 0) {
    const int64_t n = std::min<int64_t>(Count, BufferSize);
    if (Read(piece, n) != n) throw EReadError("Stream read error");
    Count -= n;
  }
}

int64_t TDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  z_stream& z = FZ->s;
  const int64_t done = static_cast<int64_t>(z.total_out);
  if (Offset == 0 && Origin == soBeginning) {
    // Back to the start of the compressed data, which need not be the start of the source.
    if (inflateReset(&z) < 0) throw EDecompressionError("compression error");
    z.next_in = FBuffer;
    z.avail_in = 0;
    FEnded = false;
    FStrm->SetPosition(FStartPos);
    FStrmPos = FStartPos;
  } else if (Origin == soCurrent && Offset >= 0) {
    Skip(Offset);
  } else if (Origin == soBeginning && Offset > done) {
    Skip(Offset - done);
  } else {
    InvalidDecompressionOp();
  }
  return static_cast<int64_t>(z.total_out);
}

// ---- Whole-stream helpers ----
void CompressStream(TStream* Source, TStream* Destination) {
  TCompressionStream z(3, Destination);
  Source->SetPosition(0);
  uint8_t piece[TCustomZlibStream::BufferSize];
  for (;;) {
    const int64_t n = Source->Read(piece, sizeof piece);
    if (n <= 0) break;
    z.Write(piece, n);
  }
  z.Finish();
}

void DecompressStream(TStream* Destination, TStream* Source) {
  Source->SetPosition(0);
  TDecompressionStream z(Source);
  uint8_t piece[TCustomZlibStream::BufferSize];
  for (;;) {
    const int64_t n = z.Read(piece, sizeof piece);
    if (n <= 0) break;
    Destination->WriteBuffer(piece, n);
  }
}

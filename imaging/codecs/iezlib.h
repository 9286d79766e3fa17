// Deflate and inflate streams over zlib: TZCompressionStream deflates everything written to it
// into a destination stream, TZDecompressionStream inflates a source stream as it is read, and
// ZDecompressBuffer inflates a whole memory block. zlib failures become EZCompressionError or
// EZDecompressionError carrying zlib's text for the return code.
//
// Both streams remember where they last left the wrapped stream and move it back there before
// each operation, so other users may move the wrapped stream in between.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_EXCEPTION(EZLibError, Exception)
ORV_EXCEPTION(EZCompressionError, EZLibError)
ORV_EXCEPTION(EZDecompressionError, EZLibError)

struct TZStreamRec;  // zlib's stream record, kept out of this header

// zlib's message for a negative return code ("data error", "buffer error", ...).
const char* IEZlibErrorText(int Code);

class TCustomZStream : public TStream {
  ORV_CLASS(TCustomZStream, TStream)
public:
  std::function<void(TObject* Sender)> OnProgress;
  ~TCustomZStream() override;

protected:
  explicit TCustomZStream(TStream* Stream);
  void DoProgress();

  TStream* FStream;         // destination or source, not owned
  int64_t FStreamPos;       // where this stream last left FStream
  std::unique_ptr<TZStreamRec> FZRec;
  std::unique_ptr<uint8_t[]> FBuffer;  // 65,536 bytes of compressed data
};

class TZCompressionStream : public TCustomZStream {
  ORV_CLASS(TZCompressionStream, TCustomZStream)
public:
  // Level index: 0 store, 1 fastest, 2 zlib's default, 3 best; higher indexes count as 3.
  TZCompressionStream(TStream* Dest, int LevelIndex = 2);
  // Finishes the compressed data; the destination holds a complete zlib stream only afterwards.
  ~TZCompressionStream() override;
  // Raises EZCompressionError "Invalid ZStream operation!".
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Whatever the arguments: the number of bytes taken in so far.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return Seek(0, soCurrent); }
  // Completes the zlib stream now (the destructor does it otherwise); raises on a zlib error.
  void Finish();

private:
  bool FFinished = false;
};

class TZDecompressionStream : public TCustomZStream {
  ORV_CLASS(TZDecompressionStream, TCustomZStream)
public:
  explicit TZDecompressionStream(TStream* Source);
  ~TZDecompressionStream() override;
  // Delivers up to Count inflated bytes; fewer at the end of the compressed data or of the source.
  int64_t Read(void* Buffer, int64_t Count) override;
  // Raises EZDecompressionError "Invalid ZStream operation!".
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Forward seeks only (by reading), or a restart from position 0 of the source; answers the
  // uncompressed position.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return -1; }

private:
  bool FStreamEnd = false;
  void Discard(int64_t Count);
};

// Inflates InSize bytes into a new block of OutSize bytes (freed by the caller with free()).
// OutEstimate 0 guesses the input size rounded up to 256. Raises EZDecompressionError and leaves
// no block allocated on damaged or incomplete input.
void ZDecompressBuffer(const void* InBuf, int InSize, void*& OutBuf, int OutEstimate, int& OutSize);

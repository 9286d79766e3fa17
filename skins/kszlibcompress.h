// The zlib streams of the skin-forms library: TCompressionStream deflates what is written to it
// into a destination stream, TDecompressionStream inflates a source stream as it is read. The
// skin store keeps its stored skins in this form (zlib header, deflate data, Adler-32 trailer).
//
// Both wrap a stream they do not own and remember where in it the compressed data starts, so a
// stream can sit after other data in a file or memory block.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/persistent.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_EXCEPTION(EZlibError, Exception)
ORV_EXCEPTION(ECompressionError, EZlibError)
ORV_EXCEPTION(EDecompressionError, EZlibError)

// Base of both streams: the wrapped stream, its position as this object last left it, the zlib
// state and one 4096-byte buffer (output when compressing, input when decompressing).
class TCustomZlibStream : public TStream {
  ORV_CLASS(TCustomZlibStream, TStream)
public:
  static constexpr int BufferSize = 4096;
  ~TCustomZlibStream() override;
  // Called with this stream as sender each time a buffer moves to or from the wrapped stream.
  TNotifyEvent OnProgress;

protected:
  explicit TCustomZlibStream(TStream* Strm);
  virtual void Progress(TObject* Sender);
  struct TZState;
  TStream* FStrm;
  int64_t FStrmPos;   // where this object last left the wrapped stream
  int64_t FStartPos;  // where the compressed data starts in the wrapped stream
  std::unique_ptr<TZState> FZ;
  uint8_t FBuffer[BufferSize];
};

// Deflates into Dest. The level index 0..3 selects zlib level 0, 1, the default (-1) or 9.
class TCompressionStream : public TCustomZlibStream {
  ORV_CLASS(TCompressionStream, TCustomZlibStream)
public:
  TCompressionStream(int LevelIndex, TStream* Dest);
  // Finishes the zlib stream when Finish was not called; errors at this point are lost, so
  // callers that must know call Finish first.
  ~TCompressionStream() override;
  // Deflates Count bytes; returns Count. ECompressionError "error" on a zlib failure.
  int64_t Write(const void* Buffer, int64_t Count) override;
  // ECompressionError "Invalid stream operation".
  int64_t Read(void* Buffer, int64_t Count) override;
  // Only Seek(0, soCurrent): the number of bytes taken in so far.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // Ends the zlib stream and writes the rest of the output; later writes are refused. Called
  // once, by the owner or by the destructor.
  void Finish();

private:
  void FlushBuffer();
  bool FFinished = false;
};

// Inflates Source from the position it had when this object was made.
class TDecompressionStream : public TCustomZlibStream {
  ORV_CLASS(TDecompressionStream, TCustomZlibStream)
public:
  explicit TDecompressionStream(TStream* Source);
  ~TDecompressionStream() override;
  // Bytes inflated into Buffer: Count, or fewer at the end of the data (then 0 on every further
  // call). Data after the end of the zlib stream is not read. EDecompressionError "compression
  // error" on damaged data (also on a stream that asks for a preset dictionary).
  int64_t Read(void* Buffer, int64_t Count) override;
  // EDecompressionError "Invalid stream operation".
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Seek(0, soBeginning) starts again at the start of the compressed data; a forward move (from
  // the current position, or from the beginning past the bytes produced) reads and drops the
  // bytes between (EReadError past the end of the data); anything else raises
  // EDecompressionError "Invalid stream operation". Returns the bytes produced so far.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

private:
  void Skip(int64_t Count);
  bool FEnded = false;
};

// Deflates the whole of Source (from position 0) into Destination at zlib level 9.
void CompressStream(TStream* Source, TStream* Destination);
// Inflates Source (from position 0) into Destination until no more data comes.
void DecompressStream(TStream* Destination, TStream* Source);

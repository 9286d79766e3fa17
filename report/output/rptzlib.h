// The report library's deflate stream: everything written to a TZCompressionStream is compressed
// into a destination stream; rptCompressStream compresses a whole stream in one call. Used for
// PDF content streams and embedded font files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

// The imaging library has deflate streams of the same names with other rules (any seek answers
// the count), and both libraries meet in one program: the report's own live in this namespace.
namespace rptzlib {

ORV_EXCEPTION(EZLibError, Exception)
ORV_EXCEPTION(EZCompressionError, EZLibError)

class TCustomZStream : public TStream {
public:
  explicit TCustomZStream(TStream* Dest);
  ~TCustomZStream() override;
  std::function<void(TObject* Sender)> OnProgress;

protected:
  TStream* FStream;
  int64_t FStreamPos;
  struct ZState;
  std::unique_ptr<ZState> FZ;
  static constexpr int kBufferSize = 65536;
  unsigned char FBuffer[kBufferSize];
};

class TZCompressionStream : public TCustomZStream {
public:
  // LevelIndex 0 none, 1 fastest, 2 zlib's default, 3 best.
  TZCompressionStream(TStream* Dest, int LevelIndex);
  // Finishes the deflate stream into the destination.
  ~TZCompressionStream() override;
  // Finishes the deflate stream now (raises EZCompressionError); the destructor does it otherwise.
  void Finish();
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Only Seek(0, soCurrent): the number of bytes taken in so far.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;

private:
  void Flush(bool Reset);
};

}  // namespace rptzlib

// Compresses the whole of Source (from its beginning) into Dest at LevelIndex.
void rptCompressStream(TStream* Source, TStream* Dest, int LevelIndex);

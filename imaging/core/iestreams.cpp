// Streams and text encodings (see iestreams.h).
#include "imaging/core/iestreams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

ORV_CLASS_IMPL(TNulStream, TStream)
ORV_CLASS_IMPL(TIEMemStream, TCustomMemoryStream)
ORV_CLASS_IMPL(TIEBufferedReadStream, TStream)
ORV_CLASS_IMPL(TIEWideFileStream, THandleStream)

// ---- TNulStream ----

int64_t TNulStream::Read(void*, int64_t Count) {
  FPosition += Count;
  FSize = std::max(FSize, FPosition);
  return Count;
}

int64_t TNulStream::Write(const void*, int64_t Count) {
  FPosition += Count;
  FSize = std::max(FSize, FPosition);
  return Count;
}

int64_t TNulStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning:
      FPosition = Offset;
      FSize = std::max(FSize, FPosition);
      break;
    case soCurrent:
      FPosition += Offset;
      FSize = std::max(FSize, FPosition);
      break;
    case soEnd:
      FPosition = FSize - Offset;
      break;
  }
  return FPosition;
}

// ---- TIEMemStream ----

TIEMemStream::TIEMemStream(const void* Block, int64_t Size) { SetPointer(const_cast<void*>(Block), Size); }

// ---- TIEBufferedReadStream ----

TIEBufferedReadStream::TIEBufferedReadStream(TStream* Source, int BufferSize, bool Relative) : FSource(Source) {
  FPosition = Source->Position();
  FOrigin = Relative ? FPosition : 0;
  FSourceSize = Source->Size();
  SetBufferSize(BufferSize);
}

void TIEBufferedReadStream::SetBufferSize(int n) {
  FBufferSize = std::max(n, 1);
  FBuffer.assign(FBufferSize, 0);
  Refill();
}

void TIEBufferedReadStream::Refill() {
  FSource->Seek(FPosition, soBeginning);
  const int64_t got = FSource->Read(FBuffer.data(), FBufferSize);
  (void)got;  // a shorter refill at the end of Source is expected; Read limits itself to SourceSize
  FBufferPos = 0;
  ++FRefills;
}

int64_t TIEBufferedReadStream::Read(void* Buffer, int64_t Count) {
  Count = std::min(Count, FSourceSize - FPosition);
  if (Count < 1) return 0;
  auto* dst = static_cast<uint8_t*>(Buffer);
  if (Count == 1) {
    if (FBufferPos >= FBufferSize) Refill();
    *dst = FBuffer[FBufferPos++];
    ++FPosition;
    return 1;
  }
  int64_t total = 0;
  for (;;) {
    const int64_t chunk = std::min<int64_t>(Count, FBufferSize - FBufferPos);
    std::memcpy(dst, FBuffer.data() + FBufferPos, static_cast<size_t>(chunk));
    FBufferPos += static_cast<int>(chunk);
    FPosition += chunk;
    total += chunk;
    if (chunk == Count) return total;
    Refill();
    dst += chunk;
    Count -= chunk;
  }
}

int64_t TIEBufferedReadStream::Write(const void*, int64_t) {
  throw EIEException("TIEBufferedReadStream cannot write!");
}

int64_t TIEBufferedReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t target = FPosition;
  switch (Origin) {
    case soBeginning: target = FOrigin + Offset; break;
    case soCurrent: target = FPosition + Offset; break;
    case soEnd: target = FSourceSize - Offset; break;
  }
  if (target != FPosition) {
    FPosition = target;
    Refill();
  }
  return FPosition - FOrigin;
}

// ---- TIEWideFileStream ----

int IEWideFileCreate(const std::string& FileName) {
  return ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int IEWideFileOpen(const std::string& FileName, uint16_t Mode) {
  const int access = Mode & 3, share = (Mode & 0xF0) >> 4;
  if (access > 2 || (Mode & 0xF0) > 0x40) return -1;
  const int flags = access == 0 ? O_RDONLY : (access == 1 ? O_WRONLY : O_RDWR);
  int fd = ::open(FileName.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return -1;
  // Sharing among the processes of this system: exclusive unless reading is shared.
  if (share <= 1 || share == 3) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int e = errno;
      ::close(fd);
      errno = e;
      return -1;
    }
  }
  return fd;
}

namespace {
std::string ExpandName(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  char cwd[PATH_MAX];
  if (!::getcwd(cwd, sizeof cwd)) return name;
  return std::string(cwd) + "/" + name;
}
}  // namespace

TIEWideFileStream::TIEWideFileStream(const std::string& FileName, uint16_t Mode) {
  errno = 0;
  FHandle = Mode == 65535 ? IEWideFileCreate(FileName) : IEWideFileOpen(FileName, Mode);
  if (FHandle >= 0) return;
  const std::string reason = std::strerror(errno ? errno : EINVAL);
  if (Mode == 65535) throw EFCreateError("Cannot create file \"" + ExpandName(FileName) + "\". " + reason);
  throw EFOpenError("Cannot open file \"" + ExpandName(FileName) + "\". " + reason);
}

TIEWideFileStream::~TIEWideFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// ---- strings and lines ----

void IEWriteStringToStream(TStream* Stream, const std::string& Text) {
  const uint32_t n = static_cast<uint32_t>(Text.size());
  const uint8_t len[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                          static_cast<uint8_t>(n >> 24)};
  Stream->WriteBuffer(len, 4);
  if (n) Stream->WriteBuffer(Text.data(), n);
}

bool IEReadStringFromStream(TStream* Stream, std::string& Text) {
  Text.clear();
  const int64_t start = Stream->Position();
  uint8_t len[4];
  if (Stream->Read(len, 4) != 4) {
    Stream->Seek(start, soBeginning);
    return false;
  }
  const int32_t n = static_cast<int32_t>(len[0] | (len[1] << 8) | (len[2] << 16) | (static_cast<uint32_t>(len[3]) << 24));
  const int64_t left = Stream->Size() - Stream->Position();
  if (n < 0 || n > left) {
    Stream->Seek(start, soBeginning);
    return false;
  }
  std::string s(static_cast<size_t>(n), '\0');
  if (n && Stream->Read(s.data(), n) != n) {
    Stream->Seek(start, soBeginning);
    return false;
  }
  Text = std::move(s);
  return true;
}

void IEWriteLine(TStream* Stream, const std::string& Text) {
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
  Stream->WriteBuffer("\r\n", 2);
}

// ---- encodings ----

void IEBase64EncodeGroup(const uint8_t* Bytes, char* Output, int Count) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const uint32_t v = (uint32_t(Bytes[0]) << 16) | (uint32_t(Count > 1 ? Bytes[1] : 0) << 8) | (Count > 2 ? Bytes[2] : 0);
  Output[0] = alphabet[(v >> 18) & 63];
  Output[1] = alphabet[(v >> 12) & 63];
  Output[2] = Count < 2 ? '=' : alphabet[(v >> 6) & 63];
  Output[3] = Count < 3 ? '=' : alphabet[v & 63];
}

void IEStreamToBase64Text(TStream* Stream, TStream* Output, int LineLength) {
  const int groupsPerLine = std::max(1, (LineLength + 3) / 4);
  std::string line;
  int groups = 0;
  uint8_t b[3];
  for (;;) {
    const int64_t n = Stream->Read(b, 3);
    if (n <= 0) break;
    char out[4];
    IEBase64EncodeGroup(b, out, static_cast<int>(n));
    line.append(out, 4);
    if (++groups >= groupsPerLine) {
      line += "\r\n";
      Output->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
      line.clear();
      groups = 0;
    }
    if (n < 3) break;
  }
  if (groups > 0) {
    line += "\r\n";
    Output->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
  }
}

int IEASCII85Encode(const uint8_t*& Source, int Count, char*& Destination, int& GroupCharacters) {
  int written = 0, lineLen = 0;
  auto put = [&](char c) {
    *Destination++ = c;
    ++written;
  };
  while (Count > 0) {
    const int n = std::min(Count, 4);
    uint8_t g[4] = {0, 0, 0, 0};
    std::memcpy(g, Source, n);
    Source += n;
    Count -= n;
    const uint32_t v = (uint32_t(g[0]) << 24) | (uint32_t(g[1]) << 16) | (uint32_t(g[2]) << 8) | g[3];
    int chars;
    if (n == 4 && v == 0) {
      put('z');
      chars = 1;
    } else {
      char c[5];
      uint32_t t = v;
      for (int i = 4; i >= 0; --i) {
        c[i] = static_cast<char>('!' + t % 85);
        t /= 85;
      }
      chars = n + 1;
      for (int i = 0; i < chars; ++i) put(c[i]);
    }
    GroupCharacters += chars;
    lineLen += chars;
    if (lineLen > 74) {
      put('\r');
      put('\n');
      lineLen = 0;
    }
  }
  put('~');
  put('>');
  put('\r');
  put('\n');
  return written;
}

int IERunLengthEncode(const uint8_t* Source, int Count, uint8_t* Destination) {
  int i = 0, out = 0;
  while (i < Count) {
    if (i + 1 < Count && Source[i + 1] == Source[i]) {
      int n = 2;
      while (i + n < Count && n < 128 && Source[i + n] == Source[i]) ++n;
      Destination[out++] = static_cast<uint8_t>(257 - n);
      Destination[out++] = Source[i];
      i += n;
    } else {
      // Literal run: extends while each byte differs from the one before it (so it takes the
      // first byte of a following pair of equal bytes).
      int n = 1;
      while (i + n < Count && n < 128 && Source[i + n] != Source[i + n - 1]) ++n;
      Destination[out++] = static_cast<uint8_t>(n - 1);
      std::memcpy(Destination + out, Source + i, n);
      out += n;
      i += n;
    }
  }
  Destination[out++] = 128;
  return out;
}

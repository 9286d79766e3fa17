// Streams: TStream's shared operations, the descriptor and file streams, the memory streams.
#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TStream, TObject)
ORV_CLASS_IMPL(THandleStream, TStream)
ORV_CLASS_IMPL(TFileStream, THandleStream)
ORV_CLASS_IMPL(TCustomMemoryStream, TStream)
ORV_CLASS_IMPL(TMemoryStream, TCustomMemoryStream)
ORV_CLASS_IMPL(TBytesStream, TMemoryStream)
ORV_CLASS_IMPL(TStringStream, TBytesStream)

// ---- TStream ----

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream does not support SetSize"); }

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count))
    throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  if (Count < 0) throw EReadError("Stream read error");
  const int64_t chunk = std::min<int64_t>(Count, 64 * 1024);
  std::vector<uint8_t> buf(static_cast<size_t>(std::max<int64_t>(chunk, 1)));
  int64_t left = Count;
  while (left > 0) {
    int64_t n = std::min<int64_t>(left, chunk);
    Source->ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return Count;
}

// ---- THandleStream ----

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::read(FHandle, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  auto* p = static_cast<const uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::write(FHandle, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soCurrent ? SEEK_CUR : Origin == soEnd ? SEEK_END : SEEK_SET;
  off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  if (r < 0) throw EStreamError(std::string("Stream seek error. ") + std::strerror(errno));
  return r;
}

int64_t THandleStream::Size() {
  struct stat st;
  if (::fstat(FHandle, &st) == 0 && S_ISREG(st.st_mode)) return st.st_size;
  return TStream::Size();
}

void THandleStream::SetSize(int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError(std::string("Stream size error. ") +
                       std::strerror(NewSize < 0 ? EINVAL : errno));
  if (Position() > NewSize) Seek(NewSize, soBeginning);
}

// ---- TFileStream ----

namespace {

const char* kSharingViolation = "The file is in use by another process.";

// Applies the share mode as an advisory lock on the fresh descriptor. Modes that deny others
// keep a lock for the stream's lifetime; modes that deny nothing only probe that nobody denies
// what this stream does (reading or writing) and keep no lock. Returns false when refused.
bool ApplyShareMode(int fd, uint16_t Mode, bool Writing) {
  const uint16_t share = Mode & 0x00F0;
  int keep = 0;
  switch (share) {
    case fmShareExclusive:
    case fmShareDenyRead: keep = LOCK_EX; break;
    case fmShareDenyWrite: keep = LOCK_SH; break;
    default: break;
  }
  if (keep) {
    while (::flock(fd, keep | LOCK_NB) != 0) {
      if (errno != EINTR) return false;
    }
    // A shared lock alone does not stop this stream from writing while another denies writing.
    return true;
  }
  // Probe: a writer is refused while any lock is held (every held lock denies writing or
  // everything); a reader is refused only by exclusive locks.
  int probe = Writing ? LOCK_EX : LOCK_SH;
  while (::flock(fd, probe | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  ::flock(fd, LOCK_UN);
  return true;
}

}  // namespace

TFileStream::TFileStream(const std::string& AFileName, uint16_t Mode)
    : TFileStream(AFileName, Mode, 0666) {}

TFileStream::TFileStream(const std::string& AFileName, uint16_t Mode, uint32_t Rights)
    : FFileName(AFileName) {
  const bool create = (Mode & 0xFF00) == fmCreate;
  int flags = O_CLOEXEC;
  bool writing = true;
  if (create) {
    // Not O_TRUNC: the file is emptied only after the share check allowed this stream in, so a
    // refused create never destroys another user's data.
    flags |= O_RDWR | O_CREAT;
  } else {
    switch (Mode & 0x0003) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; writing = false; break;
    }
  }
  int fd = ::open(AFileName.c_str(), flags, static_cast<mode_t>(Rights));
  auto fail = [&](const char* reason) {
    // The message names the file by its full path, as the platform's does.
    const std::string shown = ExpandFileName(AFileName);
    if (create) throw EFCreateError("Cannot create file \"" + shown + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + shown + "\". " + reason);
  };
  if (fd < 0) fail(std::strerror(errno));
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fail(std::strerror(EISDIR));
  }
  if (!ApplyShareMode(fd, Mode, writing)) {
    ::close(fd);
    fail(kSharingViolation);
  }
  if (create && ::ftruncate(fd, 0) != 0) {
    int e = errno;
    ::close(fd);
    fail(std::strerror(e));
  }
  FHandle = fd;
}

TFileStream::TFileStream(int AHandle, const std::string& AFileName) : FFileName(AFileName) {
  FHandle = AHandle;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// ---- TCustomMemoryStream ----

void TCustomMemoryStream::SetPointer(void* Ptr, int64_t ASize) {
  FMemory = Ptr;
  FSize = ASize;
}

int64_t TCustomMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  int64_t n = std::min(Count, FSize - FPosition);
  std::memcpy(Buffer, static_cast<uint8_t*>(FMemory) + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Write(const void*, int64_t) { return 0; }

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soCurrent ? FPosition : Origin == soEnd ? FSize : 0;
  int64_t np = base + Offset;
  if (np < 0) throw EStreamError("Stream seek error. Invalid argument");
  FPosition = np;
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (FSize > 0) Stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

// ---- TMemoryStream ----

void TMemoryStream::SetCapacity(int64_t NewCapacity) {
  NewCapacity = std::max(NewCapacity, FSize);
  try {
    FBuffer.resize(static_cast<size_t>(NewCapacity));
  } catch (const std::exception&) {
    throw EOutOfMemory("Out of memory while expanding memory stream");
  }
  FBuffer.shrink_to_fit();
  SetPointer(FBuffer.empty() ? nullptr : FBuffer.data(), FSize);
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Stream size error. Invalid argument");
  const int64_t oldCapacity = Capacity();
  if (NewSize > oldCapacity) {
    // Grow by half again so repeated small writes stay linear overall; the new bytes come
    // zeroed from the vector.
    int64_t cap = std::max<int64_t>(NewSize, oldCapacity + oldCapacity / 2);
    cap = (cap + 0xFFF) & ~int64_t(0xFFF);
    try {
      FBuffer.resize(static_cast<size_t>(cap));
    } catch (const std::exception&) {
      throw EOutOfMemory("Out of memory while expanding memory stream");
    }
  }
  // Bytes between the old end and the new one that were used before (and shrunk away) must read
  // as zeros again.
  const int64_t dirtyEnd = std::min(NewSize, oldCapacity);
  if (dirtyEnd > FSize) std::memset(FBuffer.data() + FSize, 0, static_cast<size_t>(dirtyEnd - FSize));
  SetPointer(FBuffer.empty() ? nullptr : FBuffer.data(), NewSize);
  if (FPosition > NewSize) FPosition = NewSize;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  int64_t end = FPosition + Count;
  if (end > FSize) {
    int64_t pos = FPosition;
    SetSize(end);
    FPosition = pos;
  }
  std::memcpy(FBuffer.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

void TMemoryStream::Clear() {
  FBuffer.clear();
  FBuffer.shrink_to_fit();
  SetPointer(nullptr, 0);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  int64_t n = Stream->Size();
  SetSize(n);
  FPosition = 0;
  if (n > 0) Stream->ReadBuffer(FBuffer.data(), n);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

// ---- TBytesStream / TStringStream ----

TBytesStream::TBytesStream(const std::vector<uint8_t>& ABytes) {
  WriteBuffer(ABytes.data(), static_cast<int64_t>(ABytes.size()));
  SetPosition(0);
}

std::vector<uint8_t> TBytesStream::Bytes() const {
  auto* p = static_cast<const uint8_t*>(Memory());
  return p ? std::vector<uint8_t>(p, p + FSize) : std::vector<uint8_t>();
}

TStringStream::TStringStream(const std::string& AString) {
  WriteBuffer(AString.data(), static_cast<int64_t>(AString.size()));
  SetPosition(0);
}

std::string TStringStream::DataString() const {
  auto* p = static_cast<const char*>(Memory());
  return p ? std::string(p, static_cast<size_t>(FSize)) : std::string();
}

std::string TStringStream::ReadString(int64_t Count) {
  if (Count <= 0 || FPosition >= FSize) return std::string();
  int64_t n = std::min(Count, FSize - FPosition);
  std::string s(static_cast<size_t>(n), '\0');
  Read(s.data(), n);
  return s;
}

void TStringStream::WriteString(const std::string& AString) {
  WriteBuffer(AString.data(), static_cast<int64_t>(AString.size()));
}

// IECreateFileW (see iecreatefile.h).
#include "imaging/io/iecreatefile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string CreateFileUtf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

intptr_t IECreateFileW(const std::u16string& FileName, uint32_t Access, uint32_t Sharing, intptr_t Template,
                       uint32_t FlagsAndAttributes, uint32_t CreationDisposition, void* SecurityAttributes) {
  (void)Template;
  (void)FlagsAndAttributes;
  (void)SecurityAttributes;
  const bool rd = (Access & IEGenericRead) != 0, wr = (Access & IEGenericWrite) != 0;
  int flags = rd && wr ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
  switch (CreationDisposition) {
    case IECreateNew: flags |= O_CREAT | O_EXCL; break;
    case IECreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case IEOpenExisting: break;
    case IEOpenAlways: flags |= O_CREAT; break;
    case IETruncateExisting: flags |= O_TRUNC; break;
    default: errno = EINVAL; return IEInvalidFileHandle;
  }
  const std::string name = CreateFileUtf8(FileName);
  if (name.empty()) {
    errno = ENOENT;
    return IEInvalidFileHandle;
  }
  const int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return IEInvalidFileHandle;
  // Without shared writing the file is held exclusively among the processes of this system
  // (shared reading alone takes a shared lock).
  if ((Sharing & IEFileShareWrite) == 0) {
    const int how = (Sharing & IEFileShareRead) != 0 && !wr ? LOCK_SH : LOCK_EX;
    if (::flock(fd, how | LOCK_NB) != 0) {
      const int e = errno;
      ::close(fd);
      errno = e;
      return IEInvalidFileHandle;
    }
  }
  return fd;
}

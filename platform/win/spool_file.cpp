// Output files of print jobs: written under a temporary name, moved into place on success.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/win/spool_internal.h"

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_WRITE_FAULT;
  }
}

bool TSpoolFile::Open(const std::string& finalPath, DWORD& error) {
  Discard();
  FFailed = false;
  FFinal = finalPath;
  std::string pattern;
  if (finalPath.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvanta-job-XXXXXX";
  } else {
    size_t slash = finalPath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : finalPath.substr(0, slash);
    std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    struct stat st {};
    if (base.empty() || (stat(finalPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
      error = base.empty() ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED;  // a folder is no file
      return false;
    }
    pattern = (dir.empty() ? std::string("/") : dir) + "/." + base + ".XXXXXX";
  }
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) {
    error = ErrorFromErrno(errno);
    return false;
  }
  FFd = fd;
  FTemp = buf.data();
  return true;
}

bool TSpoolFile::Write(const void* data, size_t size) {
  if (FFd < 0 || FFailed) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(FFd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      FFailed = true;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TSpoolFile::Commit(DWORD& error) {
  if (FFd < 0) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  bool ok = !FFailed && ::fsync(FFd) == 0;
  ok = ::close(FFd) == 0 && ok;
  FFd = -1;
  if (ok && !FFinal.empty()) {
    // The temporary file was made with mode 0600; the result gets the usual mode for new files.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(FTemp.c_str(), 0666 & ~mask);
    if (std::rename(FTemp.c_str(), FFinal.c_str()) != 0) {
      error = ErrorFromErrno(errno);
      Discard();
      return false;
    }
    FTemp.clear();
  }
  if (!ok) {
    error = ERROR_WRITE_FAULT;
    Discard();
  }
  return ok;
}

void TSpoolFile::Discard() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  if (!FTemp.empty()) ::unlink(FTemp.c_str());
  FTemp.clear();
}

// Files and folders: search, attributes, path names, file times, temporary files.
#include "platform/rtl/fileutils.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <random>
#include <vector>

#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TTemporaryFileStream, TFileStream)

namespace {

const char* kAttrName = "user.orvanta.attr";
constexpr int kStoredBits = faHidden | faSysFile | faArchive;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// One mask element at m against the character c; Next receives the element after it.
bool MatchOne(const char* m, char c, const char*& Next) {
  if (*m == '?') {
    Next = m + 1;
    return true;
  }
  if (*m == '[') {
    const char* end = std::strchr(m + 1, ']');
    if (end && end > m + 1) {
      const char* p = m + 1;
      bool negate = *p == '!';
      if (negate) ++p;
      bool hit = false;
      char u = Upper(c);
      for (; p < end; ++p) {
        if (p + 2 < end && p[1] == '-') {
          if (u >= Upper(p[0]) && u <= Upper(p[2])) hit = true;
          p += 2;
        } else if (Upper(*p) == u) {
          hit = true;
        }
      }
      Next = end + 1;
      return hit != negate;
    }
  }
  Next = m + 1;
  return Upper(*m) == Upper(c);  // an unterminated "[" is an ordinary character
}

// Glob matching over bytes, letters without regard to ASCII case. Linear backtracking to the
// last "*" keeps the cost at O(name x mask) whatever the mask.
bool MatchAt(const char* s, const char* m) {
  const char* starM = nullptr;
  const char* starS = nullptr;
  while (*s) {
    const char* next = nullptr;
    if (*m == '*') {
      while (*m == '*') ++m;
      starM = m;
      starS = s;
      continue;
    }
    if (*m && MatchOne(m, *s, next)) {
      m = next;
      ++s;
      continue;
    }
    if (!starM) return false;
    m = starM;
    s = ++starS;
  }
  while (*m == '*') ++m;
  return *m == 0;
}

// Days from 1970-01-01 for a proleptic Gregorian date.
int64_t UnixDaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr double kUnixEpoch = 25569.0;  // TDateTime of 1970-01-01

// Local wall-clock time of a Unix time as a TDateTime.
TDateTime LocalDateTime(const struct timespec& ts) {
  time_t t = ts.tv_sec;
  struct tm tm {};
  localtime_r(&t, &tm);
  int64_t days = UnixDaysFromCivil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                               static_cast<unsigned>(tm.tm_mday));
  double secs = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + ts.tv_nsec / 1e9;
  return kUnixEpoch + static_cast<double>(days) + secs / 86400.0;
}

int PackDosDate(const struct timespec& ts) {
  time_t t = ts.tv_sec;
  struct tm tm {};
  localtime_r(&t, &tm);
  int year = tm.tm_year + 1900;
  if (year < 1980) return (0 << 25) | (1 << 21) | (1 << 16);  // earliest representable date
  if (year > 2107) year = 2107;
  unsigned date = static_cast<unsigned>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  unsigned time = static_cast<unsigned>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return static_cast<int>((date << 16) | time);
}

bool StatPath(const std::string& name, struct stat& st) {
  if (::stat(name.c_str(), &st) == 0) return true;
  return ::lstat(name.c_str(), &st) == 0;  // a dangling link is still an entry
}

int StoredAttr(const std::string& name) {
  char buf[16] = {};
  ssize_t n = ::getxattr(name.c_str(), kAttrName, buf, sizeof buf - 1);
  if (n <= 0) return 0;
  return static_cast<int>(std::strtol(buf, nullptr, 10)) & kStoredBits;
}

int AttrOf(const std::string& path, const std::string& name, const struct stat& st) {
  int attr = StoredAttr(path);
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if (!(st.st_mode & S_IWUSR)) attr |= faReadOnly;
  if (!name.empty() && name[0] == '.') attr |= faHidden;
  return attr;
}

std::string NameOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return ExtractFileName(p);
}

}  // namespace

// ---- search ----

struct TSearchState {
  std::vector<TSearchRec> Found;
  size_t Next = 0;
};

bool MatchesMask(const std::string& FileName, const std::string& Mask) {
  return MatchAt(FileName.c_str(), Mask.c_str());
}

namespace {
int TakeNext(TSearchRec& F) {
  TSearchState* st = F.FindHandle.get();
  if (!st || st->Next >= st->Found.size()) return ENOENT;
  auto handle = F.FindHandle;
  F = st->Found[st->Next++];
  F.FindHandle = handle;
  return 0;
}
}  // namespace

int FindFirst(const std::string& Path, int Attr, TSearchRec& F) {
  F = TSearchRec{};
  std::string dir = ExtractFilePath(Path);
  std::string mask = ExtractFileName(Path);
  if (mask.empty()) return ENOENT;
  const bool all = mask == "*" || mask == "*.*";
  const int exclude = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return errno ? errno : ENOENT;
  auto state = std::make_shared<TSearchState>();
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!all && !MatchesMask(name, mask)) continue;
    std::string full = dir + name;
    struct stat st;
    if (!StatPath(full, st)) continue;
    TSearchRec r;
    r.Name = name;
    r.Attr = AttrOf(full, name, st);
    if (r.Attr & exclude) continue;
    r.Size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
    r.Time = PackDosDate(st.st_mtim);
    r.TimeStamp = LocalDateTime(st.st_mtim);
    r.ExcludeAttr = exclude;
    state->Found.push_back(std::move(r));
  }
  ::closedir(d);
  std::sort(state->Found.begin(), state->Found.end(),
            [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });
  F.FindHandle = state;
  int rc = TakeNext(F);
  if (rc != 0) F.FindHandle.reset();
  return rc;
}

int FindNext(TSearchRec& F) { return TakeNext(F); }

void FindClose(TSearchRec& F) { F.FindHandle.reset(); }

// ---- existence, folders, copies ----

bool FileExists(const std::string& FileName) {
  struct stat st;
  return !FileName.empty() && StatPath(FileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Directory) {
  struct stat st;
  return !Directory.empty() && ::stat(Directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& Dir) { return ::mkdir(Dir.c_str(), 0777) == 0; }

bool RemoveDir(const std::string& Dir) { return ::rmdir(Dir.c_str()) == 0; }

bool ForceDirectories(const std::string& Dir) {
  if (Dir.empty()) throw EInOutError("Unable to create directory");
  std::string d = ExcludeTrailingPathDelimiter(Dir);
  if (d.empty() || DirectoryExists(d)) return true;
  std::string parent = ExtractFileDir(d);
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  return CreateDir(d) || DirectoryExists(d);  // another process may have made it meanwhile
}

bool DeleteFile(const std::string& FileName) {
  struct stat st;
  if (::lstat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(FileName.c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  if (::renameat2(AT_FDCWD, OldName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the no-replace flag: check first (a narrow race remains there).
  struct stat st;
  if (::lstat(NewName.c_str(), &st) == 0) return false;
  return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

bool CopyFile(const std::string& ExistingFileName, const std::string& NewFileName,
              bool FailIfExists) {
  int in = ::open(ExistingFileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    return false;
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (FailIfExists ? O_EXCL : O_TRUNC);
  int out = ::open(NewFileName.c_str(), flags, st.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  std::vector<char> buf(64 * 1024);
  for (;;) {
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::fchmod(out, st.st_mode & 07777);
  if (::close(out) != 0) ok = false;
  ::close(in);
  if (!ok) ::unlink(NewFileName.c_str());  // no half-written copy stays behind
  return ok;
}

bool ReplaceFileContent(const std::string& FileName, const std::string& Content) {
  const std::string folder = ExtractFilePath(FileName);
  const std::string prefix = "." + ExtractFileName(FileName);
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    tmp = UniqueTempFileName(prefix, folder.empty() ? "." : folder);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  mode_t mode;
  struct stat st;
  if (::stat(FileName.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  THandleStream out(fd);
  bool ok = out.Write(Content.data(), static_cast<int64_t>(Content.size())) ==
            static_cast<int64_t>(Content.size());
  ok = ::fchmod(fd, mode) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(tmp.c_str(), FileName.c_str()) == 0;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

// ---- attributes and times ----

int FileGetAttr(const std::string& FileName) {
  struct stat st;
  if (!StatPath(FileName, st)) return -1;
  return AttrOf(FileName, NameOf(FileName), st);
}

int FileSetAttr(const std::string& FileName, int Attr) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0) return errno;
  mode_t mode = st.st_mode & 07777;
  mode_t want = (Attr & faReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  if (want != mode && ::chmod(FileName.c_str(), want) != 0) return errno;
  int bits = Attr & kStoredBits;
  if (bits) {
    std::string v = std::to_string(bits);
    if (::setxattr(FileName.c_str(), kAttrName, v.data(), v.size(), 0) != 0 && errno != ENOTSUP &&
        errno != EPERM)
      return errno;
  } else if (::removexattr(FileName.c_str(), kAttrName) != 0 && errno != ENODATA &&
             errno != ENOTSUP && errno != EPERM) {
    return errno;
  }
  return 0;
}

int FileAge(const std::string& FileName) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return PackDosDate(st.st_mtim);
}

bool FileAge(const std::string& FileName, TDateTime& FileDateTime) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  FileDateTime = LocalDateTime(st.st_mtim);
  return true;
}

TDateTime FileDateToDateTime(int FileDate) {
  auto v = static_cast<unsigned>(FileDate);
  unsigned date = v >> 16, time = v & 0xFFFF;
  int year = static_cast<int>(date >> 9) + 1980;
  unsigned month = (date >> 5) & 15, day = date & 31;
  unsigned hour = time >> 11, min = (time >> 5) & 63, sec = (time & 31) * 2;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || min > 59 || sec > 59)
    throw EConvertError("Invalid argument to date encode");
  double days = static_cast<double>(UnixDaysFromCivil(year, month, day)) + kUnixEpoch;
  return days + (hour * 3600.0 + min * 60.0 + sec) / 86400.0;
}

int DateTimeToFileDate(TDateTime DateTime) {
  double secs = std::floor((DateTime - kUnixEpoch) * 86400.0 + 0.5);
  int64_t total = static_cast<int64_t>(secs);
  int64_t days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
  int64_t rem = total - days * 86400;
  // Civil date from days since 1970-01-01.
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  auto doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = static_cast<int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  unsigned d = doy - (153 * mp + 2) / 5 + 1;
  unsigned m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  if (y < 1980 || y > 2107) return -1;
  auto h = static_cast<unsigned>(rem / 3600), mi = static_cast<unsigned>(rem / 60 % 60),
       s = static_cast<unsigned>(rem % 60);
  unsigned date = static_cast<unsigned>(((y - 1980) << 9) | (m << 5) | d);
  return static_cast<int>((date << 16) | (h << 11) | (mi << 5) | (s / 2));
}

bool FileSetDate(const std::string& FileName, TDateTime DateTime) {
  // Local wall-clock time to a Unix time through mktime, which applies the local zone.
  double secs = (DateTime - kUnixEpoch) * 86400.0;
  time_t whole = static_cast<time_t>(std::floor(secs));
  struct tm tm {};
  gmtime_r(&whole, &tm);
  tm.tm_isdst = -1;
  time_t t = mktime(&tm);
  if (t == static_cast<time_t>(-1)) return false;
  struct timespec ts[2];
  ts[0].tv_sec = ts[1].tv_sec = t;
  ts[0].tv_nsec = ts[1].tv_nsec = static_cast<long>((secs - std::floor(secs)) * 1e9);
  return ::utimensat(AT_FDCWD, FileName.c_str(), ts, 0) == 0;
}

int64_t FileSize(const std::string& FileName) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return st.st_size;
}

// ---- descriptors ----

int FileOpen(const std::string& FileName, uint16_t Mode) {
  int flags = O_CLOEXEC;
  switch (Mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
  }
  return ::open(FileName.c_str(), flags);
}

int FileCreate(const std::string& FileName) {
  return ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int64_t FileRead(int Handle, void* Buffer, int64_t Count) {
  THandleStream s(Handle);
  return Count < 0 ? -1 : s.Read(Buffer, Count);
}

int64_t FileWrite(int Handle, const void* Buffer, int64_t Count) {
  THandleStream s(Handle);
  return Count < 0 ? -1 : s.Write(Buffer, Count);
}

int64_t FileSeek(int Handle, int64_t Offset, int Origin) {
  int whence = Origin == 1 ? SEEK_CUR : Origin == 2 ? SEEK_END : SEEK_SET;
  return ::lseek(Handle, static_cast<off_t>(Offset), whence);
}

void FileClose(int Handle) {
  if (Handle >= 0) ::close(Handle);
}

// ---- path names ----

std::string ExtractFilePath(const std::string& FileName) {
  size_t p = FileName.rfind('/');
  return p == std::string::npos ? std::string() : FileName.substr(0, p + 1);
}

std::string ExtractFileDir(const std::string& FileName) {
  size_t p = FileName.rfind('/');
  if (p == std::string::npos) return std::string();
  if (p == 0) return "/";
  return FileName.substr(0, p);
}

std::string ExtractFileName(const std::string& FileName) {
  size_t p = FileName.rfind('/');
  return p == std::string::npos ? FileName : FileName.substr(p + 1);
}

std::string ExtractFileExt(const std::string& FileName) {
  size_t p = FileName.find_last_of("./");
  if (p == std::string::npos || FileName[p] != '.') return std::string();
  return FileName.substr(p);
}

std::string ExtractFileDrive(const std::string&) { return std::string(); }

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
  size_t p = FileName.find_last_of("./");
  if (p == std::string::npos || FileName[p] != '.') return FileName + Extension;
  return FileName.substr(0, p) + Extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& S) {
  if (!S.empty() && S.back() == '/') return S;
  return S + '/';
}

std::string ExcludeTrailingPathDelimiter(const std::string& S) {
  if (!S.empty() && S.back() == '/') return S.substr(0, S.size() - 1);
  return S;
}

bool IsPathDelimiter(const std::string& S, int Index) {
  return Index >= 1 && static_cast<size_t>(Index) <= S.size() && S[Index - 1] == '/';
}

std::string ExpandFileName(const std::string& FileName) {
  if (FileName.empty()) return std::string();
  std::string full = FileName[0] == '/' ? FileName : IncludeTrailingPathDelimiter(GetCurrentDir()) + FileName;
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  if (out.empty()) out = "/";
  // Keep a trailing delimiter the caller wrote (a folder name stays recognisable as one).
  if (full.back() == '/' && out != "/") out += '/';
  return out;
}

std::string GetCurrentDir() {
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return std::string(buf.data());
    if (errno != ERANGE) return std::string();
    buf.resize(buf.size() * 2);
  }
}

bool SetCurrentDir(const std::string& Dir) { return ::chdir(Dir.c_str()) == 0; }

std::string ExtractRelativePath(const std::string& BaseName, const std::string& DestName) {
  auto split = [](const std::string& p) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < p.size()) {
      size_t j = p.find('/', i);
      if (j == std::string::npos) j = p.size();
      if (j > i) parts.push_back(p.substr(i, j - i));
      i = j + 1;
    }
    return parts;
  };
  std::vector<std::string> base = split(ExtractFilePath(ExpandFileName(BaseName)));
  std::string destFull = ExpandFileName(DestName);
  std::vector<std::string> dest = split(ExtractFilePath(destFull));
  size_t common = 0;
  while (common < base.size() && common < dest.size() && base[common] == dest[common]) ++common;
  if (common == 0) return DestName;
  std::string out;
  for (size_t i = common; i < base.size(); ++i) out += "../";
  for (size_t i = common; i < dest.size(); ++i) out += dest[i] + "/";
  return out + ExtractFileName(destFull);
}

bool FileIsReadOnly(const std::string& FileName) { return ::access(FileName.c_str(), W_OK) != 0; }

bool FileSetReadOnly(const std::string& FileName, bool ReadOnly) {
  int attr = FileGetAttr(FileName);
  if (attr < 0) return false;
  attr = ReadOnly ? (attr | faReadOnly) : (attr & ~faReadOnly);
  return FileSetAttr(FileName, attr & ~faDirectory) == 0;
}

namespace {
// The arguments as the kernel keeps them, read once.
const std::vector<std::string>& CommandLine() {
  static const std::vector<std::string> args = [] {
    std::vector<std::string> a;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    while (std::getline(in, arg, '\0')) a.push_back(arg);
    return a;
  }();
  return args;
}
}  // namespace

int ParamCount() {
  const auto& a = CommandLine();
  return a.empty() ? 0 : static_cast<int>(a.size()) - 1;
}

std::string ParamStr(int Index) {
  if (Index == 0) {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) return std::string(buf.data(), static_cast<size_t>(n));
  }
  const auto& a = CommandLine();
  if (Index < 0 || static_cast<size_t>(Index) >= a.size()) return std::string();
  return a[static_cast<size_t>(Index)];
}

// ---- temporary files ----

std::string GetTempPath() {
  const char* t = std::getenv("TMPDIR");
  std::string p = (t && *t) ? t : "/tmp";
  return IncludeTrailingPathDelimiter(p);
}

namespace {

std::string NextTempCandidate(const std::string& Prefix, const std::string& Folder) {
  static std::mutex mu;
  static std::mt19937 gen{std::random_device{}()};
  uint32_t n;
  {
    std::lock_guard<std::mutex> lock(mu);
    n = std::uniform_int_distribution<uint32_t>(0, 0x7FFFFFFE)(gen);
  }
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", n);
  std::string dir = Folder.empty() ? GetTempPath() : IncludeTrailingPathDelimiter(Folder);
  return dir + Prefix + "-" + digits + ".tmp";
}

// Creates a new file under a fresh unique name; O_EXCL makes a name taken meanwhile fail
// instead of being opened, so another file is never truncated.
int CreateUniqueTemp(const std::string& Prefix, const std::string& Folder, std::string& Name) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string cand = NextTempCandidate(Prefix, Folder);
    int fd = ::open(cand.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      Name = cand;
      return fd;
    }
    if (errno != EEXIST) {
      throw EInOutError("Unable to create " + cand + ". " + std::strerror(errno));
    }
  }
  throw EInOutError("Unable to create a temporary file in " + Folder);
}

}  // namespace

std::string UniqueTempFileName(const std::string& Prefix, const std::string& Folder) {
  for (;;) {
    std::string cand = NextTempCandidate(Prefix, Folder);
    struct stat st;
    if (::lstat(cand.c_str(), &st) != 0) return cand;
  }
}

std::string GetTempFileName(const std::string& Folder, const std::string& Prefix) {
  std::string name;
  ::close(CreateUniqueTemp(Prefix, Folder, name));
  return name;
}

TTemporaryFileStream::TTemporaryFileStream(const std::string& Prefix, const std::string& Folder)
    : TFileStream(-1, std::string()) {
  FHandle = CreateUniqueTemp(Prefix, Folder, FFileName);
}

TTemporaryFileStream::TTemporaryFileStream(const std::string& FileName)
    : TFileStream(-1, FileName) {
  FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (FHandle < 0) throw EInOutError("Unable to create " + FileName);
}

TTemporaryFileStream::~TTemporaryFileStream() {
  if (FHandle >= 0) {
    ::close(FHandle);
    FHandle = -1;
    ::unlink(FFileName.c_str());
  }
}

// ---- File system space ----

int64_t DiskFree(const std::string& Path) {
  struct statvfs S;
  if (Path.empty() || statvfs(Path.c_str(), &S) != 0) return -1;
  return static_cast<int64_t>(S.f_bavail) * static_cast<int64_t>(S.f_frsize);
}

int64_t DiskSize(const std::string& Path) {
  struct statvfs S;
  if (Path.empty() || statvfs(Path.c_str(), &S) != 0) return -1;
  return static_cast<int64_t>(S.f_blocks) * static_cast<int64_t>(S.f_frsize);
}

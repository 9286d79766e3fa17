// The trash, laid out as the desktop's shared trash folders are: a "files" folder holding the
// trashed items and an "info" folder holding, for each, a NAME.trashinfo file with its original
// path and the deletion time. Items of the user's home file system go to $XDG_DATA_HOME/Trash; items of
// another volume go to that volume's ".Trash-UID" folder, or, when it cannot be made, are copied
// into the home trash and then removed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "platform/rtl/fileutils.h"
#include "platform/win/shell_internal.h"

namespace shellns {

namespace {

std::string Percent(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-_.~!$&'()*+,;=:@", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string Unpercent(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool MakeDir(const std::string& path, mode_t mode) {
  if (mkdir(path.c_str(), mode) == 0) return true;
  struct stat st;
  return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

dev_t DeviceOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_dev : static_cast<dev_t>(-1);
}

// The mount point holding path (the longest mount point that is a prefix of it).
std::string TopDirOf(const std::string& path) {
  std::string best = "/";
  std::ifstream in("/proc/self/mounts");
  for (std::string line; std::getline(in, line);) {
    size_t a = line.find(' ');
    if (a == std::string::npos) continue;
    size_t b = line.find(' ', a + 1);
    std::string mnt = line.substr(a + 1, b - a - 1);
    if (mnt.find('\\') != std::string::npos) continue;  // escaped names: leave to the home trash
    if ((path == mnt || path.compare(0, mnt.size() + 1, mnt + "/") == 0) &&
        mnt.size() > best.size())
      best = mnt;
  }
  return best;
}

// Reserves a free name in trash/info (created with O_EXCL, so two programs never take the same
// name) and writes the info file. The name goes into name.
bool WriteInfo(const std::string& trash, const std::string& original, const std::string& recorded,
               std::string& name, std::string& err) {
  const std::string base = ExtractFileName(original);
  char when[32];
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
  const std::string text =
      "[Trash Info]\nPath=" + Percent(recorded) + "\nDeletionDate=" + when + "\n";
  for (int n = 1; n < 10000; ++n) {
    name = n == 1 ? base : base + "." + std::to_string(n);
    std::string info = trash + "/info/" + name + ".trashinfo";
    int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      err = std::strerror(errno);
      return false;
    }
    struct stat st;
    bool taken = lstat((trash + "/files/" + name).c_str(), &st) == 0;
    bool written =
        !taken && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (taken) {
      unlink(info.c_str());
      continue;
    }
    if (!written) {
      unlink(info.c_str());
      err = "cannot write the trash information";
      return false;
    }
    return true;
  }
  err = "no free name in the trash";
  return false;
}

// Moves path into trash (a trash folder with files/ and info/); copy says whether a move across
// file systems may copy and remove.
bool TrashInto(const std::string& trash, const std::string& path, const std::string& recorded,
               bool copy, std::string& err) {
  if (!(ForceDirectories(ExtractFileDir(trash)) && MakeDir(trash, 0700)) ||
      !MakeDir(trash + "/files", 0700) || !MakeDir(trash + "/info", 0700)) {
    err = "cannot make the trash folder";
    return false;
  }
  std::string name;
  if (!WriteInfo(trash, path, recorded, name, err)) return false;
  const std::string dest = trash + "/files/" + name;
  if (std::rename(path.c_str(), dest.c_str()) == 0) return true;
  int e = errno;
  if (e == EXDEV && copy) {
    std::string made;
    // Copy into the files folder under the reserved name, then remove the original.
    if (CopyInto(path, trash + "/files", made, err)) {
      if (made == dest || std::rename(made.c_str(), dest.c_str()) == 0) {
        if (RemoveTree(path, err)) return true;
        std::string ignored;
        RemoveTree(dest, ignored);
      } else {
        std::string ignored;
        RemoveTree(made, ignored);
        err = std::strerror(errno);
      }
    }
  } else {
    err = std::strerror(e);
  }
  unlink((trash + "/info/" + name + ".trashinfo").c_str());
  return false;
}

}  // namespace

std::string TrashDir() { return XdgDataHome() + "/Trash"; }
std::string TrashFilesDir() { return TrashDir() + "/files"; }

bool MoveToTrash(const std::string& path, std::string& err) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    err = std::strerror(errno);
    return false;
  }
  const std::string home = TrashDir();
  ForceDirectories(XdgDataHome());
  if (st.st_dev == DeviceOf(XdgDataHome())) return TrashInto(home, path, path, false, err);
  // Another volume: its own trash ($topdir/.Trash-UID), with paths relative to the volume.
  const std::string top = TopDirOf(path);
  const std::string volumeTrash = (top == "/" ? "" : top) + "/.Trash-" + std::to_string(getuid());
  std::string relative = path.substr(top == "/" ? 1 : top.size() + 1);
  std::string ignored;
  if (top != "/" && TrashInto(volumeTrash, path, relative, false, ignored)) return true;
  return TrashInto(home, path, path, true, err);
}

std::string TrashOriginalName(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const std::string info = ExtractFileDir(ExtractFileDir(path)) + "/info/" + name + ".trashinfo";
  std::ifstream in(info);
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, 5, "Path=") == 0) {
      std::string original = ExtractFileName(Unpercent(line.substr(5)));
      if (!original.empty()) return original;
    }
  return name;
}

bool DeleteFromTrash(const std::string& path, std::string& err) {
  if (!RemoveTree(path, err)) return false;
  unlink((ExtractFileDir(ExtractFileDir(path)) + "/info/" + ExtractFileName(path) + ".trashinfo")
             .c_str());
  return true;
}

bool TrashIsEmpty() {
  TSearchRec sr;
  bool empty = FindFirst(TrashFilesDir() + "/*", faAnyFile, sr) != 0;
  FindClose(sr);
  return empty;
}

bool EmptyTrash(std::string& err) {
  TSearchRec sr;
  std::vector<std::string> names;
  for (int rc = FindFirst(TrashFilesDir() + "/*", faAnyFile, sr); rc == 0; rc = FindNext(sr))
    names.push_back(sr.Name);
  FindClose(sr);
  bool ok = true;
  for (const auto& n : names) ok = DeleteFromTrash(TrashFilesDir() + "/" + n, err) && ok;
  return ok;
}

}  // namespace shellns

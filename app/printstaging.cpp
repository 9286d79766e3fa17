// Where the staging database is written, and the print window's texts.
#include "app/printstaging.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/settings.h"
#include "platform/rtl/fileutils.h"

namespace {

// Whether a file can be made in Folder now: a probe file is created and removed (a folder's
// mode bits say nothing for a privileged user or a read-only mount).
bool FolderWritable(const std::string& Folder) {
  std::string probe = Folder + ".orvanta-probe-XXXXXX";
  int fd = mkstemp(probe.data());
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

bool FileWritable(const std::string& File) {
  int fd = open(File.c_str(), O_WRONLY);
  if (fd < 0) return false;
  close(fd);
  return true;
}

}  // namespace

std::string ProgramDataFolder() { return XdgDataFolder() + "orvanta/"; }

std::string StagingDatabaseFile(const std::string& ExeDir) {
  const std::string shipped = ExeDir + kStagingDbFileName;
  if (FileExists(shipped) && FolderWritable(ExeDir) && FileWritable(shipped)) return shipped;
  const std::string folder = ProgramDataFolder();
  const std::string own = folder + kStagingDbFileName;
  if (FileExists(own)) {
    if (FileWritable(own)) return own;
    throw EStagingError("The print staging database " + own + " cannot be written: " +
                        std::strerror(errno) + ".");
  }
  if (!FileExists(shipped))
    throw EStagingError("The print staging database " + shipped + " is missing.");
  if (!ForceDirectories(folder) || !CopyFile(shipped, own, true))
    throw EStagingError("The print staging database cannot be made in " + folder + ": " +
                        std::strerror(errno) + ".");
  // The shipped file may be read-only; the user's copy must not be.
  chmod(own.c_str(), 0644);
  return own;
}

std::string StagingConnectionString(const std::string& File) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + File;
}

std::string PageStatusText(int Page, int PageCount) {
  return std::to_string(Page) + "page  Total" + std::to_string(PageCount) + "pages";
}

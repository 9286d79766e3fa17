// Files and folders: search, attributes, path names, file times, temporary files.
//
// Paths use "/" only. Attributes follow the class library's bits: a directory entry is hidden when
// its name starts with "." or when the hidden bit is stored for it; the hidden, system and archive
// bits are stored in the extended attribute "user.orvanta.attr" where the file system allows it
// (elsewhere they are not kept), the read-only bit is the owner's write permission.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/streams.h"

inline constexpr char PathDelim = '/';
inline constexpr char PathSep = ':';
inline constexpr char DriveDelim = '\0';  // no drives on this platform

enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faSymLink = 0x40,
  faAnyFile = 0x3F,
};

struct TSearchState;

struct TSearchRec {
  int Time = 0;          // file date in the packed DOS form (see FileAge)
  int64_t Size = 0;
  int Attr = 0;
  std::string Name;      // name only, without the folder
  int ExcludeAttr = 0;
  TDateTime TimeStamp = 0;  // local modification time
  std::shared_ptr<TSearchState> FindHandle;
};

// Searches Path (a folder, then a mask that may use "*", "?" and "[a-z]" sets, matched without
// regard to case; "*.*" matches every name). Ordinary files are always found; hidden, system
// and directory entries only when Attr includes their bit (faAnyFile finds everything). "." and
// ".." are never returned. Entries come in name order. Returns 0 and fills F when something
// matches, else an error code (ENOENT when nothing matches or the folder does not exist).
int FindFirst(const std::string& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// Mask matching without regard to case: "*" any run, "?" one character, "[abc]", "[a-z]",
// "[!a-z]" sets. An unterminated "[" is an ordinary character.
bool MatchesMask(const std::string& FileName, const std::string& Mask);

bool FileExists(const std::string& FileName);  // true for anything but a directory
bool DirectoryExists(const std::string& Directory);
bool CreateDir(const std::string& Dir);
bool RemoveDir(const std::string& Dir);  // empty folders only
// Creates Dir and its missing parents; true when the folder exists afterwards. An empty name
// raises EInOutError "Unable to create directory".
bool ForceDirectories(const std::string& Dir);
bool DeleteFile(const std::string& FileName);  // not directories
// Renames or moves; false (and nothing changes) when NewName exists already.
bool RenameFile(const std::string& OldName, const std::string& NewName);
// Copies content and permissions. With FailIfExists an existing target is left alone and the
// answer is false; otherwise the target is replaced.
bool CopyFile(const std::string& ExistingFileName, const std::string& NewFileName,
              bool FailIfExists);

// Attributes: -1 when the entry does not exist. FileSetAttr returns 0 or an errno code.
int FileGetAttr(const std::string& FileName);
int FileSetAttr(const std::string& FileName, int Attr);

// File times. The packed DOS form holds the local date in the high 16 bits
// ((year - 1980) << 9 | month << 5 | day) and the time in the low 16 bits
// (hour << 11 | minute << 5 | second / 2). FileAge answers -1 for a missing file.
int FileAge(const std::string& FileName);
bool FileAge(const std::string& FileName, TDateTime& FileDateTime);
TDateTime FileDateToDateTime(int FileDate);
int DateTimeToFileDate(TDateTime DateTime);
bool FileSetDate(const std::string& FileName, TDateTime DateTime);
int64_t FileSize(const std::string& FileName);  // -1 when missing or a directory

// Replaces the content of FileName in one step: Content goes to a new file beside it, which is
// then renamed over the old one, so a failure (false) leaves the old file whole. An existing
// file's permissions are kept; a new file gets 0666 less the umask.
bool ReplaceFileContent(const std::string& FileName, const std::string& Content);

// Low-level descriptors (-1 on failure). Mode is fmOpenRead/fmOpenWrite/fmOpenReadWrite.
int FileOpen(const std::string& FileName, uint16_t Mode);
int FileCreate(const std::string& FileName);  // creates or truncates
int64_t FileRead(int Handle, void* Buffer, int64_t Count);
int64_t FileWrite(int Handle, const void* Buffer, int64_t Count);
int64_t FileSeek(int Handle, int64_t Offset, int Origin);
void FileClose(int Handle);

// Path names.
std::string ExtractFilePath(const std::string& FileName);  // through the last "/"
std::string ExtractFileDir(const std::string& FileName);   // same without the "/" ("/" stays)
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);   // from the last "." of the name, dot kept
std::string ExtractFileDrive(const std::string& FileName);  // always "" here
std::string ChangeFileExt(const std::string& FileName, const std::string& Extension);
std::string IncludeTrailingPathDelimiter(const std::string& S);
std::string ExcludeTrailingPathDelimiter(const std::string& S);
bool IsPathDelimiter(const std::string& S, int Index);  // Index is 1-based
// Absolute form of FileName against the current folder, "." and ".." resolved by name.
std::string ExpandFileName(const std::string& FileName);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& Dir);
// Path of Path relative to the folder of BaseName ("../x/y.txt"); Path itself when the two have
// nothing in common but the root.
std::string ExtractRelativePath(const std::string& BaseName, const std::string& DestName);
// Older names of the two delimiter functions.
inline std::string IncludeTrailingBackslash(const std::string& S) { return IncludeTrailingPathDelimiter(S); }
inline std::string ExcludeTrailingBackslash(const std::string& S) { return ExcludeTrailingPathDelimiter(S); }
// File names compare exactly: this file system tells case apart.
inline bool SameFileName(const std::string& S1, const std::string& S2) { return S1 == S2; }
bool FileIsReadOnly(const std::string& FileName);
bool FileSetReadOnly(const std::string& FileName, bool ReadOnly);

// The command line: ParamStr(0) is the running program's full path, 1..ParamCount() its
// arguments; an index out of range gives "".
int ParamCount();
std::string ParamStr(int Index);

// The system temporary folder with a trailing "/": $TMPDIR when set, else /tmp.
std::string GetTempPath();
// Folder (the system temporary folder when empty; a "/" is added when missing) + Prefix + "-" +
// eight upper-case hexadecimal digits (a pseudo-random number below 0x7FFFFFFF) + ".tmp", chosen
// so that no entry of that name exists yet. The file is not created.
std::string UniqueTempFileName(const std::string& Prefix, const std::string& Folder = "");
// Same naming, but creates the empty file exclusively (a name taken meanwhile is skipped, never
// truncated) and returns its name; the caller deletes it. EInOutError when the folder is not
// writable.
std::string GetTempFileName(const std::string& Folder, const std::string& Prefix);

// A read/write temporary file that this stream alone has open; the file is deleted when the
// stream is destroyed.
class TTemporaryFileStream : public TFileStream {
  ORV_CLASS(TTemporaryFileStream, TFileStream)
public:
  // A new file under a fresh unique name (see UniqueTempFileName).
  TTemporaryFileStream(const std::string& Prefix, const std::string& Folder);
  // Exactly FileName, created exclusively: when it exists already, EInOutError
  // "Unable to create " + FileName is raised and that file is left untouched.
  explicit TTemporaryFileStream(const std::string& FileName);
  ~TTemporaryFileStream() override;
};

// Bytes free for this user, and the total size, of the file system that holds Path (a folder or
// file); -1 when Path does not exist or the file system does not answer.
int64_t DiskFree(const std::string& Path);
int64_t DiskSize(const std::string& Path);

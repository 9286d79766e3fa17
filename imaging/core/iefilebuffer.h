// Temporary files, the file buffer behind file-located images, and large memory blocks.
//
// A TIEFileBuffer is a backing store (a delete-on-close temporary file, or a memory stream) seen
// through windows: Map hands out a private memory block filled from the store, Unmap writes it
// back when the window was mapped with the write bit. File-located TIEBitmaps map one row at a
// time, so an image larger than memory needs only one row of it.
//
// Temporary files are created exclusively: a name that already exists (another program's file or
// a file of a concurrent namer) is never truncated; a new name is drawn instead. Short reads and
// writes of windows raise EReadError / EWriteError instead of passing silently.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"

// A temporary file opened for reading and writing by this process alone, deleted when the stream
// is destroyed. Create raises EInOutError "Unable to create <name>" when the file cannot be made,
// in particular when a file of that name already exists.
class TIETemporaryFileStream : public THandleStream {
  ORV_CLASS(TIETemporaryFileStream, THandleStream)
public:
  explicit TIETemporaryFileStream(const std::string& FileName);
  ~TIETemporaryFileStream() override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
};

// One window handed out by TIEFileBuffer.Map.
struct TIEFileBufferWindow {
  int64_t Position = 0;
  int64_t Size = 0;
  void* Address = nullptr;
  uint8_t Access = 0;  // 1: filled from the store on Map; 2: written back on Unmap
};

class TIEFileBuffer : public TObject {
  ORV_CLASS(TIEFileBuffer, TObject)
public:
  TIEFileBuffer() = default;
  ~TIEFileBuffer() override;

  bool IsAllocated() const { return Store != nullptr; }
  // Creates the store: a temporary file named folder + prefix + "-XXXXXXXX.tmp" (created
  // exclusively, retried with new names when one exists) or a memory stream, sized to size bytes.
  // False when the file or the size cannot be had. Must be called on an unallocated buffer.
  bool AllocateStore(const std::string& Prefix, bool InFile, int64_t Size);
  void SetSize(int64_t Size);
  // A new block of Size bytes (nil for 0), filled from the store at Position when Access has bit
  // 0; EReadError when the store holds fewer bytes there.
  void* Map(uint8_t Access, int64_t Position, int64_t Size);
  // Writes the window back when its access has bit 1 (EWriteError on a short write) and frees it.
  // An address that is not mapped raises EListError "List index out of bounds (-1)".
  void Unmap(void* Address);
  // Unmaps every window, newest first.
  void UnmapAll();
  // UnmapAll, then free the store, which deletes the temporary file it created.
  void Close();
  // Copies Size bytes at Position from this store into Dest's store (both allocated), 1 MB at a
  // time; windows of both are unmapped first.
  void CopyTo(TIEFileBuffer* Dest, int64_t Position, int64_t Size);
  int IndexOfWindow(const void* Address) const;

  const std::string& FileName() const { return FFileName; }
  const std::vector<TIEFileBufferWindow>& Mapped() const { return FMapped; }
  TStream* Store = nullptr;  // owned

private:
  void ReleaseBlock(void* Block, int64_t Size);
  std::string FFileName;
  std::vector<TIEFileBufferWindow> FMapped;
  // One freed block kept for the next Map of the same size: row-at-a-time access then runs
  // without an allocation per row.
  void* FSpare = nullptr;
  int64_t FSpareSize = 0;
};

// ---- temporary names ----
// folder + prefix + "-" + eight upper-case hex digits (0..2147483646) + ".tmp", redrawn while a
// file of that name exists.
std::string IEUniqueFileName(const std::string& Prefix, const std::string& Folder);
// The folder for temporary files: IETempFolder, else the system's, ending with "/".
std::string IETempFolderPath();
std::string IEGetTempFileName();
// True when the name exists and is not a folder.
bool IEFileExists(const std::string& Name);

// ---- memory ----
// Total (or available) physical memory in bytes.
uint64_t IEGetPhysicalMemory(bool Available);
// Largest single block the allocators below hand out (-1: no limit). Lets memory-constrained
// hosts, and tests, force the row-fragment and temporary-file paths of TIEBitmap.
extern int64_t IEMaxBlockSize;
// A block with a one-byte tag before the returned address: heap below 1 MB (not cleared),
// zero-filled system memory from 1 MB, from 4 MB pages mapped for the block alone (huge pages
// asked for). Nil when no memory can be had.
void* IEAutoAlloc(int64_t Size);
void IEAutoFree(void*& Address);
// Zero-filled block, nil when it cannot be had.
void* IEGlobalAlloc(int64_t Size);
void IEGlobalFree(void*& Address);
// A heap block, nil instead of an exception.
void IESafeGetMem(void*& Address, int64_t Size);
// Writes Count bytes; sets Aborting (never clears it) when the stream accepts fewer.
void IEStreamWrite(TStream* Stream, bool& Aborting, const void* Buffer, int64_t Count);

// Temporary files, file buffers and large memory blocks (see iefilebuffer.h).
#include "imaging/core/iefilebuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#include "imaging/core/iedefs.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TIETemporaryFileStream, THandleStream)
ORV_CLASS_IMPL(TIEFileBuffer, TObject)

int64_t IEMaxBlockSize = -1;

// ---- temporary file stream ----

TIETemporaryFileStream::TIETemporaryFileStream(const std::string& FileName) : FFileName(FileName) {
  // O_EXCL: an existing file of that name is never opened, let alone truncated.
  FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (FHandle < 0) throw EInOutError("Unable to create " + FileName);
}

TIETemporaryFileStream::~TIETemporaryFileStream() {
  if (FHandle >= 0) {
    ::close(FHandle);
    ::unlink(FFileName.c_str());
  }
}

// ---- temporary names ----

namespace {
std::mutex& NameLock() {
  static std::mutex m;
  return m;
}
uint32_t NextRandomName() {
  static std::mt19937 gen(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                          static_cast<uint32_t>(::getpid()));
  std::lock_guard<std::mutex> lock(NameLock());
  return std::uniform_int_distribution<uint32_t>(0, 2147483646u)(gen);
}
}  // namespace

bool IEFileExists(const std::string& Name) {
  if (IEFileExistsByLibrary) return FileExists(Name);
  struct stat st;
  if (::stat(Name.c_str(), &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

std::string IEUniqueFileName(const std::string& Prefix, const std::string& Folder) {
  for (;;) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08X", NextRandomName());
    std::string name = Folder + Prefix + "-" + digits + ".tmp";
    if (!IEFileExists(name)) return name;
  }
}

std::string IETempFolderPath() {
  if (!IETempFolder.empty()) return IETempFolder;
  return IncludeTrailingPathDelimiter(GetTempPath());
}

std::string IEGetTempFileName() { return IEUniqueFileName("ietemp", IETempFolderPath()); }

// ---- file buffer ----

TIEFileBuffer::~TIEFileBuffer() {
  try {
    Close();
  } catch (...) {
    // The store goes away with the buffer; a failed write-back has nobody to tell.
  }
  std::free(FSpare);
}

bool TIEFileBuffer::AllocateStore(const std::string& Prefix, bool InFile, int64_t Size) {
  const std::string folder = IETempFolderPath();
  try {
    if (InFile) {
      // The name check and the exclusive create race with other namers; a lost race only costs
      // another name.
      for (int attempt = 0;; ++attempt) {
        FFileName = IEUniqueFileName(Prefix, folder);
        try {
          Store = new TIETemporaryFileStream(FFileName);
          break;
        } catch (EInOutError&) {
          struct stat st;
          if (::stat(FFileName.c_str(), &st) != 0 || attempt >= 100) throw;  // not a name clash
        }
      }
    } else {
      FFileName = IEUniqueFileName(Prefix, folder);
      Store = new TMemoryStream();
    }
    Store->SetSize(Size);
    if (Store->Size() != Size) return false;
    return true;
  } catch (...) {
    return false;  // a store created before a failed size change stays in place
  }
}

void TIEFileBuffer::SetSize(int64_t Size) { Store->SetSize(Size); }

void* TIEFileBuffer::Map(uint8_t Access, int64_t Position, int64_t Size) {
  if (Size <= 0) return nullptr;
  void* block;
  if (FSpare && FSpareSize == Size) {
    block = FSpare;
    FSpare = nullptr;
  } else {
    block = std::malloc(static_cast<size_t>(Size));
    if (!block) throw EOutOfMemory("Out of memory");
  }
  if (Store && (Access & 1)) {
    try {
      Store->Seek(Position, soBeginning);
      Store->ReadBuffer(block, Size);
    } catch (...) {
      ReleaseBlock(block, Size);
      throw;
    }
  }
  FMapped.push_back(TIEFileBufferWindow{Position, Size, block, Access});
  return block;
}

void TIEFileBuffer::ReleaseBlock(void* Block, int64_t Size) {
  if (!FSpare) {
    FSpare = Block;
    FSpareSize = Size;
  } else {
    std::free(Block);
  }
}

void TIEFileBuffer::Unmap(void* Address) {
  int i = IndexOfWindow(Address);
  if (i < 0) throw EListError("List index out of bounds (-1)");
  TIEFileBufferWindow w = FMapped[i];
  FMapped.erase(FMapped.begin() + i);
  try {
    if (Store && (w.Access & 2)) {
      Store->Seek(w.Position, soBeginning);
      Store->WriteBuffer(w.Address, w.Size);
    }
  } catch (...) {
    ReleaseBlock(w.Address, w.Size);
    throw;
  }
  ReleaseBlock(w.Address, w.Size);
}

void TIEFileBuffer::UnmapAll() {
  if (!Store) return;
  while (!FMapped.empty()) Unmap(FMapped.back().Address);
}

void TIEFileBuffer::Close() {
  if (!Store) return;
  try {
    UnmapAll();
  } catch (...) {
    for (auto& w : FMapped) std::free(w.Address);
    FMapped.clear();
    delete Store;
    Store = nullptr;
    throw;
  }
  // The temporary file stream deletes the file it created. The name is not deleted a second time:
  // by now it may belong to somebody else (and a memory store never had a file).
  delete Store;
  Store = nullptr;
}

void TIEFileBuffer::CopyTo(TIEFileBuffer* Dest, int64_t Position, int64_t Size) {
  if (!Dest || !Store || !Dest->Store) return;
  UnmapAll();
  Dest->UnmapAll();
  Store->Seek(Position, soBeginning);
  Dest->Store->Seek(Position, soBeginning);
  const int64_t chunk = 1048576;
  std::vector<uint8_t> buf(static_cast<size_t>(std::min(chunk, std::max<int64_t>(Size, 0))));
  while (Size > 0) {
    int64_t n = std::min(chunk, Size);
    Store->ReadBuffer(buf.data(), n);
    Dest->Store->WriteBuffer(buf.data(), n);
    Size -= n;
  }
}

int TIEFileBuffer::IndexOfWindow(const void* Address) const {
  for (size_t i = 0; i < FMapped.size(); ++i)
    if (FMapped[i].Address == Address) return static_cast<int>(i);
  return -1;
}

// ---- memory ----

uint64_t IEGetPhysicalMemory(bool Available) {
  long pages = ::sysconf(Available ? _SC_AVPHYS_PAGES : _SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

namespace {
bool BlockAllowed(int64_t Size) { return Size >= 0 && (IEMaxBlockSize < 0 || Size <= IEMaxBlockSize); }
}  // namespace

namespace {

// Blocks from this size on are mapped pages of their own: zero-filled by the system without a
// pass over them, asked for as huge pages so that a full-size photo costs a few dozen page faults
// instead of tens of thousands, and returned to the system when freed.
constexpr int64_t MappedBlockSize = int64_t(4) << 20;
// The mapping starts one page before the address handed out; its first bytes keep its length.
constexpr size_t MappedHeader = 4096;

}  // namespace

void* IEAutoAlloc(int64_t Size) {
  if (!BlockAllowed(Size)) return nullptr;
  uint8_t* p = nullptr;
  if (Size < 1048576) {
    p = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(Size) + 4));
    if (p) {
      p[0] = 0;
      return p + 1;
    }
  }
  if (Size >= MappedBlockSize) {
    const size_t length = MappedHeader + static_cast<size_t>(Size) + 4;
    void* map = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map != MAP_FAILED) {
#ifdef MADV_HUGEPAGE
      ::madvise(map, length, MADV_HUGEPAGE);  // a hint: refused advice changes nothing
#endif
      auto* base = static_cast<uint8_t*>(map);
      std::memcpy(base, &length, sizeof length);
      base[MappedHeader - 1] = 2;
      return base + MappedHeader;
    }
  }
  p = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(Size) + 4));
  if (!p) return nullptr;
  p[0] = 1;
  return p + 1;
}

void IEAutoFree(void*& Address) {
  if (!Address) return;
  auto* p = static_cast<uint8_t*>(Address);
  if (p[-1] == 2) {  // a mapped block
    uint8_t* base = p - MappedHeader;
    size_t length = 0;
    std::memcpy(&length, base, sizeof length);
    ::munmap(base, length);
  } else {
    std::free(p - 1);  // both heap tags come from the C heap
  }
  Address = nullptr;
}

void* IEGlobalAlloc(int64_t Size) {
  if (!BlockAllowed(Size)) return nullptr;
  return std::calloc(1, static_cast<size_t>(Size));
}

void IEGlobalFree(void*& Address) {
  std::free(Address);
  Address = nullptr;
}

void IESafeGetMem(void*& Address, int64_t Size) {
  Address = BlockAllowed(Size) ? std::malloc(static_cast<size_t>(Size)) : nullptr;
}

void IEStreamWrite(TStream* Stream, bool& Aborting, const void* Buffer, int64_t Count) {
  int64_t written = 0;
  try {
    written = Stream->Write(Buffer, Count);
  } catch (...) {
    written = -1;
  }
  if (written != Count) Aborting = true;
}

// Streams: the abstract TStream and its memory, file, handle and string descendants.
//
// Positions and sizes are 64-bit. ReadBuffer/WriteBuffer raise EReadError/EWriteError on a short
// transfer; Read/Write return the count actually moved. Every stream may be positioned past its
// end; writing there fills the gap with zero bytes (memory streams) or a file hole (file streams).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

class TComponent;

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// Old-style origin constants, still used by code that calls Seek(offset, int).
enum { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// File open modes and share modes (combined with |).
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

class TStream : public TObject {
  ORV_CLASS(TStream, TObject)
public:
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  int64_t Seek(int64_t Offset, int Origin) { return Seek(Offset, static_cast<TSeekOrigin>(Origin)); }

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  // Size by seeking to the end and back; descendants that know their size override it.
  virtual int64_t Size();
  // Raises EStreamError for streams that cannot change their size.
  virtual void SetSize(int64_t NewSize);

  void ReadBuffer(void* Buffer, int64_t Count);         // EReadError "Stream read error"
  void WriteBuffer(const void* Buffer, int64_t Count);  // EWriteError "Stream write error"
  // Copies Count bytes from Source (all of it from its start when Count is 0); EReadError or
  // EWriteError when the bytes cannot all be moved. Returns the count copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);

  // A component tree in the filer's component format (see filer.h), from the position on.
  // ReadComponent fills Instance, or makes the stream's class when Instance is null.
  TComponent* ReadComponent(TComponent* Instance);
  void WriteComponent(TComponent* Instance);
};

// A stream over a POSIX file descriptor that it does not own (the caller closes it).
class THandleStream : public TStream {
  ORV_CLASS(THandleStream, TStream)
public:
  explicit THandleStream(int AHandle) : FHandle(AHandle) {}
  int Handle() const { return FHandle; }

  using TStream::Seek;  // keeps Seek(Offset, int) visible beside the override
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override;
  void SetSize(int64_t NewSize) override;  // EStreamError with the OS text on failure

protected:
  THandleStream() = default;
  int FHandle = -1;
};

// A named file, opened on construction and closed on destruction.
// Mode is fmCreate (create or truncate, read/write) or fmOpenRead/fmOpenWrite/fmOpenReadWrite,
// each optionally combined with a share mode. Share modes are enforced among the processes of
// this system through advisory locks (fmShareExclusive and fmShareDenyRead lock exclusively,
// fmShareDenyWrite shares; an unlocked writer is refused while someone denies writing).
// Failure raises EFCreateError "Cannot create file \"%s\". %s" or EFOpenError
// "Cannot open file \"%s\". %s" with the operating system's reason.
class TFileStream : public THandleStream {
  ORV_CLASS(TFileStream, THandleStream)
public:
  TFileStream(const std::string& AFileName, uint16_t Mode);
  TFileStream(const std::string& AFileName, uint16_t Mode, uint32_t Rights);
  ~TFileStream() override;
  const std::string& FileName() const { return FFileName; }

protected:
  // For descendants that open the descriptor themselves (temporary files).
  TFileStream(int AHandle, const std::string& AFileName);
  std::string FFileName;
};

// A stream over a block of memory that it does not grow; Write moves nothing (returns 0).
class TCustomMemoryStream : public TStream {
  ORV_CLASS(TCustomMemoryStream, TStream)
public:
  void* Memory() const { return FMemory; }
  using TStream::Seek;
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }
  void SaveToStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);

protected:
  void SetPointer(void* Ptr, int64_t ASize);
  void* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A growable memory stream. Capacity grows geometrically; Memory() stays valid until the next
// operation that changes Size or Capacity.
class TMemoryStream : public TCustomMemoryStream {
  ORV_CLASS(TMemoryStream, TCustomMemoryStream)
public:
  TMemoryStream() = default;
  int64_t Write(const void* Buffer, int64_t Count) override;
  void SetSize(int64_t NewSize) override;
  int64_t Capacity() const { return static_cast<int64_t>(FBuffer.size()); }
  void SetCapacity(int64_t NewCapacity);  // never below Size
  void Clear();
  // Replace the content with the whole of Stream (from its start) or of the file; position 0.
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);

private:
  std::vector<uint8_t> FBuffer;
};

// A memory stream over a byte array; Bytes() is a copy of the first Size bytes.
class TBytesStream : public TMemoryStream {
  ORV_CLASS(TBytesStream, TMemoryStream)
public:
  TBytesStream() = default;
  explicit TBytesStream(const std::vector<uint8_t>& ABytes);
  std::vector<uint8_t> Bytes() const;
};

// A memory stream over a string of bytes (UTF-8 text is kept as it is).
class TStringStream : public TBytesStream {
  ORV_CLASS(TStringStream, TBytesStream)
public:
  TStringStream() = default;
  explicit TStringStream(const std::string& AString);
  std::string DataString() const;
  // Reads up to Count bytes from the position (fewer at the end).
  std::string ReadString(int64_t Count);
  // Writes the string at the position.
  void WriteString(const std::string& AString);
};

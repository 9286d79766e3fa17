// Streams: the abstract TStream and its memory, file, handle and string descendants.
//
// Positions and sizes are 64-bit. ReadBuffer/WriteBuffer raise EReadError/EWriteError on a short
// transfer; Read/Write return the count actually moved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/object.h"

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
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize);

  void ReadBuffer(void* Buffer, int64_t Count);         // EReadError "Stream read error"
  void WriteBuffer(const void* Buffer, int64_t Count);  // EWriteError "Stream write error"
  // Copies Count bytes from Source (all of it from its start when Count is 0).
  int64_t CopyFrom(TStream* Source, int64_t Count);
};

// Streams and text encodings shared by the IO front end and the codecs: a counting-only stream, a
// read-only stream over caller memory, a buffered read-only wrapper for byte-by-byte parsing, a
// file stream opened by name with the platform's modes, length-prefixed strings and CR LF lines,
// and the base64, ASCII base-85 and PostScript run-length encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

// The imaging library's general exception.
ORV_EXCEPTION(EIEException, Exception)

// Counts what is written or read without storing anything (measures the size of an output).
class TNulStream : public TStream {
  ORV_CLASS(TNulStream, TStream)
public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }
  void SetSize(int64_t) override {}

private:
  int64_t FPosition = 0, FSize = 0;
};

// Reads a block the caller holds; never owns, grows or writes it.
class TIEMemStream : public TCustomMemoryStream {
  ORV_CLASS(TIEMemStream, TCustomMemoryStream)
public:
  TIEMemStream(const void* Block, int64_t Size);
  int64_t Write(const void*, int64_t) override { return 0; }
  void SetSize(int64_t) override {}
};

// Read-only buffered view of Source (not owned). Position 0 is Source's position at creation when
// Relative, else Source's start. Single-byte reads never touch Source.
class TIEBufferedReadStream : public TStream {
  ORV_CLASS(TIEBufferedReadStream, TStream)
public:
  TIEBufferedReadStream(TStream* Source, int BufferSize, bool Relative = false);
  int64_t Read(void* Buffer, int64_t Count) override;
  // Raises EIEException "TIEBufferedReadStream cannot write!".
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSourceSize - FOrigin; }
  void SetBufferSize(int n);
  void Refill();
  int RefillCount() const { return FRefills; }

private:
  TStream* FSource;
  int FBufferSize = 0;
  std::vector<uint8_t> FBuffer;
  int64_t FPosition = 0;
  int FBufferPos = 0;
  int64_t FSourceSize = 0;
  int64_t FOrigin = 0;
  int FRefills = 0;
};

// A file opened by name (UTF-8 here): Mode 65535 creates it anew; any other mode opens an existing
// file with access Mode & 3 (0 read, 1 write, 2 both) and sharing (Mode & 0xF0) >> 4. Failure
// raises EFCreateError "Cannot create file \"%s\". %s" or EFOpenError "Cannot open file \"%s\". %s".
class TIEWideFileStream : public THandleStream {
  ORV_CLASS(TIEWideFileStream, THandleStream)
public:
  TIEWideFileStream(const std::string& FileName, uint16_t Mode);
  ~TIEWideFileStream() override;
};
int IEWideFileCreate(const std::string& FileName);
// -1 without touching the file system for an invalid mode.
int IEWideFileOpen(const std::string& FileName, uint16_t Mode);

void IEWriteStringToStream(TStream* Stream, const std::string& Text);
// Reads a length-prefixed string. The length is checked against what the stream still holds
// before anything is allocated: a negative or too large length (or a short stream) answers false,
// leaves Text empty and the stream where the string began.
bool IEReadStringFromStream(TStream* Stream, std::string& Text);
void IEWriteLine(TStream* Stream, const std::string& Text);

// Base64 of everything from Stream's position to its end, written to Output in lines of
// ceil(LineLength / 4) groups, each line ended by a line break.
void IEStreamToBase64Text(TStream* Stream, TStream* Output, int LineLength);
// Encodes 1 to 3 bytes into four characters ("=" for the missing ones).
void IEBase64EncodeGroup(const uint8_t* Bytes, char* Output, int Count);
// ASCII base-85 of Count bytes from Source into Destination (needs about 5/4 Count + Count/15 + 4
// bytes); lines of at most 75 characters, ended by "~>" CR LF. Both pointers advance;
// GroupCharacters counts the characters of the groups; answers everything written.
int IEASCII85Encode(const uint8_t*& Source, int Count, char*& Destination, int& GroupCharacters);
// PostScript run-length encoding (Destination needs Count + Count / 128 + 2 bytes); ends with 128.
int IERunLengthEncode(const uint8_t* Source, int Count, uint8_t* Destination);

// The texts of the PNG picture's errors (pngpicture.h). They are fixed English texts, quoted
// as the picture has always reported them (spelling included), so that callers comparing or
// showing them see the same words.
#pragma once

namespace pnglang {

inline constexpr const char* InvalidCRCText =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of "
    "data (crc error)";
inline constexpr const char* InvalidIHDRText =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of "
    "data (ihdr) might be corrupted";
inline constexpr const char* MissingMultipleIDATText =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* ZLIBErrorText =
    "Could not decompress the image because it contains invalid compressed data.\r\n "
    "Description: ";
inline constexpr const char* InvalidPaletteText =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr const char* InvalidFileHeaderText =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it contains "
    "an invalid header. This file may be corruped, try obtaining it again.";
inline constexpr const char* IHDRNotFirstText =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR "
    "chunk is not the first)";
inline constexpr const char* SizeExceedsText =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
inline constexpr const char* InvalidPixelText = "There is no such palette entry.";
inline constexpr const char* UnknownCriticalChunkText =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not "
    "be decoded.";
inline constexpr const char* UnknownCompressionText =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which "
    "could not be decoded.";
inline constexpr const char* UnknownInterlaceText =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be "
    "decoded.";
inline constexpr const char* CannotAssignChunkText =
    "The chunks must be compatible to be assigned.";
inline constexpr const char* UnexpectedEndText =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected "
    "end of the file.";
inline constexpr const char* NoImageDataText =
    "This \"Portable Network Graphics\" image contains no data.";
inline constexpr const char* CannotChangeSizeText =
    "The \"Portable Network Graphics\" image can not be resize by changing width and height "
    "properties. Try assigning the image from a bitmap.";
inline constexpr const char* OutMemoryText =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";
inline constexpr const char* HeaderNotPresentText =
    "This operation is not valid because the current image contains no valid header.";

// zlib's results -6 .. 2, indexed by result + 6.
inline constexpr const char* ZlibResultTexts[9] = {"incompatible version (-6)",
                                                   "buffer error (-5)",
                                                   "insufficient memory (-4)",
                                                   "data error (-3)",
                                                   "stream error (-2)",
                                                   "file error (-1)",
                                                   "(0)",
                                                   "stream end (1)",
                                                   "need dictionary (2)"};

}  // namespace pnglang

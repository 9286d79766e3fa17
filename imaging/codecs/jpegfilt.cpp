// JPEG codec around libjpeg-turbo (see jpegfilt.h).
//
// Library errors leave libjpeg through a C++ exception thrown by the error-exit routine (the
// library is built with unwind tables); every call site catches it, so no error leaves the reader
// and the writer re-raises it as EIEJpegException. Rows go straight between the library and the
// bitmap in blue-green-red order (the library's JCS_EXT_BGR output), so YCbCr data need no copy.
#include "imaging/codecs/jpegfilt.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first; jerror.h needs jconfig.h through jpeglib.h.
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/iebytes.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iecolor.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/core/iesmall.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"

namespace {

// ======================= message table =======================

const char* const MessageTable[124] = {
    "Bogus message code ?",
    "Sorry, there are legal restrictions on arithmetic coding",
    "ALIGN_TYPE is wrong, please fix",
    "MAX_ALLOC_CHUNK is wrong, please fix",
    "Bogus buffer control mode",
    "Invalid component ID ? in SOS",
    "DCT coefficient out of range",
    "IDCT output block size ? not supported",
    "Bogus Huffman table definition",
    "Bogus input colorspace",
    "Bogus JPEG colorspace",
    "Bogus marker length",
    "Wrong JPEG library version: library is ?, caller expects ?",
    "Sampling factors too large for interleaved scan",
    "Invalid memory pool code ?",
    "Unsupported JPEG data precision ?",
    "Invalid progressive parameters Ss=? Se=? Ah=? Al=?",
    "Invalid progressive parameters at scan script entry ?",
    "Bogus sampling factors",
    "Invalid scan script at entry ?",
    "Improper call to JPEG library in state ?",
    "JPEG parameter struct mismatch: library thinks size is ?, caller expects ?",
    "Bogus virtual array access",
    "Buffer passed to JPEG library is too small",
    "Suspension not allowed here",
    "CCIR601 sampling not implemented yet",
    "Too many color components: ?, max ?",
    "Unsupported color conversion request",
    "Bogus DAC index ?",
    "Bogus DAC value 0x?",
    "Bogus DHT index ?",
    "Bogus DQT index ?",
    "Empty JPEG image (DNL not supported)",
    "Read from EMS failed",
    "Write to EMS failed",
    "Didn't expect more than one scan",
    "Input file read error",
    "Output file write error --- out of disk space?",
    "Fractional sampling not implemented yet",
    "Huffman code size table overflow",
    "Missing Huffman code table entry",
    "Maximum supported image dimension is ? pixels",
    "Empty input file",
    "Premature end of input file",
    "Cannot transcode due to multiple use of quantization table ?",
    "Scan script does not transmit all data",
    "Invalid color quantization mode change",
    "Not implemented yet",
    "Requested feature was omitted at compile time",
    "Backing store not supported",
    "Huffman table was not defined",
    "JPEG datastream contains no image",
    "Quantization table was not defined",
    "Not a JPEG file: starts with ?",
    "Insufficient memory (case ?)",
    "Cannot quantize more than ? color components",
    "Cannot quantize to fewer than ? colors",
    "Cannot quantize to more than ? colors",
    "Invalid JPEG file structure: two SOF markers",
    "Invalid JPEG file structure: missing SOS marker",
    "Unsupported JPEG process: SOF type ?",
    "Invalid JPEG file structure: two SOI markers",
    "Invalid JPEG file structure: SOS before SOF",
    "Failed to create temporary file ?",
    "Read failed on temporary file",
    "Seek failed on temporary file",
    "Write failed on temporary file --- out of disk space?",
    "Application transferred too few scanlines",
    "Unsupported marker type ?",
    "Virtual array controller messed up",
    "Image too wide for this implementation",
    "Read from XMS failed",
    "Write to XMS failed",
    "",
    "",
    "Caution: quantization tables are too coarse for baseline JPEG",
    "Adobe APP14 marker: version ?, flags ?, transform ?",
    "Unknown APP0 marker (not JFIF), length ?",
    "Unknown APP14 marker (not Adobe), length ?",
    "Define Arithmetic Table ?",
    "Define Huffman Table ?",
    "Define Quantization Table ?  precision ?",
    "Define Restart Interval ?",
    "Freed EMS handle ?",
    "Obtained EMS handle ?",
    "End Of Image",
    "?",
    "JFIF APP0 marker: version ?, density ?",
    "Warning: thumbnail image size does not match data length ?",
    "JFIF extension marker: type ?, length ?",
    "with ? x ? thumbnail image",
    "Miscellaneous marker ?, length ?",
    "Unexpected marker ?",
    "?",
    "Quantizing to ? = ?*?*? colors",
    "Quantizing to ? colors",
    "Selected ? colors for quantization",
    "At marker ?, recovery action ?",
    "RST?",
    "Smoothing not supported with nonstandard sampling ratios",
    "Start Of Frame ?: width=?, height=?, components=?",
    "Component ?: ?hx?v q=?",
    "Start of Image",
    "Start Of Scan: ? components",
    "Component ?: dc=? ac=?",
    "Ss=?, Se=?, Ah=?, Al=?",
    "Closed temporary file ?",
    "Opened temporary file ?",
    "JFIF extension marker: JPEG-compressed thumbnail image, length ?",
    "JFIF extension marker: palette thumbnail image, length ?",
    "JFIF extension marker: RGB thumbnail image, length ?",
    "Unrecognized component IDs ? ? ?, assuming YCbCr",
    "Freed XMS handle ?",
    "Obtained XMS handle ?",
    "Unknown Adobe color transform code ?",
    "Inconsistent progression sequence for component ? coefficient ?",
    "Corrupt JPEG data: ? extraneous bytes before marker ?",
    "Corrupt JPEG data: premature end of data segment",
    "Corrupt JPEG data: bad Huffman code",
    "Warning: unknown JFIF revision number ?",
    "Premature end of JPEG file",
    "Corrupt JPEG data: found marker ? instead of RST?",
    "Invalid SOS parameters for sequential JPEG",
    "Application transferred too many scanlines",
};

// Library message number -> table code. The table follows the classic order; the linked library
// inserts messages of its own, so the mapping goes by symbol (and by meaning for the new ones).
struct TCodeMap {
  int Table[JMSG_LASTMSGCODE];
  TCodeMap() {
    for (int& t : Table) t = -1;
    static const J_MESSAGE_CODE Classic[] = {
        JMSG_NOMESSAGE, JERR_ARITH_NOTIMPL, JERR_BAD_ALIGN_TYPE, JERR_BAD_ALLOC_CHUNK, JERR_BAD_BUFFER_MODE,
        JERR_BAD_COMPONENT_ID, JERR_BAD_DCT_COEF, JERR_BAD_DCTSIZE, JERR_BAD_HUFF_TABLE, JERR_BAD_IN_COLORSPACE,
        JERR_BAD_J_COLORSPACE, JERR_BAD_LENGTH, JERR_BAD_LIB_VERSION, JERR_BAD_MCU_SIZE, JERR_BAD_POOL_ID,
        JERR_BAD_PRECISION, JERR_BAD_PROGRESSION, JERR_BAD_PROG_SCRIPT, JERR_BAD_SAMPLING, JERR_BAD_SCAN_SCRIPT,
        JERR_BAD_STATE, JERR_BAD_STRUCT_SIZE, JERR_BAD_VIRTUAL_ACCESS, JERR_BUFFER_SIZE, JERR_CANT_SUSPEND,
        JERR_CCIR601_NOTIMPL, JERR_COMPONENT_COUNT, JERR_CONVERSION_NOTIMPL, JERR_DAC_INDEX, JERR_DAC_VALUE,
        JERR_DHT_INDEX, JERR_DQT_INDEX, JERR_EMPTY_IMAGE, JERR_EMS_READ, JERR_EMS_WRITE, JERR_EOI_EXPECTED,
        JERR_FILE_READ, JERR_FILE_WRITE, JERR_FRACT_SAMPLE_NOTIMPL, JERR_HUFF_CLEN_OVERFLOW,
        JERR_HUFF_MISSING_CODE, JERR_IMAGE_TOO_BIG, JERR_INPUT_EMPTY, JERR_INPUT_EOF,
        JERR_MISMATCHED_QUANT_TABLE, JERR_MISSING_DATA, JERR_MODE_CHANGE, JERR_NOTIMPL, JERR_NOT_COMPILED,
        JERR_NO_BACKING_STORE, JERR_NO_HUFF_TABLE, JERR_NO_IMAGE, JERR_NO_QUANT_TABLE, JERR_NO_SOI,
        JERR_OUT_OF_MEMORY, JERR_QUANT_COMPONENTS, JERR_QUANT_FEW_COLORS, JERR_QUANT_MANY_COLORS,
        JERR_SOF_DUPLICATE, JERR_SOF_NO_SOS, JERR_SOF_UNSUPPORTED, JERR_SOI_DUPLICATE, JERR_SOS_NO_SOF,
        JERR_TFILE_CREATE, JERR_TFILE_READ, JERR_TFILE_SEEK, JERR_TFILE_WRITE, JERR_TOO_LITTLE_DATA,
        JERR_UNKNOWN_MARKER, JERR_VIRTUAL_BUG, JERR_WIDTH_OVERFLOW, JERR_XMS_READ, JERR_XMS_WRITE,
        JMSG_COPYRIGHT, JMSG_VERSION, JTRC_16BIT_TABLES, JTRC_ADOBE, JTRC_APP0, JTRC_APP14, JTRC_DAC, JTRC_DHT,
        JTRC_DQT, JTRC_DRI, JTRC_EMS_CLOSE, JTRC_EMS_OPEN, JTRC_EOI, JTRC_HUFFBITS, JTRC_JFIF,
        JTRC_JFIF_BADTHUMBNAILSIZE, JTRC_JFIF_EXTENSION, JTRC_JFIF_THUMBNAIL, JTRC_MISC_MARKER,
        JTRC_PARMLESS_MARKER, JTRC_QUANTVALS, JTRC_QUANT_3_NCOLORS, JTRC_QUANT_NCOLORS, JTRC_QUANT_SELECTED,
        JTRC_RECOVERY_ACTION, JTRC_RST, JTRC_SMOOTH_NOTIMPL, JTRC_SOF, JTRC_SOF_COMPONENT, JTRC_SOI, JTRC_SOS,
        JTRC_SOS_COMPONENT, JTRC_SOS_PARAMS, JTRC_TFILE_CLOSE, JTRC_TFILE_OPEN, JTRC_THUMB_JPEG,
        JTRC_THUMB_PALETTE, JTRC_THUMB_RGB, JTRC_UNKNOWN_IDS, JTRC_XMS_CLOSE, JTRC_XMS_OPEN, JWRN_ADOBE_XFORM,
        JWRN_BOGUS_PROGRESSION, JWRN_EXTRANEOUS_DATA, JWRN_HIT_MARKER, JWRN_HUFF_BAD_CODE, JWRN_JFIF_MAJOR,
        JWRN_JPEG_EOF, JWRN_MUST_RESYNC, JWRN_NOT_SEQUENTIAL, JWRN_TOO_MUCH_DATA};
    static_assert(sizeof(Classic) / sizeof(Classic[0]) == 124);
    for (int i = 0; i < 124; ++i) Table[Classic[i]] = i;
    // Messages the classic list does not have, by meaning.
#if defined(C_ARITH_CODING_SUPPORTED) || defined(D_ARITH_CODING_SUPPORTED)
    Table[JERR_NO_ARITH_TABLE] = 1;    // arithmetic coding
    Table[JWRN_ARITH_BAD_CODE] = 118;  // corrupt entropy-coded data
#endif
  }
};

const TCodeMap& CodeMap() {
  static const TCodeMap map;
  return map;
}

thread_local std::string gJpegLastError;

// ======================= managers =======================

constexpr int JpegBufferSize = 65536;

struct TIEJpegErrorMgr {
  jpeg_error_mgr pub;
  std::atomic<bool>* Aborting = nullptr;
  int LastWarning = 0;  // table code
};

struct TIEJpegFailure {
  int Code;  // table code
};

void SetAbort(std::atomic<bool>* a) {
  if (a) a->store(true);
}

[[noreturn]] void JpegErrorExitImpl(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TIEJpegErrorMgr*>(cinfo->err);
  SetAbort(err->Aborting);
  throw TIEJpegFailure{IEJpegTableCode(err->pub.msg_code)};
}

void JpegErrorExit(j_common_ptr cinfo) { JpegErrorExitImpl(cinfo); }

void JpegEmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<TIEJpegErrorMgr*>(cinfo->err);
  if (level == -1) {
    ++err->pub.num_warnings;
    err->LastWarning = IEJpegTableCode(err->pub.msg_code);
  }
}

void JpegOutputMessage(j_common_ptr) {}
void JpegFormatMessage(j_common_ptr, char* buffer) { buffer[0] = 0; }
void JpegResetErrorMgr(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

void InitErrorMgr(TIEJpegErrorMgr& err, std::atomic<bool>* aborting) {
  std::memset(&err.pub, 0, sizeof err.pub);
  err.pub.error_exit = JpegErrorExit;
  err.pub.emit_message = JpegEmitMessage;
  err.pub.output_message = JpegOutputMessage;
  err.pub.format_message = JpegFormatMessage;
  err.pub.reset_error_mgr = JpegResetErrorMgr;
  err.Aborting = aborting;
  err.LastWarning = 0;
}

struct TIEJpegSourceMgr {
  jpeg_source_mgr pub;
  TStream* Stream = nullptr;
  bool StartOfFile = false;
  std::atomic<bool>* Aborting = nullptr;
  uint8_t Buffer[JpegBufferSize];
};

void SrcInit(j_decompress_ptr cinfo) { reinterpret_cast<TIEJpegSourceMgr*>(cinfo->src)->StartOfFile = true; }

boolean SrcFill(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<TIEJpegSourceMgr*>(cinfo->src);
  int64_t n = src->Stream->Read(src->Buffer, JpegBufferSize);
  if (n <= 0) {
    if (src->StartOfFile) SetAbort(src->Aborting);  // empty input
    // An inserted end-of-image marker lets the library finish what it has.
    src->Buffer[0] = 0xFF;
    src->Buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->Buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(n);
  src->StartOfFile = false;
  return TRUE;
}

void SrcSkip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<TIEJpegSourceMgr*>(cinfo->src);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    SrcFill(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void SrcTerm(j_decompress_ptr) {}

void InstallSource(j_decompress_ptr cinfo, TIEJpegSourceMgr* src, TStream* stream, std::atomic<bool>* aborting) {
  src->Stream = stream;
  src->Aborting = aborting;
  src->pub.init_source = SrcInit;
  src->pub.fill_input_buffer = SrcFill;
  src->pub.skip_input_data = SrcSkip;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = SrcTerm;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  cinfo->src = &src->pub;
}

struct TIEJpegDestMgr {
  jpeg_destination_mgr pub;
  TStream* Stream = nullptr;
  std::atomic<bool>* Aborting = nullptr;
  uint8_t Buffer[JpegBufferSize];
};

void DestInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TIEJpegDestMgr*>(cinfo->dest);
  d->pub.next_output_byte = d->Buffer;
  d->pub.free_in_buffer = JpegBufferSize;
}

void DestWrite(TIEJpegDestMgr* d, size_t count) {
  if (count == 0) return;
  bool aborting = false;
  IEStreamWrite(d->Stream, aborting, d->Buffer, static_cast<int64_t>(count));
  if (aborting) SetAbort(d->Aborting);
}

boolean DestEmpty(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TIEJpegDestMgr*>(cinfo->dest);
  DestWrite(d, JpegBufferSize);
  d->pub.next_output_byte = d->Buffer;
  d->pub.free_in_buffer = JpegBufferSize;
  return TRUE;
}

void DestTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TIEJpegDestMgr*>(cinfo->dest);
  DestWrite(d, JpegBufferSize - d->pub.free_in_buffer);
}

// ======================= small helpers =======================

bool IsXMPMarker(const uint8_t* data, int len) {
  static const char id[] = "http://ns.adobe.com/xap/1.0/";
  return data && len >= 30 && std::memcmp(data, id, sizeof id) == 0;
}

// Destroys the library object and whatever the call allocated, on every path.
struct TDecompressGuard {
  jpeg_decompress_struct* cinfo;
  ~TDecompressGuard() { jpeg_destroy_decompress(cinfo); }
};
struct TCompressGuard {
  jpeg_compress_struct* cinfo;
  ~TCompressGuard() { jpeg_destroy_compress(cinfo); }
};

// The scale denominator for the requested size (automatic) or the fixed code.
int ChooseScale(int code, int imageW, int imageH, int wantW, int wantH) {
  switch (code) {
    case 0:
      if (wantW <= 0 || wantH <= 0) return 1;
      for (int n = 3; n >= 0; --n)
        if ((imageW >> n) >= wantW && (imageH >> n) >= wantH) return 1 << n;
      return 1;
    case 1: return 1;
    case 2: return 2;
    case 3: return 4;
    case 4: return 8;
    default: return 1;
  }
}

}  // namespace

const char* IEJpegMessageText(int Code) {
  if (Code < 0 || Code > 123) return "Corrupted";
  return MessageTable[Code];
}

int IEJpegTableCode(int LibraryCode) {
  if (LibraryCode < 0 || LibraryCode >= JMSG_LASTMSGCODE) return -1;
  return CodeMap().Table[LibraryCode];
}

const std::string& JpegLastErrorText() { return gJpegLastError; }

// ======================= scans =======================

int64_t JpegFindStart(TStream* Stream) {
  int64_t p = Stream->Position();
  uint8_t buf[152];
  int64_t n = Stream->Read(buf, sizeof buf);
  Stream->SetPosition(p);
  for (int64_t q = 0; q < 150 && q + 2 < n; ++q)
    if (buf[q] == 0xFF && buf[q + 1] == 0xD8 && buf[q + 2] == 0xFF) return p + q;
  return -1;
}

int32_t JpegFindEnd(TStream* Stream) {
  int64_t p = Stream->Position();
  TIEBufferedReadStream r(Stream, 8192, true);
  uint8_t b;
  while (r.Read(&b, 1) == 1) {
    if (b != 0xFF) continue;
    uint8_t c;
    if (r.Read(&c, 1) != 1) break;
    if ((c >= 0xC0 && c <= 0xCF) || (c >= 0xDA && c <= 0xFE)) {
      uint8_t l[2];
      if (r.Read(l, 2) != 2) break;
      int len = IEBE16(l);
      if (len < 2) continue;
      r.Seek(len - 2, soCurrent);
      if (r.Position() > r.Size()) break;
    } else if (c == 0xD9) {
      break;
    }
  }
  int64_t end = std::min(r.Position(), r.Size());
  Stream->SetPosition(p);
  return static_cast<int32_t>(end);
}

void JpegReadICCProfile(TStream* Stream, TIOParamsVals& IOParams) {
  int64_t p = Stream->Position();
  TIEBufferedReadStream r(Stream, 8192, true);
  std::vector<std::vector<uint8_t>> chunks;  // by chunk number (0-based); empty = missing
  int total = 0, counter = 0;
  bool malformed = false;
  uint8_t b;
  while (!malformed && r.Read(&b, 1) == 1) {
    if (b != 0xFF) continue;
    uint8_t c;
    if (r.Read(&c, 1) != 1) break;
    bool sof = (c >= 0xC0 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC);
    if (sof || c == 0xD9) break;
    bool skip = c == 0xC4 || c == 0xC8 || c == 0xCC || (c >= 0xDA && c <= 0xFE && c != 0xE2);
    if (!skip && c != 0xE2) continue;
    uint8_t l[2];
    if (r.Read(l, 2) != 2) break;
    int len = IEBE16(l);
    if (len < 2) break;
    if (skip) {
      r.Seek(len - 2, soCurrent);
      continue;
    }
    std::vector<uint8_t> data(len - 2);
    if (r.Read(data.data(), len - 2) != len - 2) break;
    static const char id[] = "ICC_PROFILE";  // with its terminating zero
    if (data.size() < sizeof id || std::memcmp(data.data(), id, sizeof id) != 0) continue;
    // A chunk: identifier, sequence number (1..count), count, profile bytes.
    if (data.size() < 14) {
      malformed = true;
      break;
    }
    int seq = data[12], count = data[13];
    if (count == 0 || seq < 1 || seq > count || (total != 0 && count != total)) {
      malformed = true;
      break;
    }
    total = count;
    if (chunks.size() < static_cast<size_t>(count)) chunks.resize(count);
    if (!chunks[seq - 1].empty()) {  // the same chunk twice
      malformed = true;
      break;
    }
    chunks[seq - 1].assign(data.begin() + 14, data.end());
    if (chunks[seq - 1].empty()) chunks[seq - 1].push_back(0), chunks[seq - 1].clear();
    ++counter;
    if (counter == total) break;
  }
  Stream->SetPosition(p);
  if (malformed || total == 0 || counter != total) return;
  std::vector<uint8_t> profile;
  for (auto& ch : chunks) profile.insert(profile.end(), ch.begin(), ch.end());
  if (profile.empty()) return;
  IOParams.GetInputICCProfile()->LoadFromBuffer(profile.data(), static_cast<int>(profile.size()));
}

// ======================= reader =======================

namespace {

struct TReadState {
  jpeg_decompress_struct cinfo;
  TIEJpegErrorMgr err;
  std::unique_ptr<TIEJpegSourceMgr> src, tablesSrc;
};

// Pixels of one decoded row into bitmap row r. Colour conversions go through the library-wide
// routine, which uses the file's ICC profile when colour management is on.
void StoreRow(TIEBitmap* Bitmap, int r, uint8_t* row, J_COLOR_SPACE out, bool invertCMYK, int width,
              TIOParamsVals& P, bool colorManaged) {
  uint8_t* dst = Bitmap->Scanline(r);
  switch (out) {
    case JCS_GRAYSCALE:
      if (Bitmap->PixelFormat() == ie8g) {
        std::memcpy(dst, row, width);
      } else {
        for (int x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = row[x];
      }
      break;
    case JCS_CMYK:
      if (invertCMYK)
        for (int i = 0; i < 4 * width; ++i) row[i] = static_cast<uint8_t>(255 - row[i]);
      if (Bitmap->PixelFormat() == ieCMYK)
        std::memcpy(dst, row, 4 * static_cast<size_t>(width));
      else
        IEConvertColorFunction(row, 2, dst, &P, width, 1);
      break;
    case JCS_EXT_BGR:
      if (colorManaged)
        IEConvertColorFunction(row, 1, dst, &P, width, 1);
      else
        std::memcpy(dst, row, 3 * static_cast<size_t>(width));
      break;
    default:  // raw samples, three bytes per pixel
      std::memcpy(dst, row, 3 * static_cast<size_t>(width));
      break;
  }
}

// The JFIF density as DPI: units 0 (an aspect ratio such as 2:3, kept as it is; the front end's
// CheckDPI replaces values below 2 later) and 1 as they are, unit 2 (dots per centimetre) times
// 2.54, other units leave the DPI unchanged. No JFIF header counts as unit 0 with 1 x 1.
void ApplyDpiFromJfif(jpeg_decompress_struct& ci, TIOParamsVals& P) {
  if (!ci.saw_JFIF_marker) {
    P.SetDpiX(1);
    P.SetDpiY(1);
    return;
  }
  switch (ci.density_unit) {
    case 0:
    case 1:
      P.SetDpiX(ci.X_density);
      P.SetDpiY(ci.Y_density);
      break;
    case 2:
      P.SetDpiX(static_cast<int>(ci.X_density * 2.54));
      P.SetDpiY(static_cast<int>(ci.Y_density * 2.54));
      break;
    default: break;
  }
}

}  // namespace

int JpegReadImage(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                  TIEProgressRec& Progress, bool Preview, bool RawYCbCr, bool ReadMetadata, bool InvertCMYK,
                  bool DropAppliedICC, bool ReadICC, int MaxRows, bool NativeFormat) {
  TIOParamsVals& P = IOParams;
  gJpegLastError.clear();
  // 1. EXIF thumbnail shortcut.
  if (P.JPEG_GetExifThumbnail) {
    if (P.EXIF_Bitmap) P.EXIF_Bitmap->FreeImage();
    P.SetGetExifThumbnail(false);
    int w = P.Width, h = P.Height;
    int64_t start = Stream->Position();
    JpegReadImage(Stream, TablesStream, Bitmap, P, Progress, true, RawYCbCr, true, InvertCMYK, DropAppliedICC, false,
                  -1, NativeFormat);
    Stream->SetPosition(start);
    P.SetGetExifThumbnail(true);
    if (P.EXIF_Bitmap && !P.EXIF_Bitmap->IsEmpty()) {
      Bitmap->Assign(P.EXIF_Bitmap);
      return 0;
    }
    Stream->SetPosition(start);
    P.Width = w;
    P.Height = h;
  }
  // 2.-3.
  P.JPEG_WarningTot = 0;
  P.JPEG_WarningCode = 0;
  int64_t found = JpegFindStart(Stream);
  if (found < 0) {
    Progress.Abort();
    gJpegLastError = IEJpegMessageText(53);
    return 0;
  }
  Stream->SetPosition(found);
  if (ReadICC) JpegReadICCProfile(Stream, P);
  // Colour management applies when it is switched on and the file brought a profile.
  const bool colorManaged =
      IEColorManagement && P.InputICCProfileOrNil() != nullptr && P.InputICCProfileOrNil()->IsValid();

  auto st = std::make_unique<TReadState>();
  jpeg_decompress_struct& ci = st->cinfo;
  InitErrorMgr(st->err, Progress.Aborting);
  ci.err = &st->err.pub;
  jpeg_CreateDecompress(&ci, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
  TDecompressGuard guard{&ci};

  int rowsRead = 0;
  bool aborted = false, started = false;
  int jfifDpiX = -1, jfifDpiY = -1;  // the density's DPI, once the header is read
  std::string errorText;  // published at the end: the metadata step may decode a thumbnail
  std::vector<uint8_t> work;
  J_COLOR_SPACE outSpace = JCS_UNKNOWN;
  auto fail = [&](int code) {
    aborted = true;
    Progress.Abort();
    if (errorText.empty()) errorText = IEJpegMessageText(code);
  };
  try {
    st->src.reset(new TIEJpegSourceMgr());
    if (TablesStream && TablesStream != Stream) {
      st->tablesSrc.reset(new TIEJpegSourceMgr());
      InstallSource(&ci, st->tablesSrc.get(), TablesStream, Progress.Aborting);
      jpeg_read_header(&ci, FALSE);
    }
    InstallSource(&ci, st->src.get(), Stream, Progress.Aborting);
    if (Progress.IsAborting()) throw TIEJpegFailure{42};
    jpeg_save_markers(&ci, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&ci, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&ci, TRUE);

    // 9. Colour space.
    P.SetImageCount(1);
    P.BitsPerSample = 8;
    bool storedRGB = false;
    switch (ci.jpeg_color_space) {
      case JCS_GRAYSCALE:
        P.JPEG_ColorSpace = 1;
        P.SamplesPerPixel = 1;
        outSpace = JCS_GRAYSCALE;
        break;
      case JCS_RGB:
        P.JPEG_ColorSpace = 0;
        P.SamplesPerPixel = 3;
        storedRGB = true;
        outSpace = JCS_EXT_BGR;
        break;
      case JCS_YCbCr:
        P.JPEG_ColorSpace = 2;
        P.SamplesPerPixel = 3;
        outSpace = JCS_EXT_BGR;
        break;
      case JCS_CMYK:
        P.JPEG_ColorSpace = 3;
        P.SamplesPerPixel = 4;
        outSpace = JCS_CMYK;
        break;
      case JCS_YCCK:
        P.JPEG_ColorSpace = 4;
        P.SamplesPerPixel = 4;
        outSpace = JCS_CMYK;
        break;
      default:
        // A frame the codec cannot turn into pixels: an error, not undefined pixels.
        throw TIEJpegFailure{10};
    }
    if (RawYCbCr && (ci.jpeg_color_space == JCS_YCbCr || ci.jpeg_color_space == JCS_RGB)) {
      // Samples as stored (Y, Cb, Cr in byte order); RGB files keep red-green-blue swapped to the
      // bitmap's order.
      outSpace = storedRGB ? JCS_EXT_BGR : JCS_YCbCr;
    }
    ci.out_color_space = outSpace;
    switch (P.JPEG_DCTMethod) {
      case 0: ci.dct_method = JDCT_ISLOW; break;
      case 1: ci.dct_method = JDCT_IFAST; break;
      case 2: ci.dct_method = JDCT_FLOAT; break;
      default: break;
    }
    ApplyDpiFromJfif(ci, P);
    jfifDpiX = P.DpiX;
    jfifDpiY = P.DpiY;
    P.SetColorMap(nullptr, 0);
    P.JPEG_Progressive = jpeg_has_multiple_scans(&ci) != 0;
    P.OriginalWidth = static_cast<int>(ci.image_width);
    P.OriginalHeight = static_cast<int>(ci.image_height);
    if (!Preview && !IEPlausibleImageSize(ci.image_width, ci.image_height, Stream->Size() - found))
      throw TIEJpegFailure{41};  // a header claiming far more pixels than its data can hold
    int denom = ChooseScale(P.JPEG_Scale, P.OriginalWidth, P.OriginalHeight, P.Width, P.Height);
    ci.scale_num = 1;
    ci.scale_denom = static_cast<unsigned>(denom);
    P.JPEG_Scale_Used = denom;

    if (Preview) {
      P.Width = P.OriginalWidth;
      P.Height = P.OriginalHeight;
    } else {
      jpeg_start_decompress(&ci);
      started = true;
      const int ow = static_cast<int>(ci.output_width), oh = static_cast<int>(ci.output_height);
      P.Width = ow;
      P.Height = oh;
      work.resize(static_cast<size_t>(4) * ow + 16);
      TIEPixelFormat pf = ie24RGB;
      if (NativeFormat) {
        if (outSpace == JCS_GRAYSCALE) pf = ie8g;
        if (outSpace == JCS_CMYK) pf = ieCMYK;
      }
      if (!Bitmap->Allocate(ow, oh, pf)) throw TIEJpegFailure{54};
      int limit = MaxRows < 0 ? Bitmap->Height() : std::min(MaxRows, Bitmap->Height());
      Progress.Per = oh > 0 ? 100.0 / oh : 0;
      Progress.Val = 0;
      Progress.LastPer = -1;
      // Rows that need no conversion are decoded straight into the bitmap (one at a time, so that
      // progress and the abort flag are seen after every row).
      const bool direct = (outSpace == JCS_EXT_BGR && !colorManaged && pf == ie24RGB) ||
                          (outSpace == JCS_GRAYSCALE && pf == ie8g) ||
                          (outSpace == JCS_CMYK && pf == ieCMYK && !InvertCMYK) ||
                          (outSpace == JCS_YCbCr && pf == ie24RGB);
      while (ci.output_scanline < ci.output_height && rowsRead < limit) {
        int got;
        if (direct) {
          JSAMPROW row = Bitmap->Scanline(rowsRead);
          got = static_cast<int>(jpeg_read_scanlines(&ci, &row, 1));
          if (got <= 0) break;
        } else {
          JSAMPROW row = work.data();
          got = static_cast<int>(jpeg_read_scanlines(&ci, &row, 1));
          if (got <= 0) break;
          StoreRow(Bitmap, rowsRead, work.data(), outSpace, InvertCMYK && outSpace == JCS_CMYK, ow, P, colorManaged);
        }
        rowsRead += got;
        Progress.Val += got;
        Progress.Report();
        if (Progress.IsAborting()) {
          aborted = true;
          break;
        }
      }
      if (!aborted && rowsRead < limit) fail(67);
    }
  } catch (const TIEJpegFailure& f) {
    fail(f.Code);
  } catch (const std::exception& e) {
    fail(-1);
    errorText = e.what();
  }

  // 17. Finishing, on every path.
  if (P.JPEG_MarkerList) {
    P.JPEG_MarkerList->Clear();
    bool firstApp0 = true;
    for (jpeg_saved_marker_ptr m = ci.marker_list; m; m = m->next) {
      if (m->marker == JPEG_APP0 && firstApp0) {
        firstApp0 = false;
        continue;
      }
      if (m->data_length > static_cast<unsigned>(TIEMarkerList::MaxMarkerData)) continue;
      P.JPEG_MarkerList->AddMarker(static_cast<uint8_t>(m->marker), m->data, static_cast<int>(m->data_length));
    }
  }
  if (DropAppliedICC && colorManaged && P.InputICCProfileOrNil()->HasTransform()) {
    // The profile is now in the pixels: its transform goes, whatever the number of rows read,
    // and its chunks are not written again.
    P.InputICCProfileOrNil()->FreeTransform();
    for (int i = P.JPEG_MarkerList ? P.JPEG_MarkerList->GetCount() - 1 : -1; i >= 0; --i)
      if (P.JPEG_MarkerList->GetMarkerType(i) == JPEG_APP0 + 2) P.JPEG_MarkerList->DeleteMarker(i);
  }
  if (started && !aborted && !Preview) {
    st->err.Aborting = nullptr;
    try {
      if (ci.output_scanline < ci.output_height)
        jpeg_abort_decompress(&ci);  // stopped at the row limit: nothing more to read
      else
        jpeg_finish_decompress(&ci);
    } catch (...) {
    }
  }
  if (st->err.pub.num_warnings != 0) {
    P.JPEG_WarningTot = static_cast<int32_t>(st->err.pub.num_warnings);
    P.JPEG_WarningCode = st->err.LastWarning;
  }

  if (ReadMetadata && P.JPEG_MarkerList) {
    TIEMarkerList& ml = *P.JPEG_MarkerList;
    for (int i = 0; i < ml.GetCount(); ++i)
      if (ml.GetMarkerType(i) == JPEG_APP0 + 13 && P.IPTC_Info &&
          P.IPTC_Info->LoadFromStandardBuffer(ml.GetMarkerData(i), ml.GetMarkerLength(i)))
        break;
    for (int i = 0; i < ml.GetCount(); ++i) {
      if (ml.GetMarkerType(i) != JPEG_APP0 + 1) continue;
      const uint8_t* d = ml.GetMarkerData(i);
      int len = ml.GetMarkerLength(i);
      if (!IELoadEXIFFromStandardBuffer(d, len, &P)) continue;
      if (jfifDpiX == 1 && jfifDpiY == 1) {
        // No real density in the JFIF header: the EXIF resolution, in inches.
        double f = P.EXIF_ResolutionUnit == 3 ? 2.54 : 1.0;
        P.SetDpiX(IETruncToInt32(P.EXIF_XResolution * f));
        P.SetDpiY(IETruncToInt32(P.EXIF_YResolution * f));
      } else if (jfifDpiX >= 0) {
        // The JFIF density stands; the EXIF resolution fields follow it.
        P.SetDpiX(jfifDpiX);
        P.SetDpiY(jfifDpiY);
      }
      if (P.JPEG_EnableAdjustOrientation && !Preview && rowsRead > 0) {
        IEApplyOrientation(Bitmap, P.EXIF_Orientation);
        P.SetEXIF_Orientation(1);
        if (P.EXIF_Orientation == 1 && (Bitmap->Width() != P.Width || Bitmap->Height() != P.Height)) {
          P.Width = Bitmap->Width();
          P.Height = Bitmap->Height();
        }
      }
      break;
    }
    for (int i = 0; i < ml.GetCount(); ++i)
      if (ml.GetMarkerType(i) == JPEG_APP0 + 1 && IsXMPMarker(ml.GetMarkerData(i), ml.GetMarkerLength(i))) {
        const char* d = reinterpret_cast<const char*>(ml.GetMarkerData(i));
        int skip = 29;  // the identifier and its zero byte
        P.XMP_Info.assign(d + skip, ml.GetMarkerLength(i) - skip);
        break;
      }
  }
  gJpegLastError = errorText;
  return Preview ? 0 : rowsRead;
}

// ======================= writer =======================

void JpegWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress) {
  TIOParamsVals& P = IOParams;
  std::unique_ptr<TIEBitmap> temp;
  TIEBitmap* src = Bitmap;
  if (src->PixelFormat() != ie24RGB) {
    temp.reset(IEConvertedCopy(Bitmap, ie24RGB));
    src = temp.get();
  }
  if (src->Width() == 0 || src->Height() == 0) {
    Progress.Abort();
    return;
  }
  TIEJpegErrorMgr err;
  InitErrorMgr(err, Progress.Aborting);
  jpeg_compress_struct ci;
  std::memset(&ci, 0, sizeof ci);
  ci.err = &err.pub;
  jpeg_CreateCompress(&ci, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
  TCompressGuard guard{&ci};
  auto dest = std::make_unique<TIEJpegDestMgr>();
  dest->Stream = Stream;
  dest->Aborting = Progress.Aborting;
  dest->pub.init_destination = DestInit;
  dest->pub.empty_output_buffer = DestEmpty;
  dest->pub.term_destination = DestTerm;
  ci.dest = &dest->pub;
  if (Progress.IsAborting()) return;
  try {
    const int w = src->Width(), h = src->Height();
    ci.image_width = static_cast<JDIMENSION>(w);
    ci.image_height = static_cast<JDIMENSION>(h);
    ci.input_components = 3;
    ci.in_color_space = JCS_EXT_BGR;
    J_COLOR_SPACE target;
    bool cmykInput = false;
    switch (P.JPEG_ColorSpace) {
      case 1: target = JCS_GRAYSCALE; break;
      case 2: target = JCS_YCbCr; break;
      case 3: target = JCS_CMYK; cmykInput = true; break;
      case 4: target = JCS_YCCK; cmykInput = true; break;
      default: target = JCS_RGB; break;
    }
    if (cmykInput) {
      ci.input_components = 4;
      ci.in_color_space = JCS_CMYK;
    }
    jpeg_set_defaults(&ci);
    jpeg_set_colorspace(&ci, target);
    ci.density_unit = 1;
    ci.X_density = static_cast<UINT16>(P.DpiX != 0 ? P.DpiX : IEDefaultDpiX);
    ci.Y_density = static_cast<UINT16>(P.DpiY != 0 ? P.DpiY : IEDefaultDpiY);
    switch (P.JPEG_DCTMethod) {
      case 0: ci.dct_method = JDCT_ISLOW; break;
      case 1: ci.dct_method = JDCT_IFAST; break;
      case 2: ci.dct_method = JDCT_FLOAT; break;
      default: break;
    }
    ci.optimize_coding = P.JPEG_OptimalHuffman ? TRUE : FALSE;
    ci.smoothing_factor = std::clamp(P.JPEG_Smooth, 0, 100);
    jpeg_set_quality(&ci, std::clamp(P.JPEG_Quality, 0, 100), TRUE);
    if (target == JCS_YCbCr) {
      switch (P.JPEG_ChromaSubsampling) {
        case 0: ci.comp_info[0].h_samp_factor = 2; ci.comp_info[0].v_samp_factor = 1; break;
        case 1: ci.comp_info[0].h_samp_factor = 2; ci.comp_info[0].v_samp_factor = 2; break;
        case 2: ci.comp_info[0].h_samp_factor = 1; ci.comp_info[0].v_samp_factor = 1; break;
        default: break;
      }
      ci.comp_info[1].h_samp_factor = ci.comp_info[1].v_samp_factor = 1;
      ci.comp_info[2].h_samp_factor = ci.comp_info[2].v_samp_factor = 1;
    }
    if (target == JCS_CMYK) ci.write_JFIF_header = TRUE;
    if (P.JPEG_Progressive) jpeg_simple_progression(&ci);
    jpeg_start_compress(&ci, TRUE);
    if (P.JPEG_MarkerList) {
      TIEMarkerList& ml = *P.JPEG_MarkerList;
      ml.SortMarkers();
      for (int i = 0; i < ml.GetCount(); ++i) {
        int type = ml.GetMarkerType(i);
        if (type == JPEG_APP0 + 14) continue;  // the library writes its own Adobe marker
        const uint8_t* d = ml.GetMarkerData(i);
        int len = ml.GetMarkerLength(i);
        std::vector<uint8_t> patched;
        if (type == JPEG_APP0 + 1 && IEIsEXIFMarker(d, len)) {
          // The EXIF block must describe the pixels written now (after a rotation or a crop).
          patched.assign(d, d + len);
          if (JpegPatchExifForPixels(patched, P.EXIF_Orientation, w, h)) {
            d = patched.data();
            len = static_cast<int>(patched.size());
          }
        }
        if (len > TIEMarkerList::MaxMarkerData) continue;  // never write a corrupt marker
        jpeg_write_marker(&ci, type, d, static_cast<unsigned>(len));
      }
    }
    std::vector<uint8_t> work(static_cast<size_t>(w) * 4 + 16);
    Progress.Per = 100.0 / h;
    Progress.Val = 0;
    Progress.LastPer = -1;
    while (ci.next_scanline < ci.image_height) {
      const uint8_t* line = src->Scanline(static_cast<int>(ci.next_scanline));
      JSAMPROW row;
      if (cmykInput) {
        IEConvertColorFunction(line, 1, work.data(), &P, w, 2);  // 255 = no ink
        row = work.data();
      } else {
        std::memcpy(work.data(), line, static_cast<size_t>(w) * 3);
        row = work.data();
      }
      jpeg_write_scanlines(&ci, &row, 1);
      ++Progress.Val;
      Progress.Report();
      if (Progress.IsAborting()) break;
    }
    if (!Progress.IsAborting()) jpeg_finish_compress(&ci);
  } catch (const TIEJpegFailure& f) {
    Progress.Abort();
    throw EIEJpegException(IEJpegMessageText(f.Code));
  }
}

// ======================= procedural decoding =======================

struct TIEJpegDecompressor {
  jpeg_decompress_struct cinfo;
  std::unique_ptr<TIEJpegErrorMgr> err;
  std::unique_ptr<TIEJpegSourceMgr> src;
  bool created = false;
  TIEJpegFillProc fill = nullptr;
  void* fillData = nullptr;
};

namespace {

// Runs one library call; a library error becomes EIEJpegException with the table's text.
template <class Fn> auto Guarded(Fn fn) -> decltype(fn()) {
  try {
    return fn();
  } catch (const TIEJpegFailure& f) {
    throw EIEJpegException(IEJpegMessageText(f.Code));
  }
}

boolean UserFill(j_decompress_ptr cinfo) {
  auto* d = static_cast<TIEJpegDecompressor*>(cinfo->client_data);
  return d->fill && d->fill(d, d->fillData) ? TRUE : FALSE;
}

}  // namespace

TIEJpegDecompressor* IEJpegAllocDecompressor() {
  auto* d = new TIEJpegDecompressor();
  std::memset(&d->cinfo, 0, sizeof d->cinfo);
  return d;
}

void IEJpegFreeDecompressor(TIEJpegDecompressor* D) {
  if (D && D->created) jpeg_destroy_decompress(&D->cinfo);
  delete D;
}

void IEJpegCreateErrorManager(TIEJpegDecompressor* D) {
  D->err.reset(new TIEJpegErrorMgr());
  InitErrorMgr(*D->err, nullptr);
  D->cinfo.err = &D->err->pub;
}

void IEJpegFreeErrorManager(TIEJpegDecompressor* D) {
  if (D->created) return;  // the object still refers to it; Destroy first
  D->cinfo.err = nullptr;
  D->err.reset();
}

void IEJpegCreate(TIEJpegDecompressor* D) {
  if (!D->err) IEJpegCreateErrorManager(D);
  Guarded([&] { jpeg_CreateDecompress(&D->cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct)); });
  D->cinfo.client_data = D;
  D->created = true;
}

void IEJpegDestroy(TIEJpegDecompressor* D) {
  if (!D->created) return;
  jpeg_destroy_decompress(&D->cinfo);
  D->created = false;
}

void IEJpegSetStreamSource(TIEJpegDecompressor* D, TStream* Stream) {
  D->src.reset(new TIEJpegSourceMgr());
  InstallSource(&D->cinfo, D->src.get(), Stream, nullptr);
}

void IEJpegReplaceFillRoutine(TIEJpegDecompressor* D, TIEJpegFillProc Fill, void* UserData) {
  if (!D->src) IEJpegSetStreamSource(D, nullptr);
  D->fill = Fill;
  D->fillData = UserData;
  D->src->pub.fill_input_buffer = UserFill;
}

void IEJpegSetInputBuffer(TIEJpegDecompressor* D, const uint8_t* Data, size_t Length) {
  if (!D->src) IEJpegReplaceFillRoutine(D, nullptr, nullptr);
  D->src->pub.next_input_byte = Data;
  D->src->pub.bytes_in_buffer = Length;
}

int IEJpegReadHeader(TIEJpegDecompressor* D, bool RequireImage) {
  return Guarded([&] { return jpeg_read_header(&D->cinfo, RequireImage ? TRUE : FALSE); });
}

bool IEJpegStart(TIEJpegDecompressor* D) {
  return Guarded([&] { return jpeg_start_decompress(&D->cinfo) != FALSE; });
}

int IEJpegOutputWidth(TIEJpegDecompressor* D) { return static_cast<int>(D->cinfo.output_width); }
int IEJpegOutputHeight(TIEJpegDecompressor* D) { return static_cast<int>(D->cinfo.output_height); }
int IEJpegOutputComponents(TIEJpegDecompressor* D) { return D->cinfo.output_components; }
int IEJpegOutputScanline(TIEJpegDecompressor* D) { return static_cast<int>(D->cinfo.output_scanline); }

uint8_t** IEJpegAllocSampleArray(TIEJpegDecompressor* D, int SamplesPerRow, int Rows) {
  return Guarded([&] {
    return reinterpret_cast<uint8_t**>((*D->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&D->cinfo), JPOOL_IMAGE,
                                                                     static_cast<JDIMENSION>(SamplesPerRow),
                                                                     static_cast<JDIMENSION>(Rows)));
  });
}

int IEJpegReadScanlines(TIEJpegDecompressor* D, uint8_t** Rows, int Count) {
  return Guarded([&] {
    return static_cast<int>(jpeg_read_scanlines(&D->cinfo, reinterpret_cast<JSAMPARRAY>(Rows), static_cast<JDIMENSION>(Count)));
  });
}

bool IEJpegFinish(TIEJpegDecompressor* D) {
  return Guarded([&] { return jpeg_finish_decompress(&D->cinfo) != FALSE; });
}

// ======================= registration =======================

namespace {

void JpegReadHook(TStream* Stream, TStream* Stream2, TIEBitmap* Bitmap, bool NativePixelFormat, int RowLimit,
                  bool ReadICC, bool ApplyICC, bool InvertCMYK, bool ParseMetadata, bool KeepYCbCr, bool Preview,
                  TIEProgressRec& Progress, TIOParamsVals& IOParams) {
  JpegReadImage(Stream, Stream2, Bitmap, IOParams, Progress, Preview, KeepYCbCr, ParseMetadata, InvertCMYK, ApplyICC,
                ReadICC, RowLimit, NativePixelFormat);
}

}  // namespace

void IERegisterJpegCodec() {
  IECodecs.JpegReadImage = JpegReadHook;
  IECodecs.JpegWriteImage = JpegWriteImage;
}

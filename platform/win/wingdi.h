// The GDI stand-in: device contexts, drawing objects, regions, blits, DIBs, text and metafiles.
//
// Everything draws in software into 32-bit (or DIB-section) surfaces in memory. Device contexts
// are memory DCs, printer-like DCs with their own capabilities, metafile-recording DCs, or DCs
// over a surface the window manager hands in (gdi_surface.h). The pixel rules are those a
// Windows programmer relies on: rectangles exclude their right and bottom edge, lines exclude
// their last point, XOR drawing undoes itself, monochrome blits follow the text/background rule.
// Text strings of the A functions are UTF-8; counts are in bytes, per-character arrays (lpDx,
// widths) have one entry per character. The W functions take UTF-16.
#pragma once

#include <string>

#include "platform/win/windef.h"

// ---- Object types and stock objects ----
enum : int {
  OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_DC = 3, OBJ_METADC = 4, OBJ_PAL = 5, OBJ_FONT = 6,
  OBJ_BITMAP = 7, OBJ_REGION = 8, OBJ_METAFILE = 9, OBJ_MEMDC = 10, OBJ_EXTPEN = 11,
  OBJ_ENHMETADC = 12, OBJ_ENHMETAFILE = 13,
};
enum : int {
  WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
  NULL_BRUSH = 5, HOLLOW_BRUSH = NULL_BRUSH, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
  OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13,
  DEVICE_DEFAULT_FONT = 14, DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17,
  DC_BRUSH = 18, DC_PEN = 19,
};

// ---- Pens ----
enum : UINT {
  PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
  PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_ALTERNATE = 8, PS_STYLE_MASK = 0x0F,
  PS_ENDCAP_ROUND = 0x000, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200,
  PS_ENDCAP_MASK = 0xF00, PS_JOIN_ROUND = 0x0000, PS_JOIN_BEVEL = 0x1000,
  PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000, PS_COSMETIC = 0x00000,
  PS_GEOMETRIC = 0x10000, PS_TYPE_MASK = 0xF0000,
};
struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};
struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  uintptr_t lbHatch;
};
struct EXTLOGPEN {
  DWORD elpPenStyle;
  DWORD elpWidth;
  UINT elpBrushStyle;
  COLORREF elpColor;
  uintptr_t elpHatch;
  DWORD elpNumEntries;
  DWORD elpStyleEntry[1];
};

// ---- Brushes ----
enum : UINT {
  BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL, BS_HATCHED = 2, BS_PATTERN = 3,
  BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6, BS_PATTERN8X8 = 7,
};
enum : int {
  HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4,
  HS_DIAGCROSS = 5,
};

// ---- Modes ----
enum : int {
  R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5,
  R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11,
  R2_MERGENOTPEN = 12, R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16,
};
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int {
  BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4,
  STRETCH_ANDSCANS = BLACKONWHITE, STRETCH_ORSCANS = WHITEONBLACK,
  STRETCH_DELETESCANS = COLORONCOLOR, STRETCH_HALFTONE = HALFTONE,
};
enum : int {
  MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
  MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8,
};
enum : int { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum : int { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };

// ---- Raster operations ----
enum : DWORD {
  SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6,
  MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226, PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09,
  PATINVERT = 0x005A0049, DSTINVERT = 0x00550009, BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062, NOMIRRORBITMAP = 0x80000000, CAPTUREBLT = 0x40000000,
};
// MaskBlt takes the foreground operation in the low three bytes and the background one above.
constexpr DWORD MAKEROP4(DWORD fore, DWORD back) { return ((back << 8) & 0xFF000000u) | fore; }

// ---- Regions ----
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
constexpr int RGN_ERROR = ERROR;
struct RGNDATAHEADER {
  DWORD dwSize;
  DWORD iType;
  DWORD nCount;
  DWORD nRgnSize;
  RECT rcBound;
};
struct RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[1];
};
constexpr DWORD RDH_RECTANGLES = 1;
struct XFORM {
  float eM11, eM12, eM21, eM22, eDx, eDy;
};

// ---- Palettes ----
struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};
enum : BYTE { PC_RESERVED = 1, PC_EXPLICIT = 2, PC_NOCOLLAPSE = 4 };

// ---- Bitmaps and DIBs ----
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};
#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct RGBTRIPLE {
  BYTE rgbtBlue, rgbtGreen, rgbtRed;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};
static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40);
enum : DWORD { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
constexpr DWORD CBM_INIT = 4;

struct TRIVERTEX {
  LONG x;
  LONG y;
  USHORT Red, Green, Blue, Alpha;  // 16-bit channels: 0xFF00 is full intensity
};
struct GRADIENT_RECT {
  ULONG UpperLeft, LowerRight;
};
struct GRADIENT_TRIANGLE {
  ULONG Vertex1, Vertex2, Vertex3;
};
enum : ULONG { GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1, GRADIENT_FILL_TRIANGLE = 2 };
struct BLENDFUNCTION {
  BYTE BlendOp, BlendFlags, SourceConstantAlpha, AlphaFormat;
};
enum : BYTE { AC_SRC_OVER = 0, AC_SRC_ALPHA = 1 };

// ---- Device capabilities ----
enum : int {
  DRIVERVERSION = 0, TECHNOLOGY = 2, HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10,
  BITSPIXEL = 12, PLANES = 14, NUMBRUSHES = 16, NUMPENS = 18, NUMFONTS = 22, NUMCOLORS = 24,
  RASTERCAPS = 38, LOGPIXELSX = 88, LOGPIXELSY = 90, SIZEPALETTE = 104, NUMRESERVED = 106,
  COLORRES = 108, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112,
  PHYSICALOFFSETY = 113, SHADEBLENDCAPS = 120,
};
enum : int { DT_PLOTTER = 0, DT_RASDISPLAY = 1, DT_RASPRINTER = 2, DT_METAFILE = 5 };
enum : int { RC_BITBLT = 1, RC_PALETTE = 0x0100, RC_DIBTODEV = 0x0200, RC_STRETCHBLT = 0x0800, RC_STRETCHDIB = 0x2000 };

// ---- Fonts ----
constexpr int LF_FACESIZE = 32;
// The 60-byte font record (face name in UTF-8); stored as-is in some files.
struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60);
using LOGFONT = LOGFONTA;
enum : int {
  FW_DONTCARE = 0, FW_THIN = 100, FW_EXTRALIGHT = 200, FW_LIGHT = 300, FW_NORMAL = 400,
  FW_REGULAR = 400, FW_MEDIUM = 500, FW_SEMIBOLD = 600, FW_DEMIBOLD = 600, FW_BOLD = 700,
  FW_EXTRABOLD = 800, FW_HEAVY = 900, FW_BLACK = 900,
};
enum : BYTE {
  ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, MAC_CHARSET = 77,
  SHIFTJIS_CHARSET = 128, HANGEUL_CHARSET = 129, GB2312_CHARSET = 134,
  CHINESEBIG5_CHARSET = 136, OEM_CHARSET = 255, JOHAB_CHARSET = 130, HEBREW_CHARSET = 177,
  ARABIC_CHARSET = 178, GREEK_CHARSET = 161, TURKISH_CHARSET = 162, VIETNAMESE_CHARSET = 163,
  THAI_CHARSET = 222, EASTEUROPE_CHARSET = 238, RUSSIAN_CHARSET = 204, BALTIC_CHARSET = 186,
};
enum : BYTE {
  OUT_DEFAULT_PRECIS = 0, OUT_STRING_PRECIS = 1, OUT_CHARACTER_PRECIS = 2, OUT_STROKE_PRECIS = 3,
  OUT_TT_PRECIS = 4, OUT_DEVICE_PRECIS = 5, OUT_RASTER_PRECIS = 6, OUT_TT_ONLY_PRECIS = 7,
  OUT_OUTLINE_PRECIS = 8,
};
enum : BYTE { CLIP_DEFAULT_PRECIS = 0, CLIP_CHARACTER_PRECIS = 1, CLIP_STROKE_PRECIS = 2 };
enum : BYTE {
  DEFAULT_QUALITY = 0, DRAFT_QUALITY = 1, PROOF_QUALITY = 2, NONANTIALIASED_QUALITY = 3,
  ANTIALIASED_QUALITY = 4, CLEARTYPE_QUALITY = 5,
};
enum : BYTE {
  DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2, FF_DONTCARE = 0x00, FF_ROMAN = 0x10,
  FF_SWISS = 0x20, FF_MODERN = 0x30, FF_SCRIPT = 0x40, FF_DECORATIVE = 0x50,
};
struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
using TEXTMETRIC = TEXTMETRICA;
enum : BYTE { TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4, TMPF_DEVICE = 8 };
struct PANOSE {
  BYTE bFamilyType, bSerifStyle, bWeight, bProportion, bContrast, bStrokeVariation, bArmStyle,
      bLetterform, bMidline, bXHeight;
};
struct OUTLINETEXTMETRICA {
  UINT otmSize;
  TEXTMETRICA otmTextMetrics;
  BYTE otmFiller;
  PANOSE otmPanoseNumber;
  UINT otmfsSelection;
  UINT otmfsType;
  int otmsCharSlopeRise;
  int otmsCharSlopeRun;
  int otmItalicAngle;  // tenths of a degree, counter-clockwise from vertical
  UINT otmEMSquare;
  int otmAscent;
  int otmDescent;
  UINT otmLineGap;
  UINT otmsCapEmHeight;
  UINT otmsXHeight;
  RECT otmrcFontBox;
  int otmMacAscent;
  int otmMacDescent;
  UINT otmMacLineGap;
  UINT otmusMinimumPPEM;
  POINT otmptSubscriptSize;
  POINT otmptSubscriptOffset;
  POINT otmptSuperscriptSize;
  POINT otmptSuperscriptOffset;
  UINT otmsStrikeoutSize;
  int otmsStrikeoutPosition;
  int otmsUnderscoreSize;
  int otmsUnderscorePosition;
  // Names as UTF-8 strings owned by the font; valid while the font lives.
  const char* otmpFamilyName;
  const char* otmpFaceName;
  const char* otmpStyleName;
  const char* otmpFullName;
};
using OUTLINETEXTMETRIC = OUTLINETEXTMETRICA;
struct ABC {
  int abcA;
  UINT abcB;
  int abcC;
};
struct GLYPHMETRICS {
  UINT gmBlackBoxX;
  UINT gmBlackBoxY;
  POINT gmptGlyphOrigin;
  short gmCellIncX;
  short gmCellIncY;
};
struct FIXED {
  WORD fract;
  short value;
};
struct MAT2 {
  FIXED eM11, eM12, eM21, eM22;
};
enum : UINT { GGO_METRICS = 0, GGO_BITMAP = 1, GGO_NATIVE = 2, GGO_BEZIER = 3, GGO_GRAY8_BITMAP = 6, GGO_GLYPH_INDEX = 0x80 };
enum : WORD { TT_POLYGON_TYPE = 24, TT_PRIM_LINE = 1, TT_PRIM_QSPLINE = 2, TT_PRIM_CSPLINE = 3 };
struct POINTFX {
  FIXED x, y;
};
struct TTPOLYGONHEADER {
  DWORD cb;
  DWORD dwType;
  POINTFX pfxStart;
};
struct TTPOLYCURVE {
  WORD wType;
  WORD cpfx;
  POINTFX apfx[1];
};
constexpr DWORD GDI_ERROR = 0xFFFFFFFF;

struct ENUMLOGFONTEXA {
  LOGFONTA elfLogFont;
  char elfFullName[64];
  char elfStyle[32];
  char elfScript[32];
};
struct NEWTEXTMETRICEXA {
  TEXTMETRICA ntmTm;
  DWORD ntmFlags;
  UINT ntmSizeEM;
  UINT ntmCellHeight;
  UINT ntmAvgWidth;
};
enum : DWORD { NTM_ITALIC = 0x1, NTM_BOLD = 0x20, NTM_REGULAR = 0x40 };
enum : DWORD { RASTER_FONTTYPE = 1, DEVICE_FONTTYPE = 2, TRUETYPE_FONTTYPE = 4 };
using FONTENUMPROCA = int (*)(const ENUMLOGFONTEXA*, const NEWTEXTMETRICEXA*, DWORD, LPARAM);

// Text alignment and ExtTextOut options.
enum : UINT {
  TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0,
  TA_BOTTOM = 8, TA_BASELINE = 24, TA_RTLREADING = 256, TA_MASK = 0x11F,
};
enum : UINT {
  ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004, ETO_GLYPH_INDEX = 0x0010, ETO_RTLREADING = 0x0080,
  ETO_NUMERICSLOCAL = 0x0400, ETO_NUMERICSLATIN = 0x0800, ETO_IGNORELANGUAGE = 0x1000,
  ETO_PDY = 0x2000,
};

// ---- Enhanced metafiles ----
struct ENHMETARECORD {
  DWORD iType;
  DWORD nSize;
  DWORD dParm[1];
};
struct ENHMETAHEADER {
  DWORD iType;
  DWORD nSize;
  RECT rclBounds;
  RECT rclFrame;  // in 0.01 mm
  DWORD dSignature;
  DWORD nVersion;
  DWORD nBytes;
  DWORD nRecords;
  WORD nHandles;
  WORD sReserved;
  DWORD nDescription;
  DWORD offDescription;
  DWORD nPalEntries;
  SIZE szlDevice;
  SIZE szlMillimeters;
};
struct HANDLETABLE {
  HGDIOBJ objectHandle[1];
};
enum : DWORD {
  EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12, EMR_EOF = 14,
  EMR_SETPIXELV = 15, EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18, EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20, EMR_SETSTRETCHBLTMODE = 21, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_EXCLUDECLIPRECT = 29, EMR_INTERSECTCLIPRECT = 30,
  EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44, EMR_ARC = 45, EMR_CHORD = 46, EMR_PIE = 47, EMR_LINETO = 54,
  EMR_POLYPOLYGON = 8, EMR_FILLRGN = 71, EMR_SELECTCLIPPATH = 67, EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77, EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83, EMR_EXTTEXTOUTW = 84, EMR_EXTSELECTCLIPRGN = 75, EMR_FILLRECT_PRIVATE = 120,
};
using ENHMFENUMPROC = int (*)(HDC, HANDLETABLE*, const ENHMETARECORD*, int, LPARAM);
// The text record: reference point, options, clip/opaque rectangle, the text and its advances.
// For EMR_EXTTEXTOUTW the record is followed in memory by its UTF-16 text; GetEnhMetaRecordText
// gives the UTF-8 text of either kind.
struct EMRTEXT {
  POINT ptlReference;
  DWORD nChars;
  DWORD offString;
  DWORD fOptions;
  RECT rcl;
  DWORD offDx;
};
struct EMR {
  DWORD iType;
  DWORD nSize;
};
struct EMREXTTEXTOUTW {
  EMR emr;
  RECT rclBounds;
  DWORD iGraphicsMode;
  float exScale;
  float eyScale;
  EMRTEXT emrtext;
};
using EMREXTTEXTOUTA = EMREXTTEXTOUTW;

// ---- Device contexts ----
HDC CreateCompatibleDC(HDC dc);
// Display DCs ("DISPLAY") are memory DCs the size of the screen. Any other driver names a
// printer by its device name (null or "": the default printer): the DC has the page metrics of
// the device mode given (a DEVMODEA, or null for the printer's defaults) and prints with
// StartDoc; an information context (CreateIC) only answers questions. An unknown printer gives
// null with ERROR_INVALID_PRINTER_NAME. See gdi_surface.h for a DC with chosen page metrics.
HDC CreateDC(LPCSTR driver, LPCSTR device, LPCSTR output, const void* devmode);
HDC CreateIC(LPCSTR driver, LPCSTR device, LPCSTR output, const void* devmode);
BOOL DeleteDC(HDC dc);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);  // saved < 0: relative to the current level
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);  // regions: returns the region kind as a handle value
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int GetDeviceCaps(HDC dc, int index);
int GetObjectType(HGDIOBJ obj);
int GetObject(HGDIOBJ obj, int size, void* out);
BOOL DeleteObject(HGDIOBJ obj);
HGDIOBJ GetStockObject(int index);
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* p);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* p);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old);
BOOL GetViewportExtEx(HDC dc, SIZE* s);
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old);
BOOL GetWindowExtEx(HDC dc, SIZE* s);
BOOL LPtoDP(HDC dc, POINT* pts, int count);
BOOL DPtoLP(HDC dc, POINT* pts, int count);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetBrushOrgEx(HDC dc, POINT* p);
BOOL GetDCOrgEx(HDC dc, POINT* p);
COLORREF SetTextColor(HDC dc, COLORREF c);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF c);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
int SetGraphicsMode(HDC dc, int mode);
int GetGraphicsMode(HDC dc);
int SetArcDirection(HDC dc, int dir);
int GetArcDirection(HDC dc);
COLORREF SetDCBrushColor(HDC dc, COLORREF c);
COLORREF SetDCPenColor(HDC dc, COLORREF c);
BOOL GdiFlush();

// ---- Drawing objects ----
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bm);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HPALETTE CreatePalette(const LOGPALETTE* lp);
HPALETTE CreateHalftonePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* out);
UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* in);
UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF color);
COLORREF GetNearestColor(HDC dc, COLORREF color);
HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL background);
UINT RealizePalette(HDC dc);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* out);

// ---- Bitmaps ----
HBITMAP CreateBitmap(int w, int h, UINT planes, UINT bpp, const void* bits);
HBITMAP CreateBitmapIndirect(const BITMAP* bm);
HBITMAP CreateCompatibleBitmap(HDC dc, int w, int h);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section, DWORD offset);
// A 32-bit top-down DIB section (row 0 first, pixels 0x00RRGGBB); *bits gets its pixels.
HBITMAP CreateDIB32(int w, int h, void** bits);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* bmi, UINT usage);
int GetDIBits(HDC dc, HBITMAP bm, UINT start, UINT lines, void* bits, BITMAPINFO* bmi, UINT usage);
int SetDIBits(HDC dc, HBITMAP bm, UINT start, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage);
int StretchDIBits(HDC dc, int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs, const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC dc, int xd, int yd, DWORD w, DWORD h, int xs, int ys, UINT startScan, UINT lines, const void* bits, const BITMAPINFO* bmi, UINT usage);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* out);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* in);
LONG GetBitmapBits(HBITMAP bm, LONG size, void* out);
LONG SetBitmapBits(HBITMAP bm, DWORD size, const void* in);
BOOL GetBitmapDimensionEx(HBITMAP bm, SIZE* s);

// ---- Drawing ----
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* p);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* pts, int count);
BOOL PolylineTo(HDC dc, const POINT* pts, DWORD count);
BOOL PolyPolyline(HDC dc, const POINT* pts, const DWORD* counts, DWORD polys);
BOOL Polygon(HDC dc, const POINT* pts, int count);
BOOL PolyPolygon(HDC dc, const POINT* pts, const INT* counts, int polys);
BOOL PolyBezier(HDC dc, const POINT* pts, DWORD count);
BOOL Rectangle(HDC dc, int l, int t, int r, int b);
BOOL RoundRect(HDC dc, int l, int t, int r, int b, int w, int h);
BOOL Ellipse(HDC dc, int l, int t, int r, int b);
BOOL Arc(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL ArcTo(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL Pie(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
BOOL Chord(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF c);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF c);
COLORREF GetPixel(HDC dc, int x, int y);
using LINEDDAPROC = void (*)(int x, int y, LPARAM data);
BOOL LineDDA(int x1, int y1, int x2, int y2, LINEDDAPROC proc, LPARAM data);
enum : UINT { FLOODFILLBORDER = 0, FLOODFILLSURFACE = 1 };
BOOL FloodFill(HDC dc, int x, int y, COLORREF border);
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type);
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my, DWORD rop4);
BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, UINT transparent);
BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION bf);
BOOL GradientFill(HDC dc, const TRIVERTEX* v, ULONG nv, const void* mesh, ULONG nm, ULONG mode);

// ---- Regions and clipping ----
HRGN CreateRectRgn(int l, int t, int r, int b);
HRGN CreateRectRgnIndirect(const RECT* r);
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h);
HRGN CreateEllipticRgn(int l, int t, int r, int b);
HRGN CreateEllipticRgnIndirect(const RECT* r);
HRGN CreatePolygonRgn(const POINT* pts, int count, int mode);
HRGN CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polys, int mode);
HRGN ExtCreateRegion(const XFORM* xf, DWORD size, const RGNDATA* data);
DWORD GetRegionData(HRGN rgn, DWORD size, RGNDATA* out);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
BOOL EqualRgn(HRGN a, HRGN b);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* r);
int GetRgnBox(HRGN rgn, RECT* r);
BOOL SetRectRgn(HRGN rgn, int l, int t, int r, int b);
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH br);
BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH br, int w, int h);
BOOL InvertRgn(HDC dc, HRGN rgn);
BOOL PaintRgn(HDC dc, HRGN rgn);
int SelectClipRgn(HDC dc, HRGN rgn);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
int ExcludeClipRect(HDC dc, int l, int t, int r, int b);
int IntersectClipRect(HDC dc, int l, int t, int r, int b);
int OffsetClipRgn(HDC dc, int dx, int dy);
int GetClipBox(HDC dc, RECT* r);
int GetClipRgn(HDC dc, HRGN rgn);  // 1: copied, 0: no clip region, -1: error
BOOL RectVisible(HDC dc, const RECT* r);
BOOL PtVisible(HDC dc, int x, int y);

// ---- Fonts and text ----
HFONT CreateFontIndirect(const LOGFONTA* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face);
inline HFONT CreateFontIndirectA(const LOGFONTA* lf) { return CreateFontIndirect(lf); }
BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int bytes);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int chars);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rc, LPCSTR text, UINT bytes, const INT* dx);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rc, LPCWSTR text, UINT chars, const INT* dx);
inline BOOL TextOutA(HDC dc, int x, int y, LPCSTR t, int n) { return TextOut(dc, x, y, t, n); }
inline BOOL ExtTextOutA(HDC dc, int x, int y, UINT o, const RECT* r, LPCSTR t, UINT n, const INT* dx) { return ExtTextOut(dc, x, y, o, r, t, n, dx); }
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int bytes, SIZE* size);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int chars, SIZE* size);
inline BOOL GetTextExtentPoint32A(HDC dc, LPCSTR t, int n, SIZE* s) { return GetTextExtentPoint32(dc, t, n, s); }
inline BOOL GetTextExtentPointA(HDC dc, LPCSTR t, int n, SIZE* s) { return GetTextExtentPoint32(dc, t, n, s); }
// fit/dx count characters; dx holds cumulative extents, each saturating at 32767.
BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int bytes, int maxExtent, INT* fit, INT* dx, SIZE* size);
inline BOOL GetTextExtentExPointA(HDC dc, LPCSTR t, int n, int m, INT* f, INT* d, SIZE* s) { return GetTextExtentExPoint(dc, t, n, m, f, d, s); }
BOOL GetTextMetrics(HDC dc, TEXTMETRICA* tm);
inline BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* tm) { return GetTextMetrics(dc, tm); }
int GetTextFace(HDC dc, int size, LPSTR out);
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, INT* widths);
inline BOOL GetCharWidth(HDC dc, UINT f, UINT l, INT* w) { return GetCharWidth32(dc, f, l, w); }
BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* out);
UINT GetOutlineTextMetrics(HDC dc, UINT size, OUTLINETEXTMETRICA* otm);
inline UINT GetOutlineTextMetricsA(HDC dc, UINT s, OUTLINETEXTMETRICA* o) { return GetOutlineTextMetrics(dc, s, o); }
DWORD GetGlyphOutline(HDC dc, UINT ch, UINT format, GLYPHMETRICS* gm, DWORD size, void* buffer, const MAT2* mat);
// table 0: the whole font file (one face extracted from a collection).
DWORD GetFontData(HDC dc, DWORD table, DWORD offset, void* buffer, DWORD size);
// The installed families with the facts of their font files: the families of the files our font
// setup finds and the names its mapping rewrites to them ("Arial", "Tahoma", ...), each described
// by the face chosen for its regular style. FontType is TRUETYPE_FONTTYPE for TrueType/OpenType
// outlines, RASTER_FONTTYPE for bitmap-only faces, 0 for other outlines; never DEVICE_FONTTYPE.
// lf->lfCharSet DEFAULT_CHARSET with no face name: each family once, in its first character set;
// with a face name: that family once per character set it covers. Another character set: the
// families that cover it (with a face name, that one only). Names compare without regard to case.
// Returns the callback's last value (1 when it was not called); 0 on a bad DC or callback.
int EnumFontFamiliesEx(HDC dc, const LOGFONTA* lf, FONTENUMPROCA proc, LPARAM data, DWORD flags);

// ---- Metafiles ----
// file may be null (in memory). frame is in 0.01 mm, may be null (bounds of the drawing).
HDC CreateEnhMetaFile(HDC ref, LPCSTR file, const RECT* frame, LPCSTR description);
HENHMETAFILE CloseEnhMetaFile(HDC dc);
BOOL DeleteEnhMetaFile(HENHMETAFILE mf);
HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE mf, LPCSTR file);
HENHMETAFILE GetEnhMetaFile(LPCSTR file);
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
UINT GetEnhMetaFileBits(HENHMETAFILE mf, UINT size, BYTE* out);
UINT GetEnhMetaFileHeader(HENHMETAFILE mf, UINT size, ENHMETAHEADER* out);
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE mf, const RECT* rc);
BOOL EnumEnhMetaFile(HDC dc, HENHMETAFILE mf, ENHMFENUMPROC proc, void* data, const RECT* rc);
BOOL PlayEnhMetaFileRecord(HDC dc, HANDLETABLE* ht, const ENHMETARECORD* rec, UINT handles);
// The text of an EMR_EXTTEXTOUTW/A record as UTF-8 ("" for other records).
std::string GetEnhMetaRecordText(const ENHMETARECORD* rec);

// ---- Printing ----
// Device modes: the settings of one printer for one job. Only the fields named in dmFields are
// meaningful when a device mode is handed in. Sizes are in tenths of a millimetre.
enum : int { CCHDEVICENAME = 32, CCHFORMNAME = 32 };
enum : DWORD {
  DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8,
  DM_SCALE = 0x10, DM_COPIES = 0x100, DM_DEFAULTSOURCE = 0x200, DM_PRINTQUALITY = 0x400,
  DM_COLOR = 0x800, DM_DUPLEX = 0x1000, DM_YRESOLUTION = 0x2000, DM_COLLATE = 0x8000,
  DM_FORMNAME = 0x10000,
};
enum : short { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum : short {
  DMPAPER_LETTER = 1, DMPAPER_LEGAL = 5, DMPAPER_EXECUTIVE = 7, DMPAPER_A3 = 8, DMPAPER_A4 = 9,
  DMPAPER_A5 = 11, DMPAPER_B5 = 13, DMPAPER_USER = 256,
};
enum : short {
  DMBIN_ONLYONE = 1, DMBIN_UPPER = 1, DMBIN_LOWER = 2, DMBIN_MIDDLE = 3, DMBIN_MANUAL = 4,
  DMBIN_ENVELOPE = 5, DMBIN_ENVMANUAL = 6, DMBIN_AUTO = 7, DMBIN_TRACTOR = 8, DMBIN_USER = 256,
};
enum : short { DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3 };
enum : short { DMRES_DRAFT = -1, DMRES_LOW = -2, DMRES_MEDIUM = -3, DMRES_HIGH = -4 };
enum : short { DMCOLOR_MONOCHROME = 1, DMCOLOR_COLOR = 2 };
struct DEVMODEA {
  BYTE dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;         // sizeof(DEVMODEA)
  WORD dmDriverExtra;  // private bytes after the structure (none here)
  DWORD dmFields;
  short dmOrientation;
  short dmPaperSize;
  short dmPaperLength;
  short dmPaperWidth;
  short dmScale;
  short dmCopies;
  short dmDefaultSource;
  short dmPrintQuality;  // dots per inch, or one of DMRES_*
  short dmColor;
  short dmDuplex;
  short dmYResolution;
  short dmTTOption;
  short dmCollate;
  BYTE dmFormName[CCHFORMNAME];
};
using DEVMODE = DEVMODEA;
using PDEVMODE = DEVMODEA*;
using LPDEVMODE = DEVMODEA*;

struct DOCINFOA {
  int cbSize;
  LPCSTR lpszDocName;
  LPCSTR lpszOutput;    // a file to print to; null prints to the device
  LPCSTR lpszDatatype;
  DWORD fwType;
};
using DOCINFO = DOCINFOA;
enum : int { SP_ERROR = -1, SP_APPABORT = -2, SP_USERABORT = -3, SP_OUTOFDISK = -4, SP_OUTOFMEMORY = -5 };

// Jobs on a printer DC. StartDoc returns a job number (> 0) or SP_ERROR with the reason in
// GetLastError; the pages are drawn between StartPage and EndPage; EndDoc delivers the job and
// AbortDoc throws it away, leaving no output file behind.
int StartDoc(HDC dc, const DOCINFOA* info);
int StartPage(HDC dc);
int EndPage(HDC dc);
int EndDoc(HDC dc);
int AbortDoc(HDC dc);
// Applies a new device mode to a printer DC (between pages while printing): its page metrics
// change from the next page on. Returns dc, or null when dc is not a printer DC.
HDC ResetDC(HDC dc, const DEVMODEA* devmode);

// What a printer can do. Returns the number of entries written to (or, with a null output,
// needed for) the capability, or -1 for an unknown printer or capability. DC_PAPERS: WORD paper
// numbers; DC_PAPERNAMES: 64-byte names; DC_PAPERSIZE: POINTs in tenths of a millimetre;
// DC_BINS: WORD bin numbers; DC_BINNAMES: 24-byte names; DC_ORIENTATION: 90 when landscape
// turns the page counter-clockwise, 0 without landscape; DC_DUPLEX: 1 when the printer prints on
// both sides; DC_COPIES: the most copies of one job; DC_COLLATE: 1 when copies can come out
// collated.
enum : WORD {
  DC_FIELDS = 1, DC_PAPERS = 2, DC_PAPERSIZE = 3, DC_MINEXTENT = 4, DC_MAXEXTENT = 5, DC_BINS = 6,
  DC_DUPLEX = 7, DC_SIZE = 8, DC_EXTRA = 9, DC_VERSION = 10, DC_DRIVER = 11, DC_BINNAMES = 12,
  DC_ENUMRESOLUTIONS = 13, DC_PAPERNAMES = 16, DC_ORIENTATION = 17, DC_COPIES = 18,
  DC_COLLATE = 22,
};
int DeviceCapabilities(LPCSTR device, LPCSTR port, WORD capability, char* output, const DEVMODEA* devmode);

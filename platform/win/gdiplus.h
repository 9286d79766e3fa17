// The flat anti-aliased drawing interface (the subset the anti-aliased canvas uses), over cairo.
//
// Coordinates are the DC's logical coordinates with pixel centres on whole numbers, as the
// original interface has them; every call draws through a temporary cairo surface and is then
// blended onto the DC's surface inside its clip region, so DIB sections of any depth and either
// row order, window DCs and clip regions all work. A DC without pixels (a metafile or
// information DC) cannot take a graphics object: GdipCreateFromHDC returns GenericError.
#pragma once

#include "platform/win/windef.h"

using REAL = float;
using ARGB = DWORD;  // 0xAARRGGBB
using GpStatus = int;
enum : GpStatus {
  Ok = 0, GenericError = 1, InvalidParameter = 2, OutOfMemory = 3, ObjectBusy = 4,
  InsufficientBuffer = 5, NotImplemented = 6, Win32Error = 7, WrongState = 8, Aborted = 9,
  FileNotFound = 10, ValueOverflow = 11, AccessDenied = 12, UnknownImageFormat = 13,
  FontFamilyNotFound = 14, FontStyleNotFound = 15, NotTrueTypeFont = 16,
  UnsupportedGdiplusVersion = 17, GdiplusNotInitialized = 18,
};
using GpSmoothingMode = int;
enum : GpSmoothingMode {
  SmoothingModeInvalid = -1, SmoothingModeDefault = 0, SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2, SmoothingModeNone = 3, SmoothingModeAntiAlias = 4,
};
using GpUnit = int;
enum : GpUnit { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2 };
using GpDashStyle = int;
enum : GpDashStyle { DashStyleSolid = 0, DashStyleDash = 1, DashStyleDot = 2, DashStyleDashDot = 3, DashStyleDashDotDot = 4, DashStyleCustom = 5 };
using GpLineJoin = int;
enum : GpLineJoin { LineJoinMiter = 0, LineJoinBevel = 1, LineJoinRound = 2, LineJoinMiterClipped = 3 };
using GpFillMode = int;
enum : GpFillMode { FillModeAlternate = 0, FillModeWinding = 1 };
using GpHatchStyle = int;
enum : GpHatchStyle {
  HatchStyleHorizontal = 0, HatchStyleVertical = 1, HatchStyleForwardDiagonal = 2,
  HatchStyleBackwardDiagonal = 3, HatchStyleCross = 4, HatchStyleDiagonalCross = 5,
};

struct GpPoint {
  INT X, Y;
};
struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};

struct GpGraphics;
struct GpPen;
struct GpBrush;
struct GpSolidFill;
struct GpHatch;
struct GpPath;

// Start-up is counted; calls before the first start-up return GdiplusNotInitialized.
GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void GdiplusShutdown(ULONG_PTR token);

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, GpSmoothingMode mode);
GpStatus GdipGetSmoothingMode(GpGraphics* graphics, GpSmoothingMode* mode);

GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen);
GpStatus GdipDeletePen(GpPen* pen);
GpStatus GdipSetPenWidth(GpPen* pen, REAL width);
GpStatus GdipSetPenColor(GpPen* pen, ARGB color);
GpStatus GdipSetPenDashStyle(GpPen* pen, GpDashStyle style);
GpStatus GdipSetPenDashArray(GpPen* pen, const REAL* dashes, INT count);
GpStatus GdipSetPenLineJoin(GpPen* pen, GpLineJoin join);

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
GpStatus GdipCreateHatchBrush(GpHatchStyle style, ARGB fore, ARGB back, GpHatch** brush);
GpStatus GdipDeleteBrush(GpBrush* brush);
// The brush kinds are brushes.
inline GpBrush* AsBrush(GpSolidFill* b) { return reinterpret_cast<GpBrush*>(b); }
inline GpBrush* AsBrush(GpHatch* b) { return reinterpret_cast<GpBrush*>(b); }

GpStatus GdipDrawLine(GpGraphics* g, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipDrawLinesI(GpGraphics* g, GpPen* pen, const GpPoint* points, INT count);
GpStatus GdipDrawRectangle(GpGraphics* g, GpPen* pen, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipFillRectangle(GpGraphics* g, GpBrush* brush, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipDrawEllipse(GpGraphics* g, GpPen* pen, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipFillEllipse(GpGraphics* g, GpBrush* brush, REAL x, REAL y, REAL w, REAL h);
GpStatus GdipDrawPolygonI(GpGraphics* g, GpPen* pen, const GpPoint* points, INT count);
GpStatus GdipFillPolygonI(GpGraphics* g, GpBrush* brush, const GpPoint* points, INT count, GpFillMode mode);
// Angles in degrees, clockwise from the x axis (y grows downwards).
GpStatus GdipDrawArc(GpGraphics* g, GpPen* pen, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);

GpStatus GdipCreatePath(GpFillMode mode, GpPath** path);
GpStatus GdipDeletePath(GpPath* path);
GpStatus GdipAddPathArc(GpPath* path, REAL x, REAL y, REAL w, REAL h, REAL start, REAL sweep);
GpStatus GdipAddPathLine(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipClosePathFigure(GpPath* path);
GpStatus GdipFillPath(GpGraphics* g, GpBrush* brush, GpPath* path);
GpStatus GdipDrawPath(GpGraphics* g, GpPen* pen, GpPath* path);

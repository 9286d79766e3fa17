// "Simulation": the selected photos fitted to a product template's picture slots and spliced
// into the template's movie pieces as "OK.swf" beside the executable (seemain_simulation.cpp
// holds the main window's handlers; this header the rules they follow, so tests can reach them).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

class TFormSeeMain;

// Shows the movie the drop has just written (the Flash window, modal, owned by the main window).
// Set by the program once the window exists; empty means the movie is written and not shown.
extern std::function<void(TFormSeeMain* Owner)> ShowSimulationMovie;

// A template, photo or movie file the simulation cannot use; the message names the file and why.
class ESimulationError : public Exception {
public:
  using Exception::Exception;
};

// File and folder names beside the executable.
inline constexpr char kSimCatalogFileName[] = "xiaoguomulu.dll";
inline constexpr char kSimTemplateFolder[] = "xiaoguotu";
inline constexpr char kSimPhotoFolder[] = "photo";
inline constexpr char kSimMovieFileName[] = "OK.swf";
inline constexpr char kSimPieceFileName[] = "temp.swf";
inline constexpr char kSimDeleteFailed[] = "\xE5\x88\xA0\xE9\x99\xA4\xE5\xA4\xB1\xE8\xB4\xA5\xEF\xBC\x81";  // "删除失败！"
inline constexpr char kSimPanelCaption[] = "drag photos Thumbnail  over here";
// The JPEG quality of the fitted photos.
inline constexpr int kSimJpegQuality = 90;
// The largest slot side a template may ask for.
inline constexpr int kSimMaxSlotSide = 16384;

// The nearest integer, a value exactly halfway going to the even one.
int SimRoundHalfEven(double Value);
// Value through its decimal text of 15 significant digits.
double SimRatio15(double Value);

// How a w x h photo is fitted to a W x H slot: resampled to ScaledWidth x ScaledHeight, then the
// W x H rectangle at (Left, Top) kept. Exact is set when the photo has the slot's size already.
struct TSimFit {
  bool Exact = false;
  int ScaledWidth = 0, ScaledHeight = 0, Left = 0, Top = 0;
};
TSimFit SimFitPhoto(int w, int h, int W, int H);

// The slot size of a template row ("400x300"): W before the first "x", H the (at most 12)
// characters after it; both whole decimal numbers. False when c is not of that form.
bool SimParseSlotSize(const std::string& C, int& W, int& H);

// A row of a template's table a2 as stored (null texts are empty).
struct TSimTemplateRow {
  std::string A, B, C, D;
  bool HasSlot() const { return !A.empty(); }
  int64_t Offset = 0, PictureSize = 0;  // a and b once checked
};

// Checks a template's rows before anything is written: at least one row; the last row has no
// slot; every slot has an offset a and a picture size b that are whole numbers, b above 0, a
// slot size c of positive sides, and a length field (at a - 5 in the template movie) that lies
// after the movie header and wholly within the slot's own piece. Fills Offset and PictureSize;
// raises ESimulationError naming Template and the row otherwise.
void SimCheckTemplate(std::vector<TSimTemplateRow>& Rows, const std::string& Template);

// Writes the photo Source fitted to a W x H slot as the JPEG file Target: a JPEG file of that
// size already is copied as it is; otherwise it is resampled and cropped as SimFitPhoto says.
// Raises ESimulationError when the photo cannot be read or the file cannot be written.
void SimPreparePhoto(const std::string& Source, const std::string& Target, int W, int H);

// The listed photo (0-based index into a listing of Count) that slot row Row (1-based) gets:
// row Row while Row <= Count, otherwise the next of a counter Q that runs 1 .. Count over and
// over (Q starts at 1 and is advanced by the call).
int SimPhotoForRow(int Row, int Count, int& Q);

// Free functions the report library shares: name paths of components across forms, bracketed
// expression scanning, text splitting, hexadecimal stream text, locale-tolerant number text,
// page ranges, message boxes with the library's captions, image strips, bitmap drawing, item
// collections inside report files and temporary file names.
#pragma once

#include <string>

#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"

class TComponent;
class TStrings;
class TStream;
class TMemoryStream;
class TCollection;
class TWriter;
class TReader;
class TBitmap;
class TImageList;
class TCanvas;
class TGraphic;
struct tagRECT;

struct TrptRect {
  Extended Left = 0, Top = 0, Right = 0, Bottom = 0;
};
struct TrptPoint {
  Extended X = 0, Y = 0;
};
TrptRect rptMakeFloatRect(Extended Left, Extended Top, Extended Right, Extended Bottom);
TrptPoint rptMakeFloatPoint(Extended X, Extended Y);

// The component a name path names ("Form1.Query1", "Query1" owned by Owner, or by the owner of
// Owner when Owner is a report); null when none. Any failure raises EClassNotFound
// "Missing <path>".
TComponent* rptComponentByPath(TComponent* Owner, const std::string& Path);
// The name path by which Report refers to Component ("" when it cannot be referred to).
std::string rptComponentFullName(TComponent* Report, TComponent* Component);
// Fills List with the name paths and objects of the components of class AClass found in the
// report and in the forms on screen, leaving out Skip.
void rptListComponents(TComponent* Report, TClass AClass, TStrings* List, TComponent* Skip);

// The text between the delimiter pair that starts at position I (1-based) of S: nested pairs and
// delimiters inside quoted strings are skipped. I is left on the opening and J on the last
// character of the closing delimiter.
std::string rptExtractBracketed(const std::string& S, const std::string& Open,
                                const std::string& Close, int& I, int& J);
// Empties List, then adds the parts of Text between the separators (a final separator adds no
// empty part).
void rptSplitText(const std::string& Text, TStrings* List, char Separator);
// The whole stream from position 0 as upper-case hexadecimal pairs.
std::string rptStreamToHex(TMemoryStream* Stream);
// Writes the bytes of the hexadecimal pairs of Text at position 0 of Stream; decoding stops at
// the first pair holding a character that is not a hexadecimal digit (the remaining bytes are
// written as zero).
void rptHexToStream(const std::string& Text, TStream* Stream);
// "," and "." become the locale's decimal separator and blanks go before the conversion;
// EConvertError for text that is still no number.
Extended rptTextToFloat(const std::string& Text);
// Whole numbers as FloatToStr, others with two decimals ("%2.2f").
std::string rptFloatToText(Extended Value);
// "#RRGGBB" of a colour (system colours resolved first).
std::string rptColorToHex(int32_t Color);
// Fills List with the page numbers of a page list text such as "1,3-5,8-" (PageCount ends an
// open range). EConvertError for parts that are not numbers.
void rptParsePageNumbers(const std::string& Text, TStrings* List, int PageCount);

// Message boxes captioned with the texts "mbError" and "mbConfirm".
void rptShowError(const std::string& Message);
int rptShowConfirm(const std::string& Message, unsigned Buttons);

// Cuts Strip into W x H cells, row by row, adding each masked to Main; with Second, the cells come
// in pairs and the second of each pair (white turned to E0E0E0) goes to Second.
void rptLoadImageStrip(TBitmap* Strip, int W, int H, TImageList* Main, TImageList* Second);
// Draws Bitmap at (X, Y) with its transparent colour left out.
void rptDrawMaskedBitmap(TCanvas* Canvas, int X, int Y, TBitmap* Bitmap);
// Draws Bitmap stretched into the rectangle.
void rptStretchDrawBitmap(TCanvas* Canvas, int Left, int Top, int Right, int Bottom, TBitmap* Bitmap);
// Draws any graphic stretched into the rectangle (through a 32-bit bitmap unless a metafile).
void rptStretchDrawGraphic(TCanvas* Canvas, int Left, int Top, int Right, int Bottom, TGraphic* Graphic);

// Item collections inside report files (the report's Datasets, Variables and Style data): while
// the report serializer writes Owner, a list of lists each holding one long string with the
// item's attribute text; otherwise the filer's own collection form. Reading accepts both.
void rptWriteItemCollection(TCollection* Collection, TWriter* Writer, TComponent* Owner);
void rptReadItemCollection(TCollection* Collection, TReader* Reader, TComponent* Owner);

// A new, empty temporary file "rp...tmp" in Folder (the system temporary folder when empty).
std::string rptNewTempFileName(const std::string& Folder);

// The PDF 1.3 document writer: pages of a prepared report become page objects whose content
// (text with TrueType fonts, paths for lines, rectangles and frames, inline JPEG images for
// everything else) is parked in a content store while the report is exported; fonts, the
// outline and the cross-reference table are written when the document is saved.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"

class TrptView;
class TrptCustomMemoView;
class TrptReportPage;
class TrptCustomOutline;
class TrptPDFFile;

class TrptPDFElement {
public:
  virtual ~TrptPDFElement() = default;
  virtual void SaveToStream(TStream* Stream) { Offset = static_cast<uint32_t>(Stream->Position()); }
  static void Write(TStream* Stream, const std::string& Text);
  static void WriteLn(TStream* Stream, const std::string& Text);
  uint32_t Offset = 0;
  int Number = 0;
};

// One font of the document. A font whose text does not fit its single-byte code page (or whose
// character set is an East Asian one) is a composite font: its text is written as glyph numbers
// with a character map back to Unicode, so that it extracts as text.
class TrptPDFFont : public TrptPDFElement {
public:
  TrptPDFFont(TrptPDFFile* AFile, TFont* AFont, bool AUnicode);
  void SaveToStream(TStream* Stream) override;
  // The operand of a text operator for a prepared line: "(bytes)" or "<glyphs>".
  std::string Operand(const std::string& PreparedUtf8);
  // Code page of a simple font's text (1252 and the charset's own for the charsets with
  // differences).
  int CodePage() const;
  int NameNumber() const { return Number - 1; }
  std::unique_ptr<TFont> Font;
  TrptPDFFile* File;
  bool Unicode;
  std::set<uint32_t> Used;  // code points shown with a composite font
  int ToUnicodeObj = 0;     // object number of its character map (composite fonts)
  void SaveToUnicode(TStream* Stream);

private:
  void WriteObjects(TStream* Stream, int O);
  uint16_t Glyph(uint32_t CodePoint);
  std::vector<uint8_t> FCmap;
  bool FCmapLoaded = false;
};

class TrptPDFPage : public TrptPDFElement {
public:
  TrptPDFPage(TrptPDFFile* AFile, TrptReportPage* Page);
  void AddObject(TrptView* View);
  void SaveToStream(TStream* Stream) override;
  TrptPDFFile* File;
  Extended PageWidth = 0, PageHeight = 0, MarginLeft = 0, MarginTop = 0;
  uint32_t ContentStart = 0, ContentLength = 0;
  TStream* Content;

private:
  std::string X(Extended V) const;
  std::string Y(Extended V) const;
  void Frame(TrptView* View, Extended L, Extended T, Extended W, Extended H);
  void Line(const std::string& S);
};

// Text services: string encodings, colours and the placement of text lines in a text object.
class TrptPDFToolkit {
public:
  TrptPDFToolkit();
  static std::string PrepareText(const std::string& Line);
  std::string PrepareString(const std::string& Text) const;
  static std::string ColorString(TColor Color);
  void SetMemo(TrptCustomMemoView* View);
  Extended GetHTextPos(const std::string& Line);
  Extended GetVTextPos(int I, int N) const;
  Extended GetLineWidth(const std::string& Line);
  static std::string MirrorLine(const std::string& Line);
  std::string Language, LanguageEscape;
  Extended LineHeight = 0;

private:
  TrptCustomMemoView* FView = nullptr;
};

class TrptPDFFile : public TrptPDFElement {
public:
  TrptPDFFile(bool UseFileCache, const std::string& TempDir);
  ~TrptPDFFile() override;
  TrptPDFPage* AddPage(TrptReportPage* Page);
  int AddFont(TFont* Font, bool Unicode = false);
  void SaveToStream(TStream* Stream) override;
  void AddXRef(TStream* Stream);

  std::vector<std::unique_ptr<TrptPDFPage>> Pages;
  std::vector<std::unique_ptr<TrptPDFFont>> Fonts;
  std::vector<std::string> XRef;
  int ObjCounter = 0;
  std::string Title, Author, Subject, Producer, Creator = "Orvanta";
  uint32_t XRefPos = 0;
  int PagesObj = 0, FirstPageObj = 0;
  bool Compressed = true, EmbeddedFonts = false, PrintOptimized = false, Outline = false, Background = false,
       HTMLTags = false;
  TrptCustomOutline* OutlineSource = nullptr;
  int FontObjCount = 2;
  std::unique_ptr<TStream> Content;
  std::string ContentFileName;
  std::unique_ptr<TrptPDFToolkit> Toolkit;
  // Reads a font's data as GetFontData does (table 0: the whole file); replaceable so that a font
  // that cannot be read can be shown.
  std::function<std::vector<uint8_t>(TFont* Font, uint32_t Table)> FontData;
};

// The font's data as the platform's font layer gives it (empty when it has none).
std::vector<uint8_t> rptPDFFontData(TFont* Font, uint32_t Table);

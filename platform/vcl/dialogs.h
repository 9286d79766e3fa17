// Common dialogs of our own (forms with the dialog window class "#32770"): open and save file
// dialogs over the file system, a colour dialog, font and print dialogs and a folder browse.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/sets.h"
#include "platform/vcl/graphics.h"

class TStrings;
class TStringList;

ORV_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp,
         ofNoValidate, ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist,
         ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,
         ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,
         ofEnableSizing, ofDontAddToRecent, ofForceShowHidden)
using TOpenOptions = TSet<TOpenOption>;

// Base of the common dialogs: Execute shows the dialog modally and tells whether the user accepted.
class TCommonDialog : public TComponent {
  ORV_CLASS(TCommonDialog, TComponent)
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  TNotifyEvent OnShow, OnClose;
};

class TOpenDialog : public TCommonDialog {
  ORV_CLASS(TOpenDialog, TCommonDialog)
public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;
  // Shows the dialog; true when the user chose a file (FileName, Files).
  bool Execute() override;
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& Value) { FFileName = Value; }
  // "Description|mask;mask|Description|mask".
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& Value) { FFilter = Value; }
  int FilterIndex() const { return FFilterIndex; }  // 1-based
  void SetFilterIndex(int Value) { FFilterIndex = Value; }
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  const std::string& DefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
  TOpenOptions& Options() { return FOptions; }
  TStrings* Files() const;

  // The file a typed name stands for, given the folder shown: absolute names stay, relative
  // ones join the folder, DefaultExt is added to a name without extension.
  std::string ResolveName(const std::string& Folder, const std::string& Typed) const;
  // Whether a chosen path is acceptable (the file must exist for opening with
  // ofFileMustExist; saving over a file asks with ofOverwritePrompt).
  virtual bool Accept(const std::string& Path);

protected:
  virtual bool IsSave() const { return false; }

private:
  std::string FFileName, FFilter, FInitialDir, FTitle, FDefaultExt;
  int FFilterIndex = 1;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
  std::unique_ptr<TStringList> FFiles;
};

class TSaveDialog : public TOpenDialog {
  ORV_CLASS(TSaveDialog, TOpenDialog)
public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

protected:
  bool IsSave() const override { return true; }
};

class TColorDialog : public TCommonDialog {
  ORV_CLASS(TColorDialog, TCommonDialog)
public:
  explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  // A palette of 48 colours; a click picks, OK accepts.
  bool Execute() override;

private:
  TColor FColor = clBlack;
};

// Folder browse: a modal dialog with a tree of the folders under Root ("/" when empty; hidden
// dot-folders are left out). Directory is the folder selected at start (when it lies under Root)
// and, after OK, the chosen one; Cancel leaves it unchanged and returns false.
bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory);

ORV_ENUM(TFontDialogOption, fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist,
         fdNoFaceSel, fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts,
         fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton)
using TFontDialogOptions = TSet<TFontDialogOption>;
ORV_ENUM(TFontDialogDevice, fdScreen, fdPrinter, fdBoth)
using TFDApplyEvent = std::function<void(TObject* Sender, HWND Wnd)>;

// What the font dialog knows of an installed family: fixed pitch, scalable outlines, TrueType or
// OpenType outlines, and resident in the printer (a device font) rather than on the screen.
struct TFontFamilyInfo {
  std::string Name;
  bool FixedPitch = false, Scalable = true, TrueType = true, Device = false;
};

// Font dialog: family (from the installed fonts), size, styles and, with fdEffects, underline,
// strike-out and colour. OK copies the choice into Font; Cancel leaves Font as it was before
// Execute. With fdApplyButton an "Apply" button copies the choice into Font and calls OnApply.
// The families listed follow Device (screen fonts, printer fonts or both), fdWysiwyg (only
// those on both), fdTrueTypeOnly, fdFixedPitchOnly and fdScalableOnly; the sizes listed and
// accepted follow MinFontSize..MaxFontSize under fdLimitSize.
class TFontDialog : public TCommonDialog {
  ORV_CLASS(TFontDialog, TCommonDialog)
public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TFontDialogOptions& Options() { return FOptions; }
  TFontDialogDevice Device() const { return FDevice; }
  void SetDevice(TFontDialogDevice Value) { FDevice = Value; }
  // Used with fdLimitSize; 0 means no limit.
  int MinFontSize() const { return FMinFontSize; }
  void SetMinFontSize(int Value) { FMinFontSize = Value; }
  int MaxFontSize() const { return FMaxFontSize; }
  void SetMaxFontSize(int Value) { FMaxFontSize = Value; }
  TFDApplyEvent OnApply;
  bool Execute() override;
  // The installed font families, sorted without regard to case.
  static std::vector<std::string> FontFamilies();
  // The same families with what the font layer reports of them.
  static std::vector<TFontFamilyInfo> FontFamilyInfos();
  // The families of All the dialog lists for its Options and Device, in the order of All.
  std::vector<std::string> OfferedFamilies(const std::vector<TFontFamilyInfo>& All) const;
  // The point sizes the size list offers: the usual sizes, within the limits under fdLimitSize
  // (the limits themselves when no usual size lies between them).
  std::vector<int> OfferedSizes() const;

private:
  std::unique_ptr<TFont> FFont;
  TFontDialogOptions FOptions{fdEffects};
  TFontDialogDevice FDevice = fdScreen;
  int FMinFontSize = 0, FMaxFontSize = 0;
};

ORV_ENUM(TPrintDialogOption, poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile)
using TPrintDialogOptions = TSet<TPrintDialogOption>;
ORV_ENUM(TPrintRange, prAllPages, prSelection, prPageNums)

// Print dialog: printer, page range, copies and collation. The printers listed are those of
// Printers(); pages typed must lie within MinPage..MaxPage and From must not exceed To.
class TPrintDialog : public TCommonDialog {
  ORV_CLASS(TPrintDialog, TCommonDialog)
public:
  explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  int Copies() const { return FCopies; }
  void SetCopies(int Value) { FCopies = Value; }
  bool Collate() const { return FCollate; }
  void SetCollate(bool Value) { FCollate = Value; }
  int FromPage() const { return FFromPage; }
  void SetFromPage(int Value) { FFromPage = Value; }
  int ToPage() const { return FToPage; }
  void SetToPage(int Value) { FToPage = Value; }
  int MinPage() const { return FMinPage; }
  void SetMinPage(int Value) { FMinPage = Value; }
  int MaxPage() const { return FMaxPage; }
  void SetMaxPage(int Value) { FMaxPage = Value; }
  TPrintRange PrintRange() const { return FPrintRange; }
  void SetPrintRange(TPrintRange Value) { FPrintRange = Value; }
  bool PrintToFile() const { return FPrintToFile; }
  void SetPrintToFile(bool Value) { FPrintToFile = Value; }
  TPrintDialogOptions& Options() { return FOptions; }
  // The printer chosen (an index into Printers(); -1, the start value, shows Printer()'s
  // current printer). OK makes the chosen printer Printer()'s current one.
  int PrinterIndex() const { return FPrinterIndex; }
  void SetPrinterIndex(int Value) { FPrinterIndex = Value; }
  std::string PrinterName() const;
  // The printers the system offers (Printer()->Printers(): the PDF file printer and the CUPS
  // queues).
  static std::vector<std::string> Printers();
  bool Execute() override;

private:
  int FCopies = 1, FFromPage = 0, FToPage = 0, FMinPage = 0, FMaxPage = 0, FPrinterIndex = -1;
  bool FCollate = false, FPrintToFile = false;
  TPrintRange FPrintRange = prAllPages;
  TPrintDialogOptions FOptions;
};

// Printer setup: the choice of printer among TPrintDialog::Printers(); OK makes it Printer()'s
// current printer.
class TPrinterSetupDialog : public TCommonDialog {
  ORV_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
  explicit TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  int PrinterIndex() const { return FPrinterIndex; }
  void SetPrinterIndex(int Value) { FPrinterIndex = Value; }
  bool Execute() override;

private:
  int FPrinterIndex = -1;
};

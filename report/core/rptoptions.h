// The four option objects of a report: engine, preview, print and report options, with their
// defaults, copy and reset rules, the connection lookup and the password check.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/persistent.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/sysutils.h"

class TStringList;
class TStrings;
class TPicture;
class TThread;
class TrptReport;

class TrptEngineOptions : public TPersistent {
  ORV_CLASS(TrptEngineOptions, TPersistent)
public:
  TrptEngineOptions();
  static void Publish(TPublisher<TrptEngineOptions>& P);
  // Copies everything but DestroyForms and ReportThread from another engine options object.
  void Assign(TPersistent* Source) override;
  // The report-level reset: ConvertNulls on, DoublePass off.
  void Clear();

  bool ConvertNulls = true;
  bool DestroyForms = true;
  bool DoublePass = false;
  int MaxMemSize = 10;
  bool PrintIfEmpty = true;
  TThread* ReportThread = nullptr;
  bool SilentMode = false;
  std::string TempDir;
  bool UseFileCache = false;
};

enum TrptPreviewButton {
  pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools, pbEdit,
  pbNavigator
};
ORV_ENUM_TYPEINFO(TrptPreviewButton, pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline,
                  pbPageSetup, pbTools, pbEdit, pbNavigator)
using TrptPreviewButtons = TSet<TrptPreviewButton>;

enum TrptZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };
ORV_ENUM_TYPEINFO(TrptZoomMode, zmDefault, zmWholePage, zmPageWidth, zmManyPages)

class TrptPreviewOptions : public TPersistent {
  ORV_CLASS(TrptPreviewOptions, TPersistent)
public:
  TrptPreviewOptions();
  static void Publish(TPublisher<TrptPreviewOptions>& P);
  void Assign(TPersistent* Source) override;
  // The report-level reset: the three outline settings.
  void Clear();
  static TrptPreviewButtons AllButtons();

  bool AllowEdit = true;
  TrptPreviewButtons Buttons = AllButtons();
  bool DoubleBuffered = true;
  bool Maximized = true;
  bool MDIChild = false;
  bool Modal = true;
  bool OutlineExpand = true;
  bool OutlineVisible = false;
  int OutlineWidth = 120;
  bool ShowCaptions = false;
  Extended Zoom = 1;
  TrptZoomMode ZoomMode = zmDefault;
};

enum TrptPrintPages { ppAll, ppOdd, ppEven };
ORV_ENUM_TYPEINFO(TrptPrintPages, ppAll, ppOdd, ppEven)

class TrptPrintOptions : public TPersistent {
  ORV_CLASS(TrptPrintOptions, TPersistent)
public:
  TrptPrintOptions();
  static void Publish(TPublisher<TrptPrintOptions>& P);
  void Assign(TPersistent* Source) override;
  // All seven defaults.
  void Clear();

  int Copies = 1;
  bool Collate = true;
  std::string PageNumbers;
  std::string Printer;
  TrptPrintPages PrintPages = ppAll;
  bool Reverse = false;
  bool ShowDialog = true;
};

class TrptReportOptions : public TPersistent {
  ORV_CLASS(TrptReportOptions, TPersistent)
public:
  explicit TrptReportOptions(TrptReport* AReport = nullptr);
  ~TrptReportOptions() override;
  static void Publish(TPublisher<TrptReportOptions>& P);
  void Assign(TPersistent* Source) override;
  // Strings emptied, Compressed off, both dates now, Description and Picture emptied.
  void Clear();
  // Stores the name; a non-empty name with a connection handler on the report passes the text
  // under that key of section "Connections" of the report's settings store to the handler.
  void SetConnectionName(const std::string& Value);
  const std::string& ConnectionName() const { return FConnectionName; }
  // True when there is no password, or the password window was closed with OK on exactly the
  // same text (letter case matters).
  bool CheckPassword();

  TStringList* Description() const { return FDescription.get(); }
  void SetDescription(TStrings* Value);
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value);

  std::string Author;
  bool Compressed = false;
  TDateTime CreateDate = 0;
  std::string InitString;
  std::string Name;
  TDateTime LastChange = 0;
  std::string Password;
  std::string VersionBuild, VersionMajor, VersionMinor, VersionRelease;
  TrptReport* Report = nullptr;

private:
  std::string FConnectionName;
  std::unique_ptr<TStringList> FDescription;
  std::unique_ptr<TPicture> FPicture;
};

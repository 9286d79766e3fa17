// The page settings dialog: paper, orientation and margins of one page, shown in the units the
// designer uses (inches, or centimetres), for this page or for the whole report.
#pragma once

#include <string>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"

class TLabel;
class TEdit;
class TComboBox;
class TRadioButton;
class TGroupBox;
class TButton;
class TrptReport;
class TrptReportPage;

class TrptPageSettingsForm : public TForm {
  ORV_CLASS(TrptPageSettingsForm, TForm)
public:
  explicit TrptPageSettingsForm(TComponent* AOwner);

  TrptReportPage* Page = nullptr;  // edited, not owned
  TrptReport* Report = nullptr;    // for the settings store
  int Units = 0;                   // 1 inches; 0, 2 and 3 centimetres; others unusable
  bool Updating = false;

  TGroupBox* SizeGB;
  TLabel *WidthL, *HeightL, *SizeL, *UnitL1, *UnitL2;
  TEdit *WidthE, *HeightE;
  TComboBox* SizeCB;
  TGroupBox* OrientationGB;
  TRadioButton *PortraitRB, *LandscapeRB;
  TGroupBox* MarginsGB;
  TLabel *LeftL, *TopL, *RightL, *BottomL, *UnitL3, *UnitL4, *UnitL5, *UnitL6;
  TEdit *MarginLeftE, *MarginTopE, *MarginRightE, *MarginBottomE;
  TGroupBox* OtherGB;
  TRadioButton *ApplyToCurRB, *ApplyToAllRB;
  TButton *OKB, *CancelB;

  // True when the change is for every page of the report.
  bool ApplyToAll() const;
  // Fills the controls from Page (what showing the dialog does).
  void LoadPage();
  // Checks the unit and every number; on failure Error tells why and nothing may be applied.
  bool Validate(std::string& Error) const;
  // Writes the controls to Page when they are all valid; false (Page unchanged) otherwise.
  bool ApplyToPage();
  // Display value of a measure in millimetres, and back.
  Extended ToUnits(Extended MM) const;
  Extended FromUnits(Extended Value) const;

  void DoShow() override;
  void DoHide() override;

private:
  void OrientationClick();
  void SizeChanged();
  void SizeEdited();
  bool FApplied = false;
};

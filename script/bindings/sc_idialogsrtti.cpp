// The common dialogs and the message and input functions as scripts see them.
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "script/bindings/sc_ibindings.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_isysrtti.h"

namespace {

class TDialogsFunctions : public TObject {
public:
  explicit TDialogsFunctions(TscScript* S);
  ~TDialogsFunctions() override {
    if (TscScript* s = scGlobalScript()) s->RemoveItems(this);
  }
  Variant CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P);
};

TDialogsFunctions* gDialogsFunctions = nullptr;

TDialogsFunctions::TDialogsFunctions(TscScript* S) {
  S->Registrar = this;
  auto m = [this](TObject* I, TClass C, const std::string& N, TscArgs& P) {
    return CallMethod(I, C, N, P);
  };
  S->AddEnumSet(
      "TOpenOptions",
      "ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
      "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,"
      "ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,ofNoLongNames, "
      "ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,ofEnableSizing");
  S->AddEnum("TFileEditStyle", "fsEdit, fsComboBox");
  S->AddEnumSet("TColorDialogOptions",
                "cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor");
  S->AddEnumSet(
      "TFontDialogOptions",
      "fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
      "fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, "
      "fdWysiwyg, "
      "fdLimitSize, fdScalableOnly, fdApplyButton");
  S->AddEnum("TFontDialogDevice", "fdScreen, fdPrinter, fdBoth");
  S->AddEnum("TPrintRange", "prAllPages, prSelection, prPageNums");
  S->AddEnumSet("TPrintDialogOptions",
                "poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile");
  S->AddEnum("TMsgDlgType", "mtWarning, mtError, mtInformation, mtConfirmation, mtCustom");
  S->AddEnumSet("TMsgDlgButtons",
                "mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, "
                "mbYesToAll, mbHelp");
  if (TscClassVariable* c = S->AddClass(TCommonDialog::StaticClass(), "TComponent"))
    c->AddMethod("function Execute: Boolean", m);
  for (TClass k : {TOpenDialog::StaticClass(), TSaveDialog::StaticClass(),
                   TColorDialog::StaticClass(), TFontDialog::StaticClass(),
                   TPrintDialog::StaticClass(), TPrinterSetupDialog::StaticClass()})
    S->AddClass(k, "TCommonDialog");
  S->AddMethod(
      "function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: "
      "Longint): Integer",
      m, "ctOther", "");
  S->AddMethod("function InputBox(ACaption, APrompt, ADefault: string): string", m, "ctOther", "");
  S->AddMethod("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean", m,
               "ctOther", "");
  S->Registrar = nullptr;
}

Variant TDialogsFunctions::CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P) {
  if (C == TCommonDialog::StaticClass() && N == "EXECUTE") {
    if (!Instance) throw EInvalidPointer("Invalid object reference");
    return Instance->As<TCommonDialog>()->Execute();
  }
  if (C) return 0;
  if (N == "INPUTBOX") return Variant(InputBox(VarToStr(P[0]), VarToStr(P[1]), VarToStr(P[2])));
  if (N == "INPUTQUERY") {
    std::string value = VarToStr(P[2]);
    bool ok = InputQuery(VarToStr(P[0]), VarToStr(P[1]), value);
    P[2] = Variant(value);
    return ok;
  }
  if (N == "MESSAGEDLG") {
    int type = P[1].AsInteger();
    if (type < mtWarning || type > mtCustom)
      throw ERangeError("Invalid dialog type: " + std::to_string(type));
    auto buttons = TMsgDlgButtons::FromBits(static_cast<uint32_t>(P[2].AsInteger()) & 0x7FF);
    return MessageDlg(VarToStr(P[0]), static_cast<TMsgDlgType>(type), buttons, P[3].AsInteger());
  }
  return 0;
}

}  // namespace

void scStartDialogsRTTI() {
  if (gDialogsFunctions) return;
  if (TscScript* s = scGlobalScript()) gDialogsFunctions = new TDialogsFunctions(s);
}

void scStopDialogsRTTI() {
  delete gDialogsFunctions;
  gDialogsFunctions = nullptr;
}

// Data-aware controls bound to one field of a data source: edit box (TDBEdit), memo (TDBMemo),
// label (TDBText), combo box (TDBComboBox); and the navigator (TDBNavigator) with buttons that
// move through, edit, post, cancel and refresh a data set.
//
// Each bound control owns a TFieldDataLink: the link shows the field's value in the control
// whenever the row or the field changes, and the control's text goes back into the field when
// the row is posted (or the control is left). Typing in a control puts the data set into edit
// mode first; when the field cannot be changed (read-only control, field or data set, or a
// data source without AutoEdit while browsing) the key is ignored. Escape puts the field's
// value back.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/vcl/dbgrids.h"
#include "platform/vcl/extctrls.h"

class TDataSource;
class TDataSet;
class TField;
class TFieldDataLink;
class TDataLink;

class TDBEdit : public TCustomEdit {
  ORV_CLASS(TDBEdit, TCustomEdit)
public:
  explicit TDBEdit(TComponent* AOwner);
  ~TDBEdit() override;
  static void Publish(TPublisher<TDBEdit>& P);
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  const std::string& DataField() const;
  void SetDataField(const std::string& Value);
  TField* Field() const;
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  TFieldDataLink* DataLink() const { return FDataLink.get(); }
  void WndProc(TMessage& Message) override;

protected:
  void Change() override;

private:
  std::unique_ptr<TFieldDataLink> FDataLink;
  bool FSettingText = false;
  friend struct TDBControlHelper;
};

class TDBMemo : public TMemo {
  ORV_CLASS(TDBMemo, TMemo)
public:
  explicit TDBMemo(TComponent* AOwner);
  ~TDBMemo() override;
  static void Publish(TPublisher<TDBMemo>& P);
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  const std::string& DataField() const;
  void SetDataField(const std::string& Value);
  TField* Field() const;
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  TFieldDataLink* DataLink() const { return FDataLink.get(); }
  void WndProc(TMessage& Message) override;

protected:
  void Change() override;

private:
  std::unique_ptr<TFieldDataLink> FDataLink;
  bool FSettingText = false;
  friend struct TDBControlHelper;
};

// Shows the field's display text; AutoSize off by default.
class TDBText : public TLabel {
  ORV_CLASS(TDBText, TLabel)
public:
  explicit TDBText(TComponent* AOwner);
  ~TDBText() override;
  static void Publish(TPublisher<TDBText>& P);
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  const std::string& DataField() const;
  void SetDataField(const std::string& Value);
  TField* Field() const;
  TFieldDataLink* DataLink() const { return FDataLink.get(); }

private:
  std::unique_ptr<TFieldDataLink> FDataLink;
};

// A combo box whose text is the field's value; choosing an item or typing changes the field.
class TDBComboBox : public TComboBox {
  ORV_CLASS(TDBComboBox, TComboBox)
public:
  explicit TDBComboBox(TComponent* AOwner);
  ~TDBComboBox() override;
  static void Publish(TPublisher<TDBComboBox>& P);
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  const std::string& DataField() const;
  void SetDataField(const std::string& Value);
  TField* Field() const;
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  TFieldDataLink* DataLink() const { return FDataLink.get(); }
  void WndProc(TMessage& Message) override;

protected:
  void Change() override;

private:
  std::unique_ptr<TFieldDataLink> FDataLink;
  bool FSettingText = false;
  friend struct TDBControlHelper;
};

ORV_ENUM(TNavigateBtn, nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost,
         nbCancel, nbRefresh)
using TButtonSet = TSet<TNavigateBtn>;
using TNavClickEvent = std::function<void(TObject* Sender, TNavigateBtn Button)>;

// A row of buttons over a data source. A button is enabled when its action makes sense: First
// and Prior off the first row, Next and Last off the last, Insert/Delete/Edit on a data set that
// can be changed and is browsing (Delete also needs a row), Post and Cancel while editing,
// Refresh while browsing.
class TDBNavigator : public TCustomControl {
  ORV_CLASS(TDBNavigator, TCustomControl)
public:
  explicit TDBNavigator(TComponent* AOwner);
  ~TDBNavigator() override;
  static void Publish(TPublisher<TDBNavigator>& P);
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* Value);
  TButtonSet VisibleButtons() const { return FVisibleButtons; }
  void SetVisibleButtons(TButtonSet Value);
  // Asks "Delete record?" before deleting.
  bool ConfirmDelete() const { return FConfirmDelete; }
  void SetConfirmDelete(bool Value) { FConfirmDelete = Value; }
  bool ButtonEnabled(TNavigateBtn Button) const;
  // The button's rectangle in client coordinates; empty when hidden.
  RECT ButtonRect(TNavigateBtn Button);
  // Runs a button's action (BeforeAction, the action, then OnClick), as a click on it does.
  void BtnClick(TNavigateBtn Button);

  TNavClickEvent BeforeAction;
  // Hides the control's plain OnClick: a navigator's click names the button.
  TNavClickEvent OnClick;

  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  void Paint() override;

private:
  int ButtonAt(int X, int Y);
  std::unique_ptr<TDataLink> FDataLink;
  TButtonSet FVisibleButtons{nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost,
                             nbCancel, nbRefresh};
  bool FConfirmDelete = true;
  int FPressed = -1;
};

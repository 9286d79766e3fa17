// Data-aware controls: a label, an edit box and a memo bound to one field of a data set, and
// a read-mostly grid showing the rows of a data set (the data side of the grid is dbgrids.h).
#pragma once

#include <memory>

#include "platform/vcl/db.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/stdctrls.h"

class TDBText : public TLabel {
  ORV_CLASS(TDBText, TLabel)
public:
  explicit TDBText(TComponent* AOwner);
  ~TDBText() override;
  TDataSource* DataSource() const { return FLink->DataSource(); }
  void SetDataSource(TDataSource* Value) { FLink->SetDataSource(Value); }
  const std::string& DataField() const { return FLink->FieldName(); }
  void SetDataField(const std::string& Value) { FLink->SetFieldName(Value); }
  TField* Field() const { return FLink->Field(); }

private:
  std::unique_ptr<TFieldDataLink> FLink;
};

// Shows the field's text; typing puts the data set into edit mode, and the text is written to
// the field when the control is left or the record is posted. Escape takes the change back.
class TDBEdit : public TCustomEdit {
  ORV_CLASS(TDBEdit, TCustomEdit)
public:
  explicit TDBEdit(TComponent* AOwner);
  ~TDBEdit() override;
  TDataSource* DataSource() const { return FLink->DataSource(); }
  void SetDataSource(TDataSource* Value) { FLink->SetDataSource(Value); }
  const std::string& DataField() const { return FLink->FieldName(); }
  void SetDataField(const std::string& Value) { FLink->SetFieldName(Value); }
  TField* Field() const { return FLink->Field(); }
  void WndProc(TMessage& Message) override;

protected:
  void Change() override;

private:
  std::unique_ptr<TFieldDataLink> FLink;
  bool FLoading = false;
};

class TDBMemo : public TMemo {
  ORV_CLASS(TDBMemo, TMemo)
public:
  explicit TDBMemo(TComponent* AOwner);
  ~TDBMemo() override;
  TDataSource* DataSource() const { return FLink->DataSource(); }
  void SetDataSource(TDataSource* Value) { FLink->SetDataSource(Value); }
  const std::string& DataField() const { return FLink->FieldName(); }
  void SetDataField(const std::string& Value) { FLink->SetFieldName(Value); }
  TField* Field() const { return FLink->Field(); }
  void WndProc(TMessage& Message) override;

protected:
  void Change() override;

private:
  std::unique_ptr<TFieldDataLink> FLink;
  bool FLoading = false;
};

// The rows of a data set under a title row; the current row is highlighted; a click selects a
// row (and moves the data set), Up/Down/PageUp/PageDown/Home/End move through the data set.
class TDBGrid : public TCustomControl {
  ORV_CLASS(TDBGrid, TCustomControl)
public:
  explicit TDBGrid(TComponent* AOwner);
  ~TDBGrid() override;
  TDataSource* DataSource() const { return FLink->DataSource(); }
  void SetDataSource(TDataSource* Value);
  TDBGridColumns* Columns() const { return FColumns.get(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  int DefaultRowHeight() const { return FRowHeight; }
  void SetDefaultRowHeight(int Value);
  TFont* TitleFont() const { return FTitleFont.get(); }
  // The visible row at a client point (0-based under the titles), or -1.
  int RowAt(int Y) const;
  TGridDataLink* DataLink() const { return FLink.get(); }
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;

private:
  void UpdateBufferCount();
  std::unique_ptr<TDBGridColumns> FColumns;
  std::unique_ptr<TGridDataLink> FLink;
  std::unique_ptr<TFont> FTitleFont;
  bool FReadOnly = false;
  int FRowHeight = 18;
};

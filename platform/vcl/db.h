// Data sets, fields, data sources and data links: the engine-independent half of data access.
//
// A TDataSet holds the rows of a result in memory (a static cursor), a current row, and an edit
// buffer while a row is being changed or added; the concrete data sets (adodb.h) read the rows
// from the engine and write posted rows back. TField reads and writes one column of the active
// row with the conversions the application relies on (null reads as empty text, 0 or false).
// TDataSource and TDataLink are how data-aware controls follow a data set: a link is told when
// the data set opens, scrolls, changes state or a field changes, and can show any row of a
// window of rows (the grid's visible rows) without moving the current row.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/object.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dbengine.h"

class TStream;
class TDataSet;
class TDataSource;
class TDataLink;
class Variant;

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftTypedBinary,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftWideMemo
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl
};

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;  // a set of TLocateOption bits

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// A position in a data set that stays valid while the row exists (0 is no bookmark).
using TBookmark = uint64_t;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;

// Errors of the data sets (a missing field, an operation in the wrong state, a read-only result)
// are EDatabaseError; errors of the engine (a missing or damaged file, a failing statement) are
// EOleException with the engine's text.

// ---------------------------------------------------------------------------------------------
// TFieldDef / TFieldDefs: the columns a data set's result has (name, type, size), known once it
// is open.
class TFieldDef : public TObject {
  ORV_CLASS(TFieldDef, TObject)
public:
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  bool Required = false;
  int FieldNo = 0;  // 1-based column number
};

class TFieldDefs : public TObject {
  ORV_CLASS(TFieldDefs, TObject)
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TFieldDef* Items(int Index) const;               // EListError outside 0..Count-1
  TFieldDef* Find(const std::string& Name) const;  // EDatabaseError when absent
  int IndexOf(const std::string& Name) const;      // -1 when absent (case ignored)
  // Brings the definitions up to date with the data set's statement (opens nothing visible).
  void Update();
  void Clear() { FItems.clear(); }
  TFieldDef* Add(const std::string& Name, TFieldType DataType, int Size, bool Required);

private:
  friend class TDataSet;
  TDataSet* FDataSet = nullptr;
  std::vector<std::unique_ptr<TFieldDef>> FItems;
};

// ---------------------------------------------------------------------------------------------
// TField: one column of the active row. The kinds below differ in their type and their default
// display; the conversions live here so that every kind answers every As... call.
class TField : public TComponent {
  ORV_CLASS(TField, TComponent)
public:
  explicit TField(TFieldType AType = ftUnknown);
  ~TField() override;
  static void Publish(TPublisher<TField>& P);
  // From another field: its value (the data set must be editing). Null stays null.
  void Assign(TPersistent* Source) override;

  TDataSet* DataSet() const { return FDataSet; }
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& V) { FFieldName = V; }
  std::string DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const std::string& V) { FDisplayLabel = V; }
  std::string DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const;
  void SetDisplayWidth(int V) { FDisplayWidth = V; }
  TFieldType DataType() const { return FDataType; }
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind V) { FFieldKind = V; }
  bool Calculated() const { return FFieldKind == fkCalculated || FFieldKind == fkInternalCalc; }
  int Size() const { return FSize; }
  void SetSize(int V) { FSize = V; }
  int FieldNo() const { return FFieldNo; }  // 1-based column of the result; 0 for calculated
  int Index() const;                        // position in the data set's Fields
  bool Visible() const { return FVisible; }
  void SetVisible(bool V) { FVisible = V; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }
  bool Required() const { return FRequired; }
  void SetRequired(bool V) { FRequired = V; }
  virtual bool IsBlob() const { return false; }
  // The schema compares this column without regard to case (COLLATE NOCASE).
  bool CaseInsensitive() const { return FCaseInsensitive; }
  bool CanModify() const;

  // Reading. Null reads as "" / 0 / false / 0.0; text that is not a number raises EConvertError.
  bool IsNull() const;
  std::string AsString() const;
  int32_t AsInteger() const;
  int64_t AsLargeInt() const;
  bool AsBoolean() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  Variant Value() const;  // Null for a null value
  Variant AsVariant() const;
  std::string Text() const { return AsString(); }
  // The text a grid shows: booleans "True"/"False", dates "yyyy-mm-dd[ hh:nn:ss]", memo and
  // blob fields "(MEMO)"/"(BLOB)"/"(GRAPHIC)" (lower-case inside when null).
  std::string DisplayText() const;

  // Writing needs the data set in edit or insert mode (calculated fields: during OnCalcFields)
  // and raises EDatabaseError otherwise. The value is stored whole, also when longer than Size.
  void SetAsString(const std::string& V);
  void SetAsInteger(int32_t V);
  void SetAsLargeInt(int64_t V);
  void SetAsBoolean(bool V);
  void SetAsFloat(double V);
  void SetAsDateTime(TDateTime V);
  void SetValue(const Variant& V);
  void SetAsVariant(const Variant& V) { SetValue(V); }
  void SetText(const std::string& V) { SetAsString(V); }
  void Clear();  // sets null

  // Raw access to the stored value of the active row.
  const TDbValue& RawValue() const;
  void SetRawValue(TDbValue V);

  std::function<void(TField* Sender)> OnChange;
  std::function<void(TField* Sender)> OnValidate;

protected:
  friend class TDataSet;
  friend class TFields;
  TDataSet* FDataSet = nullptr;
  std::string FFieldName;
  std::string FDisplayLabel;
  int FDisplayWidth = 0;
  TFieldType FDataType;
  TFieldKind FFieldKind = fkData;
  int FSize = 0;
  int FFieldNo = 0;
  int FSlot = -1;  // index of the value in a row buffer
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  bool FCaseInsensitive = false;
  bool FAutoCreated = false;
};

class TStringField : public TField {
  ORV_CLASS(TStringField, TField)
public:
  TStringField() : TField(ftString) { FSize = 20; }
};
class TWideStringField : public TStringField {
  ORV_CLASS(TWideStringField, TStringField)
public:
  TWideStringField() { FDataType = ftWideString; }
};
class TNumericField : public TField {
  ORV_CLASS(TNumericField, TField)
public:
  explicit TNumericField(TFieldType T) : TField(T) {}
};
class TIntegerField : public TNumericField {
  ORV_CLASS(TIntegerField, TNumericField)
public:
  TIntegerField() : TNumericField(ftInteger) {}

protected:
  explicit TIntegerField(TFieldType T) : TNumericField(T) {}
};
class TSmallintField : public TIntegerField {
  ORV_CLASS(TSmallintField, TIntegerField)
public:
  TSmallintField() : TIntegerField(ftSmallint) {}
};
class TAutoIncField : public TIntegerField {
  ORV_CLASS(TAutoIncField, TIntegerField)
public:
  TAutoIncField() : TIntegerField(ftAutoInc) { FReadOnly = true; }
};
class TLargeintField : public TNumericField {
  ORV_CLASS(TLargeintField, TNumericField)
public:
  TLargeintField() : TNumericField(ftLargeint) {}
};
class TFloatField : public TNumericField {
  ORV_CLASS(TFloatField, TNumericField)
public:
  TFloatField() : TNumericField(ftFloat) {}

protected:
  explicit TFloatField(TFieldType T) : TNumericField(T) {}
};
class TCurrencyField : public TFloatField {
  ORV_CLASS(TCurrencyField, TFloatField)
public:
  TCurrencyField() : TFloatField(ftCurrency) {}
};
class TBooleanField : public TField {
  ORV_CLASS(TBooleanField, TField)
public:
  TBooleanField() : TField(ftBoolean) {}
};
class TDateTimeField : public TField {
  ORV_CLASS(TDateTimeField, TField)
public:
  explicit TDateTimeField(TFieldType T = ftDateTime) : TField(T) {}
};

// Blob fields: bytes read and written whole or through streams.
class TBlobField : public TField {
  ORV_CLASS(TBlobField, TField)
public:
  TBlobField() : TField(ftBlob) {}
  bool IsBlob() const override { return true; }
  int64_t BlobSize() const;
  // Writes the bytes at the stream's position; the stream's position ends after them.
  void SaveToStream(TStream* Stream) const;
  // Replaces the value with the rest of the stream from its position.
  void LoadFromStream(TStream* Stream);
  void SaveToFile(const std::string& FileName) const;
  void LoadFromFile(const std::string& FileName);
  std::string AsBytes() const { return AsString(); }
  void SetAsBytes(const std::string& V);
  // From another blob field (its bytes) or from string lists (their text, as a memo's lines).
  void Assign(TPersistent* Source) override;

protected:
  // Into string lists: the bytes as text, split into lines (a memo box's lines).
  void AssignTo(TPersistent* Dest) override;
  explicit TBlobField(TFieldType T) : TField(T) {}
};
class TMemoField : public TBlobField {
  ORV_CLASS(TMemoField, TBlobField)
public:
  TMemoField() : TBlobField(ftMemo) {}
};
class TGraphicField : public TBlobField {
  ORV_CLASS(TGraphicField, TBlobField)
public:
  TGraphicField() : TBlobField(ftGraphic) {}
};

// Lets a library above this one receive blob fields in Assign (a picture loads the field's
// bytes): TBlobField::AssignTo calls Loader for a target of class Target or a descendant. The
// last registration for a class wins.
using TBlobAssignLoader = void (*)(TBlobField* Field, TPersistent* Target);
void RegisterBlobAssignTarget(TClass Target, TBlobAssignLoader Loader);

// Makes the field object of a type (TStringField for ftString, ...).
std::unique_ptr<TField> CreateFieldOfType(TFieldType Type);

// The fields of a data set, in column order followed by calculated fields.
class TFields : public TObject {
  ORV_CLASS(TFields, TObject)
public:
  int Count() const { return static_cast<int>(FList.size()); }
  TField* Fields(int Index) const;  // EListError outside 0..Count-1
  TField* operator[](int Index) const { return Fields(Index); }
  TField* FindField(const std::string& Name) const;    // null when absent; case ignored
  TField* FieldByName(const std::string& Name) const;  // EDatabaseError "Field 'x' not found"
  int IndexOf(const TField* F) const;

private:
  friend class TDataSet;
  std::vector<TField*> FList;
};

// ---------------------------------------------------------------------------------------------
// A row of a result: its values (data columns, then calculated fields) and its key in the
// engine's table when the row can be changed.
struct TDataRecord {
  std::vector<TDbValue> Values;
  int64_t RowId = 0;
  bool HasRowId = false;
  TBookmark Serial = 0;
};

class TDataSet : public TComponent {
  ORV_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner = nullptr);
  ~TDataSet() override;
  static void Publish(TPublisher<TDataSet>& P);

  // ---- opening and closing ----
  void Open();
  void Close();
  bool Active() const { return FState != dsInactive; }
  void SetActive(bool V);
  TDataSetState State() const { return FState; }
  // Closes and opens again, staying on the same row number where possible.
  void Refresh();

  // ---- navigation ----
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int Distance);
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  bool IsEmpty() const { return FRecords.empty() && FState != dsInsert; }
  int RecordCount() const;
  // 1-based number of the current row (0 when there is none). While OnCalcFields runs, the
  // number of the row being calculated; a row being inserted counts as row 1.
  int RecNo() const;
  void SetRecNo(int Value);
  // Searches the result from its first row for the first row whose key fields ("a;b") equal
  // the values (a variant array for several fields); moves there and returns true, else stays
  // and returns false. Text compares without regard to case when loCaseInsensitive is given or
  // the column is declared NOCASE; loPartialKey matches a prefix; a null key matches null.
  bool Locate(const std::string& KeyFields, const std::vector<Variant>& KeyValues,
              TLocateOptions Options);
  bool Locate(const std::string& KeyFields, const Variant& KeyValue, TLocateOptions Options);
  bool LocateText(const std::string& KeyField, const std::string& Text, TLocateOptions Options);
  bool LocateRaw(const std::string& KeyFields, const std::vector<TDbValue>& KeyValues,
                 TLocateOptions Options);

  // ---- bookmarks ----
  TBookmark GetBookmark() const;
  void GotoBookmark(TBookmark B);  // EDatabaseError "Record not found" when the row is gone
  bool BookmarkValid(TBookmark B) const;
  void FreeBookmark(TBookmark) {}
  int CompareBookmarks(TBookmark A, TBookmark B) const;

  // ---- editing ----
  void Edit();    // on an empty data set: Insert
  void Insert();  // a new row before the current one
  void Append();  // a new row after the last
  void Post();
  void Cancel();
  void Delete();
  // Posts a changed row, or drops an untouched new one, before a move or a new edit.
  void CheckBrowseMode();
  bool Modified() const { return FModified; }
  virtual bool CanModify() const;
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }
  // Asks every data link to write its pending control text into its field.
  void UpdateRecord();

  // ---- fields ----
  TFields* Fields() const { return FFields.get(); }
  int FieldCount() const { return FFields->Count(); }
  TField* FieldByName(const std::string& Name) const { return FFields->FieldByName(Name); }
  TField* FindField(const std::string& Name) const { return FFields->FindField(Name); }
  std::vector<std::string> FieldNames() const;
  template <class TList>
  void GetFieldNames(TList* List) const {
    List->Clear();
    for (const auto& n : FieldNames()) List->Add(n);
  }
  TFieldDefs* FieldDefs() const { return FFieldDefs.get(); }
  // Adds a field of one's own before the data set opens (a calculated column, or a data column
  // chosen by name). While a data set has none of its own data fields, it makes one field per
  // column of the result when it opens. Returns the field, owned by the data set.
  TField* CreateField(TFieldType Type, const std::string& Name, TFieldKind Kind = fkData,
                      int Size = 0);
  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);

  // ---- controls ----
  void DisableControls();
  void EnableControls();  // the last call tells every link the data changed
  bool ControlsDisabled() const { return FDisableCount > 0; }

  // ---- events ----
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;

  // ---- for data links, fields and data sets ----
  const TDbValue& FieldValue(const TField* F) const;
  void SetFieldValue(TField* F, TDbValue V);
  void DataEvent(TDataEvent Event, intptr_t Info);
  // For links: the rows a window can show (the stored rows, and a new row at its place while
  // one is inserted), the index of the current one, and the row fields read (-1: the current).
  int RecordIndex() const;
  int StoredCount() const;
  void AddDataSource(TDataSource* S);
  void RemoveDataSource(TDataSource* S);
  const std::vector<TDataSource*>& DataSources() const { return FDataSources; }
  void SetDisplayRecord(int Index) { FDisplayRecord = Index; }
  int DisplayRecord() const { return FDisplayRecord; }

protected:
  // The engine's part: fill the field definitions and the rows; write back a posted or deleted
  // row. InternalPost receives the row as edited (values of data fields by FieldNo - 1) and the
  // slots that changed; it returns the row as stored (keys and defaults filled in).
  virtual void InternalOpen(std::vector<TDataRecord>& Rows) = 0;
  virtual void InternalClose() {}
  virtual TDataRecord InternalPost(const TDataRecord& Row, const std::vector<bool>& Changed,
                                   bool Inserting) = 0;
  virtual void InternalDelete(const TDataRecord& Row) = 0;
  // Fills FieldDefs from the statement without opening the data set (for FieldDefs::Update).
  virtual void InternalInitFieldDefs() {}
  friend class TFieldDefs;
  // True when the engine compares column Index (0-based) without regard to case.
  virtual bool ColumnNoCase(int /*Index*/) const { return false; }

  void CheckActive() const;    // EDatabaseError "Cannot perform this operation on a closed dataset"
  void CheckInactive() const;  // EDatabaseError "Cannot perform this operation on an open dataset"
  const TDataRecord* ActiveRecordPtr() const;

private:
  void BindFields();
  void CalculateFields(TDataRecord& R);
  void CalculateAll();
  void SetState(TDataSetState S);
  void Scrolled(int OldCurrent);
  void BeginInsertAt(int Pos);
  TDataRecord BlankRecord() const;
  int IndexOfSerial(TBookmark B) const;

  TDataSetState FState = dsInactive;
  std::vector<TDataRecord> FRecords;
  int FCurrent = -1;
  bool FBof = true;
  bool FEof = true;
  TDataRecord FEditRecord;
  std::vector<bool> FChanged;
  int FInsertPos = -1;
  bool FModified = false;
  bool FReadOnly = false;
  TDataRecord* FCalcRecord = nullptr;
  int FDisplayRecord = -1;
  int FDisableCount = 0;
  bool FPendingChange = false;
  TBookmark FNextSerial = 1;
  std::unique_ptr<TFields> FFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::vector<std::unique_ptr<TField>> FOwnedFields;
  std::vector<TDataSource*> FDataSources;
};

// ---------------------------------------------------------------------------------------------
// TDataSource: connects data-aware controls (through their links) to a data set.
class TDataSource : public TComponent {
  ORV_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  ~TDataSource() override;
  static void Publish(TPublisher<TDataSource>& P);

  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* V);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V);
  // Controls put the data set into edit mode when the user starts typing.
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool V) { FAutoEdit = V; }
  TDataSetState State() const;
  void Edit();  // puts the data set into edit mode when AutoEdit is on and it can be changed

  std::function<void(TObject* Sender, TField* Field)> OnDataChange;
  std::function<void(TObject* Sender)> OnStateChange;
  std::function<void(TObject* Sender)> OnUpdateData;

  // Called by the data set.
  void DataEvent(TDataEvent Event, intptr_t Info);
  void AddLink(TDataLink* L);
  void RemoveLink(TDataLink* L);
  const std::vector<TDataLink*>& Links() const { return FLinks; }

private:
  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  bool FAutoEdit = true;
  TDataSetState FLastState = dsInactive;
  std::vector<TDataLink*> FLinks;
};

// TDataLink: how a control follows a data set. A control owns a link, points it at a data source,
// and overrides (or, for TFieldDataLink, assigns handlers for) the notifications. The link keeps a
// window of BufferCount rows around the current row, as a grid shows them; SetActiveRecord makes
// field reads return row i of that window until it is set back.
class TDataLink : public TObject {
  ORV_CLASS(TDataLink, TObject)
public:
  TDataLink() = default;
  ~TDataLink() override;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* V);
  TDataSet* DataSet() const;
  bool Active() const { return FActive; }
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V);
  bool Edit();  // puts the data set into edit mode (through the source); true when editing

  int BufferCount() const { return FBufferCount; }
  void SetBufferCount(int V);
  int RecordCount() const;                    // rows in the window
  int ActiveRecord() const;                   // index of the row fields read, within the window
  void SetActiveRecord(int V);                // -1 puts the reading back to the current row
  int FirstRecord() const { return FFirst; }  // index of the window's first row in the data set
  void UpdateRecord();

  // Notification from the data source.
  void DataEvent(TDataEvent Event, intptr_t Info);

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*Field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}

private:
  void UpdateState();
  int AdjustWindow();  // keeps the current row inside the window; returns the window's move

  TDataSource* FDataSource = nullptr;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
  int FBufferCount = 1;
  int FFirst = 0;
  int FActiveOverride = -1;
};

// TFieldDataLink: the link of a control bound to one field (an edit box, a memo, a label).
class TFieldDataLink : public TDataLink {
  ORV_CLASS(TFieldDataLink, TDataLink)
public:
  TField* Field() const { return FField; }
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& V);
  TObject* Control() const { return FControl; }
  void SetControl(TObject* V) { FControl = V; }
  bool CanModify() const;
  // The control's text was changed by the user: starts editing (when allowed) and remembers
  // that the control holds a value to write back.
  void Modified();
  // Forgets the control's change and shows the field's value again.
  void Reset();
  bool IsModified() const { return FModified; }

  std::function<void(TObject* Sender)> OnDataChange;
  std::function<void(TObject* Sender)> OnEditingChange;
  std::function<void(TObject* Sender)> OnUpdateData;
  std::function<void(TObject* Sender)> OnActiveChange;

protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

private:
  void UpdateField();
  TField* FField = nullptr;
  std::string FFieldName;
  TObject* FControl = nullptr;
  bool FModified = false;
};

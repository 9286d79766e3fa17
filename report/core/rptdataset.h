// Report datasets: the record-source protocol the band engine walks (TrptDataSet), the
// event-driven TrptUserDataSet, the base of adapters over the data layer with field aliases
// (TrptCustomDBDataSet), and the report's list of the datasets it may use.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/collection.h"
#include "report/core/rptclass.h"

enum TrptRangeBegin { rbFirst, rbCurrent };
ORV_ENUM_TYPEINFO(TrptRangeBegin, rbFirst, rbCurrent)
enum TrptRangeEnd { reLast, reCurrent, reCount };
ORV_ENUM_TYPEINFO(TrptRangeEnd, reLast, reCurrent, reCount)
enum TrptFieldType { fftNumeric, fftString, fftBoolean };

using TrptCheckEOFEvent = std::function<void(TObject* Sender, bool& Eof)>;

class TrptDataSet : public TrptDialogComponent {
  ORV_CLASS(TrptDataSet, TrptDialogComponent)
public:
  explicit TrptDataSet(TComponent* AOwner);
  ~TrptDataSet() override;
  static void Publish(TPublisher<TrptDataSet>& P);

  // The user name follows the component name until it is set to something else.
  void SetName(const std::string& Value) override;

  virtual std::string GetDisplayText(const std::string& Field);
  virtual int GetDisplayWidth(const std::string& Field);
  virtual TrptFieldType GetFieldType(const std::string& Field);
  virtual Variant GetValue(const std::string& Field);
  // "prInvProp" for a name that is empty after trimming.
  virtual void SetUserName(const std::string& Value);
  virtual void Initialize() {}
  virtual void Finalize() {}
  virtual void Open();
  virtual void Close();
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();
  virtual int FieldsCount() { return 0; }
  virtual bool IsBlobField(const std::string&) { return false; }
  virtual int RecordCount();
  virtual void AssignBlobTo(const std::string&, TObject*) {}
  virtual void GetFieldList(TStrings* List);
  bool HasField(const std::string& Field);

  const std::string& UserName() const { return FUserName; }
  bool CloseDataSource = false;
  bool Enabled = true;
  bool OpenDataSource = true;
  TrptRangeBegin RangeBegin = rbFirst;
  TrptRangeEnd RangeEnd = reLast;
  int RangeEndCount = 0;
  TrptReport* Report = nullptr;
  TrptCheckEOFEvent OnCheckEOF;
  TNotifyEvent OnFirst, OnNext, OnPrior;
  TNotifyEvent OnOpen, OnClose;
  bool Initialized = false;
  int RecNo = 0;

private:
  std::string FUserName;
};

using TrptGetValueEvent2 = std::function<void(const std::string& VarName, Variant& Value)>;

class TrptUserDataSet : public TrptDataSet {
  ORV_CLASS(TrptUserDataSet, TrptDataSet)
public:
  explicit TrptUserDataSet(TComponent* AOwner);
  ~TrptUserDataSet() override;
  static void Publish(TPublisher<TrptUserDataSet>& P);

  void GetFieldList(TStrings* List) override;
  int FieldsCount() override;
  Variant GetValue(const std::string& Field) override;
  std::string GetDisplayText(const std::string& Field) override;

  TStringList* Fields() const { return FFields.get(); }
  void SetFields(TStrings* Value);
  TrptGetValueEvent2 OnGetValue;

private:
  std::unique_ptr<TStringList> FFields;
};

class TField;

class TrptCustomDBDataSet : public TrptDataSet {
  ORV_CLASS(TrptCustomDBDataSet, TrptDataSet)
public:
  explicit TrptCustomDBDataSet(TComponent* AOwner);
  ~TrptCustomDBDataSet() override;
  static void Publish(TPublisher<TrptCustomDBDataSet>& P);

  // The source field name of a user field name (through FieldAliases).
  std::string ConvertAlias(const std::string& UserFieldName);
  int FieldsCount() override;

  TStringList* FieldAliases() const { return FFieldAliases.get(); }
  void SetFieldAliases(TStrings* Value);
  // User field name -> the data layer's field (sorted, duplicates ignored).
  TStringList* Fields() const { return FFields.get(); }

protected:
  std::unique_ptr<TStringList> FFields;
  std::unique_ptr<TStringList> FFieldAliases;
};

class TrptDataSetItem : public TCollectionItem {
  ORV_CLASS(TrptDataSetItem, TCollectionItem)
public:
  explicit TrptDataSetItem(TCollection* Collection = nullptr);
  static void Publish(TPublisher<TrptDataSetItem>& P);
  void Assign(TPersistent* Source) override;

  TrptDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TrptDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);

private:
  TrptDataSet* FDataSet = nullptr;
  std::string FDataSetName;
};

class TrptReportDataSets : public TCollection {
  ORV_CLASS(TrptReportDataSets, TCollection)
public:
  explicit TrptReportDataSets(TrptReport* AReport);
  TrptDataSetItem* Add(TrptDataSet* D);
  TrptDataSetItem* Items(int Index) const { return static_cast<TrptDataSetItem*>(TCollection::Items(Index)); }
  TrptDataSetItem* Find(TrptDataSet* D) const;
  TrptDataSetItem* Find(const std::string& Name) const;
  void Initialize();
  void Finalize();
  TrptReport* Report() const { return FReport; }

private:
  TrptReport* FReport;
};

// TStrings (the abstract list of strings with attached objects) and TStringList (its concrete,
// optionally sorted implementation).
//
// Line breaks: Text joins the entries with LineBreak, which is "\n" on this platform; a writer of
// a file format that needs CR LF sets LineBreak to "\r\n" (SaveToFile/SaveToStream use it too).
// SetText and LoadFromFile/LoadFromStream accept CR LF, LF and a lone CR. Files are UTF-8; a
// leading UTF-8 byte order mark is skipped on reading and never written.
//
// Name=value entries use NameValueSeparator ("=" by default). CommaText and DelimitedText quote
// with QuoteChar ('"') entries that contain the delimiter, the quote, blanks or control
// characters (with StrictDelimiter only the delimiter and quote count).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/lists.h"
#include "platform/rtl/persistent.h"

class TStream;
class TStringList;

// Compares entries Index1 and Index2 of List for CustomSort.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStrings : public TPersistent {
  ORV_CLASS(TStrings, TPersistent)
public:
  TStrings() = default;

  // ---- the storage a descendant provides ----
  virtual int Count() const = 0;
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);  // base: delete + insert, keeping the object
  virtual TObject* GetObject(int Index) const { (void)Index; return nullptr; }
  virtual void PutObject(int Index, TObject* AObject) { (void)Index, (void)AObject; }
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  // ---- built on top ----
  virtual int Add(const std::string& S);  // index of the new entry
  virtual int AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  void InsertObject(int Index, const std::string& S, TObject* AObject);
  void AddStrings(const TStrings* Strings);
  void AddStrings(const std::vector<std::string>& Strings);
  // Copies entries, objects and the text settings of another TStrings; otherwise as TPersistent.
  void Assign(TPersistent* Source) override;
  // Same entries in the same order (compared exactly; objects are not compared).
  bool Equals(const TStrings* Strings) const;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual int IndexOf(const std::string& S) const;  // without regard to case (TStringList: per CaseSensitive)
  int IndexOfName(const std::string& Name) const;
  int IndexOfObject(TObject* AObject) const;

  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  // Name part of entry Index ("" when it has no separator).
  std::string Names(int Index) const;
  // Value of the first entry named Name ("" when none).
  std::string Values(const std::string& Name) const;
  // Sets the value of entry Name; an empty value deletes the entry; a new name is added.
  void SetValues(const std::string& Name, const std::string& Value);
  std::string ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const std::string& Value);

  virtual std::string Text() const;  // every entry followed by LineBreak
  virtual void SetText(const std::string& Value);
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);

  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char Value) { FDelimiter = Value; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char Value) { FQuoteChar = Value; }
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }
  bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }
  const std::string& LineBreak() const { return FLineBreak; }
  void SetLineBreak(const std::string& Value) { FLineBreak = Value; }

  void LoadFromFile(const std::string& FileName);  // EFOpenError when it cannot be opened
  void SaveToFile(const std::string& FileName) const;
  virtual void LoadFromStream(TStream* Stream);  // from the position to the end
  virtual void SaveToStream(TStream* Stream) const;

  // Nested; change events are held back until the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  std::vector<std::string> ToVector() const;

protected:
  virtual void SetUpdateState(bool Updating) { (void)Updating; }
  [[noreturn]] static void Error(const char* Msg, int64_t Data);
  // Quoted form of one entry for DelimitedText/CommaText.
  static std::string QuoteEntry(const std::string& S, char Delim, char Quote, bool Strict);
  std::string JoinDelimited(char Delim, char Quote, bool Strict) const;
  void SplitDelimited(const std::string& Value, char Delim, char Quote, bool Strict);
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;

private:
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
  bool FStrictDelimiter = false;
  std::string FLineBreak = "\n";
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
  ORV_CLASS(TStringList, TStrings)
public:
  TStringList() = default;
  explicit TStringList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
  ~TStringList() override;

  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int Index) const override;
  // EStringListError "Operation not allowed on sorted list" on a sorted list.
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  // On a sorted list: EStringListError "Operation not allowed on sorted list".
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  // Sorted lists insert at the sorted position and apply Duplicates: dupIgnore returns the index
  // of the entry already there, dupError raises EStringListError "String list does not allow
  // duplicates".
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Exchange(int Index1, int Index2) override;
  // Moves the entry with its object (EStringListError on a sorted list).
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;

  // Binary search of a sorted list: true when found; Index is the position found or the
  // insertion point (the first of equal entries for dupAccept lists).
  bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);  // switching on sorts the list
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);  // re-sorts a sorted list
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  TNotifyEvent OnChange;    // after every change (not while updating; once at EndUpdate)
  TNotifyEvent OnChanging;  // before every change (not while updating)

protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const std::string& S1, const std::string& S2) const override;

private:
  struct TStringItem {
    std::string FString;
    TObject* FObject = nullptr;
  };
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void CheckIndex(int Index) const;
  void FreeObject(TObject* AObject);
  void QuickSort(const std::function<int(int, int)>& Compare);

  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
  TDuplicates FDuplicates = dupIgnore;
};

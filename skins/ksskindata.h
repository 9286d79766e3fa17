// The skin store of the skin-forms library: TksSkinData holds one whole skin (pictures, skin-wide
// settings, the control and window-object descriptions that skinned controls look up by name),
// loaded from a TksCompressedStoredSkin, which keeps a zlib-compressed copy of a skin folder (an
// INI description and its BMP pictures) as the binary property "CompressedData". The copy is
// built from a folder (LoadFromSkinFile) or read from a compressed skin file
// (LoadFromCompressedFile). TksResourceStrData carries the library's interface texts and the
// character set that skinned captions use.
//
// Stored skin stream (the inflated "CompressedData"; integers 32-bit little-endian): version
// (3; up to 3 accepted), picture, inactive picture and mask (each a flag byte, 1 = empty, then a
// BMP file image when present; version 2 carries two more, dropped), the active picture count
// and that many BMP file images, then the description text up to the end (CR LF lines).
// Compressed skin file: int32 version, int32 length L, then the L bytes of "CompressedData".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "skins/ksskinobjects.h"

class TStringList;
class TStrings;

// Messages the store sends to every form (WParam: the store, LParam: 1000).
enum : UINT {
  WM_BEFORECHANGESKINDATA = 1225,  // before a load clears the store
  WM_CHANGESKINDATA = 1226,        // after a successful load
  WM_AFTERCHANGESKINDATA = 1227,   // right after WM_CHANGESKINDATA
  WM_CHANGERESSTRDATA = 1274,      // ResourceStrData assigned
};

// The skin's eight colours.
class TksSkinColors : public TObject {
  ORV_CLASS(TksSkinColors, TObject)
public:
  // The system colours.
  void SetColorsToDefault();
  void LoadFromFile(TCustomIniFile* IniFile);
  void SaveToFile(TCustomIniFile* IniFile);
  TColor BtnFace = 0, BtnText = 0, Window = 0, WindowText = 0, HighLight = 0, HighLightText = 0,
         BtnHighLight = 0, BtnShadow = 0;
};

class TksCompressedStoredSkin : public TComponent {
  ORV_CLASS(TksCompressedStoredSkin, TComponent)
public:
  explicit TksCompressedStoredSkin(TComponent* AOwner);
  ~TksCompressedStoredSkin() override;
  static void Publish(TPublisher<TksCompressedStoredSkin>& P);

  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& Value) { FDescription = Value; }
  // Outside design time (and while loading) only the bare values are stored; at design time
  // setting FileName builds "CompressedData" from that description file and setting
  // CompressedFileName reads that compressed skin file.
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& Value);
  const std::string& CompressedFileName() const { return FCompressedFileName; }
  void SetCompressedFileName(const std::string& Value);

  // Builds "CompressedData" from the description file at Path and the BMP files beside it.
  // False (and nothing changed) when the file lacks one of the sections VERSION, PICTURES,
  // FORMINFO, SKINOBJECTS and SKINCONTROLS. A picture that cannot be read raises.
  bool LoadFromSkinFile(const std::string& Path);
  // Reads a compressed skin file into "CompressedData". A version above 3 leaves the stored
  // skin empty; a length that does not fit the file raises EReadError.
  void LoadFromCompressedFile(const std::string& Path);
  // Inflates "CompressedData" into Stream (from its position on).
  void DeCompress(TStream* Stream);
  // No compressed data.
  bool Empty() const { return FCompressedData.Size() == 0; }
  TMemoryStream& CompressedData() { return FCompressedData; }

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  std::string FDescription, FFileName, FCompressedFileName;
  mutable TMemoryStream FCompressedData;
};

class TksResourceStrData : public TComponent {
  ORV_CLASS(TksResourceStrData, TComponent)
public:
  explicit TksResourceStrData(TComponent* AOwner);
  ~TksResourceStrData() override;
  static void Publish(TPublisher<TksResourceStrData>& P);
  TStrings* ResStrings() const;
  void SetResStrings(TStrings* Value);
  TFontCharset CharSet() const { return FCharSet; }
  void SetCharSet(TFontCharset Value) { FCharSet = Value; }

private:
  std::unique_ptr<TStringList> FResStrings;
  TFontCharset FCharSet = 1;  // DEFAULT_CHARSET
};

class TksSkinData : public TComponent {
  ORV_CLASS(TksSkinData, TComponent)
public:
  explicit TksSkinData(TComponent* AOwner);
  ~TksSkinData() override;
  static void Publish(TPublisher<TksSkinData>& P);

  bool EnableSkinEffects() const { return FEnableSkinEffects; }
  void SetEnableSkinEffects(bool Value) { FEnableSkinEffects = Value; }
  TksCompressedStoredSkin* CompressedStoredSkin() const { return FCompressedStoredSkin; }
  // Stores the reference and, outside design time, loads the skin from it at once.
  void SetCompressedStoredSkin(TksCompressedStoredSkin* Value);
  TksResourceStrData* ResourceStrData() const { return FResourceStrData; }
  // Stores the reference and, outside design time, tells every form (WM_CHANGERESSTRDATA).
  void SetResourceStrData(TksResourceStrData* Value);

  // Loads the skin of Stored (nothing when Stored has no data). The store is Empty from the
  // start of the load and stays so when the load fails (the error propagates: EReadError,
  // EInvalidGraphic, EConvertError, EDecompressionError) or the stored skin is of a later version.
  void LoadCompressedStoredSkin(TksCompressedStoredSkin* Stored);
  // Index of the first control description named Name exactly, -1 when there is none.
  int IndexOfControl(const std::string& Name) const;
  // Frees the descriptions and active pictures, resets the colours to the system ones.
  void ClearObjects();
  // ClearObjects, empties the three pictures and their names, and marks the store Empty.
  void ClearAll();

  bool Empty = true;
  std::vector<std::unique_ptr<TBitmap>> ActivePictures;
  std::unique_ptr<TStringList> ActivePicturesNames;
  TBitmap Picture, InActivePicture, Mask;
  std::string PictureName, InActivePictureName, MaskName;
  std::string SkinName, SkinAuthor, AuthorEmail, AuthorURL, SkinComments;
  std::vector<std::unique_ptr<TksDataSkinControl>> CtrlList;
  std::vector<std::unique_ptr<TksDataSkinObject>> ObjectList;
  TksDataSkinFormInfo FormInfo;
  TksDataSkinPopupWindow PopupWindow;
  TksDataSkinHintWindow HintWindow;
  TksSkinColors SkinColors;
  // The picture of ActivePictures at Index, or null when Index is out of the list.
  TBitmap* ActivePicture(int Index) const;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void SendSkinDataMessage(UINT Msg);
  void ReadStoredSkin(TStream& S);
  bool FEnableSkinEffects = true;
  TksCompressedStoredSkin* FCompressedStoredSkin = nullptr;
  TksResourceStrData* FResourceStrData = nullptr;
};

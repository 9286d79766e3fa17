// The combo box with pictures (TComboBoxEx): a frame window of the class "COMBOBOXEX32" whose
// first and only child is an ordinary combo box window (class "COMBOBOX") that does the work —
// text, list, keys, dropping down. The frame keeps the items (ItemsEx: caption, pictures,
// indent, data), hands their captions to the inner box and draws each item's picture from
// Images beside its caption.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/collection.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/commctrl.h"

class TImageList;
class TComboBoxEx;

// One item: its caption, the picture shown normally and while it is selected in the list
// (indices into the box's Images, -1 for none), its indent in steps of 10 pixels in the list,
// and data for the program.
class TComboExItem : public TCollectionItem {
  ORV_CLASS(TComboExItem, TCollectionItem)
public:
  explicit TComboExItem(TCollection* Collection = nullptr);
  static void Publish(TPublisher<TComboExItem>& P);
  void Assign(TPersistent* Source) override;
  std::string DisplayName() const override { return FCaption; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int SelectedImageIndex() const { return FSelectedImageIndex; }
  void SetSelectedImageIndex(int Value);
  int OverlayImageIndex() const { return FOverlayImageIndex; }
  void SetOverlayImageIndex(int Value) { FOverlayImageIndex = Value; }
  int Indent() const { return FIndent; }
  void SetIndent(int Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }

private:
  std::string FCaption;
  int FImageIndex = -1, FSelectedImageIndex = -1, FOverlayImageIndex = -1, FIndent = 0;
  void* FData = nullptr;
};

// The items of a TComboBoxEx; every change reaches the box, which shows the captions.
class TComboExItems : public TCollection {
  ORV_CLASS(TComboExItems, TCollection)
public:
  explicit TComboExItems(TPersistent* AOwner = nullptr);
  TComboExItem* Add();
  TComboExItem* AddItem(const std::string& Caption, int ImageIndex = -1, int SelectedImageIndex = -1,
                        int OverlayImageIndex = -1, int Indent = 0, void* Data = nullptr);
  // EListError "List index out of bounds (%d)" for a bad index.
  TComboExItem* ComboItems(int Index) const;

protected:
  void Update(TCollectionItem* Item) override;
};

// csExDropDown: free text and a list; csExDropDownList: list items only; csExSimple: a box
// whose text is typed (the list does not drop down).
ORV_ENUM(TComboBoxExStyle, csExDropDown, csExSimple, csExDropDownList)

class TComboBoxEx : public TWinControl {
  ORV_CLASS(TComboBoxEx, TWinControl)
public:
  explicit TComboBoxEx(TComponent* AOwner);
  ~TComboBoxEx() override;
  static void Publish(TPublisher<TComboBoxEx>& P);
  TComboExItems* ItemsEx() const { return FItemsEx.get(); }
  void SetItemsEx(TComboExItems* Value);
  // The captions as the inner box holds them (change the items through ItemsEx).
  TStrings* Items() const;
  int ItemIndex() const;
  void SetItemIndex(int Value);
  TComboBoxExStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxExStyle Value);
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  // The inner combo box (the frame's first child window).
  TComboBox* ComboBox() const { return FCombo; }
  bool DroppedDown() const;
  void DropDown();
  std::string GetText() const override;
  void SetTextBuf(const std::string& Value) override;
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange, OnSelect, OnDropDown;

  // Called by the items.
  void ItemsChanged();

protected:
  void CreateParams(TCreateParams& Params) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DrawItem(int Index, RECT Rect, TOwnerDrawState State);
  void UpdateItemHeight();
  std::unique_ptr<TComboExItems> FItemsEx;
  TComboBox* FCombo = nullptr;  // owned by this box as a component
  TImageList* FImages = nullptr;
  TComboBoxExStyle FStyle = csExDropDown;
};

// TFileListBox: the files of a folder matching a mask, as a list box.
#pragma once

#include "platform/vcl/stdctrls.h"

class TFileListBox : public TCustomListBox {
  ORV_CLASS(TFileListBox, TCustomListBox)
public:
  static void Publish(TPublisher<TFileListBox>& P);
public:
  explicit TFileListBox(TComponent* AOwner);
  // Setting the folder also makes it the current folder of the process, as the original does.
  const std::string& Directory() const { return FDirectory; }
  void SetDirectory(const std::string& Value);
  // One or more masks separated by ";" ("*.jpg;*.png"), matched without regard to case.
  const std::string& Mask() const { return FMask; }
  void SetMask(const std::string& Value);
  // The selected file with its folder, or "".
  std::string FileName() const;
  // Reads the folder again: plain files (no folders, no hidden dot-files), sorted without
  // regard to case.
  void Update() override;
  void Click() override;
  TNotifyEvent OnChange;

private:
  std::string FDirectory, FMask = "*.*";
};

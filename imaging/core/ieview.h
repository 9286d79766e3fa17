// TIEView: the abstract view from which the single-image view and the thumbnail grid derive. The
// IO and processing components attach to any TIEView and use only what is declared here: the
// current image and its alpha channel, the paint lock, the resolution, the image-changed hook
// and the listener list (Event 0: image changed, 1: view destroyed).
//
// The look (Background, BorderStyle, Ctl3D) is kept here as plain settings; the window behaviour
// (window styles, mouse enter and leave messages, canvas) is added by the control layer the
// derived views sit on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"

class TIEBitmap;
class TBitmap;
class TIEView;

using TIEViewListener = std::function<void(TIEView* Sender, int Event)>;
using TIENotifyEvent = std::function<void(TObject* Sender)>;
// The class library's border style (scoped here so that it cannot clash with the controls'
// own enumeration).
enum class TIEBorderStyle : uint8_t { bsNone = 0, bsSingle = 1 };

struct TIECreateParams {
  uint32_t Style = 0, ExStyle = 0, WindowClassStyle = 0x0003;  // CS_VREDRAW | CS_HREDRAW
};

class TIEView : public TObject {
  ORV_CLASS(TIEView, TObject)
public:
  // Window style bits the view asks for at window creation, and the default background.
  static constexpr uint32_t WS_BORDER = 0x00800000;
  static constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
  static constexpr uint32_t CS_VREDRAW = 0x0001;
  static constexpr uint32_t CS_HREDRAW = 0x0002;
  static constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);

  TIEView();
  ~TIEView() override;

  virtual void SetBackground(TColor Value) { FBackground = Value; }
  virtual TBitmap* GetBitmap() { return nullptr; }
  virtual TIEBitmap* GetIEBitmap() { return nullptr; }
  virtual TIEBitmap* GetAlphaChannel() = 0;
  virtual bool HasAlphaChannel() = 0;
  virtual void RemoveAlphaChannel(bool Merge) = 0;
  virtual void LockPaint() = 0;
  virtual int UnlockPaint() = 0;
  virtual int UnlockPaintNoRefresh() = 0;
  virtual void SetDpiX(int Value) {
    if (Value != 0) FDpiX = Value;
  }
  virtual void SetDpiY(int Value) {
    if (Value != 0) FDpiY = Value;
  }
  virtual void SetDpi(int x, int y) {
    SetDpiX(x);
    SetDpiY(y);
  }
  virtual void ImageChange() {}
  // Calls every listener with Event 0, in registration order.
  virtual void CallListeners();

  // Registers a listener; the handle stays valid until UnregisterListener or destruction.
  intptr_t RegisterListener(TIEViewListener Method);
  void UnregisterListener(intptr_t Handle);
  int ListenerCount() const { return static_cast<int>(FListeners.size()); }

  // Window creation parameters: a border (or client edge with 3-D look) for bsSingle, without the
  // redraw-on-resize class styles.
  virtual void CreateParams(TIECreateParams& Params);
  // Called when a change of BorderStyle or Ctl3D needs the window made anew.
  virtual void RecreateWnd() { ++FRecreateCount; }
  int RecreateCount() const { return FRecreateCount; }

  TColor Background() const { return FBackground; }
  TIEBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TIEBorderStyle Value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool ParentCtl3D = true;
  int DpiX() const { return FDpiX; }
  int DpiY() const { return FDpiY; }
  // Mouse enter and leave notifications from the control layer.
  void MouseEnter();
  void MouseLeave();
  TIENotifyEvent OnMouseEnter, OnMouseLeave, OnEnter, OnExit;
  // True when the system draws new-style (themed) controls.
  static bool NewStyleControls;

private:
  struct TListenerRecord {
    TIEViewListener Method;
  };
  std::vector<std::unique_ptr<TListenerRecord>> FListeners;
  TColor FBackground = clBtnFace;
  TIEBorderStyle FBorderStyle = TIEBorderStyle::bsSingle;
  bool FCtl3D = true;
  int FDpiX = 0, FDpiY = 0;
  int FRecreateCount = 0;
};

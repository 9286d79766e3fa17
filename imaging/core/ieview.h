// TIEView: the abstract view from which the single-image view and the thumbnail grid derive. The
// IO and processing components attach to any TIEView and use only what is declared here: the
// current image and its alpha channel, the paint lock, the resolution, the image-changed hook
// and the listener list (Event 0: image changed, 1: view destroyed).
//
// A view is a windowed control of the class library (TCustomControl): the derived views paint
// on its canvas, get its mouse and key messages and are streamed with their forms. The look
// (Background, BorderStyle, Ctl3D) is kept here; BorderStyle and Ctl3D decide the window's border
// (CreateParams) and make the window anew when they change. The mouse enter and leave events and
// OnEnter / OnExit are the control's own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/core/iedefs.h"
#include "platform/vcl/controls.h"

class TIEBitmap;
class TBitmap;
class TIEView;

using TIEViewListener = std::function<void(TIEView* Sender, int Event)>;
using TIENotifyEvent = TNotifyEvent;
// The class library's border style (scoped here so that it cannot clash with the controls'
// own enumeration).
enum class TIEBorderStyle : uint8_t { bsNone = 0, bsSingle = 1 };

struct TIECreateParams {
  uint32_t Style = 0, ExStyle = 0, WindowClassStyle = 0x0003;  // CS_VREDRAW | CS_HREDRAW
};

class TIEView : public TCustomControl {
  ORV_CLASS(TIEView, TCustomControl)
public:
  // Window style bits the view asks for at window creation, and the default background.
  static constexpr uint32_t WS_BORDER = 0x00800000;
  static constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
  static constexpr uint32_t CS_VREDRAW = 0x0001;
  static constexpr uint32_t CS_HREDRAW = 0x0002;
  static constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);

  explicit TIEView(TComponent* AOwner = nullptr);
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
  // Called when a change of BorderStyle or Ctl3D needs the window made anew (a window that
  // exists is destroyed and made again with the new parameters).
  virtual void RecreateWnd();
  int RecreateCount() const { return FRecreateCount; }

  TColor Background() const { return FBackground; }
  TIEBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TIEBorderStyle Value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool ParentCtl3D = true;
  int DpiX() const { return FDpiX; }
  int DpiY() const { return FDpiY; }
  // Raise the control's OnMouseEnter / OnMouseLeave.
  void MouseEnter();
  void MouseLeave();
  // True when the system draws new-style (themed) controls.
  static bool NewStyleControls;

protected:
  // The control's window parameters with the view's border and class styles applied.
  void CreateParams(TCreateParams& Params) override;

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

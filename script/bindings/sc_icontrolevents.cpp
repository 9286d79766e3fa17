// The adapters of control and form events.
#include "script/bindings/sc_icontrolevents.h"

#include "platform/rtl/handletable.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TscMouseEvent, TscCustomEvent)
ORV_CLASS_IMPL(TscMouseMoveEvent, TscCustomEvent)
ORV_CLASS_IMPL(TscKeyEvent, TscCustomEvent)
ORV_CLASS_IMPL(TscKeyPressEvent, TscCustomEvent)
ORV_CLASS_IMPL(TscCloseEvent, TscCustomEvent)
ORV_CLASS_IMPL(TscCloseQueryEvent, TscCustomEvent)
ORV_CLASS_IMPL(TscCanResizeEvent, TscCustomEvent)

namespace {

// The adapter behind a handle, null once it has been freed.
TscCustomEvent* Adapter(uint32_t H) { return HandleObjectAs<TscCustomEvent>(H); }

TMethod Made(std::any Code, TscCustomEvent* Self) {
  TMethod m;
  m.Code = std::move(Code);
  m.Data = Self;
  return m;
}

Variant Bits(const TShiftState& S) { return static_cast<int32_t>(S.Bits()); }

}  // namespace

TMethod TscMouseEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(
      TMouseEvent([h](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        if (auto* e = Adapter(h))
          e->CallHandler(
              {scObjectToValue(Sender), static_cast<int32_t>(Button), Bits(Shift), X, Y});
      }),
      this);
}

TMethod TscMouseMoveEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(TMouseMoveEvent([h](TObject* Sender, TShiftState Shift, int X, int Y) {
                if (auto* e = Adapter(h))
                  e->CallHandler({scObjectToValue(Sender), Bits(Shift), X, Y});
              }),
              this);
}

TMethod TscKeyEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(
      TKeyEvent([h](TObject* Sender, WORD& Key, TShiftState Shift) {
        auto* e = Adapter(h);
        if (e && e->CallHandler({scObjectToValue(Sender), static_cast<int32_t>(Key), Bits(Shift)}))
          Key = static_cast<WORD>(e->Param(1).AsInteger());
      }),
      this);
}

TMethod TscKeyPressEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(TKeyPressEvent([h](TObject* Sender, char& Key) {
                auto* e = Adapter(h);
                if (e && e->CallHandler({scObjectToValue(Sender), Variant(std::string(1, Key))})) {
                  // An emptied Key hands the control a zero character (the key is dropped).
                  std::string k = VarToStr(e->Param(1));
                  Key = k.empty() ? '\0' : k[0];
                }
              }),
              this);
}

TMethod TscCloseEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(TCloseEvent([h](TObject* Sender, TCloseAction& Action) {
                auto* e = Adapter(h);
                if (e && e->CallHandler({scObjectToValue(Sender), static_cast<int32_t>(Action)})) {
                  int a = e->Param(1).AsInteger();
                  if (a >= caNone && a <= caMinimize) Action = static_cast<TCloseAction>(a);
                }
              }),
              this);
}

TMethod TscCloseQueryEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(TCloseQueryEvent([h](TObject* Sender, bool& CanClose) {
                auto* e = Adapter(h);
                if (e && e->CallHandler({scObjectToValue(Sender), CanClose}))
                  CanClose = e->Param(1).AsBoolean();
              }),
              this);
}

TMethod TscCanResizeEvent::GetMethod() {
  uint32_t h = SelfHandle();
  return Made(TCanResizeEvent([h](TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize) {
                auto* e = Adapter(h);
                if (e && e->CallHandler({scObjectToValue(Sender), NewWidth, NewHeight, Resize})) {
                  NewWidth = e->Param(1).AsInteger();
                  NewHeight = e->Param(2).AsInteger();
                  Resize = e->Param(3).AsBoolean();
                }
              }),
              this);
}

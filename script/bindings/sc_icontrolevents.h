// Event adapters of the controls' and forms' events (the notify adapter is the engine's own):
// each presents a handler of the event's type, hands the native arguments to the script
// procedure as script values and copies var arguments back after the call.
#pragma once

#include "script/sc_ievents.h"

#define SC_EVENT_ADAPTER(Name)         \
  class Name : public TscCustomEvent { \
    ORV_CLASS(Name, TscCustomEvent)    \
  public:                              \
    TMethod GetMethod() override;      \
  };

SC_EVENT_ADAPTER(TscMouseEvent)
SC_EVENT_ADAPTER(TscMouseMoveEvent)
SC_EVENT_ADAPTER(TscKeyEvent)
SC_EVENT_ADAPTER(TscKeyPressEvent)
SC_EVENT_ADAPTER(TscCloseEvent)
SC_EVENT_ADAPTER(TscCloseQueryEvent)
SC_EVENT_ADAPTER(TscCanResizeEvent)

#undef SC_EVENT_ADAPTER

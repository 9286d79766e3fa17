// The splash window TFormstar: a borderless window the size of its picture, centred on the
// screen, shown while the program starts. It has no behaviour of its own.
#pragma once

#include "platform/vcl/forms.h"

class TImage;

inline constexpr char kSplashFileName[] = "splash.png";

class TFormstar : public TForm {
  ORV_CLASS(TFormstar, TForm)
public:
  // Loads the picture from "splash.png" in the program's folder; without it the window is a
  // plain 480 x 300 panel.
  explicit TFormstar(TComponent* Owner);

  TImage* Image1 = nullptr;
};

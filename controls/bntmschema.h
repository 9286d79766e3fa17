// Part and state numbers of the visual-style class "button" that the buttons use.
#pragma once

enum : int {
  BP_PUSHBUTTON = 1,
  BP_RADIOBUTTON = 2,
  BP_CHECKBOX = 3,
  BP_GROUPBOX = 4,
  BP_USERBUTTON = 5,
};

enum : int {
  PBS_NORMAL = 1,
  PBS_HOT = 2,
  PBS_PRESSED = 3,
  PBS_DISABLED = 4,
  PBS_DEFAULTED = 5,
};

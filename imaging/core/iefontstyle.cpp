// IELogFontStyle (see iefontstyle.h).
#include "imaging/core/iefontstyle.h"

TFontStyles IELogFontStyle(const LOGFONT* LogFont) {
  TFontStyles s;
  if (!LogFont) return s;
  if (LogFont->lfWeight >= 700) s.Include(fsBold);
  if (LogFont->lfItalic) s.Include(fsItalic);
  if (LogFont->lfUnderline) s.Include(fsUnderline);
  if (LogFont->lfStrikeOut) s.Include(fsStrikeOut);
  return s;
}

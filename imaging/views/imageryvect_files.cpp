// TImageryVect: the IEV and ALL streams and files (see imageryvect.h).
#include "imaging/views/imageryvect.h"

void TImageryVect::SaveToStreamIEV(TStream*) {}
bool TImageryVect::LoadFromStreamIEV(TStream*) { return false; }
bool TImageryVect::LoadFromFileIEV(const std::string&) { return false; }
void TImageryVect::SaveToFileIEV(const std::string&) {}
void TImageryVect::SaveToStreamAll(TStream*, int) {}
bool TImageryVect::LoadFromStreamAll(TStream*) { return false; }
bool TImageryVect::LoadFromFileAll(const std::string&) { return false; }
void TImageryVect::SaveToFileAll(const std::string&, int) {}
void TImageryVect::SaveObjectToStream(TStream*, int) {}
int TImageryVect::LoadObjectFromStream(TStream*, uint8_t) { return IEV_NO_OBJECT; }
bool IevDetect(TStream*) { return false; }
bool AllDetect(TStream*) { return false; }
void IEInstallVectorFileHooks(bool) {}

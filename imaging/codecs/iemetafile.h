// Content tests of the two metafile kinds (enhanced metafiles and Windows metafiles, plain or
// with the placeable header). Both read from the stream position and restore it.
#pragma once

class TStream;

bool EmfDetect(TStream* Stream);
bool WmfDetect(TStream* Stream);

// Fills the metafile content tests of the IO front end's codec table.
void IERegisterMetafileDetection();

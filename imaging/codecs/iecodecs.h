// Start-up of the codec library: fills the IO front end's codec table with the codecs of this
// library. The program calls it once before the imaging library starts (calling it again is
// harmless).
#pragma once

void IERegisterCodecs();

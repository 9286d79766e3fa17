// Start-up of the codec library and of the whole imaging library.
//
// The codecs sit at the top of the imaging libraries, so they are the one place that can plug
// every lower piece into the fixed start-up order of the IO front end (ieinit.h): the codec table,
// the processing unit's set-up and clean-up in the processing slot, the codecs' quantizer as the
// container's colour reducer and, when CMYK goes through ICC, the built-in CMYK profile as the
// route of the CMYK formulas.
#pragma once

// Fills the IO front end's codec table with the codecs of this library (calling it again is
// harmless).
void IERegisterCodecs();

// Registers the codecs, installs the processing slot of the start-up order and starts the imaging
// library (IELibraryStartup). A program calls it once before it uses the imaging library and
// IEImagingShutdown once at the end; further nested start-up/shut-down pairs only count.
void IEImagingStartup();
void IEImagingShutdown();

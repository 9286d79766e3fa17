// Writing an edited photo back over its file, for the viewer's rotation and the crop window.
//
// The picture is written to a temporary file beside the photo first and only then put in the
// photo's place, so a save that fails (folder not writable, disk full, photo gone) leaves the
// photo on disk as it was and raises an exception naming the file and the cause.
#pragma once

#include <string>

#include "platform/rtl/sysutils.h"

class TImageryIO;

// A photo could not be written back; the message names the file and the cause.
ORV_EXCEPTION(EPhotoSaveError, Exception)

// Saves IO's picture over Path in the format of Path's extension, or as JPEG when Jpeg is set
// (with IO's parameters, which hold what was read at load and the JPEG quality). The photo must still exist; its read-only attribute is cleared.
// When the parameters carry an EXIF thumbnail it is replaced by the saved picture made small
// (at most 160 x 160), so the embedded thumbnail shows what the file holds.
void SavePhotoOver(TImageryIO* IO, const std::string& Path, bool Jpeg = false);

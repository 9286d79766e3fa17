// INI files: the bytes as a file read whole (TMemIniFile) and line by line (TIniFile); every
// section and value is read as each kind of setting, and the content is written back out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/fuzz_common.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

void ReadEverything(TCustomIniFile& Ini) {
  TStringList sections, names;
  Ini.ReadSections(&sections);
  for (int s = 0; s < std::min(sections.Count(), 32); ++s) {
    const std::string section = sections.Strings(s);
    Ini.ReadSection(section, &names);
    for (int n = 0; n < std::min(names.Count(), 32); ++n) {
      const std::string name = names.Strings(n);
      Ini.ReadString(section, name, "");
      Ini.ReadInteger(section, name, 0);
      Ini.ReadBool(section, name, false);
      Ini.ReadFloat(section, name, 0);
      Ini.ReadDateTime(section, name, 0);
      try {
        TMemoryStream bytes;
        Ini.ReadBinaryStream(section, name, &bytes);
      } catch (const std::exception&) {
      }
    }
    TStringList values;
    Ini.ReadSectionValues(section, &values);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > 65536) return 0;
  const std::string path = orvfuzz::WriteScratchFile("fuzz.ini", Data, Size);
  try {
    TMemIniFile ini(path);
    ReadEverything(ini);
    ini.Rename(orvfuzz::ScratchFolder() + "/fuzz-out.ini", false);
    ini.UpdateFile();
  } catch (const std::exception&) {
  }
  try {
    TIniFile ini(path);
    ReadEverything(ini);
  } catch (const std::exception&) {
  }
  return 0;
}

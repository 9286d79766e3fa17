// The filer's text form: the bytes as a form description, converted to a component stream and
// read into a form, as forms load from their descriptions.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/fuzz_form_classes.h"
#include "platform/vcl/forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  orvfuzz::RegisterFormClasses();
  TForm* form = new TForm(nullptr);
  try {
    form->LoadFromText(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const std::exception&) {
  }
  delete form;
  return 0;
}

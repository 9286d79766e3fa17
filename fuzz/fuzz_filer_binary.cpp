// The filer's binary component streams: the bytes converted to their text form, and read as the
// stream of a form with its controls, menus and non-visual components.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "fuzz/fuzz_form_classes.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  orvfuzz::RegisterFormClasses();
  try {
    TMemoryStream in, out;
    if (Size) in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    ObjectBinaryToText(&in, &out);
  } catch (const std::exception&) {
  }
  TForm* form = new TForm(nullptr);
  try {
    TMemoryStream in;
    if (Size) in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    TReader reader(&in, 4096);
    reader.ReadRootComponent(form);
  } catch (const std::exception&) {
  }
  delete form;
  return 0;
}

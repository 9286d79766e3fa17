// The program block: the splash for two seconds, the title, the main window, the message loop.
//
// With ORVANTA_SCREENSHOT naming a file, the main window is rendered once it has shown the
// folder of the command line, saved there as PNG, and the program exits (run.sh does this on a
// virtual display).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/formstar.h"
#include "app/maincontrols.h"
#include "app/seemain.h"
#include "imaging/codecs/iecodecs.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/forms.h"
#include "platform/win/winuser.h"

int main() {
  // The libraries' start-up: the imaging library with its codecs.
  IEImagingStartup();
  Application()->Initialize();
  const char* shot = std::getenv("ORVANTA_SCREENSHOT");
  const bool screenshot = shot && *shot;
  {
    TFormstar* splash = new TFormstar(Application());
    splash->Show();
    splash->Update();
    Application()->ProcessMessages();
    // The splash stays for two seconds, on the user-interface thread.
    if (!screenshot) std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    Application()->SetTitle("orvanta 1.0");
    TFormSeeMain* main = nullptr;
    Application()->CreateForm(main);
    // The main window's skin engine wears "harbour.ssk" (beside the executable).
    SkinProgramWindows(main, ExtractFilePath(ParamStr(0)) + "harbour.ssk");
    delete splash;
    if (screenshot && !Application()->Terminated()) {
      main->Show();
      Application()->ProcessMessages();
      UpdateAllWindows();
      bool ok = SaveWindowToPng(main->Handle(), shot);
      std::printf("orvanta: %s display, screenshot %s\n", DisplayBackendName(),
                  ok ? "saved" : "failed");
      IEImagingShutdown();
      return ok ? 0 : 1;
    }
  }
  Application()->Run();
  IEImagingShutdown();
  return 0;
}

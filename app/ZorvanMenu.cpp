// The utility's entry point: the application object runs the main window, which shows
// itself once it is built. Whatever escapes start-up is shown to the user, never thrown
// out of the process.
#include <windows.h>

#include <exception>

#include "app/Main.h"
#include "framework/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Application->SetShowMainForm(false);
    try {
        Application->Initialize();
        Application->SetTitle("Zorvan Menu");
        Application->CreateForm(FrmMain);
        Application->Run();
    } catch (const Exception& error) {
        Application->ShowException(error);
    } catch (const std::exception& error) {
        Application->ShowException(Exception(error.what()));
    } catch (...) {
        Application->ShowException(Exception(""));
    }
    return 0;
}

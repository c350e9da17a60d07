// The program's one application object. The framework's WinMain
// (framework_main) finds it and calls its InitInstance.
#include "app/TrayApp.h"

TrayApp theApp;

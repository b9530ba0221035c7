/* Imports WINSPOOL.DRV and COMCTL32 the ordinary way, so the loader looks for them in the
   program's folder first: beside planted DLLs it shows that the planting takes effect. */
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)show;
    /* Never true when run by the tests; it keeps both imports in the import table. */
    if (commandLine && commandLine[0] == '!') {
        DWORD size = 0;
        GetDefaultPrinterW(NULL, &size);
        InitCommonControls();
    }
    return 0;
}

// Starts and ends at once: what the system alone costs to create and tear down a process.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}

// The program entry on every platform: MinGW's startup code enters a GUI
// program (WIN32_EXECUTABLE) through main as well, so no WinMain is needed.

#include "wizard/Entry.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }

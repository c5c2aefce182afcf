// The POSIX program entry. Windows enters through WinMain, which shares RunProgram.

#include "wizard/Entry.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }

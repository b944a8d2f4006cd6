// The program's entry: the application object, the main window, the title
// and the message loop.
#pragma once

int WinMain(int argc, char** argv);

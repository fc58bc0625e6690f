// What the command line needs of the system's console before it starts: on
// Windows the arguments in UTF-8 (from the UTF-16 command line, so names in
// any script arrive whole), output bytes passed on unchanged (UTF-8, "\n"
// line ends) and a console that shows UTF-8. Elsewhere nothing changes.
// One implementation per platform (console_posix.cpp, console_win32.cpp).
#pragma once

// May replace argc and argv with the program's own UTF-8 copies.
void PrepareConsole(int* argc, char*** argv);
// True when stderr is a terminal (the progress bar is drawn only there).
bool ErrorStreamIsTerminal();

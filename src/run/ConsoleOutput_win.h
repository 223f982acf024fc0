// Text for whoever started the program from a shell: its redirected output, its console, or a message box.
#pragma once

// Where a text went.
enum class ConsoleOutputRoute : int { StandardOutput = 0, ParentConsole = 1, ShownInBox = 2, Nowhere = 3 };

// Writes the UTF-16 text unchanged (no line end is added or translated): to the standard output handle when the
// program has a valid one (a redirection, a pipe, Wine's shell), else to the console of the parent process, else
// into a message box with the given caption (none when the caption is null). A console gets the text as UTF-16
// through WriteConsoleW; a file or pipe gets UTF-8 bytes exactly as written, so a "\n" stays one byte.
ConsoleOutputRoute WriteConsoleText(const char16_t* text, const char16_t* messageBoxCaption);

// The program's options in the window's system menu (the icon menu, Alt+Space): built from the option rows,
// shown afresh before the menu opens, and their commands routed to the window.
#pragma once

#include <windows.h>

#include <span>

#include "run/OptionsMenu.h"

// Puts a separator and the option rows, in the current language and with their check marks, at the end of the
// window's system menu; a second call replaces what the first one put there.
void ShowOptionsInSystemMenu(HWND window, std::span<const OptionRow> rows = OptionRows());

// WM_INITMENUPOPUP: before the system menu opens, its options show the current texts and check marks.
void OnInitMenuPopup(HWND window, HMENU menu, bool systemMenu);

// WM_SYSCOMMAND: when the command is one of the options', sends the option's command to the window and returns
// true; false for every other system command, which the default window procedure then carries out.
bool RouteOptionCommand(HWND window, WPARAM systemCommand);

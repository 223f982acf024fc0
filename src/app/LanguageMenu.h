// The language menu under the "# LNG" button: switch the language, export a template, load a translation.
#pragma once

#include <windows.h>

// The popup built from the language tables and CurrentLanguage; the caller destroys it.
HMENU BuildLanguageMenu();

// The rectangle of the button with that command, in the toolbar's client coordinates; empty when it has none.
RECT GetToolbarButtonRect(HWND toolbar, int command);

// Carries out what the popup returned; every non-zero result ends by storing "lng".
void ActOnLanguageMenuResult(int result);

// Shows the popup under button 131 of the command toolbar and acts on the choice.
void ShowLanguageMenu();

// Asks for a translation file with the open-file dialog and imports the one the user confirms.
void ChooseTranslationFile();
// Imports the file, then shows the report in a message box captioned "Translate".
void ImportTranslation(const wchar_t* path);

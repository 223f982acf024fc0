// The one record of the main window's handles.
#include "app/UiHandles.h"

UiHandles Ui;

// The settings dialog is not built yet: its mode ends where it would hand over to it.
#include "win32_forms.h"

void RunSettingsDialog() {}

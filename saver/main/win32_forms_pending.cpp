// The session form, the preview form and the settings dialog are not built yet: each mode
// ends where it would hand over to its form.
#include "win32_forms.h"

void RunPreviewForm(int32_t) {}
void RunSettingsDialog() {}
void RunSessionForm() {}

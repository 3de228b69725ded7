// The preview form and the settings dialog are not built yet: their modes end where they
// would hand over to them.
#include "win32_forms.h"

void RunPreviewForm(int32_t) {}
void RunSettingsDialog() {}

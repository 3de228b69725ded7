// The saver's forms, each started from the entry for its mode.
#pragma once

#include <cstdint>

// Preview mode: the preview picture inside the settings page's pane; returns when the pane goes.
void RunPreviewForm(int32_t parentWindow);
// Configure mode: the settings dialog, modal; returns when it has closed.
void RunSettingsDialog();
// Run mode: the hidden session form; its start-up runs, then the session until it ends.
void RunSessionForm();

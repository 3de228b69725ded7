// The display's power as the system reports it to the renderer's window, so that nothing is
// drawn while no one can see it: from Windows 8 on the console display's state (0 off, 1 on,
// 2 dimmed), before it the monitor's power (0 off, 1 on). A dimmed display is still seen.
#pragma once

#include <cstdint>

// A power setting's identity: a GUID, laid out as Windows lays one out in memory.
struct PowerSettingId {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
};
bool operator==(const PowerSettingId& a, const PowerSettingId& b);

extern const PowerSettingId kConsoleDisplayState;  // {6FE69556-704A-47A0-8F24-C28D936FDA47}
extern const PowerSettingId kMonitorPowerOn;       // {02731015-4510-4526-99E6-E5A17EBD1AEA}

// Returns the setting that reports the display's power on Windows `major`.`minor`: the console
// display's state from Windows 8 (6.2) on, the monitor's power before.
const PowerSettingId& DisplayPowerSetting(unsigned major, unsigned minor);

class DisplayPower {
public:
    // A power setting changed to the value in the first four of its `size` bytes of `data`.
    // Returns whether the display went off or came back; another setting, or data too short to
    // hold a value, changes nothing.
    bool Report(const PowerSettingId& setting, const void* data, uint32_t size);

    // The display is off: draw nothing, wait only for messages.
    bool Off() const { return off_; }

private:
    bool off_ = false;
};

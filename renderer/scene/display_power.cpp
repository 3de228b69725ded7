#include "display_power.h"

#include <cstring>

const PowerSettingId kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const PowerSettingId kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

bool operator==(const PowerSettingId& a, const PowerSettingId& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

const PowerSettingId& DisplayPowerSetting(unsigned major, unsigned minor) {
    return major > 6 || (major == 6 && minor >= 2) ? kConsoleDisplayState : kMonitorPowerOn;
}

bool DisplayPower::Report(const PowerSettingId& setting, const void* data, uint32_t size) {
    if (!(setting == kConsoleDisplayState || setting == kMonitorPowerOn) || !data || size < sizeof(uint32_t)) {
        return false;
    }
    uint32_t value;
    std::memcpy(&value, data, sizeof value);
    const bool off = value == 0;  // on, dimmed, or a state yet unknown: drawn
    const bool changed = off != off_;
    off_ = off;
    return changed;
}

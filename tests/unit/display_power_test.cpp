// The display's power as the renderer's window hears of it: which reports turn the drawing off
// and on, and which setting a Windows version reports it by.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "renderer/scene/display_power.h"

namespace {

// A run of reports as the system sends them: each setting and value (and the data's size) in
// turn, whether it turns the display off or back on, and whether it is off after it.
TEST(DisplayPower, OffOnlyWhileTheDisplayIsReportedOff) {
    PowerSettingId other = kConsoleDisplayState;
    other.data4[7] ^= 1;  // a setting one bit from the display's (the system reports many)
    const struct {
        const PowerSettingId* setting;
        uint32_t value, size;
        bool changes, off;
    } reports[] = {
        {&kConsoleDisplayState, 1, 4, false, false},  // registering: the state as it is
        {&kConsoleDisplayState, 2, 4, false, false},  // dimmed: still seen
        {&kConsoleDisplayState, 0, 4, true, true},
        {&other, 1, 4, false, true},
        {&kConsoleDisplayState, 1, 3, false, true},  // too short to hold a value
        {&kConsoleDisplayState, 0, 4, false, true},
        {&kConsoleDisplayState, 2, 4, true, false},  // back, dimmed
        {&kConsoleDisplayState, 1, 8, false, false},
        {&kMonitorPowerOn, 0, 4, true, true},  // before Windows 8
        {&kMonitorPowerOn, 1, 4, true, false},
        {&kConsoleDisplayState, 7, 4, false, false},  // a state not known today: drawn
        {&other, 0, 4, false, false},
    };
    DisplayPower power;
    EXPECT_FALSE(power.Off());
    int i = 0;
    for (const auto& r : reports) {
        unsigned char data[8] = {};
        std::memcpy(data, &r.value, sizeof r.value);
        EXPECT_EQ(power.Report(*r.setting, data, r.size), r.changes) << "report " << i;
        EXPECT_EQ(power.Off(), r.off) << "report " << i;
        ++i;
    }
    EXPECT_FALSE(power.Report(kConsoleDisplayState, nullptr, 4));
}

TEST(DisplayPower, TheConsoleDisplayStateFromWindowsEightOn) {
    EXPECT_EQ(DisplayPowerSetting(5, 1), kMonitorPowerOn);  // XP (no such report at all)
    EXPECT_EQ(DisplayPowerSetting(6, 1), kMonitorPowerOn);  // 7
    EXPECT_EQ(DisplayPowerSetting(6, 2), kConsoleDisplayState);  // 8
    EXPECT_EQ(DisplayPowerSetting(6, 3), kConsoleDisplayState);
    EXPECT_EQ(DisplayPowerSetting(10, 0), kConsoleDisplayState);
}

}  // namespace

// The watcher's rules: whose settings win, when it wakes and photographs, what the saver takes
// as fresh, and the record it keeps.
#include <gtest/gtest.h>

#include <random>

#include "saver/watch/watch_rules.h"

namespace {

// A user idle from time 0 for `idleFor` ms, a watcher following NextWatchStep from its first
// waking at `firstWake`: every wake at least a second after the one before; a photograph before
// the timeout, none before the lead; from the first photograph on, the newest one never older
// than a retake and a waking's worth, well within what the saver takes, yet never retaken within
// 10 s of the one before.
TEST(WatchRules, TheWatcherPhotographsBeforeTheTimeoutAndKeepsItFresh) {
    std::mt19937_64 random(32);
    for (int run = 0; run < 2000; ++run) {
        const int64_t timeout = std::uniform_int_distribution<int64_t>(1000, 3600000)(random);
        const int64_t firstWake = std::uniform_int_distribution<int64_t>(0, timeout)(random);
        const int64_t idleFor = timeout + std::uniform_int_distribution<int64_t>(0, 600000)(random);
        std::optional<int64_t> taken;
        int64_t now = firstWake, lastWake = -kWatchShortestSleepMs;
        while (now < idleFor) {
            ASSERT_GE(now - lastWake, kWatchShortestSleepMs) << "timeout " << timeout;
            lastWake = now;
            const WatchStep step = NextWatchStep(now, timeout, taken ? std::optional<int64_t>(now - *taken) : std::nullopt);
            ASSERT_GE(step.sleepMs, kWatchShortestSleepMs);
            ASSERT_LE(step.sleepMs, kWatchLongestSleepMs);
            if (step.photograph) {
                ASSERT_GE(now, std::min(timeout - kWatchLeadMs, timeout / 2)) << "photographed long before the timeout";
                if (taken) {
                    ASSERT_GE(now - *taken, 10000) << "retaken too soon";
                }
                taken = now;
            }
            // Between this waking and the next, the newest photograph's age.
            if (now >= timeout && taken) {
                ASSERT_LE(now + step.sleepMs - *taken, kWatchRetakeMs + kWatchShortestSleepMs);
            }
            if (now + step.sleepMs >= timeout && timeout >= 2 * kWatchShortestSleepMs) {
                ASSERT_TRUE(taken) << "no photograph before the timeout " << timeout;
                ASSERT_LE(timeout - *taken, kWatchLeadMs + kWatchShortestSleepMs) << "a photograph taken too early";
            }
            now += step.sleepMs;
        }
        EXPECT_LT(kWatchRetakeMs + kWatchShortestSleepMs, kWatchMaxAgeMs);
    }
    // No timeout: nothing photographed, the settings read again within the longest sleep.
    EXPECT_FALSE(NextWatchStep(1 << 30, 0, std::nullopt).photograph);
    // The user at work: the watcher sleeps until the idle time could reach the lead.
    EXPECT_EQ(NextWatchStep(0, 60000, std::nullopt).sleepMs, 57000);
}

TEST(WatchRules, ThePolicyWinsAndEitherSecureValueLocks) {
    SaverValues v;
    v.saver = "C:\\Windows\\system32\\クイルモア.scr";
    EXPECT_TRUE(NamesThisSaver(ChosenSaver(v), "クイルモア.scr"));
    EXPECT_TRUE(NamesThisSaver("C:\\WINDOWS\\SysWOW64\\クイルモア.SCR", "クイルモア.scr"));
    EXPECT_FALSE(NamesThisSaver("C:\\Windows\\system32\\Bubbles.scr", "クイルモア.scr"));
    EXPECT_FALSE(NamesThisSaver("C:\\x\\クイルモア.scr.old", "クイルモア.scr"));
    EXPECT_FALSE(NamesThisSaver("", "クイルモア.scr"));
    v.policySaver = "C:\\Windows\\system32\\Bubbles.scr";
    EXPECT_FALSE(NamesThisSaver(ChosenSaver(v), "クイルモア.scr"));
    v.policySaver = "";  // an empty policy value names nothing: the user's stands
    EXPECT_TRUE(NamesThisSaver(ChosenSaver(v), "クイルモア.scr"));
    v.policyActive = "1";
    EXPECT_TRUE(NamesThisSaver(ChosenSaver(v), "クイルモア.scr"));
    v.policyActive = "0";  // the policy turns the screen saver off, whichever is chosen
    EXPECT_FALSE(NamesThisSaver(ChosenSaver(v), "クイルモア.scr"));
    v.policyActive.reset();

    EXPECT_FALSE(IsSecure(v));
    v.secure = "0";
    v.policySecure = "abc";
    EXPECT_FALSE(IsSecure(v));
    v.secure = "1";
    EXPECT_TRUE(IsSecure(v));
    v.secure = "0";
    v.policySecure = "1";
    EXPECT_TRUE(IsSecure(v));
    v.policySecure = "0";
    v.machineLock = "0";  // the machine never locks by itself
    EXPECT_FALSE(IsSecure(v));
    v.machineLock = "900";  // it locks after 15 minutes without input, the saver's values aside
    EXPECT_TRUE(IsSecure(v));
    v.machineLock.reset();

    v.timeoutSeconds = 600;
    EXPECT_EQ(TimeoutMs(v), 600000);
    for (const char* unusable : {"", "0", "-5", "60s", " 60", "99999999999"}) {
        v.policyTimeout = unusable;
        EXPECT_EQ(TimeoutMs(v), 600000) << "'" << unusable << "'";
    }
    v.policyTimeout = "60";
    EXPECT_EQ(TimeoutMs(v), 60000);

    // Beside the desktop's shell: never as another user, never elevated above it; what cannot be
    // read holds nothing back.
    const std::vector<uint8_t> user = {1, 5, 21, 7}, other = {1, 5, 21, 8};
    EXPECT_FALSE(MayWatchBeside({user, true}, {user, false}));  // started by an elevated installer
    EXPECT_FALSE(MayWatchBeside({user, true}, {{}, false}));
    EXPECT_FALSE(MayWatchBeside({user, false}, {other, false}));
    EXPECT_TRUE(MayWatchBeside({user, true}, {user, true}));  // the shell elevated too
    EXPECT_TRUE(MayWatchBeside({user, false}, {user, true}));
    EXPECT_TRUE(MayWatchBeside({user, false}, {user, false}));
    EXPECT_TRUE(MayWatchBeside({user, true}, {user, std::nullopt}));
    EXPECT_TRUE(MayWatchBeside({{}, std::nullopt}, {other, false}));
}

WatchRecord SomeRecord() {
    WatchRecord r;
    r.tickMs = 5000000;
    r.clockMs = 1765200000000;
    r.monitors = {{0, 0, 1920, 1080, 6220854, 0x0123456789abcdefull}, {-1280, -200, 1280, 1024, 3932214, 42}};
    return r;
}

// Read back as written; and every cut or changed byte of it refused or read as what it says,
// never half read.
TEST(WatchRules, TheRecordReadsBackAndGarbageIsRefused) {
    const WatchRecord r = SomeRecord();
    const std::string text = FormatWatchRecord(r);
    WatchRecord back;
    ASSERT_TRUE(ParseWatchRecord(text, back));
    EXPECT_EQ(FormatWatchRecord(back), text);
    // Cut short: refused and left as it was, or (cut after a whole monitor's line) read as what it says.
    for (size_t cut = 0; cut < text.size(); ++cut) {
        WatchRecord read = r;
        if (ParseWatchRecord(text.substr(0, cut), read)) {
            EXPECT_EQ(FormatWatchRecord(read), text.substr(0, cut));
        } else {
            EXPECT_EQ(FormatWatchRecord(read), text) << cut;
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string changed = text;
        changed[random() % changed.size()] = static_cast<char>(random() % 256);
        WatchRecord read;
        if (ParseWatchRecord(changed, read)) {
            EXPECT_EQ(FormatWatchRecord(read), changed);
        }
    }
    for (const char* bad : {"", "Quillmoor photographs 1\ntaken 1 2\n", "Quillmoor photographs 2\ntaken 1 2\nmonitor 0 0 1 1 1 0000000000000000\n",
                            "Quillmoor photographs 1\ntaken 1 2\nmonitor 0 0 0 1 1 0000000000000000\n",
                            "Quillmoor photographs 1\ntaken -1 2\nmonitor 0 0 1 1 1 0000000000000000\n",
                            "Quillmoor photographs 1\ntaken 1 2\nmonitor 0 0 1 1 1 2a\n"}) {
        WatchRecord read;
        EXPECT_FALSE(ParseWatchRecord(bad, read)) << bad;
    }
    EXPECT_FALSE(ParseWatchRecord(text + std::string(5000, 'x') + "\n", back));
}

TEST(WatchRules, FreshMeansAfterTheLastInputRecentAndTheSameMonitors) {
    const WatchRecord r = SomeRecord();
    WatchNow now;
    now.tickMs = r.tickMs + 4000;
    now.clockMs = r.clockMs + 4100;
    now.idleMs = 9000;
    now.monitors = r.monitors;
    now.monitors[0].size = 1;  // sizes of files are not places
    EXPECT_TRUE(IsFreshPhotograph(r, now));
    WatchNow n = now;
    n.idleMs = 4000;  // input at the moment it was taken
    EXPECT_FALSE(IsFreshPhotograph(r, n));
    n = now;
    n.tickMs = r.tickMs + kWatchMaxAgeMs + 1;
    n.clockMs = r.clockMs + kWatchMaxAgeMs + 1;
    n.idleMs = 1 << 30;
    EXPECT_FALSE(IsFreshPhotograph(r, n));
    n.tickMs = r.tickMs - 1;  // from a later start of the system's count
    EXPECT_FALSE(IsFreshPhotograph(r, n));
    n = now;
    n.clockMs = r.clockMs + 3600000;  // the tick count of an earlier start of the system
    EXPECT_FALSE(IsFreshPhotograph(r, n));
    n.clockMs = r.clockMs - 2000;  // the record's clock ahead of now's
    EXPECT_FALSE(IsFreshPhotograph(r, n));
    n = now;
    n.monitors.pop_back();
    EXPECT_FALSE(IsFreshPhotograph(r, n));
    n = now;
    n.monitors[1].left = 1920;
    EXPECT_FALSE(IsFreshPhotograph(r, n));

    // The same pictures: the places, sizes and hashes, whenever taken.
    WatchRecord later = r;
    later.tickMs += 10000;
    EXPECT_TRUE(SamePictures(r, later));
    for (int field = 0; field < 3; ++field) {
        WatchRecord other = later;
        (field == 0 ? other.monitors[1].hash : field == 1 ? other.monitors[0].size : other.monitors[1].size) += 1;
        EXPECT_FALSE(SamePictures(r, other)) << field;
    }
    later.monitors.pop_back();
    EXPECT_FALSE(SamePictures(r, later));
}

}  // namespace

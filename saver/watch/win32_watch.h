// The watcher's Windows edge (watch_rules.h says what it does and why): its sleeping, the
// account's screen-saver values, the end it is told, and the session's look at its photographs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "saver/session/win32_exchange.h"
#include "watch_rules.h"

// The record the watcher keeps beside its photographs in the exchange folder.
constexpr wchar_t kWatchRecordName[] = L"Quillmoor.watch";

// The watcher (/w): one per sign-in session, at the lowest priority, without a window; sleeps
// until the idle time nears the screen-saver timeout, photographs, and again now and then while
// the idle time goes on; ends when Quillmoor is no longer the account's screen saver or when
// told to. With `end` (/w end): tells the watcher of this sign-in session to end and waits (a
// few seconds at most) until its process has.
void RunWatcher(bool end);

// The session's files written now into the exchange folder, as a session on this desktop would
// write them, with the record of when and of which monitors (win32_session.cpp). False where
// they could not all be written.
bool WriteWatchedPhotographs(int64_t tickMs, int64_t clockMs);

// True when `folder` holds the pictures `record` names (`names` theirs, the primary's first), each
// of the recorded size and hash, under a record that names the same.
bool HoldsWatchedPictures(const ExchangeFolder& folder, const WatchRecord& record, const std::vector<std::wstring>& names);

// The watcher's photographs in `folder` of the monitors `areas` (the primary first; `names` their
// pictures' names), each its file as written: where the record is fresh, the account's session
// not locked and every picture the one recorded; none otherwise.
std::vector<std::vector<uint8_t>> FreshWatchedPhotographs(const ExchangeFolder& folder, const std::vector<RECT>& areas,
                                                          const std::vector<std::wstring>& names);

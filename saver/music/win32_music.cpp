#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "saver/main/win32_text.h"
#include "win32_music.h"

namespace {

// Copies wide text into a byte area as UTF-8, cut to fit, always terminated.
void CopyOut(const wchar_t* text, char* area, uint32_t length) {
    if (!area || length == 0) return;
    const std::string utf8 = WideToUtf8(text);
    const size_t n = utf8.size() < length - 1 ? utf8.size() : length - 1;
    utf8.copy(area, n);
    area[n] = '\0';
}

}  // namespace

int32_t Win32MusicPlatform::SendString(const std::string& command, char* reply, uint32_t replyLength) {
    // The wide area starts with what the caller's area holds, so whatever the platform writes,
    // or leaves as it was, is what the caller sees.
    std::vector<wchar_t> wide(replyLength > 0 ? replyLength : 1, L'\0');
    if (reply && replyLength > 0) {
        const std::wstring old = Utf8ToWide(std::string(reply, strnlen(reply, replyLength)));
        old.copy(wide.data(), old.size() < replyLength - 1 ? old.size() : replyLength - 1);
    }
    const MCIERROR code = mciSendStringW(Utf8ToWide(command).c_str(), replyLength ? wide.data() : nullptr,
                                         replyLength, nullptr);
    if (replyLength > 0) CopyOut(wide.data(), reply, replyLength);
    return static_cast<int32_t>(code);
}

bool Win32MusicPlatform::ErrorString(int32_t code, char* text, uint32_t length) {
    std::vector<wchar_t> wide(length > 0 ? length : 1, L'\0');
    if (!mciGetErrorStringW(static_cast<MCIERROR>(code), wide.data(), length)) return false;
    CopyOut(wide.data(), text, length);
    return true;
}

int Win32MusicPlatform::WaveOutDeviceCount() { return static_cast<int>(waveOutGetNumDevs()); }

void Win32MusicPlatform::PlaySoundFile(const std::string* name, uint32_t flags) {
    PlaySoundW(name ? Utf8ToWide(*name).c_str() : nullptr, nullptr, flags);
}

// The saver's texts as the resource loader gives them: in the user's language, Japanese as the
// saver has always shown it, English everywhere else. The rings run this under a Japanese, a
// Western, a German and a Japanese-code-page-with-English-UI Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "saver/main/form_font.h"
#include "saver/main/win32_text.h"
#include "saver/main/win32_ui_text.h"
#include "win32_test_languages.h"

namespace {

// A character of Japanese writing: kana, kanji, full- and half-width forms, Japanese punctuation.
bool IsJapanese(wchar_t c) { return (c >= 0x3000 && c <= 0x30ff) || (c >= 0x4e00 && c <= 0x9fff) || (c >= 0xff00 && c <= 0xffef); }

// Every text comes from the table of the user's language (string 1 too, the name the Screen
// Saver list shows), and the program speaks exactly the two languages.
TEST(Win32Texts, TheUsersLanguageOrElseEnglish) {
    // The UI language is the one the ring started Wine with (a locale the system lacks would
    // give US English, and a German ring would prove nothing).
    const char* locale = std::getenv("LC_MESSAGES") ? std::getenv("LC_MESSAGES") : std::getenv("LANG");
    ASSERT_NE(locale, nullptr);
    const std::string prefix = std::string(locale).substr(0, 2);
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()),
              prefix == "ja" ? LANG_JAPANESE : prefix == "de" ? LANG_GERMAN : LANG_ENGLISH) << locale;
    std::vector<LANGID> languages = UiLanguages();
    std::sort(languages.begin(), languages.end());
    EXPECT_EQ(languages, (std::vector<LANGID>{kEnglish, kJapanese}));
    const LANGID users = UsersTexts();
    for (int id = 1; id <= QM_TEXT_LAST; ++id) {
        EXPECT_FALSE(UiText(id).empty()) << id;
        EXPECT_EQ(UiText(id), UiTextIn(id, users)) << "text " << id << " is not in the user's language "
                                                    << std::hex << GetUserDefaultUILanguage();
    }
}

// The Japanese texts are those the saver has always shown, character for character; the English
// ones are all there, in English (the file names apart), and each language's font is readable.
TEST(Win32Texts, JapaneseAsEverEnglishForEveryText) {
    const wchar_t* const japanese[QM_TEXT_LAST] = {
        L"クイルモア", L"<クイルモア>", L"クイルモア.dll が同じﾌｫﾙﾀﾞに見つかりません！", L"BGM", L"音楽CD", L"曲目をﾘﾋﾟｰﾄ",
        L"なし", L"MP3、WAV", L"設定", L"ｷｬﾝｾﾙ", L"画面の解像度を変えない", L"すべてのモニターに表示",
        L"https://quillmoor.example.org/", L"ﾌｧｲﾙを開く", L"BGMﾌｧｲﾙ (MP3 WAV)",
        L"このファイルの名前は設定ファイルに書けません。別のファイルを選んでください。",
        L"設定を保存できませんでした。次のファイルに書き込めません。", L"ＭＳ Ｐゴシック,9.75,400,128"};
    for (int id = 1; id <= QM_TEXT_LAST; ++id) {
        EXPECT_EQ(UiTextIn(id, kJapanese), japanese[id - 1]) << id;
        std::wstring english = UiTextIn(id, kEnglish);
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_NE(english, japanese[id - 1]) << id;
        for (size_t name; (name = english.find(L"クイルモア.dll")) != std::wstring::npos;) english.erase(name, 9);
        EXPECT_TRUE(std::none_of(english.begin(), english.end(), IsJapanese)) << "text " << id << " is not English";
    }
    for (LANGID language : {kJapanese, kEnglish}) {
        FormFont font;
        EXPECT_TRUE(ReadFormFont(WideToUtf8(UiTextIn(QM_TEXT_FONT, language)), font)) << language;
    }
}

}  // namespace

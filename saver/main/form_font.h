// The forms' font, as the texts of a language describe it: one text "name,points,weight,
// character set", the form a Command's Font property has ("ＭＳ Ｐゴシック,9.75,400,128" for
// the Japanese forms).
#pragma once

#include <string>

struct FormFont {
    std::string name;
    double points = 0;
    int weight = 0;
    int charset = 0;
};

// The forms' own font, where a language's description cannot be read.
extern const char* const kDesignFont;  // "ＭＳ Ｐゴシック,9.75,400,128"

// Reads a description into `font`; false, `font` untouched, unless it is four fields: a name,
// a size in points above 0 and at most 72, a weight from 1 to 1000 and a character set from 0
// to 255 (whole numbers both).
bool ReadFormFont(const std::string& text, FormFont& font);

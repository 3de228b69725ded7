// Reading the screen saver's command line, and the number conversions the saver uses.
// Texts are UTF-8; the command line is the argument text after the program's name.
#pragma once

#include <cstdint>
#include <string>

// The second character of the upper-cased argument text ("/s" and "-S" give "S"), or "" when
// the text is shorter than two characters. The first character is never examined.
std::string ModeLetter(const std::string& arguments);

// The preview pane's window handle: the argument text from its fourth character on, read
// leniently ("/p 1234" and "/p:1234" give 1234, "/p" gives 0) and rounded; of that integer the
// low 32 bits, as a signed number ("/p 2147549712" and "/p -2147417584" name the same handle).
int32_t PreviewHandle(const std::string& arguments);

// Lenient reading: leading blanks skipped, then the longest prefix that reads as a decimal
// number (sign, digits, point, exponent); 0 when there is none.
double LeadingNumber(const std::string& text);

// Strict reading: the whole text, blanks around it allowed, must be one decimal number.
// Returns false for anything else (empty, letters, "3abc").
bool ParseNumber(const std::string& text, double& value);

// Rounds half to even, as the saver's conversions to whole numbers do; false when the result
// does not fit in 32 bits.
bool RoundToInt32(double value, int32_t& out);

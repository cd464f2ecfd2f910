// How the engine compares text: without regard to case, for every language.
// Characters are case-folded (simple Unicode folding, one character for one),
// so "É" equals "é" and "Straße" equals "STRAßE". Order puts accented letters
// beside their base letter ("Bolt" < "Écrou" < "Nut"): texts compare first by
// their base letters and only then, where those are the same, by the accents,
// so "e" and "é" stay different texts. Chinese, which has neither case nor
// accents, compares by code point. The same rule serves object names, the
// "JET_NOCASE" collation of every text column, LIKE, and unique indexes
// (which therefore refuse "abc" beside "ABC").
#pragma once

#include <string>
#include <string_view>

namespace jet {

// Negative, zero or positive as `a` sorts before, with or after `b`. Bytes
// that are not valid UTF-8 compare as the code points U+DC80 .. U+DCFF.
int CompareText(std::string_view a, std::string_view b);
// The text case-folded (UTF-8 in, UTF-8 out).
std::string FoldCase(std::string_view text);
// The base letter of a case-folded character: "é" gives "e", "ё" gives "е".
char32_t BaseLetter(char32_t folded);
// Upper case of the letters a-z only: for keywords and keys of the SQL
// dialect and of connect texts.
std::string AsciiUpper(std::string_view text);
// Lower and upper case for LCASE and UCASE (full Unicode mapping).
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

} // namespace jet

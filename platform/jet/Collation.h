// How the engine compares text: without regard to case, for every language.
// Texts are compared character by character after Unicode case folding
// (simple folding: one character for one), so "É" equals "é" and "Straße"
// equals "STRAßE", while Chinese, which has no case, compares by code point.
// The same rule serves object names, the "JET_NOCASE" collation of every text
// column, LIKE, and unique indexes (which therefore refuse "abc" beside
// "ABC").
#pragma once

#include <string>
#include <string_view>

namespace jet {

// Negative, zero or positive as `a` sorts before, with or after `b`. Bytes
// that are not valid UTF-8 compare as the code points U+DC80 .. U+DCFF.
int CompareText(std::string_view a, std::string_view b);
// The text case-folded (UTF-8 in, UTF-8 out).
std::string FoldCase(std::string_view text);
// Lower and upper case for LCASE and UCASE (full Unicode mapping).
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

} // namespace jet

// The table component's SQL texts: parameters written as ":name" replaced by
// literals of their values in the engine's SQL dialect, and the small text
// functions that make a value safe inside an SQL text or a criteria text.
#pragma once

#include "platform/db/TParams.h"

#include <string>
#include <string_view>

// Replaces every whole-word occurrence of `oldPattern` (compared without
// regard to case) by `newPattern`. A word character is "_", an ASCII letter
// or digit, or any byte of a non-ASCII character.
std::string WWStringReplace(std::string_view text, std::string_view oldPattern, std::string_view newPattern);

// Double quotes doubled.
std::string ChangeOnlyQuotes(std::string_view text);
// "*", "?", "#", "[", "]", "!" and "-" each put between brackets, so that the
// LIKE operator takes them literally.
std::string ChangeQuotes(std::string_view text);
std::string EscapeReservedChars(std::string_view text);
// A text between double quotes, inner double quotes doubled.
std::string QuotedText(std::string_view text);
// "#" + the date (ftDate), the time (ftTime) or both (other types) + "#", as
// month/day/year and a 24-hour time whatever the locale.
std::string DateLiteral(TFieldType type, platform::TDateTime value);
// Decimal commas become "."; the number texts here never carry thousands
// separators.
std::string ChangeCommas(std::string_view text);

// The SQL literal of a parameter's value: " IS NULL" for null; texts, memos
// and blobs in double quotes with inner quotes doubled; numbers of the
// integer, Boolean and numeric types converted to their type and written
// with "." (platform::EConvertError when the value is not of that type);
// dates, times and date-times between "#" as month/day/year and a 24-hour
// time; GUID bytes as "{guid {...}}". A parameter of unknown type is written
// by what its value holds, a text quoted as texts are.
std::string ParamLiteral(const TParam& param);

// The lines of `sql` (each followed by a line break in `lines`) with every
// ":name" of a parameter of `params` replaced by its literal, in one pass
// over the original text, so that a value holding ":other" stays as it is.
// With paramCheck false the text comes back unchanged.
std::string ComposeSQL(std::string_view sql, const TParams& params, bool paramCheck);

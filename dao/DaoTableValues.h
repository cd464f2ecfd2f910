// The value texts of the table component. A record of TDaoTable keeps every
// field value as a text (see DaoTable.h); the dataset library exchanges
// field values in fixed native formats. These routines convert between the
// two, and hold the GUID and list helpers the table's searches share.
//
// Native formats: integer int32; floating point double; Boolean int16 (0
// false, anything else true); date int32 day number (1 January of year 1 is
// day 1); time int32 milliseconds since midnight; date-time double
// milliseconds since the start of day 0 (day * 86400000 + milliseconds);
// GUID 16 bytes in the Windows layout.
//
// Texts: integers and floating-point numbers in decimal with "." (a "," is
// read as the decimal point too); Booleans "True" or "False"; dates, times
// and date-times as the day number, one blank and the milliseconds ("738960
// 45000"); GUIDs as "{guid {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}}".
//
// Text to native: each answers whether the field holds a value. A null
// destination stores nothing and answers false; a text that does not parse
// leaves the destination as it was and answers false, so the field reads as
// null rather than as stale bytes.
#pragma once

#include "platform/db/TDataSet.h"
#include "platform/jet/Variant.h"
#include "platform/system/TStringList.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// An empty text stores 0 and answers false (no value). An integer, else a
// number rounded to the nearest integer (halves to even).
bool IntegerToBuffer(void* dest, std::string_view text);
// An empty text stores 0 and answers false (no value).
bool FloatToBuffer(void* dest, std::string_view text);
// "True"/"False", "Yes"/"No", "On"/"Off" (any case, after an optional "="),
// "-1" and other integers; an empty text (after the "=") counts as 0.
bool BooleanToBuffer(void* dest, std::string_view text);
bool DateToBuffer(void* dest, std::string_view text);
bool TimeToBuffer(void* dest, std::string_view text);
bool DateTimeToBuffer(void* dest, std::string_view text);
// The "{guid {...}}" form or the bare braced form.
bool GUIDToBuffer(void* dest, std::string_view text);

// Native to text; a null source gives "".
std::string BufferToDate(const void* source);
std::string BufferToTime(const void* source);
std::string BufferToDateTime(const void* source);
// "" for the all-zero GUID.
std::string BufferToGUID(const void* source);

using TGUID = std::array<std::uint8_t, 16>;

// The braced upper-case text of a 16-byte string; "" for another length or
// the all-zero GUID.
std::string GetGUIDAsString(std::string_view bytes);
// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (any case); false when the
// text is not one.
bool TryStringToGUID(std::string_view text, TGUID& guid);
// The braced upper-case text of a GUID written as "{guid {...}}", as
// "{...}" (any case) or as its 16 bytes: "" for the all-zero GUID; false for
// a text that is none of these.
bool TryGuidKeyText(std::string_view text, std::string& guid);
// The characters a GUID field's text may hold (its ValidChars); a GUID field
// is a bytes field with exactly these.
inline const std::string GuidChars = "-0123456789ABCDEFabcdef{}";
bool IsGuidField(const TField& field);
// The 16 bytes of the braced GUID text; EDatabaseError "Invalid data" when
// the text is not one.
std::string PutGUIDInString(std::string_view text);

// A decimal number with "." or "," as the decimal point, blanks around
// allowed; false for anything else (also infinities and NaN).
bool TryTextToFloat(std::string_view text, double& value);
// Currency texts keep every digit (a currency value is a 64-bit integer of
// ten-thousandths, more than a double holds): the shortest exact text of the
// currency value written as `text` ("," read as the decimal point too,
// rounded to four decimals); false when it is no number or beyond the range
// of currency.
bool CurrencyTextOf(std::string_view text, std::string& exact);
// The currency text of a double rounded to four decimals (922337203685477.5
// stays whole, where fifteen digits would round it beyond the range); a
// double beyond the range keeps its general text, for the engine to refuse.
std::string CurrencyTextOfDouble(double value);
// "True", "Yes", "On" and "False", "No", "Off" (any case), or a number (true
// unless 0); false for anything else.
bool TryTextToBoolean(std::string_view text, bool& value);
// The field types as the searches group them.
bool IsTextFieldType(TFieldType type);    // string, memo, formatted memo, blob
bool IsNumberFieldType(TFieldType type);  // integers, floats, currency, BCD, auto-increment
bool IsDateFieldType(TFieldType type);    // date, time, date-time
// One value itself; several as an array of variants, bounds from 0.
jet::Variant KeyVariant(const std::vector<jet::Variant>& values);
// Splits at ";", each item trimmed of blanks and control characters.
void StringToList(std::string_view text, platform::TStringList& list);
// One line per element of an array (low to high bound), else one line; a
// Null gives "NULL".
void VariantToList(const jet::Variant& value, platform::TStringList& list);

// The OEM code page that goes with the user's language, read from LC_ALL,
// LC_CTYPE or LANG: 936 for Simplified and 950 for Traditional Chinese (both
// their own OEM pages), 437 for US English and the C locale, 850 for every
// other language written in Latin letters.
int OemCodePage();
// The UTF-8 `text` in that OEM code page (toOem), or OEM bytes back in UTF-8;
// a character the other side has no place for becomes "?".
std::string OemText(std::string_view text, int codePage, bool toOem);

// Free routines shared by the table component, the table manager and the
// exports: the maps between the engine's field type codes and the dataset
// library's field types (both ways, with the size rule and printable names),
// bracket quoting of qualified names, the cleaner of date-time texts, the two
// readers of date-time pair texts, and the two conversions between an array
// and a variant holding it.
//
// A date-time pair text is two decimal integers separated by one blank: the
// day number and the milliseconds since midnight of a time stamp
// (platform/system/DateTime.h).
#pragma once

#include "platform/db/TDataSet.h"
#include "platform/jet/Variant.h"
#include "platform/system/DateTime.h"

#include <memory>
#include <string>

// Runs `action` and swallows whatever it raises: for clean-up steps whose
// failure must not hide the error on its way, and for the calls whose
// failure an operation ignores.
template <class F>
void Quietly(F&& action)
{
    try {
        action();
    } catch (...) {
        // The caller answers with what it has.
    }
}

// The dataset field type for an engine type code (dbText -> ftString, ...;
// 40000 -> ftAutoInc; unknown codes -> ftUnknown).
TFieldType DaoToBDE(int daoType);
// The engine type code for a dataset field type (ftFloat -> dbSingle, every
// date and time type -> dbDate, ftAutoInc -> 40000; unknown types -> 1024).
int BDEToDao(TFieldType fieldType);
// The size of a dataset field definition: the engine's size for the binary,
// text, long binary, memo, GUID, variable binary and char types, else 0.
int DaoSizeToBDESize(int daoType, int daoSize);
// "dbText", ... ("dbUnknown" for codes without a name, 40000 included).
std::string GetDaoFieldTypeNames(int daoType);
// "ftString", ... ("ftUnknown" for the types without an engine name).
std::string GetBDEFieldTypeNames(TFieldType fieldType);

// "[" + the name's parts joined by "].[" + "]": Orders.Id gives [Orders].[Id].
// Brackets already there are not looked for: [Id] gives [[Id]].
std::string BracketField(const std::string& name);
// False for a name that would break out of the brackets or double quotes of
// a composed statement (one holding "]" or a double quote).
bool FitsBrackets(const std::string& name);
// Refuses with a database error a name that would break out of the brackets
// or double quotes of a composed statement (one holding "]" or a double
// quote): "<routine>: The <kind> '<name>' holds ...", kind being "table
// name", "file name" and so on.
void CheckBracketedName(const std::string& routine, const std::string& kind, const std::string& name);

// Cleans a date-time text for StrToDateTime: keeps digits, "/" and the date
// and time separators, turns an AM/PM designator after a time into a 24-hour
// hour, and leaves the date, one blank and the time: "Mon 5/12/2001 10:20 PM"
// gives "5/12/2001 22:20".
std::string RemoveNonDigitChars(const std::string& text);

// The time stamp of a pair text ({0, 0} when it holds no blank). Parts that
// are not integers raise platform::EConvertError.
platform::TTimeStamp ComposeDateTimeRecord(const std::string& text);
// A varDate variant of the pair text's time stamp, or Null when the text
// holds no blank. Parts that are not integers raise platform::EConvertError.
jet::Variant ComposeDateTimeVariant(const std::string& text);

// A variant whose type word is the bare varArray flag, holding `array`.
jet::Variant PSafeArrayToOleVariant(std::shared_ptr<jet::SafeArray> array);
// The array a variant holds (null when it holds none); the type word is not
// looked at.
std::shared_ptr<jet::SafeArray> OleVariantToPSafeArray(const jet::Variant& value);

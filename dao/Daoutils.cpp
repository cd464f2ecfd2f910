#include "dao/Daoutils.h"

#include "dao/Daoapi.h"
#include "platform/db/DatabaseError.h"

#include <cctype>

namespace {

struct DaoType {
    int Code;
    const char* Name;
    TFieldType FieldType;
    bool KeepsSize;
};

constexpr DaoType DaoTypes[] = {
    {jet::dbBoolean, "dbBoolean", ftBoolean, false},
    {jet::dbByte, "dbByte", ftSmallint, false},
    {jet::dbInteger, "dbInteger", ftSmallint, false},
    {jet::dbLong, "dbLong", ftInteger, false},
    {jet::dbCurrency, "dbCurrency", ftCurrency, false},
    {jet::dbSingle, "dbSingle", ftFloat, false},
    {jet::dbDouble, "dbDouble", ftFloat, false},
    {jet::dbDate, "dbDate", ftDate, false},
    {jet::dbBinary, "dbBinary", ftBytes, true},
    {jet::dbText, "dbText", ftString, true},
    {jet::dbLongBinary, "dbLongBinary", ftBlob, true},
    {jet::dbMemo, "dbMemo", ftMemo, true},
    {jet::dbGUID, "dbGUID", ftBytes, true},
    {jet::dbBigInt, "dbBigInt", ftInteger, false},
    {jet::dbVarBinary, "dbVarBinary", ftBlob, true},
    {jet::dbChar, "dbChar", ftString, true},
    {jet::dbNumeric, "dbNumeric", ftFloat, false},
    {jet::dbDecimal, "dbDecimal", ftFloat, false},
    {jet::dbFloat, "dbFloat", ftFloat, false},
    {jet::dbTime, "dbTime", ftTime, false},
    {jet::dbTimeStamp, "dbTimeStamp", ftDateTime, false},
};

const DaoType* FindDaoType(int code)
{
    for (const DaoType& type : DaoTypes)
        if (type.Code == code)
            return &type;
    return nullptr;
}

struct FieldTypeEntry {
    TFieldType FieldType;
    int DaoCode;
    const char* Name;
};

constexpr FieldTypeEntry FieldTypes[] = {
    {ftString, jet::dbText, "ftString"},
    {ftSmallint, jet::dbInteger, "ftSmallInt"},
    {ftInteger, jet::dbLong, "ftInteger"},
    {ftWord, jet::dbLong, "ftWord"},
    {ftBoolean, jet::dbBoolean, "ftBoolean"},
    {ftFloat, jet::dbSingle, "ftFloat"},
    {ftCurrency, jet::dbCurrency, "ftCurrency"},
    {ftBCD, jet::dbCurrency, "ftBCD"},
    {ftDate, jet::dbDate, "ftDate"},
    {ftTime, jet::dbDate, "ftTime"},
    {ftDateTime, jet::dbDate, "ftDateTime"},
    {ftBytes, jet::dbGUID, "ftUnknown"},
    {ftVarBytes, jet::dbMemo, "ftUnknown"},
    {ftAutoInc, dbAutoIncrement, "ftAutoInc"},
    {ftBlob, jet::dbLongBinary, "ftBlob"},
    {ftMemo, jet::dbMemo, "ftMemo"},
    {ftGraphic, jet::dbLongBinary, "ftUnknown"},
    {ftFmtMemo, jet::dbMemo, "ftUnknown"},
    {ftParadoxOle, jet::dbLongBinary, "ftUnknown"},
    {ftDBaseOle, jet::dbLongBinary, "ftUnknown"},
    {ftTypedBinary, jet::dbLongBinary, "ftUnknown"},
};

// What BDEToDao answers for ftUnknown and every type the table does not list.
constexpr int UnknownDaoType = 1024;

const FieldTypeEntry* FindFieldType(TFieldType fieldType)
{
    for (const FieldTypeEntry& entry : FieldTypes)
        if (entry.FieldType == fieldType)
            return &entry;
    return nullptr;
}

bool IsAllowedDateChar(char c)
{
    return (c >= '0' && c <= '9') || c == '/' || c == platform::DateSeparator || c == platform::TimeSeparator;
}

bool HasLettersAt(const std::string& text, std::size_t pos, const char* letters)
{
    for (std::size_t i = 0; letters[i] != '\0'; ++i)
        if (pos + i >= text.size() || std::toupper(static_cast<unsigned char>(text[pos + i])) != letters[i])
            return false;
    return true;
}

// Writes a time given with an AM or PM designator as a 24-hour time: the
// designator would be dropped with the other letters and the hour read as it
// stands, twelve hours off for every afternoon time.
void MakeHourTwentyFour(std::string& text)
{
    const std::size_t colon = text.find(platform::TimeSeparator);
    if (colon == std::string::npos || colon == 0)
        return;
    std::size_t start = colon;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1])))
        --start;
    if (start == colon || colon - start > 2)
        return;
    bool pm = false, am = false;
    for (std::size_t i = colon; i < text.size() && !pm && !am; ++i) {
        if (!std::isalpha(static_cast<unsigned char>(text[i])) || std::isalpha(static_cast<unsigned char>(text[i - 1])))
            continue;
        std::size_t end = i;
        while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
            ++end;
        if (end - i == 2) {
            pm = HasLettersAt(text, i, "PM");
            am = HasLettersAt(text, i, "AM");
        }
    }
    if (!pm && !am)
        return;
    int hour = std::stoi(text.substr(start, colon - start));
    if (hour > 12)
        return;
    if (pm && hour < 12)
        hour += 12;
    else if (am && hour == 12)
        hour = 0;
    std::string replacement = std::to_string(hour);
    if (replacement.size() < 2)
        replacement.insert(0, "0");
    text.replace(start, colon - start, replacement);
}

} // namespace

TFieldType DaoToBDE(int daoType)
{
    if (daoType == dbAutoIncrement)
        return ftAutoInc;
    const DaoType* type = FindDaoType(daoType);
    return type ? type->FieldType : ftUnknown;
}

int BDEToDao(TFieldType fieldType)
{
    const FieldTypeEntry* entry = FindFieldType(fieldType);
    return entry ? entry->DaoCode : UnknownDaoType;
}

int DaoSizeToBDESize(int daoType, int daoSize)
{
    const DaoType* type = FindDaoType(daoType);
    return type && type->KeepsSize ? daoSize : 0;
}

std::string GetDaoFieldTypeNames(int daoType)
{
    const DaoType* type = FindDaoType(daoType);
    return type ? type->Name : "dbUnknown";
}

std::string GetBDEFieldTypeNames(TFieldType fieldType)
{
    const FieldTypeEntry* entry = FindFieldType(fieldType);
    return entry ? entry->Name : "ftUnknown";
}

std::string BracketField(const std::string& name)
{
    std::string result = "[";
    for (char c : name)
        result += c == '.' ? std::string("].[") : std::string(1, c);
    return result + "]";
}

bool FitsBrackets(const std::string& name)
{
    return name.find_first_of("]\"") == std::string::npos;
}

void CheckBracketedName(const std::string& routine, const std::string& kind, const std::string& name)
{
    if (!FitsBrackets(name))
        DatabaseError(routine + ": The " + kind + " '" + name + "' holds \"]\" or a double quote, which a " + kind
                      + " cannot hold!");
}

std::string RemoveNonDigitChars(const std::string& text)
{
    if (text.empty())
        return text;
    std::string work = text;
    const std::size_t yearMark = work.find("\xE3\x2E");
    if (yearMark != std::string::npos)
        work.erase(yearMark, 2);
    MakeHourTwentyFour(work);
    for (char& c : work)
        if (!IsAllowedDateChar(c))
            c = ' ';
    std::string compact;
    for (char c : work)
        if (c != ' ' || compact.empty() || compact.back() != ' ')
            compact += c;
    const std::size_t first = compact.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    compact = compact.substr(first, compact.find_last_not_of(' ') - first + 1);
    // The blank before the time separates date and time; every other goes.
    std::size_t dateTimeBlank = std::string::npos;
    const std::size_t colon = compact.find(platform::TimeSeparator);
    if (colon != std::string::npos)
        dateTimeBlank = compact.rfind(' ', colon);
    std::string result;
    for (std::size_t i = 0; i < compact.size(); ++i)
        if (compact[i] != ' ' || i == dateTimeBlank)
            result += compact[i];
    return result;
}

platform::TTimeStamp ComposeDateTimeRecord(const std::string& text)
{
    platform::TTimeStamp stamp;
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos) {
        stamp.Date = platform::StrToInt(text.substr(0, blank));
        stamp.Time = platform::StrToInt(text.substr(blank + 1));
    }
    return stamp;
}

jet::Variant ComposeDateTimeVariant(const std::string& text)
{
    if (text.find(' ') == std::string::npos)
        return jet::Variant::Null();
    const platform::TTimeStamp stamp = ComposeDateTimeRecord(text);
    if (stamp.Date <= 0 || stamp.Time < 0 || stamp.Time >= platform::MSecsPerDay)
        throw platform::EConvertError("'" + std::to_string(stamp.Date) + "." + std::to_string(stamp.Time)
                                      + "' is not a valid timestamp");
    return jet::Variant::Date(platform::TimeStampToDateTime(stamp));
}

jet::Variant PSafeArrayToOleVariant(std::shared_ptr<jet::SafeArray> array)
{
    return jet::Variant::BareArray(std::move(array));
}

std::shared_ptr<jet::SafeArray> OleVariantToPSafeArray(const jet::Variant& value)
{
    return value.Array();
}

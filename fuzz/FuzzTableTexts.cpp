// The value texts the table component reads from outside: default
// expressions of a database file, texts typed into fields, key and date
// texts, and SQL texts with parameters. Every reader either converts a text
// or refuses it (false, an empty text or a conversion error), never with a
// fault; a GUID it reads writes back as the same bytes, and the date-time
// cleaner leaves no blank pairs and no blank at either end.
//
// The first byte picks the type and the kind of value of a parameter named
// "p"; the rest is the text. Run:
//   build-fuzz/fuzz/fuzz_table_texts build-fuzz/corpus-table-texts fuzz/corpus/table-texts -max_total_time=600
#include "dao/DaoTable.h"
#include "dao/DaoTableSql.h"
#include "dao/DaoTableValues.h"
#include "dao/Daoutils.h"
#include "platform/db/DatabaseError.h"
#include "platform/system/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

// Runs a reader that may refuse its text with the component's database
// error or a conversion error.
template <class F>
void MayRefuse(F&& read)
{
    try {
        read();
    } catch (const EDatabaseError&) {
    } catch (const platform::EConvertError&) {
    }
}

void ReadAsField(const std::string& text)
{
    // The largest native value is a GUID's 16 bytes.
    alignas(8) unsigned char buffer[16] = {};
    IntegerToBuffer(buffer, text);
    FloatToBuffer(buffer, text);
    BooleanToBuffer(buffer, text);
    if (DateToBuffer(buffer, text))
        BufferToDate(buffer);
    if (TimeToBuffer(buffer, text))
        BufferToTime(buffer);
    if (DateTimeToBuffer(buffer, text))
        BufferToDateTime(buffer);
    if (GUIDToBuffer(buffer, text)) {
        alignas(8) unsigned char again[16] = {};
        Check(GUIDToBuffer(again, BufferToGUID(buffer)));
        Check(std::memcmp(buffer, again, sizeof buffer) == 0);
    }
    MayRefuse([&] { PutGUIDInString(text); });
    GetGUIDAsString(text);
}

void ReadAsDate(const std::string& text)
{
    const std::string cleaned = RemoveNonDigitChars(text);
    Check(cleaned.find("  ") == std::string::npos);
    Check(cleaned.empty() || (cleaned.front() != ' ' && cleaned.back() != ' '));
    MayRefuse([&] { ComposeDateTimeVariant(text); });
    MayRefuse([&] { TDaoTable::ProcessDTDefault(text); });
    TDaoTable::UnquoteString(text);
}

void WriteIntoSql(TFieldType type, TParam::TValueKind kind, const std::string& text)
{
    platform::TStringList list;
    StringToList(text, list);
    ChangeQuotes(text);
    ChangeOnlyQuotes(text);
    ChangeCommas(text);
    EscapeReservedChars(text);
    WWStringReplace(text, "p", "q");
    MayRefuse([&] {
        TParams params;
        params.Add("p", type).SetValue(kind, text);
        ComposeSQL("SELECT * FROM [t] WHERE a = :p AND b = :pp\n" + text, params, true);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto type = static_cast<TFieldType>((data[0] & 0x1F) % (ftTypedBinary + 1));
    const auto kind = static_cast<TParam::TValueKind>((data[0] >> 5) % (TParam::vkBytes + 1));
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    ReadAsField(text);
    ReadAsDate(text);
    WriteIntoSql(type, kind, text);
    return 0;
}

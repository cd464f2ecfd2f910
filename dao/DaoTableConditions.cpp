// The table component's conditions: the criteria texts of key searches
// (BuildKeySQL for the filtered copy of Lookup, BuildLocateSQL for the
// engine's Find methods) and of the master/detail restriction
// (BuildDetailSQL), and the questions about which index holds which fields.
//
// A condition is terms "(field  = value)" joined by " AND ". Every value is
// checked against the type of its field before it is written: texts go
// between double quotes with inner quotes doubled, numbers must read as
// numbers, dates are parsed and written again as #month/day/year#, GUIDs must
// be GUIDs. So a value can never add a term of its own to the condition.

#include "dao/DaoTable.h"

#include "dao/DaoTableSql.h"
#include "dao/DaoTableValues.h"
#include "dao/Daoutils.h"
#include "platform/jet/Collation.h"
#include "platform/system/DateTime.h"

#include <algorithm>

using namespace DaoTableMessages;

namespace {

// Types whose empty value text means no value (a text's empty value is "").
bool EmptyMeansNull(TFieldType type)
{
    return IsNumberFieldType(type) || type == ftBoolean || IsDateFieldType(type) || type == ftBytes;
}

// The text of a number as the condition writes it; false when the value is
// not a number.
bool NumberText(const std::string& value, std::string& text)
{
    text = ChangeCommas(value);
    double number = 0;
    return TryTextToFloat(text, number);
}

// "True" or "False" for a Boolean written in words, the number itself for
// one written as a number; false for anything else.
bool BooleanText(const std::string& value, std::string& text)
{
    if (NumberText(value, text))
        return true;
    bool flag = false;
    if (!TryTextToBoolean(value, flag))
        return false;
    text = flag ? "True" : "False";
    return true;
}

// The text as a LIKE pattern that matches it literally: the wildcard
// characters between brackets, except "!", which is literal outside brackets
// and cannot stand alone inside them.
std::string LiteralPattern(const std::string& text)
{
    std::string pattern = ChangeQuotes(text);
    for (std::size_t at = pattern.find("[!]"); at != std::string::npos; at = pattern.find("[!]", at + 1))
        pattern.replace(at, 3, "!");
    return pattern;
}

} // namespace

TDaoKeyValues KeyValuesOf(const jet::Variant& value)
{
    const auto keyOf = [](const jet::Variant& item) {
        if (item.IsNull())
            return TDaoKeyValue{"NULL", true};
        if (item.VarType() == (jet::varArray | jet::varByte))
            return TDaoKeyValue{item.AsBytes(), false};
        return TDaoKeyValue{item.AsString(), false};
    };
    TDaoKeyValues values;
    // A byte array is one value (a GUID or other bytes), not one per byte.
    if (value.IsArray() && value.Array() && value.VarType() != (jet::varArray | jet::varByte)) {
        const jet::SafeArray& array = *value.Array();
        for (int i = array.LowBound(); i <= array.HighBound(); ++i)
            values.push_back(keyOf(array.Get({i})));
    } else {
        values.push_back(keyOf(value));
    }
    return values;
}

std::string TDaoTable::BuildCondition(const TStringList& keyFields, TDaoKeyValues& keyValues, TLocateOptions options,
                                      bool locate, const char* unsupported)
{
    std::string result;
    for (int i = 0; i < keyFields.Count(); ++i) {
        const std::string& name = keyFields[i];
        const TField& field = FieldByName(name);
        TDaoKeyValue& value = keyValues.at(static_cast<std::size_t>(i));
        const TFieldType type = field.DataType();
        std::string comparison;
        if (value.Null) {
            comparison = "IS NULL";
        } else if (value.Text.find('\0') != std::string::npos) {
            // A criteria text cannot carry a zero character.
            DatabaseError(unsupported);
        } else if (IsTextFieldType(type)) {
            if (locate && (options & loCaseInsensitive))
                value.Text = jet::LowerCase(value.Text);
            const std::string quoted = QuotedText(value.Text);
            const std::string pattern = "\"" + ChangeOnlyQuotes(LiteralPattern(value.Text)) + "*\"";
            const bool caseless = locate && (options & loCaseInsensitive);
            const bool partial = locate && (options & loPartialKey);
            if (partial)
                comparison = caseless ? " LIKE LCASE(" + pattern + ")" : " LIKE " + pattern;
            else
                comparison = caseless ? " = LCASE(" + quoted + ")" : " = " + quoted;
        } else if (value.Text.empty() && EmptyMeansNull(type)) {
            comparison = " IS NULL";
        } else if (IsNumberFieldType(type)) {
            std::string number;
            if (!NumberText(value.Text, number))
                DatabaseError(unsupported);
            comparison = " = " + number;
        } else if (type == ftBoolean) {
            std::string flag;
            if (!BooleanText(value.Text, flag))
                DatabaseError(unsupported);
            comparison = " = " + flag;
        } else if (IsDateFieldType(type)) {
            value.Text = RemoveNonDigitChars(value.Text);
            const platform::TDateTime date = platform::StrToDateTime(value.Text);
            comparison = " = " + DateLiteral(type, date);
        } else if (type == ftBytes && IsGuidField(field)) {
            std::string guid;
            if (!TryGuidKeyText(value.Text, guid))
                DatabaseError(unsupported);
            comparison = guid.empty() ? " IS NULL" : " = {guid " + guid + "}";
        } else if (type == ftBytes) {
            comparison = " = " + QuotedText(value.Text);
        } else {
            DatabaseError(unsupported);
        }
        if (!result.empty())
            result += " AND ";
        result += "(" + (FUseBrackets ? BracketField(name) : name) + " " + comparison + ")";
    }
    return result;
}

std::string TDaoTable::BuildKeySQL(const TStringList& keyFields, TDaoKeyValues& keyValues)
{
    return BuildCondition(keyFields, keyValues, 0, false, E2028);
}

std::string TDaoTable::BuildLocateSQL(const TStringList& keyFields, TDaoKeyValues& keyValues, TLocateOptions options)
{
    return BuildCondition(keyFields, keyValues, options, true, E2029);
}

std::string TDaoTable::BuildDetailSQL()
{
    if (FMasterFieldList.Count() != FDetailFieldList.Count())
        DatabaseError(E2030);
    std::string result;
    for (int i = 0; i < FMasterFieldList.Count(); ++i) {
        const std::string& name = FDetailFieldList[i];
        TDataSet* master = FMasterLink.DataSet();
        if (!master)
            DatabaseError(E2031);
        const TField& field = master->FieldByName(FMasterFieldList[i]);
        const TFieldType type = field.DataType();
        std::string comparison;
        if (field.IsNull()) {
            comparison = "IS NULL";
        } else {
            const std::string text = field.AsString();
            if (IsTextFieldType(type)) {
                if (text.find('\0') != std::string::npos)
                    DatabaseError(E2031);
                comparison = " = " + QuotedText(text);
            } else if (text.empty() && EmptyMeansNull(type)) {
                comparison = " IS NULL";
            } else if (IsNumberFieldType(type)) {
                std::string number;
                if (!NumberText(text, number))
                    DatabaseError(E2031);
                comparison = " = " + number;
            } else if (type == ftBoolean) {
                comparison = field.AsBoolean() ? " = True" : " = False";
            } else if (IsDateFieldType(type)) {
                comparison = " = " + DateLiteral(type, field.AsDateTime());
            } else if (type == ftBytes && IsGuidField(field)) {
                std::string guid;
                if (!TryGuidKeyText(text, guid))
                    DatabaseError(E2031);
                comparison = guid.empty() ? " IS NULL" : " = {guid " + guid + "}";
            } else if (type == ftBytes) {
                if (text.find('\0') != std::string::npos)
                    DatabaseError(E2031);
                comparison = " = " + QuotedText(text);
            } else {
                DatabaseError(E2031);
            }
        }
        if (!result.empty())
            result += " AND ";
        result += "(" + (FUseBrackets ? BracketField(name) : name) + " " + comparison + ")";
    }
    return result;
}

std::string TDaoTable::GetFieldIndexName(const std::string& fieldName)
{
    if (!DatabaseConnected())
        return {};
    try {
        const jet::TableDefPtr tableDef = DaoDatabase().TableDefs().Item(FTableName);
        jet::Collection<jet::Index>& indexes = tableDef->Indexes();
        for (int i = 0, n = indexes.Count(); i < n; ++i) {
            const jet::IndexPtr index = indexes.Item(i);
            jet::Collection<jet::Field>& fields = index->Fields();
            for (int j = 0, m = fields.Count(); j < m; ++j)
                if (jet::CompareText(fields.Item(j)->Name(), fieldName) == 0)
                    return index->Name();
        }
    } catch (...) {
        // No table definition or no such index: no name.
    }
    return {};
}

bool TDaoTable::CheckFieldsInIndex(const TStringList& fields)
{
    if (FIndexName.empty() || !DatabaseConnected())
        return false;
    const jet::IndexPtr index = DaoDatabase().TableDefs().Item(FTableName)->Indexes().Item(FIndexName);
    jet::Collection<jet::Field>& indexFields = index->Fields();
    for (const std::string& name : fields) {
        bool found = false;
        for (int j = 0, m = indexFields.Count(); j < m && !found; ++j)
            found = jet::CompareText(indexFields.Item(j)->Name(), name) == 0;
        if (!found)
            return false;
    }
    return true;
}

std::string TDaoTable::GetUniqueIndexFields(TDaoTable& table)
{
    table.UpdateIndexDefs();
    for (const TIndexDef& index : table.IndexDefs())
        if (index.Options & ixUnique)
            return index.Fields;
    return {};
}

bool TDaoTable::IsFieldUniqueIndex(TDaoTable& table, const std::string& fieldName)
{
    table.UpdateIndexDefs();
    return std::any_of(table.IndexDefs().begin(), table.IndexDefs().end(), [&](const TIndexDef& index) {
        return index.Fields == fieldName && (index.Options & ixUnique);
    });
}

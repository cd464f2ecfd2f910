// The parameters of a dataset's SQL text, as the class library's query
// components keep them: one TParam per distinct ":name" in the text, each
// with a name, a field type and a value that may be null.
//
// A value remembers the kind it was given as (text, integer, number,
// Boolean, date-time, bytes), so that a caller composing SQL can tell a
// number from a text even when the parameter's type is ftUnknown.
#pragma once

#include "platform/db/TDataSet.h"
#include "platform/system/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TParam {
public:
    enum TValueKind { vkNull, vkText, vkInteger, vkFloat, vkBoolean, vkDateTime, vkBytes };

    TParam() = default;
    TParam(std::string name, TFieldType dataType)
        : Name(std::move(name))
        , DataType(dataType)
    {
    }

    std::string Name;
    TFieldType DataType = ftUnknown;

    TValueKind ValueKind() const { return Kind; }
    bool IsNull() const { return Kind == vkNull; }
    void Clear() { *this = TParam(Name, DataType); }

    void SetAsString(std::string value);
    void SetAsInteger(std::int64_t value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);
    void SetAsDateTime(platform::TDateTime value);
    void SetAsBytes(std::string bytes);
    // Sets the value from the kind and its text form (as AsString gives it).
    void SetValue(TValueKind kind, const std::string& text);

    // The value as a text: integers in decimal, numbers in the general
    // format with ".", Booleans "True"/"False", date-times in the program's
    // date text, bytes as they are; "" for null.
    std::string AsString() const;
    // Conversions raise platform::EConvertError when the value is not of
    // that kind and its text does not read as one.
    std::int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    platform::TDateTime AsDateTime() const;

    // Same name, type and value.
    bool operator==(const TParam& other) const = default;

private:
    TValueKind Kind = vkNull;
    std::string Text;
    std::int64_t Integer = 0;
    double Real = 0;
};

class TParams {
public:
    int Count() const { return static_cast<int>(Items.size()); }
    TParam& operator[](int index) { return Items.at(static_cast<std::size_t>(index)); }
    const TParam& operator[](int index) const { return Items.at(static_cast<std::size_t>(index)); }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }
    void Clear() { Items.clear(); }
    TParam& Add(const std::string& name, TFieldType dataType = ftUnknown);
    // The parameter of that name (ASCII case ignored), or null.
    TParam* FindParam(std::string_view name);
    // As FindParam; EDatabaseError "Parameter 'x' not found" for an unknown name.
    TParam& ParamByName(std::string_view name);
    // Copies the type and value of every parameter of `source` into the
    // parameter of the same name here; others are left alone.
    void AssignValues(const TParams& source);
    bool operator==(const TParams& other) const = default;

    // The parameters as text, one line each: name, field type, value kind
    // and value separated by tabs, with "%", tab and line breaks of names
    // and values written as "%25", "%09", "%0A", "%0D", and numbers and
    // dates to the last bit. SetText reads that form back; a malformed line
    // raises EDatabaseError and changes nothing.
    std::string Text() const;
    void SetText(std::string_view text);

    // Adds a parameter for every distinct ":name" of the SQL text: a name
    // is a letter or "_" followed by letters, digits and "_" (any non-ASCII
    // character counts as a letter). Texts in quotes are skipped, and "::"
    // is a colon, not a parameter.
    void ParseSQL(std::string_view sql);

private:
    std::vector<TParam> Items;
};

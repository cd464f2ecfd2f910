#include "platform/jet/Variant.h"

#include "platform/jet/DecimalText.h"

#include "platform/system/DateTime.h"
#include "platform/system/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace jet {
namespace {

std::string TypeName(std::uint16_t type)
{
    if (type & varArray)
        return "Array";
    switch (type) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varString: return "String";
    case varBoolean: return "Boolean";
    case varByte: return "Byte";
    case varInt64: return "Int64";
    default: return "Unknown";
    }
}

[[noreturn]] void CannotConvert(std::uint16_t from, const char* to)
{
    throw EVariantError("Could not convert variant of type (" + TypeName(from) + ") into type (" + to + ")");
}

bool ParseDouble(std::string_view text, double& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool SameTextIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Rounds half to even, as the automation conversions to integers do.
std::int64_t RoundToInteger(double value, std::uint16_t from, const char* to, double low, double high)
{
    if (!std::isfinite(value))
        CannotConvert(from, to);
    const double rounded = std::nearbyint(value);
    if (rounded < low || rounded > high)
        throw EVariantError("Overflow while converting variant of type (" + TypeName(from) + ") into type ("
                            + to + ")");
    return static_cast<std::int64_t>(rounded);
}

std::string SingleText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", value);
    return buffer;
}

} // namespace

Variant::Variant(bool value) : Type(varBoolean), Integer(value ? 1 : 0) {}
Variant::Variant(int value) : Type(varInteger), Integer(value) {}
Variant::Variant(std::int64_t value) : Type(varInt64), Integer(value) {}
Variant::Variant(double value) : Type(varDouble), Real(value) {}
Variant::Variant(const char* text) : Type(varString), Text(text ? text : "") {}
Variant::Variant(std::string text) : Type(varString), Text(std::move(text)) {}
Variant::Variant(std::string_view text) : Type(varString), Text(text) {}

Variant Variant::Null()
{
    Variant v;
    v.Type = varNull;
    return v;
}

Variant Variant::Smallint(std::int16_t value)
{
    Variant v(static_cast<int>(value));
    v.Type = varSmallint;
    return v;
}

Variant Variant::Byte(std::uint8_t value)
{
    Variant v(static_cast<int>(value));
    v.Type = varByte;
    return v;
}

Variant Variant::Single(float value)
{
    Variant v(static_cast<double>(value));
    v.Type = varSingle;
    return v;
}

Variant Variant::Currency(double value)
{
    // The double's shortest text is the number it was written as (2.00005,
    // not 2.0000499999...): that is what is rounded.
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    std::int64_t scaled = 0;
    if (!std::isfinite(value)
        || ReadCurrencyText(std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)), scaled)
            != DecimalRead::Value)
        throw EVariantError("Overflow while converting to type (Currency)");
    return CurrencyScaled(scaled);
}

Variant Variant::CurrencyScaled(std::int64_t tenThousandths)
{
    Variant v;
    v.Type = varCurrency;
    v.Integer = tenThousandths;
    return v;
}

Variant Variant::Date(double automationDate)
{
    Variant v(automationDate);
    v.Type = varDate;
    return v;
}

Variant Variant::Bytes(std::string_view bytes)
{
    return FromArray(SafeArray::FromBytes(bytes));
}

Variant Variant::FromArray(std::shared_ptr<SafeArray> array)
{
    Variant v;
    if (!array)
        return v;
    v.Type = static_cast<std::uint16_t>(varArray | array->ElementType());
    v.ArrayValue = std::move(array);
    return v;
}

Variant Variant::BareArray(std::shared_ptr<SafeArray> array)
{
    Variant v;
    v.Type = varArray;
    v.ArrayValue = std::move(array);
    return v;
}

std::string Variant::AsString() &&
{
    if (Type == varString)
        return std::move(Text);
    return static_cast<const Variant&>(*this).AsString();
}

void Variant::AssignString(std::string& text) const
{
    if (Type == varString)
        text.assign(Text);
    else
        text = AsString();
}

std::string Variant::AsString() const&
{
    switch (Type) {
    case varEmpty: return "";
    case varString: return Text;
    case varBoolean: return Integer ? "True" : "False";
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: return std::to_string(Integer);
    case varSingle: return SingleText(Real);
    case varDouble: return platform::FloatToStr(Real);
    case varCurrency: return CurrencyText(Integer);
    case varDate: return platform::DateTimeToStr(Real);
    default: CannotConvert(Type, "String");
    }
}

std::int64_t Variant::ConvertedInt64() const
{
    switch (Type) {
    case varEmpty: return 0;
    case varBoolean: return Integer ? -1 : 0;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: return Integer;
    case varSingle:
    case varDouble:
    case varDate:
        return RoundToInteger(Real, Type, "Int64", -9.2233720368547748e18, 9.2233720368547748e18);
    case varCurrency: {
        const std::int64_t whole = Integer / 10000;
        const std::int64_t rest = Integer % 10000;
        // Half to even, as with the other types.
        if (rest > 5000 || (rest == 5000 && (whole % 2) != 0))
            return whole + 1;
        if (rest < -5000 || (rest == -5000 && (whole % 2) != 0))
            return whole - 1;
        return whole;
    }
    case varString: {
        std::int64_t value = 0;
        std::string_view text = Text;
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        if (!text.empty() && text.front() == '+')
            text.remove_prefix(1);
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (!text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size())
            return value;
        double real = 0;
        if (ParseDouble(Text, real))
            return RoundToInteger(real, Type, "Int64", -9.2233720368547748e18, 9.2233720368547748e18);
        if (SameTextIgnoringAsciiCase(text, "true"))
            return -1;
        if (SameTextIgnoringAsciiCase(text, "false"))
            return 0;
        CannotConvert(Type, "Int64");
    }
    default: CannotConvert(Type, "Int64");
    }
}

std::int32_t Variant::AsInteger() const
{
    const std::int64_t value = AsInt64();
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw EVariantError("Overflow while converting variant of type (" + TypeName(Type)
                            + ") into type (Integer)");
    return static_cast<std::int32_t>(value);
}

double Variant::ConvertedDouble() const
{
    switch (Type) {
    case varEmpty: return 0;
    case varBoolean: return Integer ? -1 : 0;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: return static_cast<double>(Integer);
    case varSingle:
    case varDouble:
    case varDate: return Real;
    case varCurrency: return static_cast<double>(Integer) / 10000.0;
    case varString: {
        double value = 0;
        if (ParseDouble(Text, value))
            return value;
        if (SameTextIgnoringAsciiCase(Text, "true"))
            return -1;
        if (SameTextIgnoringAsciiCase(Text, "false"))
            return 0;
        CannotConvert(Type, "Double");
    }
    default: CannotConvert(Type, "Double");
    }
}

bool Variant::AsBoolean() const
{
    switch (Type) {
    case varEmpty: return false;
    case varBoolean:
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64:
    case varCurrency: return Integer != 0;
    case varSingle:
    case varDouble:
    case varDate: return Real != 0;
    case varString: {
        if (SameTextIgnoringAsciiCase(Text, "true"))
            return true;
        if (SameTextIgnoringAsciiCase(Text, "false"))
            return false;
        double value = 0;
        if (ParseDouble(Text, value))
            return value != 0;
        CannotConvert(Type, "Boolean");
    }
    default: CannotConvert(Type, "Boolean");
    }
}

double Variant::AsDate() const
{
    if (Type == varString) {
        platform::TDateTime value = 0;
        if (platform::TryStrToDateTime(Text, value))
            return value;
        double number = 0;
        if (ParseDouble(Text, number))
            return number;
        CannotConvert(Type, "Date");
    }
    return AsDouble();
}

std::int64_t Variant::AsCurrencyScaled() const
{
    switch (Type) {
    case varCurrency: return Integer;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64:
        if (Integer > std::numeric_limits<std::int64_t>::max() / 10000
            || Integer < std::numeric_limits<std::int64_t>::min() / 10000)
            throw EVariantError("Overflow while converting variant of type (" + TypeName(Type)
                                + ") into type (Currency)");
        return Integer * 10000;
    case varString: {
        // Every digit of the text counts: no double stands between.
        std::int64_t scaled = 0;
        switch (ReadCurrencyText(Text, scaled)) {
        case DecimalRead::Value: return scaled;
        case DecimalRead::Overflow:
            throw EVariantError("Overflow while converting variant of type (String) into type (Currency)");
        case DecimalRead::NotANumber: break;
        }
        break;
    }
    default: break;
    }
    return Currency(AsDouble()).Integer;
}

std::string Variant::AsBytes() const
{
    if (Type == (varArray | varByte) && ArrayValue)
        return ArrayValue->Bytes();
    if (Type == varString)
        return Text;
    CannotConvert(Type, "Bytes");
}

bool Variant::operator==(const Variant& other) const
{
    if (Type != other.Type)
        return false;
    if (IsArray())
        return ArrayValue == other.ArrayValue;
    switch (Type) {
    case varEmpty:
    case varNull: return true;
    case varString: return Text == other.Text;
    case varSingle:
    case varDouble:
    case varDate: return Real == other.Real;
    default: return Integer == other.Integer;
    }
}

void Variant::SetText(std::string_view text)
{
    Type = varString;
    // Appending to the emptied text is the string's short path (no tail to
    // move), which a read of every row takes. No caller holds a view of
    // this variant's own text, which clearing would spoil.
    Text.clear();
    Text.append(text.data(), text.size());
    if (ArrayValue)
        ArrayValue.reset();
}

std::string VarToStr(const Variant& value)
{
    return value.IsClear() ? std::string() : value.AsString();
}

SafeArray::SafeArray(std::uint16_t elementType, std::vector<Bound> bounds)
    : ElemType(elementType), Bounds(std::move(bounds))
{
    if (Bounds.empty())
        throw EVariantError("An array needs at least one dimension");
    std::size_t count = 1;
    for (const Bound& bound : Bounds) {
        if (bound.Count < 0)
            throw EVariantError("Negative array dimension");
        count *= static_cast<std::size_t>(bound.Count);
    }
    if (ElemType == varByte)
        ByteElements.assign(count, '\0');
    else
        Elements.resize(count);
}

std::shared_ptr<SafeArray> SafeArray::Vector(std::uint16_t elementType, int low, int high)
{
    return std::make_shared<SafeArray>(elementType, std::vector<Bound>{{low, high - low + 1}});
}

std::shared_ptr<SafeArray> SafeArray::FromBytes(std::string_view bytes)
{
    auto array = Vector(varByte, 0, static_cast<int>(bytes.size()) - 1);
    array->ByteElements.assign(bytes);
    return array;
}

int SafeArray::LowBound(int dimension) const
{
    if (dimension < 1 || dimension > DimCount())
        throw EVariantError("Variant array bounds error");
    return Bounds[static_cast<std::size_t>(dimension - 1)].Low;
}

int SafeArray::HighBound(int dimension) const
{
    if (dimension < 1 || dimension > DimCount())
        throw EVariantError("Variant array bounds error");
    const Bound& bound = Bounds[static_cast<std::size_t>(dimension - 1)];
    return bound.Low + bound.Count - 1;
}

int SafeArray::ElementCount() const
{
    return static_cast<int>(ElemType == varByte ? ByteElements.size() : Elements.size());
}

std::size_t SafeArray::Offset(const int* indices, std::size_t count) const
{
    if (count != Bounds.size())
        throw EVariantError("Variant array bounds error");
    std::size_t offset = 0;
    for (std::size_t d = 0; d < count; ++d) {
        const Bound& bound = Bounds[d];
        const int i = indices[d] - bound.Low;
        if (i < 0 || i >= bound.Count)
            throw EVariantError("Variant array index out of bounds");
        offset = offset * static_cast<std::size_t>(bound.Count) + static_cast<std::size_t>(i);
    }
    return offset;
}

Variant SafeArray::Get(const std::vector<int>& indices) const
{
    const std::size_t offset = Offset(indices.data(), indices.size());
    if (ElemType == varByte)
        return Variant::Byte(static_cast<std::uint8_t>(ByteElements[offset]));
    return Elements[offset];
}

void SafeArray::Put(const std::vector<int>& indices, const Variant& value)
{
    const std::size_t offset = Offset(indices.data(), indices.size());
    if (ElemType == varByte)
        ByteElements[offset] = static_cast<char>(value.AsInteger() & 0xFF);
    else
        Elements[offset] = value;
}

Variant SafeArray::Get(std::initializer_list<int> indices) const
{
    return Get(std::vector<int>(indices));
}

void SafeArray::Put(std::initializer_list<int> indices, const Variant& value)
{
    Put(std::vector<int>(indices), value);
}

const std::string& SafeArray::Bytes() const
{
    if (ElemType != varByte)
        throw EVariantError("Not a byte array");
    return ByteElements;
}

std::string& SafeArray::Bytes()
{
    if (ElemType != varByte)
        throw EVariantError("Not a byte array");
    return ByteElements;
}

} // namespace jet

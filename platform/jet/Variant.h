// The engine's variant: the one value type that field values, parameter
// values, property values, bookmarks as byte arrays and the two-dimensional
// arrays of GetRows travel in. It carries the old automation variant's type
// word (VarType), so code that looks at the type of a value (a Null, a byte
// array, a date) reads the same as it did, but it owns its contents: copying a
// variant copies its text, and arrays are shared SafeArray objects.
//
// Dates are automation dates: days since 30 December 1899 as a double, the
// fraction being the time of day. Currency is an exact fixed-point number with
// four decimals. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Type words of a variant. An array's type word is varArray or-ed with the
// type of its elements (a byte array is varArray | varByte).
enum : std::uint16_t {
    varEmpty = 0,       // no value assigned (a fresh variant)
    varNull = 1,        // the database Null
    varSmallint = 2,    // 16-bit signed integer
    varInteger = 3,     // 32-bit signed integer
    varSingle = 4,      // 32-bit float
    varDouble = 5,      // 64-bit float
    varCurrency = 6,    // fixed point, four decimals
    varDate = 7,        // automation date
    varString = 8,      // UTF-8 text
    varBoolean = 11,    // true or false
    varVariant = 12,    // element type of arrays that hold variants
    varByte = 17,       // 8-bit unsigned integer
    varInt64 = 20,      // 64-bit signed integer
    varArray = 0x2000,  // flag: the variant holds a SafeArray
    varTypeMask = 0x0FFF,
};

// Raised when a variant cannot be converted to the type asked for, as the
// old class library's variant conversions did: "Could not convert variant of
// type (Null) into type (String)".
class EVariantError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SafeArray;

class Variant {
public:
    Variant() = default;  // varEmpty
    Variant(const Variant&) = default;
    Variant(Variant&&) noexcept = default;
    // The member-wise copy, leaving alone the text and array where neither
    // side has one: copying a number over a number touches neither.
    Variant& operator=(const Variant& other)
    {
        Type = other.Type;
        Integer = other.Integer;
        Real = other.Real;
        if (!Text.empty() || !other.Text.empty())
            Text = other.Text;
        if (ArrayValue || other.ArrayValue)
            ArrayValue = other.ArrayValue;
        return *this;
    }
    Variant& operator=(Variant&&) noexcept = default;
    ~Variant() = default;
    Variant(bool value);
    Variant(int value);
    Variant(std::int64_t value);
    Variant(double value);
    Variant(const char* text);
    Variant(std::string text);
    Variant(std::string_view text);

    static Variant Null();
    static Variant Smallint(std::int16_t value);
    static Variant Byte(std::uint8_t value);
    static Variant Single(float value);
    // Rounded half away from zero to four decimals; EVariantError beyond
    // the range of currency.
    static Variant Currency(double value);
    // Exact currency from its value times 10000.
    static Variant CurrencyScaled(std::int64_t tenThousandths);
    static Variant Date(double automationDate);
    // A one-dimensional byte array, bounds 0 .. size - 1.
    static Variant Bytes(std::string_view bytes);
    // A variant holding the array; the type word is varArray | element type.
    static Variant FromArray(std::shared_ptr<SafeArray> array);
    // A variant whose type word is the bare varArray flag, holding `array`
    // (the form of an array handed over without its element type).
    static Variant BareArray(std::shared_ptr<SafeArray> array);

    std::uint16_t VarType() const { return Type; }
    bool IsEmpty() const { return Type == varEmpty; }
    bool IsNull() const { return Type == varNull; }
    // Empty or Null.
    bool IsClear() const { return Type == varEmpty || Type == varNull; }
    bool IsArray() const { return (Type & varArray) != 0; }

    // Conversions. A Null (or an array, for the scalar ones) raises
    // EVariantError; Empty converts to "", 0 and false. Texts convert to
    // numbers with "." as the decimal separator; numbers to texts in the
    // shortest form of up to 15 significant digits; booleans to "True" and
    // "False" and from -1/0, "True"/"False" (any case); dates to the layer's
    // 24-hour date text (see platform/system/DateTime.h).
    std::string AsString() const&;
    // The same, taking the text out of a variant about to go.
    std::string AsString() &&;
    // The same into `text`, reusing its storage.
    void AssignString(std::string& text) const;
    std::int32_t AsInteger() const;
    // AsInt64 and AsDouble take the value's own type inline: a walk reads
    // every number field of every row through them.
    std::int64_t AsInt64() const
    {
        if (Type == varInteger || Type == varSmallint || Type == varByte || Type == varInt64)
            return Integer;
        return ConvertedInt64();
    }
    double AsDouble() const
    {
        if (Type == varDouble || Type == varSingle || Type == varDate)
            return Real;
        return ConvertedDouble();
    }
    bool AsBoolean() const;
    double AsDate() const;
    // Currency value times 10000; a text is read digit by digit (see
    // DecimalText.h), so none of its digits is lost. EVariantError beyond
    // the range of currency.
    std::int64_t AsCurrencyScaled() const;
    // The bytes of a byte array, or of a text; raises for other values.
    std::string AsBytes() const;
    // The array held, or null when the variant holds none.
    const std::shared_ptr<SafeArray>& Array() const { return ArrayValue; }

    // Same type word and same value (arrays: the same array object).
    bool operator==(const Variant& other) const;

    // Makes the variant the text given, reusing its own text's storage: a
    // variant refilled over and over costs no allocation once it is big
    // enough.
    void SetText(std::string_view text);
    // The same for numbers: makes the variant `value` as the integer type
    // given (varSmallint, varInteger, varByte, varInt64, varBoolean) or the
    // real type given (varSingle, varDouble, varDate), in place.
    void SetInteger(std::uint16_t type, std::int64_t value)
    {
        Type = type;
        Integer = value;
        Real = 0;
        Text.clear();
        ArrayValue.reset();
    }
    void SetReal(std::uint16_t type, double value)
    {
        Type = type;
        Integer = 0;
        Real = value;
        Text.clear();
        ArrayValue.reset();
    }

private:
    // AsInt64 and AsDouble of every type.
    std::int64_t ConvertedInt64() const;
    double ConvertedDouble() const;

    std::uint16_t Type = varEmpty;
    std::int64_t Integer = 0;  // integers, booleans, currency (scaled)
    double Real = 0;           // floats and dates
    std::string Text;          // varString
    std::shared_ptr<SafeArray> ArrayValue;
};

// "" for Empty and Null, else AsString: the text form a caller shows.
std::string VarToStr(const Variant& value);

// An array of one or more dimensions with a low and high bound per
// dimension. Byte arrays keep their bytes contiguously; every other element
// type keeps variants.
class SafeArray {
public:
    struct Bound {
        int Low = 0;
        int Count = 0;  // elements in this dimension; High = Low + Count - 1
    };

    SafeArray(std::uint16_t elementType, std::vector<Bound> bounds);
    static std::shared_ptr<SafeArray> Vector(std::uint16_t elementType, int low, int high);
    static std::shared_ptr<SafeArray> FromBytes(std::string_view bytes);

    std::uint16_t ElementType() const { return ElemType; }
    int DimCount() const { return static_cast<int>(Bounds.size()); }
    // Dimensions count from 1, as the old array routines did.
    int LowBound(int dimension = 1) const;
    int HighBound(int dimension = 1) const;
    int ElementCount() const;

    // Element access by one index per dimension (first dimension first).
    // An index outside its bounds raises EVariantError.
    Variant Get(std::initializer_list<int> indices) const;
    void Put(std::initializer_list<int> indices, const Variant& value);
    Variant Get(const std::vector<int>& indices) const;
    void Put(const std::vector<int>& indices, const Variant& value);

    // The bytes of a byte array.
    const std::string& Bytes() const;
    std::string& Bytes();

private:
    std::size_t Offset(const int* indices, std::size_t count) const;

    std::uint16_t ElemType;
    std::vector<Bound> Bounds;
    std::vector<Variant> Elements;
    std::string ByteElements;
};

} // namespace jet

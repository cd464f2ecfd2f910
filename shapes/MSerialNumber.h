// Serial numbers of shapes. A shape carries its number as an MSerialNumber,
// read and written as an int. The document that lists shapes keeps one
// MSerialNumberTally per kind; while a shape is listed its number is counted
// in the tally of its kind and every write to it moves the count, so the
// smallest free number of a kind is known without reading every shape.
#pragma once

#include <array>

// How many shapes carry each serial number from First to Last (numbers
// outside that range are not counted), and the smallest number none carries.
class MSerialNumberTally {
public:
    static constexpr int First = 1;
    static constexpr int Last = 999;

    void Add(int number);
    void Remove(int number);
    // The smallest number from First to Last that no shape carries; First
    // when every one is taken.
    int FirstFree() const;

private:
    static bool Counted(int number) { return number >= First && number <= Last; }

    std::array<int, Last + 1> carriers_{};
    // No number below it is free; it moves up as numbers are found taken.
    mutable int firstFree_ = First;
};

class MSerialNumber {
public:
    MSerialNumber(int value = 1) : value_(value) {}
    // A copy is the number alone, counted nowhere; assigning one is a write.
    MSerialNumber(const MSerialNumber& other) : value_(other.value_) {}
    MSerialNumber& operator=(const MSerialNumber& other) { return *this = other.value_; }
    MSerialNumber& operator=(int value);
    operator int() const { return value_; }

    // The number is counted in `tally` from now on and no longer in the one
    // before; null counts it nowhere. The tally must outlive the counting.
    void TallyIn(MSerialNumberTally* tally);

private:
    int value_;
    MSerialNumberTally* tally_ = nullptr;
};

// The class library's text list: lines of text kept in order, read as lists
// of names ("Access", "ODBC"), as name=value pairs ("USER NAME=Admin") and as
// comma text ("Orders=3,Lines=-1"). Lines are compared without regard to
// ASCII case, as the old list did by default.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// True when the texts are equal ignoring the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);

class TStringList {
public:
    // What Add does in a sorted list with a line that is there already.
    enum TDuplicates { dupIgnore, dupAccept, dupError };

    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);

    int Count() const { return static_cast<int>(Lines.size()); }
    bool Empty() const { return Lines.empty(); }
    // Lines by position; out of range raises std::out_of_range
    // ("List index out of bounds (n)").
    const std::string& operator[](int index) const;
    std::string& operator[](int index);
    auto begin() const { return Lines.begin(); }
    auto end() const { return Lines.end(); }

    // Appends, or in a sorted list inserts in order; the line's position, or
    // -1 when a sorted list with dupIgnore holds it already (dupError raises
    // std::invalid_argument).
    int Add(const std::string& line);
    // Raises std::logic_error in a sorted list.
    void Insert(int index, const std::string& line);
    void Delete(int index);
    void Clear() { Lines.clear(); }
    void Assign(const TStringList& other) { Lines = other.Lines; }

    bool Sorted() const { return IsSorted; }
    // Sorting sorts the lines at once and keeps them sorted.
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return DuplicatePolicy; }
    void SetDuplicates(TDuplicates value) { DuplicatePolicy = value; }

    // Position of the line, or -1.
    int IndexOf(std::string_view line) const;

    // Name-value pairs: a line "name=value" (a line without "=" is a name
    // with an empty value).
    int IndexOfName(std::string_view name) const;
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    // The value of the first line of that name; empty when there is none.
    std::string Values(std::string_view name) const;
    // Replaces the value of the first line of that name, or appends the
    // pair; an empty value removes the line, as the old list did.
    void SetValues(std::string_view name, const std::string& value);

    // The lines each followed by a line break; SetText splits at LF, CR LF
    // or CR.
    std::string Text() const;
    void SetText(std::string_view text);

    // The lines joined by ","; a line holding a blank, a control
    // character, a comma or a double quote is put in double quotes with inner
    // quotes doubled. SetCommaText reads that form back: items end at a
    // comma or an unquoted blank.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);

    bool operator==(const TStringList& other) const { return Lines == other.Lines; }

private:
    std::vector<std::string> Lines;
    bool IsSorted = false;
    TDuplicates DuplicatePolicy = dupIgnore;
};

} // namespace platform

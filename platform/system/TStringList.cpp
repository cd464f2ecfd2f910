#include "platform/system/TStringList.h"

#include <algorithm>
#include <stdexcept>

namespace platform {
namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int CompareTextAscii(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool NeedsQuotes(const std::string& item)
{
    return std::any_of(item.begin(), item.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"'; });
}

bool IsBlank(char c)
{
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

} // namespace

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareTextAscii(a, b) == 0;
}

TStringList::TStringList(std::initializer_list<std::string> lines)
    : Lines(lines)
{
}

const std::string& TStringList::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return Lines[static_cast<std::size_t>(index)];
}

std::string& TStringList::operator[](int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return Lines[static_cast<std::size_t>(index)];
}

int TStringList::Add(const std::string& line)
{
    if (!IsSorted) {
        Lines.push_back(line);
        return Count() - 1;
    }
    const auto at = std::lower_bound(Lines.begin(), Lines.end(), line, [](const std::string& a, const std::string& b) {
        return CompareTextAscii(a, b) < 0;
    });
    if (at != Lines.end() && SameText(*at, line)) {
        if (DuplicatePolicy == dupIgnore)
            return -1;
        if (DuplicatePolicy == dupError)
            throw std::invalid_argument("String list does not allow duplicates");
    }
    const auto index = at - Lines.begin();
    Lines.insert(at, line);
    return static_cast<int>(index);
}

void TStringList::Insert(int index, const std::string& line)
{
    if (IsSorted)
        throw std::logic_error("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    Lines.insert(Lines.begin() + index, line);
}

void TStringList::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    Lines.erase(Lines.begin() + index);
}

void TStringList::SetSorted(bool value)
{
    IsSorted = value;
    if (IsSorted)
        std::stable_sort(Lines.begin(), Lines.end(),
                         [](const std::string& a, const std::string& b) { return CompareTextAscii(a, b) < 0; });
}

int TStringList::IndexOf(std::string_view line) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Lines[static_cast<std::size_t>(i)], line))
            return i;
    return -1;
}

int TStringList::IndexOfName(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Names(i), name))
            return i;
    return -1;
}

std::string TStringList::Names(int index) const
{
    const std::string& line = (*this)[index];
    return line.substr(0, line.find('='));
}

std::string TStringList::ValueFromIndex(int index) const
{
    const std::string& line = (*this)[index];
    const std::size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::string TStringList::Values(std::string_view name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValues(std::string_view name, const std::string& value)
{
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    const std::string line = std::string(name) + "=" + value;
    if (index >= 0)
        Lines[static_cast<std::size_t>(index)] = line;
    else
        Add(line);
}

std::string TStringList::Text() const
{
    std::string text;
    for (const std::string& line : Lines)
        text += line + "\n";
    return text;
}

void TStringList::SetText(std::string_view text)
{
    Lines.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        Lines.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    if (IsSorted)
        SetSorted(true);
}

std::string TStringList::CommaText() const
{
    if (Lines.size() == 1 && Lines.front().empty())
        return "\"\"";
    std::string text;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        if (i > 0)
            text += ',';
        const std::string& item = Lines[i];
        if (!NeedsQuotes(item)) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"')
                text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void TStringList::SetCommaText(std::string_view text)
{
    Lines.clear();
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
    };
    skipBlanks();
    while (at < text.size()) {
        std::string item;
        if (text[at] == '"') {
            ++at;
            while (at < text.size()) {
                if (text[at] == '"') {
                    if (at + 1 < text.size() && text[at + 1] == '"') {
                        item += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                item += text[at++];
            }
        } else {
            const std::size_t start = at;
            while (at < text.size() && !IsBlank(text[at]) && text[at] != ',')
                ++at;
            item.assign(text.substr(start, at - start));
        }
        Lines.push_back(std::move(item));
        skipBlanks();
        if (at < text.size() && text[at] == ',') {
            if (at + 1 == text.size())
                Lines.emplace_back();
            ++at;
            skipBlanks();
        }
    }
    if (IsSorted)
        SetSorted(true);
}

} // namespace platform

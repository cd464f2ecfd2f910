#include "platform/jet/Collation.h"

#include "platform/jet/Collection.h"

#include <QChar>
#include <QString>

#include <vector>

namespace jet {
namespace {

// Decodes one UTF-8 character at `pos`; invalid bytes decode one by one to
// U+DC80 + byte, so that every byte sequence has a well-defined order.
char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    }
    if (length == 0 || pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return 0xDC00 + lead;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xDC00 + lead;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return 0xDC00 + lead;
    }
    pos += static_cast<std::size_t>(length);
    return value;
}

// Base letters below U+3000, from the canonical decompositions; above it
// every character is its own base.
constexpr char32_t BaseTableSize = 0x3000;

const std::vector<char32_t>& BaseTable()
{
    static const std::vector<char32_t> table = [] {
        std::vector<char32_t> bases(BaseTableSize);
        for (char32_t c = 0; c < BaseTableSize; ++c) {
            char32_t base = c;
            while (QChar::decompositionTag(base) == QChar::Canonical) {
                const QString parts = QChar::decomposition(base);
                if (parts.isEmpty())
                    break;
                base = parts.at(0).unicode();
            }
            bases[c] = QChar::toCaseFolded(base);
        }
        return bases;
    }();
    return table;
}

char32_t Folded(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c >= 0xDC80 && c <= 0xDCFF) {  // an undecodable byte kept as it was
        out += static_cast<char>(c - 0xDC00);
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

char32_t BaseLetter(char32_t folded)
{
    return folded < BaseTableSize ? BaseTable()[folded] : folded;
}

int CompareText(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    int accents = 0;  // the first difference between letters of the same base
    while (i < a.size() && j < b.size()) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {  // the common case, without decoding
            const int fa = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
            const int fb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const char32_t fa = Folded(NextCodePoint(a, i));
        const char32_t fb = Folded(NextCodePoint(b, j));
        const char32_t ba = BaseLetter(fa);
        const char32_t bb = BaseLetter(fb);
        if (ba != bb)
            return ba < bb ? -1 : 1;
        if (accents == 0 && fa != fb)
            accents = fa < fb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return accents;
}

std::string FoldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        AppendUtf8(out, Folded(NextCodePoint(text, i)));
    return out;
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

std::string LowerCase(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower().toStdString();
}

std::string UpperCase(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
}

bool SameName(std::string_view a, std::string_view b)
{
    return CompareText(a, b) == 0;
}

std::string NameOf(const Error&)
{
    return {};
}

} // namespace jet

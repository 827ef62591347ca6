#include "files/TextCodec.h"

#include <array>
#include <cstdint>
#include <unordered_map>

#include <iconv.h>

namespace {

// --- UTF-8 ------------------------------------------------------------------------------

// Decodes the code point at `i` and advances past it; false (i unchanged) on a malformed,
// overlong or surrogate sequence.
bool nextCodePoint(std::string_view s, std::size_t& i, uint32_t& cp)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    std::size_t length;
    uint32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return false;
    }
    if (i + length > s.size())
        return false;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += length;
    return true;
}

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

bool isAscii(std::string_view s)
{
    for (const char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    uint32_t cp;
    while (i < s.size())
        if (!nextCodePoint(s, i, cp))
            return false;
    return true;
}

// Malformed bytes become '?', so that a file written in UTF-8 stays valid UTF-8.
std::string sanitizeUtf8(std::string_view s)
{
    if (isAscii(s))
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    uint32_t cp;
    while (i < s.size()) {
        const std::size_t start = i;
        if (nextCodePoint(s, i, cp)) {
            out.append(s, start, i - start);
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

// The first `count` characters (code points) of valid UTF-8 text.
std::string firstCharacters(std::string_view s, std::size_t count)
{
    if (s.size() <= count)
        return std::string(s);
    std::size_t i = 0;
    uint32_t cp;
    for (std::size_t n = 0; n < count && i < s.size(); ++n)
        if (!nextCodePoint(s, i, cp))
            ++i;
    return std::string(s.substr(0, i));
}

namespace {

// --- Windows-1250 -----------------------------------------------------------------------

// The code page as iconv knows it. The five bytes the code page leaves undefined decode to
// the code points of the same value (U+0081 ...) and encode back to themselves, so that
// reading and writing never lose a byte.
struct CodePage1250 {
    std::array<std::string, 256> toUtf8;
    std::unordered_map<uint32_t, char> fromCodePoint;

    CodePage1250()
    {
        iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
        for (int b = 0; b < 256; ++b) {
            uint32_t cp = static_cast<uint32_t>(b);
            if (b >= 0x80 && cd != reinterpret_cast<iconv_t>(-1)) {
                char in[1] = {static_cast<char>(b)};
                char out[8];
                char* inPtr = in;
                char* outPtr = out;
                size_t inLeft = 1, outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
                    const std::string decoded(out, sizeof out - outLeft);
                    std::size_t i = 0;
                    uint32_t value;
                    if (!decoded.empty() && nextCodePoint(decoded, i, value))
                        cp = value;
                }
            }
            appendUtf8(toUtf8[b], cp);
            fromCodePoint.emplace(cp, static_cast<char>(b));
        }
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
};

const CodePage1250& codePage()
{
    static const CodePage1250 table;
    return table;
}

} // namespace

std::string decode1250(std::string_view bytes)
{
    if (isAscii(bytes))
        return std::string(bytes);
    const CodePage1250& cp = codePage();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char ch : bytes)
        out += cp.toUtf8[static_cast<unsigned char>(ch)];
    return out;
}

// Characters the code page cannot hold become '?', one per character.
std::string encode1250(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    const CodePage1250& table = codePage();
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    uint32_t cp;
    while (i < utf8.size()) {
        if (!nextCodePoint(utf8, i, cp)) {
            out += '?';
            ++i;
            continue;
        }
        const auto it = table.fromCodePoint.find(cp);
        out += it != table.fromCodePoint.end() ? it->second : '?';
    }
    return out;
}

std::string escapeControls(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
        case '\0': out += "\\0"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 0xF];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

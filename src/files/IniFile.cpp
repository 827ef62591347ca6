#include "files/IniFile.h"

#include "files/FileReplacer.h"

#include "model/AppError.h"
#include "model/Convert.h"

#include <QString>

#include <array>
#include <cerrno>
#include <cstdio>
#include <unordered_map>

#include <iconv.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t maxValueCharacters = 2047;
// Larger files are not INI files of ours (a layer file has at most about 120 kB in some 100
// lines); they are neither parsed nor overwritten. The line limit bounds the memory a file of
// nothing but line breaks would take.
constexpr off_t maxFileBytes = 16 * 1024 * 1024;
constexpr std::size_t maxLines = 128 * 1024;
const std::string utf8Bom = "\xEF\xBB\xBF";

// --- UTF-8 ------------------------------------------------------------------------------

// Decodes the code point at `i` and advances past it; false (i unchanged) on a malformed,
// overlong or surrogate sequence.
bool nextCodePoint(const std::string& s, std::size_t& i, uint32_t& cp)
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

bool isAscii(const std::string& s)
{
    for (const char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(const std::string& s)
{
    std::size_t i = 0;
    uint32_t cp;
    while (i < s.size())
        if (!nextCodePoint(s, i, cp))
            return false;
    return true;
}

// Malformed bytes become '?', so that a file written in UTF-8 stays valid UTF-8.
std::string sanitizeUtf8(const std::string& s)
{
    if (isAscii(s))
        return s;
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
std::string firstCharacters(const std::string& s, std::size_t count)
{
    if (s.size() <= count)
        return s;
    std::size_t i = 0;
    uint32_t cp;
    for (std::size_t n = 0; n < count && i < s.size(); ++n)
        if (!nextCodePoint(s, i, cp))
            ++i;
    return s.substr(0, i);
}

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

std::string decode1250(const std::string& bytes)
{
    if (isAscii(bytes))
        return bytes;
    const CodePage1250& cp = codePage();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char ch : bytes)
        out += cp.toUtf8[static_cast<unsigned char>(ch)];
    return out;
}

// Characters the code page cannot hold become '?', one per character.
std::string encode1250(const std::string& utf8)
{
    if (isAscii(utf8))
        return utf8;
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

// --- Names and blanks ---------------------------------------------------------------------

bool isBlank(char ch) { return ch == ' ' || ch == '\t'; }

std::string trimBlanks(const std::string& s)
{
    std::size_t begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// Section and key names compare without regard to letter case, Polish letters included.
std::string foldCase(const std::string& name)
{
    if (isAscii(name)) {
        std::string out = name;
        for (char& ch : out)
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
        return out;
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

bool hasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

std::string withoutLineBreaks(std::string s)
{
    for (char& ch : s)
        if (ch == '\r' || ch == '\n')
            ch = ' ';
    return s;
}

} // namespace

IniFile::IniFile(const std::string& path) : path_(path)
{
    load();
}

IniFile::~IniFile()
{
    try {
        flush();
    } catch (...) {
        // Last resort only: callers flush() themselves to see the error.
    }
}

void IniFile::load()
{
    if (path_.empty())
        return;
    struct stat st;
    if (stat(path_.c_str(), &st) != 0) {
        // A file that is not there reads as empty; any other failure must not be overwritten.
        loadFailed_ = errno != ENOENT;
        return;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > maxFileBytes) {
        loadFailed_ = true;
        return;
    }
    FILE* file = std::fopen(path_.c_str(), "rb");
    if (!file) {
        loadFailed_ = true;
        return;
    }
    std::string content;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        content.append(buffer, n);
        if (content.size() > static_cast<std::size_t>(maxFileBytes))
            break;
    }
    const bool failed = std::ferror(file) || content.size() > static_cast<std::size_t>(maxFileBytes);
    std::fclose(file);
    if (failed) {
        loadFailed_ = true;
        return;
    }

    if (content.compare(0, utf8Bom.size(), utf8Bom) == 0) {
        // Kept apart from the first line, so that it cannot hide a section header, and put
        // back when the file is written.
        bom_ = true;
        content.erase(0, utf8Bom.size());
        utf8_ = isValidUtf8(content);
    } else {
        utf8_ = !isAscii(content) && isValidUtf8(content);
    }

    bool eolSeen = false;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        std::string eol = "\n";
        if (end == std::string::npos) {
            end = content.size();
            eol.clear();
        }
        std::size_t textEnd = end;
        if (!eol.empty() && textEnd > start && content[textEnd - 1] == '\r') {
            --textEnd;
            eol = "\r\n";
        }
        if (!eolSeen && !eol.empty()) {
            eol_ = eol;
            eolSeen = true;
        }
        if (lines_.size() == maxLines) {
            lines_.clear();
            loadFailed_ = true;
            return;
        }
        lines_.push_back(makeLine(content.substr(start, textEnd - start), eol));
        start = end + 1;
    }
}

IniFile::Line IniFile::makeLine(std::string raw, std::string eol) const
{
    Line line;
    line.raw = std::move(raw);
    line.eol = std::move(eol);
    line.text = utf8_ ? line.raw : decode1250(line.raw);
    const std::string t = trimBlanks(line.text);
    if (t.empty() || t[0] == ';')
        return line;
    if (t[0] == '[') {
        const std::size_t close = t.rfind(']');
        if (close != std::string::npos && close > 0) {
            line.kind = Kind::Section;
            line.name = foldCase(trimBlanks(t.substr(1, close - 1)));
        }
        return line;
    }
    const std::size_t eq = t.find('=');
    if (eq != std::string::npos) {
        line.kind = Kind::Key;
        line.name = foldCase(trimBlanks(t.substr(0, eq)));
    }
    return line;
}

void IniFile::setText(Line& line, const std::string& utf8Text) const
{
    line = makeLine(utf8_ ? sanitizeUtf8(utf8Text) : encode1250(utf8Text), line.eol);
}

std::size_t IniFile::findSection(const std::string& foldedSection) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && lines_[i].name == foldedSection)
            return i;
    return std::string::npos;
}

std::size_t IniFile::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section)
        ++i;
    return i;
}

std::size_t IniFile::findKey(std::size_t header, const std::string& foldedKey) const
{
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key && lines_[i].name == foldedKey)
            return i;
    return std::string::npos;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    const std::size_t header = findSection(foldCase(trimBlanks(section)));
    if (header == std::string::npos)
        return defaultValue;
    const std::size_t k = findKey(header, foldCase(trimBlanks(key)));
    if (k == std::string::npos)
        return defaultValue;
    const std::string& text = lines_[k].text;
    return firstCharacters(trimBlanks(text.substr(text.find('=') + 1)), maxValueCharacters);
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const
{
    const std::string text = ReadString(section, key, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        int64_t value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char ch = text[i];
            int digit;
            if (ch >= '0' && ch <= '9')
                digit = ch - '0';
            else if (ch >= 'a' && ch <= 'f')
                digit = ch - 'a' + 10;
            else if (ch >= 'A' && ch <= 'F')
                digit = ch - 'A' + 10;
            else
                return defaultValue;
            value = value * 16 + digit;
            if (value > INT32_MAX)
                return defaultValue;
        }
        return static_cast<int32_t>(value);
    }
    int32_t value;
    return tryStrToInt(text, value) ? value : defaultValue;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string sectionName = trimBlanks(section);
    const std::string keyName = trimBlanks(key);
    // Names that would not read back as themselves are a fault of the caller.
    if (hasLineBreak(sectionName) || hasLineBreak(keyName) || keyName.find('=') != std::string::npos
        || (!keyName.empty() && (keyName[0] == '[' || keyName[0] == ';')))
        throw AppError("Invalid key [" + sectionName + "] " + keyName + " for " + path_);
    checkWritable();

    const std::string line = keyName + "=" + withoutLineBreaks(value);
    const std::size_t header = findSection(foldCase(sectionName));
    if (header == std::string::npos) {
        insertLine(lines_.size(), "[" + sectionName + "]");
        insertLine(lines_.size(), line);
    } else {
        const std::size_t k = findKey(header, foldCase(keyName));
        if (k != std::string::npos) {
            // Replace in place, keeping the key as the file spells it.
            const std::string& old = lines_[k].text;
            setText(lines_[k], trimBlanks(old.substr(0, old.find('='))) + "=" + withoutLineBreaks(value));
        } else {
            // After the last non-blank line of the section, before any blank lines that part
            // it from the next one.
            std::size_t at = header + 1;
            const std::size_t end = sectionEnd(header);
            for (std::size_t i = header + 1; i < end; ++i)
                if (!trimBlanks(lines_[i].text).empty())
                    at = i + 1;
            insertLine(at, line);
        }
    }
    dirty_ = true;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::insertLine(std::size_t at, const std::string& utf8Text)
{
    if (at == lines_.size() && at > 0 && lines_[at - 1].eol.empty())
        lines_[at - 1].eol = eol_;
    Line line;
    line.eol = eol_;
    setText(line, utf8Text);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniFile::writeFailed() const
{
    throw AppError("Unable to write to " + path_);
}

void IniFile::checkWritable()
{
    if (checked_)
        return;
    if (loadFailed_ || !FileReplacer::canWrite(path_))
        writeFailed();
    checked_ = true;
}

void IniFile::flush()
{
    if (!dirty_)
        return;
    checkWritable();

    std::string content;
    if (bom_)
        content = utf8Bom;
    for (const Line& line : lines_) {
        content += line.raw;
        content += line.eol;
    }
    if (!FileReplacer::replace(path_, content.data(), content.size(), true))
        writeFailed();
    dirty_ = false;
}

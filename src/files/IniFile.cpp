#include "files/IniFile.h"

#include "files/FileReplacer.h"
#include "files/TextCodec.h"

#include "model/AppError.h"
#include "model/Convert.h"

#include <QString>

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace {

constexpr std::size_t maxValueCharacters = 2047;
// Larger files are not INI files of ours (a layer file has at most about 120 kB in some 100
// lines); they are neither parsed nor overwritten. The line limit bounds the memory a file of
// nothing but line breaks would take.
constexpr off_t maxFileBytes = 16 * 1024 * 1024;
constexpr std::size_t maxLines = 128 * 1024;
const std::string utf8Bom = "\xEF\xBB\xBF";

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

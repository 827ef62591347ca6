#include "files/IniFile.h"

#include "files/FileReplacer.h"
#include "files/SystemReason.h"
#include "files/TextCodec.h"

#include "model/AppError.h"
#include "model/Convert.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t maxValueCharacters = 2047;
// What the limits protect against is memory: a file is held in memory whole, once as read and
// once as lines, and every line costs some hundred bytes beside its text. A 4096 x 4096 layer
// file (some 200 MB in 4098 lines) fits well; a file of nothing but line breaks stays
// within a few hundred MB.
constexpr off_t maxFileBytes = off_t(512) * 1024 * 1024;
constexpr std::size_t maxLines = 1024 * 1024;
const std::string utf8Bom = "\xEF\xBB\xBF";

// --- Names and blanks ---------------------------------------------------------------------

bool isBlank(char ch) { return ch == ' ' || ch == '\t'; }

std::string_view trimBlanks(std::string_view s)
{
    std::size_t begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

bool isBlankLine(std::string_view s) { return trimBlanks(s).empty(); }

// Section and key names compare without regard to letter case, Polish letters included.
std::string foldCase(std::string_view name)
{
    if (isAscii(name)) {
        std::string out(name);
        for (char& ch : out)
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
        return out;
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

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

void IniFile::refuseLoad(const std::string& message)
{
    loadError_ = message;
    lines_.clear();
}

void IniFile::load()
{
    if (path_.empty())
        return;
    const std::string name = escapeControls(path_);
    const auto cannotRead = [&](int errorNumber) { refuseLoad("Cannot read " + name + ": " + systemReason(errorNumber)); };
    const auto notRegular = [&] { refuseLoad(name + " is not a regular file"); };
    const auto tooLarge = [&] { refuseLoad(name + " is too large (more than 512 MB)"); };

    struct stat st;
    if (stat(path_.c_str(), &st) != 0) {
        // A file that is not there reads as empty; any other failure must not be overwritten.
        if (errno != ENOENT)
            cannotRead(errno);
        return;
    }
    if (!S_ISREG(st.st_mode))
        return notRegular();
    if (st.st_size > maxFileBytes)
        return tooLarge();
    // Without blocking, and checked again once open: a FIFO put in the file's place since the
    // check above must not hang the program.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return cannotRead(errno);
    std::string content;
    int readError = 0;
    bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular) {
        // One byte more than the size: a file that grew meanwhile is read to its end.
        content.resize(static_cast<std::size_t>(std::min(st.st_size, maxFileBytes)) + 1);
        std::size_t used = 0;
        for (;;) {
            if (used == content.size()) {
                if (used > static_cast<std::size_t>(maxFileBytes))
                    break;
                content.resize(std::min(used * 2, static_cast<std::size_t>(maxFileBytes) + 1));
            }
            const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                readError = errno;
                break;
            }
            if (n == 0)
                break;
            used += static_cast<std::size_t>(n);
        }
        content.resize(used);
    }
    ::close(fd);
    if (!regular)
        return notRegular();
    if (readError)
        return cannotRead(readError);
    if (content.size() > static_cast<std::size_t>(maxFileBytes))
        return tooLarge();
    parse(content);
}

void IniFile::parse(const std::string& content)
{
    std::size_t start = 0;
    if (content.compare(0, utf8Bom.size(), utf8Bom) == 0) {
        // Kept apart from the first line, so that it cannot hide a section header, and put
        // back when the file is written.
        bom_ = true;
        start = utf8Bom.size();
        utf8_ = isValidUtf8(std::string_view(content).substr(start));
    } else {
        utf8_ = !isAscii(content) && isValidUtf8(content);
    }

    // CR, LF and CRLF all end a line, as they do on the original platform; each line keeps
    // its own break. The next LF is remembered, so that lone CRs cost no search each.
    const char* data = content.data();
    const std::size_t size = content.size();
    std::size_t lf = 0;
    bool lfSearched = false;
    bool eolSeen = false;
    while (start < size) {
        if (!lfSearched || lf < start) {
            lfSearched = true;
            const void* found = std::memchr(data + start, '\n', size - start);
            lf = found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
        }
        const void* crFound = std::memchr(data + start, '\r', lf - start);
        const std::size_t cr = crFound ? static_cast<std::size_t>(static_cast<const char*>(crFound) - data) : lf;
        std::size_t end, next;
        const char* eol;
        if (cr < lf) {
            const bool crlf = cr + 1 == lf && lf < size;
            end = cr;
            eol = crlf ? "\r\n" : "\r";
            next = crlf ? lf + 1 : cr + 1;
        } else if (lf < size) {
            end = lf;
            eol = "\n";
            next = lf + 1;
        } else {
            end = size;
            eol = "";
            next = size;
        }
        if (!eolSeen && *eol) {
            eol_ = eol;
            eolSeen = true;
        }
        if (lines_.size() == maxLines)
            return refuseLoad(escapeControls(path_) + " has too many lines (more than "
                              + std::to_string(maxLines) + ")");
        lines_.push_back(makeLine(content.substr(start, end - start), eol));
        start = next;
    }
}

IniFile::Line IniFile::makeLine(std::string raw, std::string eol) const
{
    Line line;
    line.raw = std::move(raw);
    line.eol = std::move(eol);
    if (!utf8_ && !isAscii(line.raw))
        line.decoded = decode1250(line.raw);
    const std::string_view t = trimBlanks(line.text());
    if (t.empty() || t[0] == ';')
        return line;
    if (t[0] == '[') {
        const std::size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = Kind::Section;
            line.name = foldCase(trimBlanks(t.substr(1, close - 1)));
        }
        return line;
    }
    const std::size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
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
    for (std::size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i)
        if (lines_[i].kind == Kind::Key && lines_[i].name == foldedKey)
            return i;
    return std::string::npos;
}

std::optional<std::string_view> IniFile::findValue(const std::string& section, const std::string& key) const
{
    const std::size_t header = findSection(foldCase(trimBlanks(section)));
    if (header == std::string::npos)
        return std::nullopt;
    const std::size_t k = findKey(header, foldCase(trimBlanks(key)));
    if (k == std::string::npos)
        return std::nullopt;
    const std::string_view text = lines_[k].text();
    return trimBlanks(text.substr(text.find('=') + 1));
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    const std::optional<std::string_view> value = findValue(section, key);
    return value ? firstCharacters(*value, maxValueCharacters) : defaultValue;
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
    const std::string sectionName(trimBlanks(section));
    const std::string keyName(trimBlanks(key));
    // Names that would not read back as themselves are a fault of the caller.
    if (hasLineBreak(sectionName) || hasLineBreak(keyName) || keyName.find('=') != std::string::npos
        || (!keyName.empty() && (keyName[0] == '[' || keyName[0] == ';')))
        throw AppError(escapeControls("Invalid key [" + sectionName + "] " + keyName + " for " + path_));
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
            const std::string_view old = lines_[k].text();
            setText(lines_[k], std::string(trimBlanks(old.substr(0, old.find('=')))) + "=" + withoutLineBreaks(value));
        } else {
            // After the last non-blank line of the section, before any blank lines that part
            // it from the next one.
            std::size_t at = header + 1;
            const std::size_t end = sectionEnd(header);
            for (std::size_t i = header + 1; i < end; ++i)
                if (!isBlankLine(lines_[i].text()))
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

void IniFile::writeFailed(const std::string& reason)
{
    writeError_ = reason;
    throw AppError("Unable to write to " + path_);
}

void IniFile::checkWritable()
{
    if (checked_)
        return;
    // A file that could not be read is never replaced: its content is not known.
    if (!loadError_.empty())
        writeFailed(loadError_);
    const std::string problem = FileReplacer::problem(path_);
    if (!problem.empty())
        writeFailed(problem);
    checked_ = true;
}

void IniFile::flush()
{
    if (!dirty_)
        return;
    checkWritable();

    // Handed to the file in pieces, so that a large file is not held twice in memory.
    constexpr std::size_t piece = 1 << 20;
    FileReplacer file(path_);
    if (!file.open())
        writeFailed(file.error());
    std::string bytes = bom_ ? utf8Bom : std::string();
    bytes.reserve(2 * piece);
    for (const Line& line : lines_) {
        bytes += line.raw;
        bytes += line.eol;
        if (bytes.size() >= piece) {
            file.write(bytes.data(), bytes.size());
            bytes.clear();
        }
    }
    file.write(bytes.data(), bytes.size());
    if (!file.commit(true))
        writeFailed(file.error());
    writeError_.clear();
    dirty_ = false;
}

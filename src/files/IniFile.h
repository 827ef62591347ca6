#pragma once
// IniFile: the INI store behind the configuration, layer and language files. Reads and writes
// "[section]" and "key=value" lines; texts in the API are UTF-8, the file is 8-bit
// Windows-1250 on disk (a file that is valid UTF-8 is read, and written back, as UTF-8).
//
// The whole file is read when the store is opened; writes change it in memory and reach the
// disk at flush() (or, silently, when the store is destroyed) through FileReplacer, so a failed
// write never leaves a truncated file. Lines the writes do not touch keep their bytes and line
// breaks exactly. CR, LF and CRLF all end a line.
//
// Files of up to 512 MB and 1,048,576 lines are read (a 4096 x 4096 layer file fits); the time
// and memory of a read grow in proportion to the file. Lookups scan the lines, which is quick
// for the few thousand keys of the largest layer file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // Opens the store on `path`. Never throws: a missing file reads as empty. A file that
    // exists but cannot be read (not a regular file, too large, a read error) also reads as
    // empty, with the reason in loadError(); writes to it fail instead of replacing it. A FIFO
    // or device is refused without being opened for long, so it cannot block.
    explicit IniFile(const std::string& path);
    // Flushes pending writes; errors are swallowed here, so callers call flush() first.
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& path() const { return path_; }

    // Why the file could not be read, as one line for the user ("<path> is too large (more
    // than 512 MB)", "<path> is not a regular file", "Cannot read <path>: <system reason>");
    // empty when it was read or is missing. Stores that must see the file's content (a
    // configuration, a layer) report it; the language file stays lenient and ignores it.
    const std::string& loadError() const { return loadError_; }
    // The system's reason of the last failed write ("No space left on device"), for callers
    // that report more than "Unable to write to <path>"; empty after a successful flush.
    const std::string& writeError() const { return writeError_; }

    // The key's value, blanks around it dropped and cut to its first 2047 characters, or
    // `defaultValue` when the key or the section is missing. Section and key names match
    // without regard to letter case; of duplicates the first one counts.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // The value as a decimal int32, or hexadecimal after "0x"/"0X" when the text is longer than
    // two characters; `defaultValue` when it is missing, junk or outside int32.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;
    // ReadInteger with default 1 (true) or 0 (false); true when the integer is not 0.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    // The key's whole value, blanks around it dropped but not cut, as UTF-8 text inside the
    // store (valid until the next write); nothing when the key or the section is missing.
    // For values longer than ReadString gives, such as the rows of a large layer file.
    std::optional<std::string_view> findValue(const std::string& section, const std::string& key) const;

    // Sets the key: an existing key (the first, when duplicated) is replaced in place, a new key
    // goes after the last line of its section, a new section at the end of the file. Line
    // breaks in the text become blanks. Throws AppError "Unable to write to <path>" when the
    // file cannot be written (checked at the first write; flush() may still fail later).
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // WriteString of the plain decimal text of n.
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    // WriteString of "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Writes pending changes to the disk; does nothing when there are none. Throws AppError
    // "Unable to write to <path>" on failure, leaving the file on disk as it was.
    void flush();

    // The file's encoding as read (new files are Windows-1250).
    bool isUtf8() const { return utf8_; }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string raw;     // the bytes of the line in the file's encoding, without its line break
        std::string eol;     // "\r\n", "\n", "\r", or "" for a last line without one
        Kind kind = Kind::Other;
        std::string decoded; // the line in UTF-8 when that differs from `raw`, else empty
        std::string name;    // case-folded section name or key
        // The line in UTF-8.
        const std::string& text() const { return decoded.empty() ? raw : decoded; }
    };

    void load();
    void parse(const std::string& content);
    void refuseLoad(const std::string& message);
    Line makeLine(std::string raw, std::string eol) const;
    void setText(Line& line, const std::string& utf8Text) const;
    std::size_t findSection(const std::string& foldedSection) const;
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, const std::string& foldedKey) const;
    void checkWritable();
    void insertLine(std::size_t at, const std::string& utf8Text);
    [[noreturn]] void writeFailed(const std::string& reason);

    std::string path_;
    std::vector<Line> lines_;
    std::string eol_ = "\r\n"; // line break for new lines: the file's own, CRLF for a new file
    bool utf8_ = false;
    bool bom_ = false;
    std::string loadError_;  // the file exists but could not be read: never overwrite it
    std::string writeError_;
    bool dirty_ = false;
    bool checked_ = false;
};

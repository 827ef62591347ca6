#pragma once
// TextCodec: the text encodings of the program's files. Texts inside the program are UTF-8;
// the INI files are 8-bit Windows-1250 on disk, or UTF-8 when a file already is. Also the one
// way to put text read from a file into an error message.
#include <cstddef>
#include <string>
#include <string_view>

// True when every byte is below 0x80 (the text reads the same in every encoding here).
bool isAscii(std::string_view s);
// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view s);
// The text with every malformed UTF-8 byte replaced by '?'.
std::string sanitizeUtf8(std::string_view s);
// The first `count` characters (code points) of UTF-8 text; a malformed byte counts as one.
std::string firstCharacters(std::string_view s, std::size_t count);

// Windows-1250 bytes as UTF-8. The five bytes the code page leaves undefined become the code
// points of the same value (U+0081 ...), so that decode and encode lose no byte.
std::string decode1250(std::string_view bytes);
// UTF-8 as Windows-1250 bytes; a character the code page cannot hold, or a malformed byte,
// becomes one '?'.
std::string encode1250(std::string_view utf8);

// The text fit for a one-line error message: NUL, CR, LF and TAB become \0, \r, \n and \t,
// other control characters \xNN; everything else, backslashes included, is kept.
std::string escapeControls(std::string_view text);

#pragma once
// FileReplacer: writes a file whole or not at all. The bytes go to a new file with a short
// temporary name in the target's directory, which then takes the target's name. A symbolic
// link keeps pointing at its file (the file it points to is replaced), and a file that is
// replaced keeps its permission bits.
#include <cstddef>
#include <string>

class FileReplacer {
public:
    // True when a file could be written at `path`: the name is not empty, an existing target
    // (followed through a link) is a regular file that may be written, and its directory
    // exists and may be written.
    static bool canWrite(const std::string& path);
    // Puts `size` bytes of `data` in place of the file at `path`. With `durable` the bytes
    // reach the disk before the rename. False on failure; no temporary file is left behind
    // and the old file stays as it was.
    static bool replace(const std::string& path, const void* data, std::size_t size, bool durable);
};

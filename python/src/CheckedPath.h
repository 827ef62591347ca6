#pragma once
// A path on its way to the system's calls, which take a NUL as the end of the name: a path with
// a NUL inside would name another file, and is refused with ValueError, as Python's open()
// refuses it. Every path the module is given goes through it.
#include "files/TextCodec.h"

#include <pybind11/pybind11.h>

#include <string>

inline std::string checkedPath(std::string path)
{
    if (path.find('\0') != std::string::npos)
        throw pybind11::value_error("the path '" + escapeControls(path) + "' holds a NUL character");
    return path;
}

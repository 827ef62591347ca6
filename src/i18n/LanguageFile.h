#pragma once
// The language file "lang.ini": section "language1" holds the Polish captions, "language2"
// the English ones, under the keys of the caption table. It is only ever read.
#include "i18n/Caption.h"

#include <functional>
#include <string>

class IniFile;

inline const char* const polishSection = "language1";
inline const char* const englishSection = "language2";

// The language file of a program in `directory` (given without a trailing separator):
// "<directory>/lang.ini" beside the program, as in the build tree; where there is none, the
// installed one in the data folder, "<directory>/../share/tessavo/lang.ini", when that exists.
std::string languageFileName(const std::string& directory);

// Reads every caption of `section` in table order, each with its English default when the
// file, the section or the key is missing, and hands it (UTF-8) to `apply` before reading the
// next. An error thrown by `apply` stops the reading; the captions already applied stay.
void readCaptions(const IniFile& ini, const std::string& section,
                  const std::function<void(const Caption&, const std::string&)>& apply);

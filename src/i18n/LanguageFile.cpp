#include "i18n/LanguageFile.h"

#include "files/IniFile.h"

#include <filesystem>

std::string languageFileName(const std::string& directory)
{
    const std::string beside = directory + "/lang.ini";
    std::error_code ignored;
    if (std::filesystem::exists(beside, ignored))
        return beside;
    // Where make install puts it: the data folder beside the binary folder.
    const std::string installed = directory + "/" TESSAVO_BINARY_TO_DATA_DIR "/lang.ini";
    return std::filesystem::exists(installed, ignored) ? installed : beside;
}

void readCaptions(const IniFile& ini, const std::string& section,
                  const std::function<void(const Caption&, const std::string&)>& apply)
{
    for (const Caption& caption : captionTable())
        apply(caption, ini.ReadString(section, caption.key, caption.english));
}

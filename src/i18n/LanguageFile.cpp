#include "i18n/LanguageFile.h"

#include "files/IniFile.h"

std::string languageFileName(const std::string& directory)
{
    return directory + "/lang.ini";
}

void readCaptions(const IniFile& ini, const std::string& section,
                  const std::function<void(const Caption&, const std::string&)>& apply)
{
    for (const Caption& caption : captionTable())
        apply(caption, ini.ReadString(section, caption.key, caption.english));
}

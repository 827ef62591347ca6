#include "run/StartLattice.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/SystemReason.h"
#include "model/AppError.h"
#include "model/SettingsTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

void checkReadableFile(const std::string& path)
{
    const auto refuse = [&path](FileError::Kind kind, const std::string& reason) {
        throw FileError(kind, path, "cannot read " + path + ": " + reason);
    };
    if (path.find('\0') != std::string::npos) // the system would take the name as ending there
        refuse(FileError::Kind::Other, "the name holds a NUL character");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        refuse(FileError::kindOf(error), systemReason(error));
    }
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    const int error = errno;
    ::close(fd);
    if (!statted)
        refuse(FileError::kindOf(error), systemReason(error));
    if (S_ISDIR(st.st_mode))
        refuse(FileError::Kind::NotAFile, "it is a directory");
    if (!S_ISREG(st.st_mode))
        refuse(FileError::Kind::NotAFile, "it is not a regular file");
}

std::shared_ptr<const std::vector<int32_t>> readLayerHeights(const std::string& path, const IniFile& ini,
                                                             int32_t cols, int32_t rows)
{
    auto heights = std::make_shared<std::vector<int32_t>>(static_cast<size_t>(cols) * static_cast<size_t>(rows));
    try {
        LayerFile::readHeights(ini, rows, cols, heights->data());
    } catch (const AppError& e) {
        throw AppError(path + ": " + e.what());
    }
    return heights;
}

void readStartLattice(const std::string& path, FilmSetup& setup)
{
    checkReadableFile(path);
    const IniFile ini(path);
    if (!ini.loadError().empty())
        throw AppError(ini.loadError());
    const int32_t low = settingKey(Setting::GridX).low;
    Scenario& sc = setup.scenario;
    sc.sizeX = std::clamp(LayerFile::readColumns(ini), low, largestLatticeSide);
    sc.sizeY = std::clamp(LayerFile::readRows(ini), low, largestLatticeSide);
    setup.startHeights = readLayerHeights(path, ini, sc.sizeX, sc.sizeY);
}

#include "run/StartLattice.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "model/AppError.h"
#include "model/SettingsTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Opened without blocking, so a FIFO with no writer is refused at once.
void checkReadable(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw AppError("cannot read " + path + ": " + std::strerror(errno));
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    const int error = errno;
    ::close(fd);
    if (!statted)
        throw AppError("cannot read " + path + ": " + std::strerror(error));
    if (S_ISDIR(st.st_mode))
        throw AppError("cannot read " + path + ": it is a directory");
    if (!S_ISREG(st.st_mode))
        throw AppError("cannot read " + path + ": it is not a regular file");
}

} // namespace

void readStartLattice(const std::string& path, FilmSetup& setup)
{
    checkReadable(path);
    const IniFile ini(path);
    if (!ini.loadError().empty())
        throw AppError(ini.loadError());
    const int32_t low = settingKey(Setting::GridX).low;
    Scenario& sc = setup.scenario;
    sc.sizeX = std::clamp(LayerFile::readColumns(ini), low, largestLatticeSide);
    sc.sizeY = std::clamp(LayerFile::readRows(ini), low, largestLatticeSide);
    auto heights = std::make_shared<std::vector<int32_t>>(static_cast<size_t>(sc.sizeX) * static_cast<size_t>(sc.sizeY));
    try {
        LayerFile::readHeights(ini, sc.sizeY, sc.sizeX, heights->data());
    } catch (const AppError& e) {
        throw AppError(path + ": " + e.what());
    }
    setup.startHeights = std::move(heights);
}

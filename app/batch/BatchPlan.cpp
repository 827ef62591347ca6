#include "batch/BatchPlan.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/NumberText.h"
#include "files/Settings.h"
#include "run/StartLattice.h"
#include "model/AppError.h"
#include "model/Convert.h"
#include "model/Random.h"
#include "model/Symulacja.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// True when both names lead to one existing file (through links too).
bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// An output that is also an input would destroy the input it is made from.
void checkOutputsAreNotInputs(const BatchCommandLine& o)
{
    for (const std::string* input : {&o.configFile, &o.layerFile})
        for (const std::string* output : {&o.saveLayer, &o.roughnessFile, &o.pictureFile, &o.chartFile, &o.heightMapFile,
                                           &o.seriesFile})
            if (sameFile(*input, *output))
                throw AppError("cannot write " + *output + ": it is also the input " + *input);
}

} // namespace

BatchPlan BatchPlan::resolve(const BatchCommandLine& o)
{
    checkOutputsAreNotInputs(o);
    return BatchPlan{RunPlan::resolve(o)};
}

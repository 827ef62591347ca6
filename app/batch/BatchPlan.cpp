#include "batch/BatchPlan.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/NumberText.h"
#include "files/OutputFile.h"
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

BatchPlan BatchPlan::resolve(const BatchCommandLine& o)
{
    // An output that is also an input would destroy the input it is made from.
    OutputFile::checkNotInputs(o.outputFiles(), o.inputFiles());
    return BatchPlan{RunPlan::resolve(o)};
}

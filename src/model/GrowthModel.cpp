#include "model/GrowthModel.h"

bool growthModelOfName(const std::string& name, GrowthModel& out)
{
    for (GrowthModel m : growthModels)
        if (name == growthModelName(m)) {
            out = m;
            return true;
        }
    return false;
}

std::string growthModelList()
{
    std::string list;
    for (std::size_t i = 0; i < growthModelNames.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == growthModelNames.size() ? " or " : ", ") + growthModelNames[i];
    return list;
}

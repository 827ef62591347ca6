#include "run/FilmSetup.h"

const char* generatorName(Generator g)
{
    return g == Generator::Philox ? "philox" : "lcg";
}

bool generatorOfName(const std::string& name, Generator& out)
{
    for (Generator g : {Generator::Lcg, Generator::Philox})
        if (name == generatorName(g)) {
            out = g;
            return true;
        }
    return false;
}

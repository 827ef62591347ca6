#include "model/Random.h"

#include <ctime>

Random& processRandom()
{
    static Random generator;
    return generator;
}

int32_t nextRandom()
{
    return processRandom().next();
}

void seedRandom(uint32_t seed)
{
    processRandom().seed(seed);
}

uint32_t clockSeed()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

#include "run/FilmState.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/OutputFile.h"
#include "files/NumberText.h"
#include "model/AppError.h"
#include "model/Convert.h"
#include "run/FilmRun.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

FilmState FilmState::of(const FilmRun& film, const FilmSetup& setup)
{
    const Symulacja& sim = film.simulation();
    FilmState s;
    s.tick = film.ticksDone();
    s.deposited = sim.deposited;
    s.landed = sim.landed;
    s.heightOffset = sim.heightOffset;
    // The film's own values: what it grows with after a load, not only what it was set up with.
    s.settings = GrowthSettings::of(setup);
    s.settings.rng = film.philox() ? Generator::Philox : Generator::Lcg;
    s.settings.model = sim.model;
    s.settings.columns = sim.sizeX;
    s.settings.rows = sim.sizeY;
    s.settings.max = sim.maxLayers;
    s.settings.relax = sim.relaxations;
    s.settings.zmode = sim.zmode;
    s.settings.z = sim.z;
    s.settings.zx = sim.zx;
    s.settings.zy = sim.zy;
    s.settings.autoheight = film.autoHeight;
    if (const PhiloxRandom* p = film.philox()) {
        s.philoxSeed = p->seed();
        s.philoxRun = p->run();
        s.philoxPosition = p->position();
    } else {
        s.lcgState = film.lcg().state();
    }
    s.latticeHash = sim.lattice ? hashOf(sim.lattice->data(), sim.lattice->cellCount()) : hashOf(nullptr, 0);
    return s;
}

std::string FilmState::sectionText() const
{
    std::string t = std::string("[") + section + "]\r\n";
    const auto key = [&t](const char* name, const std::string& value) { t += std::string(name) + "=" + value + "\r\n"; };
    key("tick", std::to_string(tick));
    key("deposited", exactText(deposited));
    if (landed)
        key("particles", std::to_string(*landed));
    key("heightoffset", std::to_string(heightOffset));
    key("rng", generatorName(settings.rng));
    if (settings.rng == Generator::Philox) {
        key("philoxseed", std::to_string(philoxSeed));
        key("philoxrun", std::to_string(philoxRun));
        key("philoxposition", std::to_string(philoxPosition));
    } else {
        key("lcgstate", std::to_string(lcgState));
    }
    for (const GrowthField& f : growthFields()) {
        if (!f.stateKey)
            continue;
        const FieldValue v = f.get(settings);
        if (f.optional && v == f.get(GrowthSettings{}))
            continue;
        key(f.stateKey, f.kind == FieldKind::Real   ? exactText(std::get<double>(v))
                        : f.kind == FieldKind::Name ? std::get<std::string>(v)
                                                    : std::to_string(std::get<int64_t>(v)));
    }
    key("hash", std::to_string(latticeHash));
    return t;
}

namespace {

// Unsigned decimal within `limit`, the whole text.
uint64_t unsignedValue(const std::string& key, const std::string& text, uint64_t limit)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos)
        throw AppError("the saved state's \"" + key + "\" is not a number: '" + text + "'");
    errno = 0;
    const unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || n > limit)
        throw AppError("the saved state's \"" + key + "\" is out of range: '" + text + "'");
    return n;
}

} // namespace

std::optional<FilmState> FilmState::read(const IniFile& ini)
{
    if (!ini.findValue(section, "tick"))
        return std::nullopt;
    const auto text = [&ini](const std::string& key) {
        const auto value = ini.findValue(section, key);
        if (!value)
            throw AppError("the saved state has no \"" + key + "\"");
        return std::string(*value);
    };
    const auto integer = [&](const std::string& key) {
        int32_t n = 0;
        if (!tryStrToInt(text(key), n))
            throw AppError("the saved state's \"" + key + "\" is not a number: '" + text(key) + "'");
        return n;
    };
    const auto real = [&](const std::string& key) {
        try {
            return strToFloat(text(key), '.');
        } catch (const AppError&) {
            throw AppError("the saved state's \"" + key + "\" is not a number: '" + text(key) + "'");
        }
    };
    FilmState s;
    // A run continues for at most 2^31 - 1 ticks at a time: the count never overflows.
    s.tick = static_cast<int64_t>(unsignedValue("tick", text("tick"), INT64_MAX - INT32_MAX));
    s.deposited = real("deposited");
    if (!std::isfinite(s.deposited) || s.deposited < 0.0)
        throw AppError("the saved state's \"deposited\" is out of range: '" + text("deposited") + "'");
    if (ini.findValue(section, "particles"))
        s.landed = static_cast<int64_t>(unsignedValue("particles", text("particles"), INT64_MAX));
    s.heightOffset = integer("heightoffset");
    if (!generatorOfName(text("rng"), s.settings.rng))
        throw AppError("the saved state's generator is unknown: '" + text("rng") + "'");
    if (s.settings.rng == Generator::Philox) {
        s.philoxSeed = static_cast<uint32_t>(unsignedValue("philoxseed", text("philoxseed"), UINT32_MAX));
        s.philoxRun = static_cast<uint32_t>(unsignedValue("philoxrun", text("philoxrun"), UINT32_MAX));
        s.philoxPosition = unsignedValue("philoxposition", text("philoxposition"), UINT64_MAX);
    } else {
        s.lcgState = static_cast<uint32_t>(unsignedValue("lcgstate", text("lcgstate"), UINT32_MAX));
    }
    // The settings take the values their options take.
    for (const GrowthField& f : growthFields()) {
        if (!f.stateKey || (f.optional && !ini.findValue(section, f.stateKey)))
            continue;
        FieldValue v = f.kind == FieldKind::Real ? FieldValue{real(f.stateKey)}
            : f.kind == FieldKind::Name          ? FieldValue{text(f.stateKey)}
                                                 : FieldValue{int64_t{integer(f.stateKey)}};
        if (!fieldValueOf(f, v))
            throw AppError("the saved state's \"" + std::string(f.stateKey) + "\" is out of range: '" + text(f.stateKey) + "'");
        f.set(s.settings, v);
    }
    s.latticeHash = unsignedValue("hash", text("hash"), UINT64_MAX);
    return s;
}

void FilmState::applyTo(FilmSetup& setup) const
{
    settings.applyTo(setup);
}

void FilmState::continueFilm(FilmRun& film) const
{
    Symulacja& sim = film.simulation();
    sim.deposited = deposited;
    sim.heightOffset = heightOffset;
    if (landed) {
        sim.landed = *landed;
    } else if (sim.lattice) {
        int64_t total = static_cast<int64_t>(heightOffset) * static_cast<int64_t>(sim.lattice->cellCount());
        for (size_t i = 0; i < sim.lattice->cellCount(); ++i)
            total += sim.lattice->data()[i];
        sim.landed = total;
    }
    if (PhiloxRandom* p = film.philox()) {
        p->setKey(philoxSeed, philoxRun);
        p->setPosition(philoxPosition);
    } else {
        film.lcg().setState(lcgState);
    }
    film.setTicksDone(tick);
}

void FilmState::saveFilm(const std::string& path, const FilmRun& film, const FilmSetup& setup)
{
    OutputFile file(path);
    file.write(LayerFile::fileText(film.simulation()));
    file.write(of(film, setup).sectionText());
    file.commit();
}

uint64_t FilmState::hashOf(const int32_t* heights, uint64_t cells)
{
    uint64_t h = 1469598103934665603ull;
    for (uint64_t i = 0; i < cells; ++i) {
        const uint32_t v = static_cast<uint32_t>(heights[i]);
        for (int b = 0; b < 32; b += 8) {
            h ^= (v >> b) & 0xFFu;
            h *= 1099511628211ull;
        }
    }
    return h;
}

// Damaged series files: a seeded sample of one-byte changes to the attributes of a small slice
// (where its texts are, and for older files the heap their variable-length strings point into),
// in the format of this program and as older versions wrote it. Each is read as merge reads it,
// in a child process: it reads, or is refused with one line naming the file, in bounded time;
// the reading process itself never crashes.
#include "run/IsolatedSeriesReader.h"
#include "model/AppError.h"

#include "../files/TempDir.h"

#include <gtest/gtest.h>
#include <hdf5.h>

#include <chrono>
#include <random>

namespace {

SeriesHeader smallExperiment()
{
    SeriesHeader h;
    h.programVersion = "1.5";
    h.seed = 7;
    h.runs = 4;
    h.ticks = 50;
    h.settings.columns = h.settings.rows = 16;
    h.settings.dep = 10;
    h.settings.max = 50;
    h.settings.relax = 5;
    return h;
}

// Runs 0 and 1 of the small experiment.
void writeSlice(const std::string& path)
{
    SeriesWriter writer(path, smallExperiment(), 0, 2);
    for (int32_t k = 0; k < 2; ++k) {
        std::vector<double> w, d;
        for (int t = 1; t <= 50; ++t) {
            w.push_back(0.1 * t + k);
            d.push_back(0.01 * t);
        }
        writer.add(k, w, d, d);
    }
    writer.commit(1, 0.5);
}

// The file's text attributes as variable-length strings, as older versions wrote them.
void makeTextsVariable(const std::string& path)
{
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    const hid_t variable = H5Tcopy(H5T_C_S1);
    H5Tset_size(variable, H5T_VARIABLE);
    H5Tset_cset(variable, H5T_CSET_UTF8);
    for (const char* name : {"format", "program_version", "seed_scheme", "rng", "zmode", "config", "layer"}) {
        const hid_t old = H5Aopen(file, name, H5P_DEFAULT);
        const hid_t type = H5Aget_type(old);
        std::string text(H5Tget_size(type), '\0');
        H5Aread(old, type, text.data());
        H5Tclose(type);
        H5Aclose(old);
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        H5Adelete(file, name);
        const hid_t scalar = H5Screate(H5S_SCALAR);
        const hid_t a = H5Acreate2(file, name, variable, scalar, H5P_DEFAULT, H5P_DEFAULT);
        const char* value = text.c_str();
        EXPECT_GE(H5Awrite(a, variable, &value), 0) << name;
        H5Aclose(a);
        H5Sclose(scalar);
    }
    H5Tclose(variable);
    H5Fclose(file);
}

} // namespace

TEST(DamagedSeries, OneByteChangesAreReadOrRefusedInBoundedTimeAndNeverCrashTheReader)
{
    TempDir dir;
    const std::string slice = dir.file("slice.h5"), older = dir.file("older.h5"), changed = dir.file("changed.h5");
    writeSlice(slice);
    writeSlice(older);
    makeTextsVariable(older);
    ASSERT_NO_THROW(IsolatedSeriesReader::open({older})) << "the older form reads";

    std::mt19937 random(20240611);
    int read = 0, refused = 0;
    for (const std::string& original : {slice, older}) {
        const std::string bytes = readBytes(original);
        // From the attributes' names to past the texts of their values.
        const size_t names = bytes.find("program_version"), texts = bytes.rfind("tessavo-series");
        ASSERT_NE(names, std::string::npos);
        ASSERT_NE(texts, std::string::npos);
        const size_t first = std::min(names, texts) - 256, last = std::min(bytes.size(), std::max(names, texts) + 1024) - 1;
        for (int i = 0; i < 200; ++i) {
            std::string damaged = bytes;
            const size_t at = std::uniform_int_distribution<size_t>(first, last)(random);
            damaged[at] = static_cast<char>(damaged[at] ^ std::uniform_int_distribution<int>(1, 255)(random));
            writeBytes(changed, damaged);
            const auto start = std::chrono::steady_clock::now();
            try {
                const auto readers = IsolatedSeriesReader::open({changed}, 1.0);
                std::vector<double> w, d, l;
                for (size_t row = 0; row < readers[0]->runs().size(); ++row)
                    readers[0]->readRow(row, w, d, &l);
                ++read;
            } catch (const AppError& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find(changed), std::string::npos) << message;
                EXPECT_EQ(message.find('\n'), std::string::npos) << message;
                ++refused;
            }
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4))
                << "byte " << at << " of " << original;
        }
    }
    EXPECT_EQ(read + refused, 400);
    EXPECT_GT(refused, 0);
}

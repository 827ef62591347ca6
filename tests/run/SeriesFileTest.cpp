// Series files: what is written is read back exactly; out-of-order or missing runs, foreign,
// damaged and cut-short files are errors with the file's name, never a crash. A slice of an
// experiment hands over its runs in order, each the run of the whole experiment.
#include "run/Experiment.h"
#include "run/IsolatedSeriesReader.h"
#include "run/SeriesFile.h"
#include "model/AppError.h"
#include "GrowthSettingsSample.h"

#include "../files/TempDir.h"

#include <gtest/gtest.h>
#include <hdf5.h>

#include <filesystem>
#include <tuple>

namespace {

SeriesHeader sampleHeader()
{
    SeriesHeader h;
    h.programVersion = "1.5";
    h.seed = 4000000000u;
    h.runs = 6;
    h.ticks = 4;
    h.settings = everyFieldSet();
    auto start = std::make_shared<std::vector<int32_t>>(static_cast<size_t>(h.settings.columns * h.settings.rows));
    for (size_t i = 0; i < start->size(); ++i)
        (*start)[i] = static_cast<int32_t>(i * 37) - 50;
    start->back() = 600000;
    h.startHeights = start;
    h.layerFile = "start.lay";
    return h;
}

// Values a run gives, with every bit of them to keep: W and deposited layers alike.
std::vector<double> row(int32_t k, double scale)
{
    return {scale * k + 0.1, scale * k + 1.0 / 3.0, scale * k + 1.0 / 3.0, 2e9 + k};
}

// Writes runs 2..4 of the sample experiment.
void writeSample(const std::string& path)
{
    SeriesWriter writer(path, sampleHeader(), 2, 5);
    for (int32_t k = 2; k < 5; ++k)
        writer.add(k, row(k, 1.5), row(k, 10.0), row(k, 2.0));
    writer.commit(3, 1.25);
}

std::string errorOf(const std::string& path)
{
    try {
        SeriesReader reader(path);
    } catch (const AppError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(SeriesFile, ReadsBackWhatWasWritten)
{
    TempDir dir;
    const std::string path = dir.file("s.h5");
    writeSample(path);
    const SeriesReader reader(path);
    const SeriesHeader& h = reader.header();
    EXPECT_EQ(h.identity(), sampleHeader().identity());
    ASSERT_TRUE(h.startHeights);
    EXPECT_EQ(*h.startHeights, *sampleHeader().startHeights);
    EXPECT_EQ(h.layerFile, "start.lay");
    EXPECT_EQ(h.configFile, "");
    EXPECT_EQ(h.jobs, 3);
    EXPECT_EQ(h.seconds, 1.25);
    EXPECT_EQ(reader.runs(), (std::vector<int32_t>{2, 3, 4}));
    std::vector<double> w, d, l;
    for (size_t i = 0; i < 3; ++i) {
        reader.readRow(i, w, d, &l);
        EXPECT_EQ(w, row(static_cast<int32_t>(i) + 2, 1.5));
        EXPECT_EQ(d, row(static_cast<int32_t>(i) + 2, 10.0));
        EXPECT_EQ(l, row(static_cast<int32_t>(i) + 2, 2.0));
    }
}

TEST(SeriesFile, WriterTakesRunsInOrderAndWritesOnlyWhenComplete)
{
    TempDir dir;
    const std::string path = dir.file("s.h5");
    SeriesWriter writer(path, sampleHeader(), 0, 2);
    EXPECT_THROW(writer.add(1, row(1, 1), row(1, 1), row(1, 1)), AppError);
    writer.add(0, row(0, 1), row(0, 1), row(0, 1));
    EXPECT_THROW(writer.add(1, {1.0}, {1.0}, {1.0}), AppError) << "a series of the wrong length";
    EXPECT_THROW(writer.commit(1, 0.0), AppError) << "run 1 is missing";
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_THROW(SeriesWriter(path, sampleHeader(), 4, 7), AppError) << "beyond the 6 runs";
}

TEST(SeriesFile, ForeignDamagedAndCutShortFilesAreErrors)
{
    TempDir dir;
    writeBytes(dir.file("text.h5"), "tick,deposited\n1,2\n");
    EXPECT_NE(errorOf(dir.file("text.h5")).find("not an HDF5 file"), std::string::npos);
    EXPECT_NE(errorOf(dir.file("none.h5")).find("cannot read"), std::string::npos);

    // HDF5 files of someone else: no format mark; and a format mark over an attribute that
    // holds more values than the one read.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    for (const bool marked : {false, true}) {
        const std::string path = dir.file(marked ? "marked.h5" : "foreign.h5");
        const hid_t file = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
        const hsize_t two = 2;
        const hid_t space = marked ? H5Screate_simple(1, &two, nullptr) : H5Screate(H5S_SCALAR);
        const int64_t values[2] = {1, 2};
        if (marked) {
            const hid_t text = H5Tcopy(H5T_C_S1);
            H5Tset_size(text, 14);
            const hid_t scalar = H5Screate(H5S_SCALAR);
            const hid_t format = H5Acreate2(file, "format", text, scalar, H5P_DEFAULT, H5P_DEFAULT);
            H5Awrite(format, text, "tessavo-series");
            H5Aclose(format);
            H5Sclose(scalar);
            H5Tclose(text);
        }
        const hid_t version = H5Acreate2(file, "format_version", H5T_STD_I64LE, space, H5P_DEFAULT, H5P_DEFAULT);
        H5Awrite(version, H5T_NATIVE_INT64, values);
        H5Aclose(version);
        H5Sclose(space);
        H5Fclose(file);
        EXPECT_NE(errorOf(path).find(marked ? "'format_version' is damaged or of the wrong kind" : "not a series file"),
                  std::string::npos)
            << errorOf(path);
    }

    // A series file cut short, at several lengths.
    const std::string whole = dir.file("whole.h5");
    writeSample(whole);
    const std::string bytes = readBytes(whole);
    for (const size_t length : {bytes.size() / 8, bytes.size() / 2, bytes.size() - 100}) {
        const std::string cut = dir.file("cut.h5");
        writeBytes(cut, bytes.substr(0, length));
        const std::string error = errorOf(cut);
        EXPECT_EQ(error.rfind(cut, 0), 0u) << "cut to " << length << ": " << error;
    }
}

TEST(SeriesFile, ASliceHandsOverItsRunsInOrderAsTheWholeExperimentRunsThem)
{
    FilmSetup setup;
    setup.scenario.sizeX = 12;
    setup.scenario.sizeY = 10;
    setup.scenario.ratePosition = 200;
    setup.scenario.maxLayers = 1000;
    std::vector<std::pair<int32_t, std::vector<double>>> whole, slice;
    Experiment all(setup, 9, 6, 40);
    all.observeRuns([&](int32_t k, const std::vector<double>& w, const std::vector<double>&, const std::vector<double>&) { whole.emplace_back(k, w); });
    all.run(2);
    Experiment part(setup, 9, 6, 40);
    part.setRunRange(2, 5);
    part.observeRuns([&](int32_t k, const std::vector<double>& w, const std::vector<double>&, const std::vector<double>&) { slice.emplace_back(k, w); });
    const RoughnessStats stats = part.run(3);
    EXPECT_EQ(stats.runs(), 3);
    ASSERT_EQ(whole.size(), 6u);
    EXPECT_EQ(slice, std::vector(whole.begin() + 2, whole.begin() + 5));
    EXPECT_THROW(part.setRunRange(4, 7), AppError);
}

TEST(SeriesFile, FilesOfTheFirstFormatReadAsTheSameExperiment)
{
    // The first format named the generator "generator" and the steps "ticks", kept max and
    // relax as typed texts and zmode as its number, and had no model, ticks or layers.
    TempDir dir;
    const std::string path = dir.file("old.h5");
    writeSample(path);
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    const auto put = [file](const char* name, hid_t type, const void* value) {
        H5Adelete(file, name);
        const hid_t space = H5Screate(H5S_SCALAR);
        const hid_t a = H5Acreate2(file, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
        EXPECT_GE(H5Awrite(a, type == H5T_NATIVE_INT64 ? H5T_NATIVE_INT64 : type, value), 0) << name;
        H5Aclose(a);
        H5Sclose(space);
    };
    const hid_t text = H5Tcopy(H5T_C_S1);
    H5Tset_size(text, H5T_VARIABLE);
    const int64_t one = 1, ticks = 4, aniso = 1;
    const char *philox = "philox", *max = "12,5", *relax = "3";
    put("format_version", H5T_NATIVE_INT64, &one);
    H5Adelete(file, "rng");
    put("generator", text, &philox);
    H5Adelete(file, "steps");
    put("ticks", H5T_NATIVE_INT64, &ticks);
    put("max", text, &max);
    put("relax", text, &relax);
    put("zmode", H5T_NATIVE_INT64, &aniso);
    H5Adelete(file, "model");
    H5Ldelete(file, "tick", H5P_DEFAULT);
    H5Ldelete(file, "layers", H5P_DEFAULT);
    H5Tclose(text);
    H5Fclose(file);

    SeriesHeader expected = sampleHeader();
    expected.settings.model = GrowthModel::Tessavo;
    // Read, as merge reads it, in a process of its own (started before this process opens the
    // file), and here: the same series, no layers.
    const auto isolated = IsolatedSeriesReader::open({path});
    const SeriesReader reader(path);
    EXPECT_EQ(reader.header().identity(), expected.identity());
    ASSERT_EQ(isolated[0]->header().identity(), expected.identity());
    std::vector<double> w, d, l{1.0}, wi, di, li{1.0};
    reader.readRow(1, w, d, &l);
    isolated[0]->readRow(1, wi, di, &li);
    EXPECT_EQ(w, row(3, 1.5));
    EXPECT_EQ(d, row(3, 10.0));
    EXPECT_TRUE(l.empty());
    EXPECT_EQ(std::tie(wi, di, li), std::tie(w, d, l));
}

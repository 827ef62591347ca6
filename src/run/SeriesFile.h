#pragma once
// SeriesFile: the raw data of an experiment, or of a slice of one, in HDF5: the roughness W
// and the layers deposited at every tick of every run it holds, with what makes the
// experiment (generator, seed, number of runs, ticks, every setting that shapes the growth,
// the stored start lattice) and how the file was made (program version, threads, seconds).
//
// Layout: the root group holds
//   roughness      float64 [runs held][steps]   W of each run, in layers; column i is tick i+1
//   deposited      float64 [runs held][steps]   the layers deposited by that tick (rate x ticks)
//   layers         float64 [runs held][steps]   the particles landed by that tick over the cells
//                                               (optional on reading: older files lack it)
//   tick           int64   [steps]              1 .. steps, the tick of each column
//   run            int32   [runs held]          the run index k of each row, ascending
//   start_heights  int32   [rows][columns]      only when the films start from a stored lattice
// each dataset with a "units" attribute, and these attributes: format ("tessavo-series"),
// format_version (2), program_version, seed_scheme (in words), seed, runs (N of the whole
// experiment), steps, every field of the growth settings under its own name (rng, model,
// update, columns, rows, dep, max, relax, zmode, z, zx, zy, autoheight: numbers as numbers,
// names as text; a file without "model" was grown with Tessavo's own model; "update" is
// written only for "tiled", and a file without it was grown sequentially), rate,
// config and layer (the file names the settings came from, or empty), jobs and seconds (the
// threads and the time the runs in the file took). Files of format 1 (the generator as
// "generator", the steps as "ticks", max and relax as text, zmode as its number) are read too.
//
// Slices of one experiment are merged by reading their rows in run order: the sums over the
// runs are then the same, bit for bit, as those of one machine running them all.
#include "run/FilmSetup.h"
#include "run/GrowthSettings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct SeriesHeader {
    std::string programVersion;
    uint32_t seed = 0;  // S: the congruential run k is seeded S + k, the Philox run k keyed (S, k)
    int32_t runs = 0;   // N, the runs of the whole experiment (not only those in the file)
    int64_t ticks = 0;  // the steps every run grows
    GrowthSettings settings;
    std::shared_ptr<const std::vector<int32_t>> startHeights; // rows x columns, or none
    // Where the settings were read from and how the file was made: shown, never compared.
    std::string configFile, layerFile;
    int32_t jobs = 1;
    double seconds = 0.0;

    // The name and value of everything that has to agree between slices of one experiment, in
    // the order they are compared (the start lattice is compared apart, being large).
    std::vector<std::pair<std::string, std::string>> identity() const;
    // The seed scheme in words, e.g. "lcg: run k is seeded seed + k (mod 2^32)".
    std::string seedScheme() const;
};

class SeriesWriter {
public:
    // A series file at `path` for the runs first .. end-1 of the experiment `header`. Nothing is
    // written before commit(); the file is built in memory. Throws AppError when `path` cannot
    // be written at all.
    SeriesWriter(std::string path, SeriesHeader header, int32_t firstRun, int32_t endRun);
    ~SeriesWriter();
    SeriesWriter(const SeriesWriter&) = delete;
    SeriesWriter& operator=(const SeriesWriter&) = delete;

    // The series of the next run, in run order; each holds header.ticks values.
    void add(int32_t run, const std::vector<double>& roughness, const std::vector<double>& deposited,
             const std::vector<double>& layers);
    // Writes the file whole, with the threads and seconds it took, in place of `path`. Throws
    // AppError ("cannot write <path>: <reason>") when not every run was added or the write failed.
    void commit(int32_t jobs, double seconds);

    // The memory a series file of this many runs and ticks takes while it is written, in bytes.
    static uint64_t memoryNeeded(int64_t runs, int64_t ticks);

private:
    struct Hdf5;
    std::string path_;
    SeriesHeader header_;
    int32_t firstRun_, endRun_, nextRun_;
    std::unique_ptr<Hdf5> h5_;
};

// Reads a series file in this process. Every file is taken as untrusted: names that link
// elsewhere, datasets stored in other files or virtual, values never written, sizes beyond the
// file and values no run gives are refused with one line naming the file. Faults inside the
// HDF5 library itself it cannot rule out: IsolatedSeriesReader runs it in a process of its own.
class SeriesReader {
public:
    // Opens a series file. Throws AppError "<path>: <reason>" for a file that is missing, not
    // HDF5, damaged or cut short, or not a series file of this program.
    explicit SeriesReader(const std::string& path);
    ~SeriesReader();
    SeriesReader(const SeriesReader&) = delete;
    SeriesReader& operator=(const SeriesReader&) = delete;

    const std::string& path() const { return path_; }
    const SeriesHeader& header() const { return header_; }
    // The run index of each row.
    const std::vector<int32_t>& runs() const { return runs_; }
    // The series of the run in row `row`, header().ticks values each; `layers` is left empty
    // when the file has none (or holds NaN for the whole run, as merge writes for slices without
    // them). Throws AppError for values no run gives (checkSeries).
    void readRow(size_t row, std::vector<double>& roughness, std::vector<double>& deposited,
                 std::vector<double>* layers = nullptr) const;

    // Throws AppError "<path>: run <k>'s ... at tick <t> is <v>, ..." unless every roughness is a
    // width (0 to 2^31 layers), every count of deposited layers finite and not negative and,
    // without auto-height, never falling, and every count of landed layers (when `layers` holds
    // any) finite, not negative and never falling.
    static void checkSeries(const std::string& path, int32_t run, bool autoHeight, const std::vector<double>& roughness,
                            const std::vector<double>& deposited, const std::vector<double>& layers);

private:
    struct Hdf5;
    std::string path_;
    SeriesHeader header_;
    std::vector<int32_t> runs_;
    std::unique_ptr<Hdf5> h5_;
};

#pragma once
// IsolatedSeriesReader: series files read by SeriesReader in a child process, with a limit on
// its memory and on the time each answer may take, which hands back only what it has checked:
// each file's header and runs at once, then the series of a run on request. The HDF5 library
// cannot be kept from every fault on a crafted file (a variable-length string that points
// anywhere in the file); here a crash, a hang or a runaway allocation ends only the child, and
// the caller gets one line for the file being read, AppError "cannot read <path>: the file is
// damaged".
//
// The files opened together share one child, which reads them one at a time: a fault is the
// fault of the file it was reading, and the whole costs one process. The child is made by
// fork() without exec: open readers only where no other thread of the process runs and no
// file is open through the HDF5 library (the child would share it, its descriptor closed);
// merge opens all of its readers before anything else.
#include "run/SeriesFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IsolatedSeriesReader {
public:
    // Opens the files in order in a new child process and takes their headers and runs; each
    // answer of the child may take `seconds` (and the time its values take to arrive). Throws
    // AppError with SeriesReader's message for the first file it refuses, "cannot read <path>:
    // the file is damaged" for one the child could not read within its limits.
    static std::vector<std::unique_ptr<IsolatedSeriesReader>> open(const std::vector<std::string>& paths,
                                                                   double seconds = answerSeconds);
    ~IsolatedSeriesReader();
    IsolatedSeriesReader(const IsolatedSeriesReader&) = delete;
    IsolatedSeriesReader& operator=(const IsolatedSeriesReader&) = delete;

    const std::string& path() const { return path_; }
    const SeriesHeader& header() const { return header_; }
    const std::vector<int32_t>& runs() const { return runs_; }
    // The series of the run in row `row`, header().ticks values each, checked as SeriesReader
    // checks them; `layers` is left empty when the file has none.
    void readRow(size_t row, std::vector<double>& roughness, std::vector<double>& deposited,
                 std::vector<double>* layers = nullptr) const;

    // The seconds the child may take for one answer by default, beyond the time its values take
    // to arrive at 50 MB/s; and the memory it may take beyond what it starts with and four times
    // the size of the files, in bytes.
    static constexpr double answerSeconds = 5.0;
    static constexpr uint64_t spareMemory = uint64_t{512} << 20;

    class Child;

private:
    IsolatedSeriesReader(std::shared_ptr<Child> child, uint64_t index, std::string path);

    std::shared_ptr<Child> child_;
    uint64_t index_; // the file's place among those opened together
    std::string path_;
    SeriesHeader header_;
    std::vector<int32_t> runs_;
};

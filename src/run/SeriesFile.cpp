#include "run/SeriesFile.h"

#include "run/StartLattice.h"

#include "files/FileReplacer.h"
#include "files/NumberText.h"
#include "files/OutputFile.h"
#include "model/AppError.h"
#include "files/Settings.h"
#include "model/Convert.h"
#include "model/Symulacja.h"

#include <H5PLpublic.h>
#include <hdf5.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* formatName = "tessavo-series";
constexpr int32_t formatVersion = 2;

// An HDF5 identifier, closed by its own closer when it goes.
class Handle {
public:
    Handle() = default;
    Handle(hid_t id, herr_t (*close)(hid_t)) : id_(id), close_(close) {}
    ~Handle() { reset(); }
    Handle(Handle&& o) noexcept : id_(o.id_), close_(o.close_) { o.id_ = -1; }
    Handle& operator=(Handle&& o) noexcept
    {
        if (this != &o) {
            reset();
            id_ = o.id_;
            close_ = o.close_;
            o.id_ = -1;
        }
        return *this;
    }
    hid_t get() const { return id_; }
    bool ok() const { return id_ >= 0; }
    void reset()
    {
        if (id_ >= 0 && close_)
            close_(id_);
        id_ = -1;
    }

private:
    hid_t id_ = -1;
    herr_t (*close_)(hid_t) = nullptr;
};

// HDF5 prints its error stack unless told not to; the program says what went wrong in one
// line of its own. The setting belongs to the calling thread.
void quietHdf5()
{
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

Handle stringType()
{
    Handle type(H5Tcopy(H5T_C_S1), H5Tclose);
    H5Tset_size(type.get(), H5T_VARIABLE);
    H5Tset_cset(type.get(), H5T_CSET_UTF8);
    return type;
}

bool putAttribute(hid_t file, const char* name, hid_t fileType, hid_t memType, const void* value)
{
    Handle space(H5Screate(H5S_SCALAR), H5Sclose);
    Handle attribute(H5Acreate2(file, name, fileType, space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    return attribute.ok() && H5Awrite(attribute.get(), memType, value) >= 0;
}

bool putInteger(hid_t file, const char* name, int64_t value)
{
    return putAttribute(file, name, H5T_STD_I64LE, H5T_NATIVE_INT64, &value);
}

bool putDouble(hid_t file, const char* name, double value)
{
    return putAttribute(file, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &value);
}

// Text as a fixed-length string: readers find its length in its type, with no pointers into
// the file's heap to follow.
bool putText(hid_t file, const char* name, const std::string& value)
{
    Handle type(H5Tcopy(H5T_C_S1), H5Tclose);
    H5Tset_size(type.get(), std::max<size_t>(value.size(), 1));
    H5Tset_strpad(type.get(), H5T_STR_NULLPAD);
    H5Tset_cset(type.get(), H5T_CSET_UTF8);
    std::vector<char> text(std::max<size_t>(value.size(), 1), '\0');
    std::copy(value.begin(), value.end(), text.begin());
    return putAttribute(file, name, type.get(), type.get(), text.data());
}

Handle createDataset(hid_t file, const char* name, hid_t type, std::initializer_list<hsize_t> dims)
{
    const std::vector<hsize_t> d(dims);
    Handle space(H5Screate_simple(static_cast<int>(d.size()), d.data(), nullptr), H5Sclose);
    return Handle(H5Dcreate2(file, name, type, space.get(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Dclose);
}

// Rows [row, row + rows) of a 2-D dataset, `columns` values each, from or to `data`.
bool transferRows(hid_t dataset, hid_t memType, hsize_t row, hsize_t rows, hsize_t columns, void* data, bool write)
{
    if (rows == 0 || columns == 0)
        return true;
    Handle fileSpace(H5Dget_space(dataset), H5Sclose);
    const hsize_t start[2] = {row, 0};
    const hsize_t count[2] = {rows, columns};
    if (!fileSpace.ok() || H5Sselect_hyperslab(fileSpace.get(), H5S_SELECT_SET, start, nullptr, count, nullptr) < 0)
        return false;
    const hsize_t values = rows * columns;
    Handle memSpace(H5Screate_simple(1, &values, nullptr), H5Sclose);
    return write ? H5Dwrite(dataset, memType, memSpace.get(), fileSpace.get(), H5P_DEFAULT, data) >= 0
                 : H5Dread(dataset, memType, memSpace.get(), fileSpace.get(), H5P_DEFAULT, data) >= 0;
}


} // namespace

std::vector<std::pair<std::string, std::string>> SeriesHeader::identity() const
{
    std::vector<std::pair<std::string, std::string>> out = {
        {"program_version", programVersion},
        {"seed", std::to_string(seed)},
        {"runs", std::to_string(runs)},
        {"steps", std::to_string(ticks)},
    };
    for (const GrowthField& f : growthFields())
        out.emplace_back(f.name, fieldText(f, f.get(settings)));
    return out;
}

std::string SeriesHeader::seedScheme() const
{
    return settings.rng == Generator::Philox ? "philox: run k draws from the stream keyed (seed, k)"
                                          : "lcg: run k is seeded seed + k (mod 2^32)";
}

// ---------------------------------------------------------------------------------------------

struct SeriesWriter::Hdf5 {
    Handle file, roughness, deposited, layers, run;
};

uint64_t SeriesWriter::memoryNeeded(int64_t runs, int64_t ticks)
{
    // The file's image in memory and its copy handed to the writer: three values a tick and run
    // in each, plus room for the metadata.
    const uint64_t values = static_cast<uint64_t>(std::max<int64_t>(runs, 0)) * static_cast<uint64_t>(std::max<int64_t>(ticks, 0));
    return 2 * (values * 3 * sizeof(double) + static_cast<uint64_t>(std::max<int64_t>(runs, 0)) * 4 + (1u << 20));
}

SeriesWriter::SeriesWriter(std::string path, SeriesHeader header, int32_t firstRun, int32_t endRun)
    : path_(std::move(path)), header_(std::move(header)), firstRun_(firstRun), endRun_(endRun), nextRun_(firstRun),
      h5_(std::make_unique<Hdf5>())
{
    if (firstRun < 0 || endRun <= firstRun || endRun > header_.runs || header_.ticks < 0)
        throw AppError("a series file needs runs within 0.." + std::to_string(header_.runs));
    OutputFile::checkWritable(path_);
    const uint64_t needed = memoryNeeded(endRun - firstRun, header_.ticks);
    const uint64_t machine = machineMemory();
    if (machine > 0 && needed > machine)
        throw AppError(OutputFile::failure(path_, "the series of " + std::to_string(endRun - firstRun) + " runs of "
                                                      + std::to_string(header_.ticks) + " ticks need about "
                                                      + std::to_string((needed >> 20) + 1) + " MB of memory while the file is made, more than the "
                                                      + std::to_string(machine >> 20) + " MB of this machine: write fewer runs per file with --run-range"));
    quietHdf5();
    // The file is made in memory (the core driver without a backing file) and written whole by
    // commit(), so a failed or interrupted run leaves no half-written file behind.
    Handle access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    const uint64_t image = memoryNeeded(endRun - firstRun, header_.ticks) / 2;
    const size_t increment = static_cast<size_t>(std::clamp<uint64_t>(image, 1u << 20, 1u << 30));
    if (!access.ok() || H5Pset_fapl_core(access.get(), increment, false) < 0)
        throw AppError(OutputFile::failure(path_, "the HDF5 library cannot make a file in memory"));
    h5_->file = Handle(H5Fcreate(path_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access.get()), H5Fclose);
    const hid_t file = h5_->file.get();
    const hsize_t rows = static_cast<hsize_t>(endRun - firstRun);
    const hsize_t ticks = static_cast<hsize_t>(header_.ticks);
    if (h5_->file.ok()) {
        h5_->roughness = createDataset(file, "roughness", H5T_IEEE_F64LE, {rows, ticks});
        h5_->deposited = createDataset(file, "deposited", H5T_IEEE_F64LE, {rows, ticks});
        h5_->layers = createDataset(file, "layers", H5T_IEEE_F64LE, {rows, ticks});
        h5_->run = createDataset(file, "run", H5T_STD_I32LE, {rows});
    }
    if (!h5_->roughness.ok() || !h5_->deposited.ok() || !h5_->layers.ok() || !h5_->run.ok())
        throw AppError(OutputFile::failure(path_, "the HDF5 library cannot make the datasets (out of memory?)"));
}

SeriesWriter::~SeriesWriter() = default;

void SeriesWriter::add(int32_t run, const std::vector<double>& roughness, const std::vector<double>& deposited,
                       const std::vector<double>& layers)
{
    const size_t ticks = static_cast<size_t>(header_.ticks);
    if (run != nextRun_ || run >= endRun_ || roughness.size() != ticks || deposited.size() != ticks
        || layers.size() != ticks)
        throw AppError(OutputFile::failure(path_, "run " + std::to_string(run) + " does not come next"));
    quietHdf5();
    const hsize_t row = static_cast<hsize_t>(run - firstRun_);
    if (!transferRows(h5_->roughness.get(), H5T_NATIVE_DOUBLE, row, 1, ticks, const_cast<double*>(roughness.data()), true)
        || !transferRows(h5_->deposited.get(), H5T_NATIVE_DOUBLE, row, 1, ticks, const_cast<double*>(deposited.data()), true)
        || !transferRows(h5_->layers.get(), H5T_NATIVE_DOUBLE, row, 1, ticks, const_cast<double*>(layers.data()), true))
        throw AppError(OutputFile::failure(path_, "the HDF5 library cannot store run " + std::to_string(run)));
    ++nextRun_;
}

void SeriesWriter::commit(int32_t jobs, double seconds)
{
    if (nextRun_ != endRun_)
        throw AppError(OutputFile::failure(path_, "runs " + std::to_string(nextRun_) + ".." + std::to_string(endRun_ - 1)
                                                      + " are missing"));
    quietHdf5();
    header_.jobs = jobs;
    header_.seconds = seconds;
    const hid_t file = h5_->file.get();
    const SeriesHeader& h = header_;

    std::vector<int32_t> runs(static_cast<size_t>(endRun_ - firstRun_));
    for (size_t i = 0; i < runs.size(); ++i)
        runs[i] = firstRun_ + static_cast<int32_t>(i);
    bool ok = H5Dwrite(h5_->run.get(), H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, runs.data()) >= 0;
    {
        std::vector<int64_t> ticks(static_cast<size_t>(h.ticks));
        for (size_t i = 0; i < ticks.size(); ++i)
            ticks[i] = static_cast<int64_t>(i) + 1;
        Handle tick = createDataset(file, "tick", H5T_STD_I64LE, {static_cast<hsize_t>(h.ticks)});
        ok = ok && tick.ok() && (ticks.empty() || H5Dwrite(tick.get(), H5T_NATIVE_INT64, H5S_ALL, H5S_ALL, H5P_DEFAULT, ticks.data()) >= 0);
    }
    if (h.startHeights) {
        Handle start = createDataset(file, "start_heights", H5T_STD_I32LE,
                                     {static_cast<hsize_t>(h.settings.rows), static_cast<hsize_t>(h.settings.columns)});
        ok = ok && start.ok() && h.startHeights->size() == static_cast<size_t>(h.settings.rows) * static_cast<size_t>(h.settings.columns)
            && H5Dwrite(start.get(), H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, h.startHeights->data()) >= 0;
    }
    ok = ok && putText(file, "format", formatName) && putInteger(file, "format_version", formatVersion)
        && putText(file, "program_version", h.programVersion) && putText(file, "seed_scheme", h.seedScheme())
        && putInteger(file, "seed", h.seed) && putInteger(file, "runs", h.runs) && putInteger(file, "steps", h.ticks);
    for (const GrowthField& f : growthFields()) {
        const FieldValue v = f.get(h.settings);
        if (f.defaultLeftOut && v == f.get(GrowthSettings{}))
            continue;
        switch (f.kind) {
        case FieldKind::Real:
            ok = ok && putDouble(file, f.name, std::get<double>(v));
            break;
        case FieldKind::Name:
        case FieldKind::Rule:
            ok = ok && putText(file, f.name, fieldText(f, v));
            break;
        case FieldKind::Integer:
        case FieldKind::Flag:
            ok = ok && putInteger(file, f.name, std::get<int64_t>(v));
            break;
        }
    }
    ok = ok && putDouble(file, "rate", h.settings.rate()) && putText(file, "config", h.configFile)
        && putText(file, "layer", h.layerFile) && putInteger(file, "jobs", h.jobs) && putDouble(file, "seconds", h.seconds);
    // What the numbers measure, for readers that did not write them.
    for (const auto& [dataset, units] : {std::pair{"roughness", "layers"}, {"deposited", "layers"}, {"layers", "layers"}, {"tick", "ticks"},
                                         {"run", "run index"}, {"start_heights", "layers"}})
        if (H5Lexists(file, dataset, H5P_DEFAULT) > 0) {
            Handle d(H5Dopen2(file, dataset, H5P_DEFAULT), H5Dclose);
            ok = ok && d.ok() && putText(d.get(), "units", units);
        }
    ok = ok && H5Fflush(file, H5F_SCOPE_GLOBAL) >= 0;
    const ssize_t size = ok ? H5Fget_file_image(file, nullptr, 0) : -1;
    if (size <= 0)
        throw AppError(OutputFile::failure(path_, "the HDF5 library cannot finish the file"));
    std::vector<char> bytes(static_cast<size_t>(size));
    if (H5Fget_file_image(file, bytes.data(), bytes.size()) != size)
        throw AppError(OutputFile::failure(path_, "the HDF5 library cannot finish the file"));
    h5_->roughness.reset();
    h5_->deposited.reset();
    h5_->layers.reset();
    h5_->run.reset();
    h5_->file.reset();
    std::string reason;
    if (!FileReplacer::replace(path_, bytes.data(), bytes.size(), true, &reason))
        throw AppError(OutputFile::failure(path_, reason.empty() ? "write error" : reason));
}

// ---------------------------------------------------------------------------------------------

struct SeriesReader::Hdf5 {
    Handle file, roughness, deposited, layers; // layers: none in files written before it was kept
};

namespace {

// Reads the attributes of a series file, with the file's name in every complaint.
class AttributeReader {
public:
    AttributeReader(hid_t file, const std::string& path) : file_(file), path_(path) {}

    bool has(const char* name) const { return H5Aexists(file_, name) > 0; }

    std::string text(const char* name) const
    {
        const Handle attribute = open(name, H5T_STRING);
        Handle type(H5Aget_type(attribute.get()), H5Tclose);
        std::string out;
        if (H5Tis_variable_str(type.get()) > 0) {
            const Handle memType = stringType();
            H5Tset_cset(memType.get(), H5Tget_cset(type.get())); // no conversion between character sets
            char* value = nullptr;
            if (H5Aread(attribute.get(), memType.get(), &value) < 0)
                throw damaged(name);
            out = value ? value : "";
            H5free_memory(value);
        } else {
            const size_t size = H5Tget_size(type.get());
            if (size == 0 || size > (1u << 20))
                throw damaged(name);
            Handle memType(H5Tcopy(H5T_C_S1), H5Tclose);
            H5Tset_size(memType.get(), size + 1);
            H5Tset_cset(memType.get(), H5Tget_cset(type.get())); // no conversion between character sets
            std::vector<char> value(size + 1, '\0');
            if (H5Aread(attribute.get(), memType.get(), value.data()) < 0)
                throw damaged(name);
            out = value.data();
        }
        return out;
    }

    int64_t integer(const char* name, int64_t low, int64_t high) const
    {
        const Handle attribute = open(name, H5T_INTEGER);
        int64_t value = 0;
        if (H5Aread(attribute.get(), H5T_NATIVE_INT64, &value) < 0)
            throw damaged(name);
        if (value < low || value > high)
            throw AppError(path_ + ": the attribute '" + name + "' is " + std::to_string(value) + ", outside "
                           + std::to_string(low) + ".." + std::to_string(high));
        return value;
    }

    double number(const char* name) const
    {
        const Handle attribute = open(name, H5T_FLOAT);
        double value = 0.0;
        if (H5Aread(attribute.get(), H5T_NATIVE_DOUBLE, &value) < 0)
            throw damaged(name);
        return value;
    }

    // The attribute as whatever it holds: an integer, a real or a text.
    FieldValue value(const char* name) const
    {
        if (!has(name))
            throw AppError(path_ + ": the attribute '" + std::string(name) + "' is missing");
        H5T_class_t kind = H5T_NO_CLASS;
        {
            Handle attribute(H5Aopen(file_, name, H5P_DEFAULT), H5Aclose);
            Handle type(H5Aget_type(attribute.get()), H5Tclose);
            if (!attribute.ok() || !type.ok())
                throw damaged(name);
            kind = H5Tget_class(type.get());
        }
        if (kind == H5T_INTEGER)
            return integer(name, INT64_MIN, INT64_MAX);
        if (kind == H5T_FLOAT)
            return number(name);
        return text(name);
    }

    // A number kept as text by format 1.
    FieldValue textNumber(const char* name, const std::string& text, bool integral) const
    {
        try {
            if (integral)
                return int64_t{strToInt(text)};
            return maxLayersOfText(text);
        } catch (const AppError&) {
            throw AppError(path_ + ": the attribute '" + std::string(name) + "' is not a number: '" + text + "'");
        }
    }

private:
    // The attribute, checked to hold one value of the class expected, so that reading it
    // cannot write past the value it is read into.
    Handle open(const char* name, H5T_class_t kind) const
    {
        if (!has(name))
            throw AppError(path_ + ": the attribute '" + std::string(name) + "' is missing");
        Handle attribute(H5Aopen(file_, name, H5P_DEFAULT), H5Aclose);
        Handle type(H5Aget_type(attribute.get()), H5Tclose);
        Handle space(H5Aget_space(attribute.get()), H5Sclose);
        if (!attribute.ok() || !type.ok() || !space.ok() || H5Tget_class(type.get()) != kind
            || H5Sget_simple_extent_npoints(space.get()) != 1)
            throw damaged(name);
        return attribute;
    }

    AppError damaged(const char* name) const
    {
        return AppError(path_ + ": the attribute '" + std::string(name) + "' is damaged or of the wrong kind");
    }

    hid_t file_;
    const std::string& path_;
};

// Every name in the file's root is the file's own object: a soft link may lead anywhere in the
// file and an external link into another file, so neither is followed.
herr_t noteLink(hid_t, const char* name, const H5L_info_t* info, void* data)
{
    if (info->type != H5L_TYPE_HARD) {
        *static_cast<std::string*>(data) = std::string("'") + name + "' is "
            + (info->type == H5L_TYPE_SOFT ? "a soft link" : info->type == H5L_TYPE_EXTERNAL ? "an external link to another file" : "a link of an unknown kind")
            + ", which this program does not follow";
        return 1;
    }
    return 0;
}

void checkLinks(hid_t file, const std::string& path)
{
    std::string problem;
    hsize_t index = 0;
    if (H5Literate(file, H5_INDEX_NAME, H5_ITER_NATIVE, &index, noteLink, &problem) < 0)
        throw AppError(path + ": a damaged HDF5 file (its list of names cannot be read)");
    if (!problem.empty())
        throw AppError(path + ": " + problem);
}

// The values of a dataset come from this file and nowhere else, every one of them was written,
// and the space they take in the file is no more than the file has: so reading them neither
// reaches another file nor makes up values, and what they declare cannot make the program
// take more memory than the file's size allows.
void checkStorage(hid_t dataset, hid_t type, hid_t space, hsize_t fileSize, const std::string& path, const char* name)
{
    const auto refuse = [&](const std::string& why) {
        throw AppError(path + ": the dataset '" + std::string(name) + "' " + why);
    };
    Handle create(H5Dget_create_plist(dataset), H5Pclose);
    if (!create.ok())
        refuse("is damaged");
    const H5D_layout_t layout = H5Pget_layout(create.get());
    if (layout == H5D_VIRTUAL)
        refuse("is a virtual dataset, whose values come from other files; this program reads only values stored in the file");
    if (layout != H5D_COMPACT && layout != H5D_CONTIGUOUS && layout != H5D_CHUNKED)
        refuse("is damaged (an unknown layout)");
    if (H5Pget_external_count(create.get()) != 0)
        refuse("keeps its values in another file (external storage); this program reads only values stored in the file");
    const size_t valueSize = H5Tget_size(type);
    if (valueSize == 0 || valueSize > 8)
        refuse("is damaged or of the wrong kind");
    const hssize_t points = H5Sget_simple_extent_npoints(space);
    if (points < 0)
        refuse("is damaged");
    if (points == 0)
        return;
    const long double declared = static_cast<long double>(points) * static_cast<long double>(valueSize);
    H5D_space_status_t status = H5D_SPACE_STATUS_ERROR;
    if (H5Dget_space_status(dataset, &status) < 0 || status != H5D_SPACE_STATUS_ALLOCATED)
        refuse("holds values that were never written");
    const hsize_t stored = H5Dget_storage_size(dataset);
    // Compressed chunks may hold more than they take, but not beyond what deflate can reach.
    const bool filtered = layout == H5D_CHUNKED && H5Pget_nfilters(create.get()) > 0;
    const long double room = filtered ? 1100.0L * static_cast<long double>(stored) : static_cast<long double>(stored);
    if (stored > fileSize || declared > room)
        refuse("declares " + std::to_string(points) + " values, more than the " + std::to_string(fileSize)
               + " bytes of the file hold");
}

// A dataset of `rank` dimensions and the class expected, stored in the file itself; its
// dimensions go to `dims`.
Handle openDataset(hid_t file, const std::string& path, const char* name, H5T_class_t kind, int rank, hsize_t* dims)
{
    if (H5Lexists(file, name, H5P_DEFAULT) <= 0)
        throw AppError(path + ": the dataset '" + std::string(name) + "' is missing");
    Handle dataset(H5Dopen2(file, name, H5P_DEFAULT), H5Dclose);
    Handle type(H5Dget_type(dataset.get()), H5Tclose);
    Handle space(H5Dget_space(dataset.get()), H5Sclose);
    if (!dataset.ok() || !type.ok() || !space.ok() || H5Tget_class(type.get()) != kind
        || H5Sget_simple_extent_ndims(space.get()) != rank || H5Sget_simple_extent_dims(space.get(), dims, nullptr) != rank)
        throw AppError(path + ": the dataset '" + std::string(name) + "' is damaged or of the wrong kind");
    hsize_t fileSize = 0;
    if (H5Fget_filesize(file, &fileSize) < 0)
        throw AppError(path + ": a damaged HDF5 file");
    checkStorage(dataset.get(), type.get(), space.get(), fileSize, path, name);
    return dataset;
}

} // namespace

SeriesReader::SeriesReader(const std::string& path) : path_(path), h5_(std::make_unique<Hdf5>())
{
    checkReadableFile(path_);
    quietHdf5();
    // Series files are never changed in place (a new file takes the old one's name), so they
    // are read without HDF5's file locks, which some network file systems refuse.
    Handle access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    H5Pset_file_locking(access.get(), false, true);
    if (H5Fis_hdf5(path_.c_str()) <= 0)
        throw AppError(path_ + ": not an HDF5 file");
    // A file names its filters; none of them is looked for in a plugin library.
    H5PLset_loading_state(0);
    h5_->file = Handle(H5Fopen(path_.c_str(), H5F_ACC_RDONLY, access.get()), H5Fclose);
    if (!h5_->file.ok())
        throw AppError(path_ + ": a damaged HDF5 file (cut short?)");
    const hid_t file = h5_->file.get();
    checkLinks(file, path_);
    const AttributeReader a(file, path_);
    if (!a.has("format") || a.text("format") != formatName)
        throw AppError(path_ + ": an HDF5 file, but not a series file of tessavo-batch");
    const int64_t version = a.integer("format_version", 1, INT32_MAX);
    if (version > formatVersion)
        throw AppError(path_ + ": a series file of format " + std::to_string(version) + ", newer than this program reads ("
                       + std::to_string(formatVersion) + ")");

    SeriesHeader& h = header_;
    h.programVersion = a.text("program_version");
    h.seed = static_cast<uint32_t>(a.integer("seed", 0, UINT32_MAX));
    h.runs = static_cast<int32_t>(a.integer("runs", 1, INT32_MAX));
    const bool first = version == 1;
    h.ticks = a.integer(first ? "ticks" : "steps", 0, INT32_MAX);
    for (const GrowthField& f : growthFields()) {
        const char* name = first && std::string_view(f.name) == "rng" ? "generator" : f.name;
        if (f.optional && !a.has(name))
            continue; // a file from before the field: its default
        FieldValue v = a.value(name);
        // Format 1 kept max and relax as the texts typed.
        if (first && f.kind == FieldKind::Real && std::holds_alternative<std::string>(v))
            v = a.textNumber(name, std::get<std::string>(v), false);
        else if (first && f.kind == FieldKind::Integer && std::holds_alternative<std::string>(v))
            v = a.textNumber(name, std::get<std::string>(v), true);
        if (!fieldValueOf(f, v))
            throw AppError(path_ + ": the attribute '" + std::string(name) + "' is not a value of this setting");
        f.set(h.settings, v);
    }
    h.configFile = a.text("config");
    h.layerFile = a.text("layer");
    h.jobs = static_cast<int32_t>(a.integer("jobs", 1, INT32_MAX));
    h.seconds = a.number("seconds");
    if (!std::isfinite(h.seconds) || h.seconds < 0.0)
        throw AppError(path_ + ": the attribute 'seconds' is " + exactText(h.seconds) + ", not a time taken");

    hsize_t runDims[1] = {0}, rDims[2] = {0, 0}, dDims[2] = {0, 0};
    const Handle run = openDataset(file, path_, "run", H5T_INTEGER, 1, runDims);
    h5_->roughness = openDataset(file, path_, "roughness", H5T_FLOAT, 2, rDims);
    h5_->deposited = openDataset(file, path_, "deposited", H5T_FLOAT, 2, dDims);
    const hsize_t held = runDims[0];
    if (held == 0 || held > static_cast<hsize_t>(h.runs) || rDims[0] != held || dDims[0] != held
        || rDims[1] != static_cast<hsize_t>(h.ticks) || dDims[1] != static_cast<hsize_t>(h.ticks))
        throw AppError(path_ + ": the datasets 'run', 'roughness' and 'deposited' do not agree with "
                       + std::to_string(h.ticks) + " ticks and at most " + std::to_string(h.runs) + " runs");
    if (H5Lexists(file, "layers", H5P_DEFAULT) > 0) {
        hsize_t lDims[2] = {0, 0};
        h5_->layers = openDataset(file, path_, "layers", H5T_FLOAT, 2, lDims);
        if (lDims[0] != held || lDims[1] != static_cast<hsize_t>(h.ticks))
            throw AppError(path_ + ": the dataset 'layers' does not agree with 'roughness'");
    }
    std::vector<int64_t> indices(static_cast<size_t>(held));
    if (H5Dread(run.get(), H5T_NATIVE_INT64, H5S_ALL, H5S_ALL, H5P_DEFAULT, indices.data()) < 0)
        throw AppError(path_ + ": the dataset 'run' is damaged");
    runs_.reserve(indices.size());
    for (int64_t k : indices) {
        if (k < 0 || k >= h.runs || (!runs_.empty() && k <= runs_.back()))
            throw AppError(path_ + ": the dataset 'run' is not a rising list of runs within 0.." + std::to_string(h.runs - 1));
        runs_.push_back(static_cast<int32_t>(k));
    }

    if (H5Lexists(file, "start_heights", H5P_DEFAULT) > 0) {
        hsize_t dims[2] = {0, 0};
        const Handle start = openDataset(file, path_, "start_heights", H5T_INTEGER, 2, dims);
        if (dims[0] != static_cast<hsize_t>(h.settings.rows) || dims[1] != static_cast<hsize_t>(h.settings.columns))
            throw AppError(path_ + ": the dataset 'start_heights' is not " + std::to_string(h.settings.rows) + " x "
                           + std::to_string(h.settings.columns));
        auto heights = std::make_shared<std::vector<int32_t>>(static_cast<size_t>(dims[0] * dims[1]));
        if (H5Dread(start.get(), H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, heights->data()) < 0)
            throw AppError(path_ + ": the dataset 'start_heights' is damaged");
        h.startHeights = std::move(heights);
    }
}

SeriesReader::~SeriesReader() = default;

void SeriesReader::readRow(size_t row, std::vector<double>& roughness, std::vector<double>& deposited,
                           std::vector<double>* layers) const
{
    quietHdf5();
    const size_t ticks = static_cast<size_t>(header_.ticks);
    roughness.resize(ticks);
    deposited.resize(ticks);
    const bool withLayers = layers && h5_->layers.ok();
    if (layers)
        layers->resize(withLayers ? ticks : 0);
    if (row >= runs_.size()
        || !transferRows(h5_->roughness.get(), H5T_NATIVE_DOUBLE, row, 1, ticks, roughness.data(), false)
        || !transferRows(h5_->deposited.get(), H5T_NATIVE_DOUBLE, row, 1, ticks, deposited.data(), false)
        || (withLayers && !transferRows(h5_->layers.get(), H5T_NATIVE_DOUBLE, row, 1, ticks, layers->data(), false)))
        throw AppError(path_ + ": the series of run " + std::to_string(row < runs_.size() ? runs_[row] : -1)
                       + " cannot be read (the file is damaged or cut short)");
    // Merge writes NaN for the whole run where a slice had no layers: none, as in that slice.
    if (withLayers && std::all_of(layers->begin(), layers->end(), [](double v) { return std::isnan(v); }))
        layers->clear();
    static const std::vector<double> none;
    checkSeries(path_, runs_[row], header_.settings.autoheight, roughness, deposited, layers ? *layers : none);
}

void SeriesReader::checkSeries(const std::string& path, int32_t run, bool autoHeight, const std::vector<double>& roughness,
                               const std::vector<double>& deposited, const std::vector<double>& layers)
{
    // The width of int32 heights stays below 2^31 layers.
    constexpr double widest = 2147483648.0;
    const auto refuse = [&](const char* what, size_t i, double value, const char* why) {
        throw AppError(path + ": run " + std::to_string(run) + "'s " + what + " at tick " + std::to_string(i + 1) + " is "
                       + exactText(value) + ", " + why);
    };
    for (size_t i = 0; i < roughness.size(); ++i)
        if (!(roughness[i] >= 0.0 && roughness[i] < widest))
            refuse("roughness", i, roughness[i], "not the width of a lattice of heights");
    for (size_t i = 0; i < deposited.size(); ++i) {
        if (!(deposited[i] >= 0.0 && std::isfinite(deposited[i])))
            refuse("deposited layers", i, deposited[i], "not a number of layers");
        // Only auto-height takes layers away again.
        if (!autoHeight && i > 0 && deposited[i] < deposited[i - 1])
            refuse("deposited layers", i, deposited[i], "fewer than the tick before, without auto-height");
    }
    // Particles that landed stay counted, whatever auto-height takes away.
    for (size_t i = 0; i < layers.size(); ++i) {
        if (!(layers[i] >= 0.0 && std::isfinite(layers[i])))
            refuse("landed layers", i, layers[i], "not a number of layers");
        if (i > 0 && layers[i] < layers[i - 1])
            refuse("landed layers", i, layers[i], "fewer than the tick before");
    }
}

#include "files/OutputFile.h"
#include "model/AppError.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(OutputFile, TextReplacesTheFileOnlyOnCommit)
{
    TempDir dir;
    const std::string path = dir.file("w.csv");
    writeBytes(path, "old\n");
    const std::string row(100, 'r'); // many rows: more than one buffer's worth
    {
        OutputFile abandoned(path);
        abandoned.write("tick\n");
    }
    EXPECT_EQ(readBytes(path), "old\n");
    OutputFile csv(path);
    for (int i = 0; i < 2000; ++i)
        csv.write(row);
    EXPECT_EQ(readBytes(path), "old\n");
    csv.commit();
    EXPECT_EQ(readBytes(path), std::string(2000 * row.size(), 'r'));
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(OutputFile, FailuresNameTheFileAndTheReason)
{
    TempDir dir;
    const std::string path = dir.file("kept.json");
    writeBytes(path, "{}");
    chmod(path.c_str(), 0444);
    try {
        OutputFile::checkWritable(path);
        FAIL() << "a read-only file passed the check";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot write " + path + ": the file is read-only");
    }
    EXPECT_THROW(OutputFile{path}, AppError);
    EXPECT_EQ(readBytes(path), "{}");
}

#include "files/FileReplacer.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `body` in a child process (limits and signals stay there); its exit code, or 128 plus
// the signal that ended it.
int inChild(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ino_t inode(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

} // namespace

TEST(FileReplacer, ReadOnlyFileAndOverlongNameAreRefusedBeforeWriting)
{
    TempDir dir;
    EXPECT_EQ(FileReplacer::problem(dir.file(std::string(256, 'n'))), "File name too long");
    EXPECT_EQ(FileReplacer::problem(dir.file(std::string("kept.ini\0.csv", 13))), "the name holds a NUL character");
    const std::string path = dir.file("kept.ini");
    writeBytes(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(FileReplacer::problem(path), "the file is read-only");
    std::string reason;
    EXPECT_FALSE(FileReplacer::replace(path, "new", 3, false, &reason));
    EXPECT_EQ(reason, "the file is read-only");
    EXPECT_EQ(readBytes(path), "old");
}

TEST(FileReplacer, LinkToAFileNotYetThereCreatesThatFile)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "data");
    const std::string link = dir.file("link.csv");
    std::filesystem::create_symlink("data/out.csv", link);
    ASSERT_TRUE(FileReplacer::replace(link, "a,b\n", 4, false));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(dir.file("data/out.csv")), "a,b\n");
}

TEST(FileReplacer, FolderThatTakesNoNewNamesIsWrittenInPlace)
{
    TempDir dir;
    const std::filesystem::path shared = dir.path() / "shared";
    std::filesystem::create_directory(shared);
    const std::string path = (shared / "c.ini").string();
    writeBytes(path, "a much longer old content");
    const ino_t before = inode(path);
    // No write bit on the folder: refused to every user by the same rule as a read-only file.
    ASSERT_EQ(chmod(shared.c_str(), 0555), 0);
    std::string reason;
    EXPECT_TRUE(FileReplacer::replace(path, "new", 3, true, &reason)) << reason;
    EXPECT_FALSE(FileReplacer::canWrite((shared / "other.ini").string()));
    chmod(shared.c_str(), 0755);
    EXPECT_EQ(readBytes(path), "new");
    EXPECT_EQ(inode(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(shared), {}), 1);
}

TEST(FileReplacer, WriteFailingMidwayKeepsTheOldFileAndGivesTheReason)
{
    TempDir dir;
    const std::string path = dir.file("series.csv");
    writeBytes(path, "old");
    const int result = inChild([&] {
        // Writes past 4 kB fail with EFBIG instead of raising SIGXFSZ.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string data(1 << 20, 'x');
        FileReplacer file(path);
        if (!file.open())
            return 2;
        const bool written = file.write(data.data(), data.size());
        if (written || file.commit(false))
            return 3;
        return file.error() == "File too large" ? 0 : 4;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(FileReplacer, KilledWriteLeavesNoTemporaryFile)
{
    TempDir dir;
    const int probe = open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "this file system has no unnamed files; a killed write leaves its temporary";
    close(probe);
    const std::string path = dir.file("frame.000.bmp");
    writeBytes(path, "old");
    const int result = inChild([&] {
        FileReplacer file(path);
        if (!file.open() || !file.write("partial", 7))
            return 1;
        raise(SIGKILL);
        return 2;
    });
    EXPECT_EQ(result, 128 + SIGKILL);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(dir.entryCount(), 1u);
}

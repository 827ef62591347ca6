// tessavo-batch's error paths: one clear line on stderr, status 2 for the arguments and 1 for
// files, and no output file left half written.
#include "BatchProcess.h"

#include <sys/stat.h>

#include <chrono>

namespace {

void expectOneLine(const ToolResult& r, const std::string& part)
{
    EXPECT_EQ(linesOf(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("tessavo-batch: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(part), std::string::npos) << "expected '" << part << "' in: " << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace

TEST(BatchErrors, MistakesInTheArgumentsExitWithStatus2)
{
    BatchProcess tool;
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--bogus"}, "bogus"},
        {{"--steps", "12a"}, "'12a' is not a valid integer value"},
        {{"--steps", "-1"}, "--steps"},
        {{"--seed", "4294967296"}, "--seed"},
        {{"--seed", "-3"}, "'-3' is not a valid integer value"},
        {{"--max", "1,5,0"}, "'1,5,0' is not a valid floating point value"},
        {{"--max", "1.5,0"}, "'1.5,0' is not a valid floating point value"},
        {{"--relax", "2.5"}, "'2.5' is not a valid integer value"},
        {{"--size", "5x50"}, "between 10 and 4096"},
        {{"--size", "50"}, "COLSxROWS"},
        {{"--dep", "1001"}, "between 1 and 1000"},
        {{"--iso", "5"}, "--iso"},
        {{"--aniso", "1;2"}, "ZX,ZY"},
        {{"--iso", "2", "--aniso", "1,1"}, "exclude"},
        {{"--picture", "p.gif"}, ".bmp, .jpg or .png"},
        {{"--frames", "frames"}, ".bmp, .jpg or .png"},
        {{"--palette", "purple"}, "--palette"},
        {{"--zoom", "4"}, "between 5 and 10"},
        {{"--runs", "3"}, "--seed"},
        {{"--runs", "3", "--seed", "1", "--rng", "lcg", "--picture", "p.bmp"}, "--runs; repeat run k alone with --seed S+k"},
        {{"--runs", "3", "--seed", "1", "--picture", "p.bmp"}, "--runs; repeat run k alone with --seed S --run-index k --rng philox"},
        {{"--runs", "3", "--seed", "1", "--rng", "philox", "--heightmap", "h.png"}, "with --seed S --run-index k"},
        {{"--jobs", "2"}, "--runs"},
        {{"--fit-range", "10:5"}, "T1 < T2"},
        {{"--layer", "a.lay", "--size", "20x20"}, "exclude"},
        {{"--model", "kpz"}, "--model must be tessavo, rd, rdsr, bd, rsos, wv or dt, not 'kpz'"},
        {{"--model", "rsos", "--relax", "3"}, "--relax cannot be used with --model rsos"},
        {{"--aniso", "1,1", "--model", "bd"}, "--aniso cannot be used with --model bd"},
        {{"--update", "tiled", "--rng", "lcg", "--runs", "2", "--seed", "1"}, "--update tiled needs --rng philox"},
        {{"extra"}, "extra"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front());
        const ToolResult r = tool.run(c.args);
        EXPECT_EQ(r.status, 2);
        expectOneLine(r, c.message);
    }
    EXPECT_EQ(tool.entries().size(), 0u);
}

TEST(BatchErrors, UnreadableInputsExitWithStatus1)
{
    BatchProcess tool;
    ToolResult r = tool.run({"--config", "missing.ini", "--roughness", "w.csv"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "missing.ini");
    r = tool.run({"--layer", "missing.lay", "--roughness", "w.csv"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "missing.lay");
    std::filesystem::create_directory(tool.file("dir.lay"));
    r = tool.run({"--layer", "dir.lay"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "dir.lay");
    EXPECT_FALSE(tool.exists("w.csv"));
}

TEST(BatchErrors, InputsThatWouldBlockOrBeDestroyedAreRefused)
{
    BatchProcess tool;
    // A FIFO with no writer would block the reader for ever.
    ASSERT_EQ(mkfifo(tool.file("pipe.ini").c_str(), 0600), 0);
    ToolResult r = tool.run({"--config", "pipe.ini", "--steps", "1"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "not a regular file");

    // An output that is the input, also through a link.
    tool.write("a.ini", "[grid]\r\nx=20\r\n");
    std::filesystem::create_symlink("a.ini", tool.file("link.csv"));
    for (const std::string out : {"a.ini", "link.csv"}) {
        r = tool.run({"--config", "a.ini", "--seed", "1", "--steps", "1", "--roughness", out});
        EXPECT_EQ(r.status, 1);
        expectOneLine(r, "also the input");
    }
    EXPECT_EQ(tool.read("a.ini"), "[grid]\r\nx=20\r\n");

    // Every input against every output: --resume, a frame, merge's inputs, a hard link.
    ASSERT_EQ(tool.run({"--seed", "1", "--steps", "2", "--size", "10x10", "--save-layer", "in.lay"}).status, 0);
    ASSERT_EQ(tool.run({"--seed", "1", "--runs", "2", "--steps", "2", "--size", "10x10", "--series", "s.h5"}).status, 0);
    std::filesystem::create_symlink("in.lay", tool.file("in-link.lay"));
    std::filesystem::create_hard_link(tool.file("s.h5"), tool.file("hard.h5"));
    tool.write("f.002.bmp", "[grid]\r\nx=20\r\n");
    const std::string saved = tool.read("in.lay"), series = tool.read("s.h5");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--resume", "in.lay", "--steps", "5", "--roughness", "in.lay"},
          {"--resume", "in.lay", "--steps", "5", "--save-layer", "in-link.lay"},
          {"--config", "f.002.bmp", "--seed", "1", "--steps", "5", "--frames", "f.bmp"},
          {"merge", "s.h5", "--roughness", "s.h5"}, {"merge", "s.h5", "--series", "hard.h5"}}) {
        SCOPED_TRACE(args.back());
        r = tool.run(args);
        EXPECT_EQ(r.status, 1);
        expectOneLine(r, "also the input");
    }
    EXPECT_EQ(tool.read("in.lay"), saved);
    EXPECT_EQ(tool.read("s.h5"), series);
    EXPECT_EQ(tool.read("f.002.bmp"), "[grid]\r\nx=20\r\n");
}

TEST(BatchErrors, ControlCharactersFromAFileStayOnOneLine)
{
    BatchProcess tool;
    tool.write("bad.lay", std::string("[layer]\nx=10\ny=10\nx0=1\t2\x01" "3\0" "4|\n", 30));
    const ToolResult r = tool.run({"--layer", "bad.lay"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "'1\\t2\\x013\\04' is not a valid integer value");
}

TEST(BatchErrors, AStopSignalEndsALongTickPromptlyAndWritesNothing)
{
    // Two billion relaxation sweeps make one tick last for hours; SIGINT is seen between sweeps.
    BatchProcess tool;
    const auto start = std::chrono::steady_clock::now();
    const std::string command = "cd " + tool.file("") + " && (" TESSAVO_BATCH_EXE
        " --seed 1 --relax 2000000000 --roughness w.csv --save-layer a.lay & pid=$!; sleep 0.5; kill -INT $pid;"
        " wait $pid; echo $? > status) 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(tool.read("status"), "130\n");
    EXPECT_EQ(tool.entries(), (std::set<std::string>{"status"}));
}

TEST(BatchErrors, AStopSignalWhileTheOutputsArePutInPlaceLetsAllOfThemLandAndSaysSo)
{
    // SIGINT just as the first output, a new file, takes its name; and as an existing file is
    // replaced, the last output.
    for (const std::string at : {"w.csv", "p.bmp"}) {
        SCOPED_TRACE(at);
        BatchProcess tool;
        tool.write("p.bmp", "old");
        tool.environment = {"LD_PRELOAD=" SIGNAL_AT_LINK, "TESSAVO_TEST_SIGNAL_AT=" + at};
        const ToolResult r = tool.run({"--seed", "1", "--steps", "3", "--size", "10x10", "--roughness", "w.csv",
                                       "--save-layer", "a.lay", "--picture", "p.bmp"});
        EXPECT_EQ(r.status, 130);
        expectOneLine(r, "interrupted while the outputs were put in place; all of them were written");
        EXPECT_EQ(tool.entries(), (std::set<std::string>{"w.csv", "a.lay", "p.bmp"}));
        EXPECT_EQ(tool.read("p.bmp").substr(0, 2), "BM");
        EXPECT_EQ(linesOf(tool.read("w.csv")).size(), 4u);
    }
}

TEST(BatchErrors, UnwritableOutputsExitWithStatus1AndLeaveNothingBehind)
{
    BatchProcess tool;
    const std::set<std::string> before = tool.entries();
    for (const std::string option : {"--roughness", "--save-layer", "--picture", "--chart", "--frames"}) {
        SCOPED_TRACE(option);
        const std::string name = option == "--roughness" ? "no/such/dir/w.csv"
            : option == "--save-layer"                   ? "no/such/dir/a.lay"
                                                         : "no/such/dir/p.bmp";
        const ToolResult r = tool.run({"--seed", "1", "--steps", "3", option, name});
        EXPECT_EQ(r.status, 1);
        expectOneLine(r, "no/such/dir");
    }
    // A directory where the file should go.
    std::filesystem::create_directory(tool.file("taken.csv"));
    ToolResult r = tool.run({"--seed", "1", "--steps", "3", "--roughness", "taken.csv"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "taken.csv");
    r = tool.run({"--seed", "1", "--runs", "2", "--steps", "3", "--roughness", "taken.csv"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "taken.csv");

    // An error in one output is found before any tick and no other output is written.
    r = tool.run({"--seed", "1", "--steps", "3", "--roughness", "w.csv", "--save-layer", "no/a.lay"});
    EXPECT_EQ(r.status, 1);
    std::set<std::string> after = tool.entries();
    after.erase("taken.csv");
    EXPECT_EQ(after, before);
}

TEST(BatchErrors, FailedWritesGiveTheSystemsReason)
{
    // Past the file size limit every write fails (EFBIG), as on a full disk (ENOSPC).
    BatchProcess tool;
    tool.shellBefore = "trap '' XFSZ; ulimit -f 1;";
    for (const auto& [option, name] : {std::pair{"--picture", "p.png"}, {"--picture", "p.bmp"}, {"--picture", "p.jpg"},
                                      {"--heightmap", "h.bmp"}, {"--chart", "c.png"}}) {
        SCOPED_TRACE(name);
        const ToolResult r = tool.run({"--seed", "1", "--steps", "2", "--size", "100x100", option, name});
        EXPECT_EQ(r.status, 1);
        expectOneLine(r, std::string("cannot write ") + name + ": File too large");
    }
    EXPECT_EQ(tool.entries().size(), 0u);

    // A device that refuses every write, and a pipe behind /dev/stdout.
    tool.shellBefore.clear();
    const ToolResult r = tool.run({"--seed", "1", "--steps", "2", "--roughness", "/dev/full"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "cannot write /dev/full: No space left on device");
    const std::string command = "cd " + tool.file("") + " && (" TESSAVO_BATCH_EXE
        " --seed 1 --steps 2 --roughness /dev/stdout 2>err; echo $? >status) | cat >piped.csv";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(tool.read("status"), "0\n") << tool.read("err");
    EXPECT_EQ(linesOf(tool.read("piped.csv")).size(), 3u);
}

TEST(BatchErrors, AFailedLayerLeavesAnExistingOutputUntouched)
{
    BatchProcess tool;
    tool.write("w.csv", "old contents\n");
    tool.write("bad.lay", "[layer]\nx=10\ny=10\nx0=oops|\n");
    const ToolResult r = tool.run({"--layer", "bad.lay", "--roughness", "w.csv"});
    EXPECT_EQ(r.status, 1);
    expectOneLine(r, "'oops' is not a valid integer value");
    EXPECT_EQ(tool.read("w.csv"), "old contents\n");
    EXPECT_EQ(tool.entries(), (std::set<std::string>{"bad.lay", "w.csv"}));
}

TEST(BatchErrors, HelpAndVersionSucceed)
{
    BatchProcess tool;
    ToolResult r = tool.run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--save-layer"), std::string::npos);
    EXPECT_NE(r.out.find("--fit-range"), std::string::npos);
    r = tool.run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tessavo-batch ", 0), 0u);
}

TEST(BatchErrors, AResultThatCannotBeWrittenToStdoutIsAFailure)
{
    // /dev/full takes the open but refuses every write, as a full disk does.
    for (const std::string args : {"--seed 1 --steps 30 --dep 1000 --size 10x10 --fit",
                                   "--seed 1 --steps 30 --dep 1000 --size 10x10 --json", "--help"}) {
        SCOPED_TRACE(args);
        const std::string command = BatchProcess::quote(TESSAVO_BATCH_EXE) + " " + args + " >/dev/full 2>/dev/null";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), 1);
    }
}

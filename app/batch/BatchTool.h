#pragma once
// BatchTool: the tessavo-batch program: reads the command line, runs one growth run or an
// experiment of many, writes the outputs and the summary. Exit status 0 on success, 2 for a
// mistake in the arguments, 1 for a file that cannot be read or written.
class BatchTool {
public:
    static int main(int argc, char** argv);
};

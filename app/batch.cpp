// tessavo-batch: grows films as the window does, without a window. See BatchTool.
#include "batch/BatchTool.h"

int main(int argc, char** argv)
{
    return BatchTool::main(argc, argv);
}

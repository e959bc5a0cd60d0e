#include "TestSupport.h"

int main(int argc, char** argv)
{
    return RunTestProgram(argc, argv);
}

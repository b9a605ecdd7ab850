#include <iostream>

#include "command_line.h"

int main(int argc, char** argv)
{
    return vastum::RunCommandLine(argc, argv, std::cout, std::cerr);
}

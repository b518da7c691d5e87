#include "VestrelCli.h"

#include <cstdio>

int main(int argc, char** argv)
{
    return vestrelCliMain(argc, argv, stdin, stdout, stderr);
}

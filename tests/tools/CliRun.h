#pragma once
// Runs vestrel-cli in-process with its streams captured.

#include <cstddef>
#include <string>
#include <vector>

struct CliResult
{
    int status;
    std::string out;
    std::string err;
};

// args without the program name; input is standard input.
CliResult runCli(std::vector<std::string> args, const std::string& input = "");

std::size_t lineCount(const std::string& text);

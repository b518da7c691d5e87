#include "CliRun.h"

#include "TestSupport.h"
#include "VestrelCli.h"

#include <algorithm>
#include <cstdio>

CliResult runCli(std::vector<std::string> args, const std::string& input)
{
    args.insert(args.begin(), "vestrel-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::FILE* in = std::tmpfile();
    std::fputs(input.c_str(), in);
    std::rewind(in);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CliResult result;
    result.status = vestrelCliMain(static_cast<int>(argv.size()), argv.data(), in, out, err);
    std::fclose(in);
    result.out = streamText(out);
    result.err = streamText(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

#include "CommandLine.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Parsed
{
    StartupPaths paths;
    std::string usage;
};

Parsed parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "vestrel");
    std::FILE* usage = std::tmpfile();
    Parsed result;
    result.paths = parseCommandLine(static_cast<int>(args.size()), args.data(), usage);
    result.usage = streamText(usage);
    std::fclose(usage);
    return result;
}

TEST(CommandLine, OptionsAndTheirPaths)
{
    struct Case
    {
        std::vector<const char*> args;
        const char* ref;
        const char* meas;
        const char* icc;
        int usageCount;
    };
    // nullptr: not given.
    const Case cases[] = {
        {{"-i", "p.icc", "-m", "m.txt", "-r", "r.txt"}, "r.txt", "m.txt", "p.icc", 0},
        {{"-r", "r.txt", "-i", "p.icc", "-m", "m.txt"}, "r.txt", "m.txt", "p.icc", 0},
        {{"-ip.icc"}, nullptr, nullptr, "p.icc", 0},
        {{"-rx"}, "x", nullptr, nullptr, 0},
        {{"-x", "-i", "p.icc"}, nullptr, nullptr, nullptr, 0},
        {{"-i", "p.icc", "-x", "-m", "m.txt"}, nullptr, nullptr, "p.icc", 0},
        {{"-?", "-i", "p.icc"}, nullptr, nullptr, "p.icc", 1},
        {{"?whatever", "-r", "r.txt"}, "r.txt", nullptr, nullptr, 1},
        {{"-m"}, nullptr, nullptr, nullptr, 0},
        {{"-r", "a.txt", "-r", "b.txt"}, "b.txt", nullptr, nullptr, 0},
        {{"p.icc"}, nullptr, nullptr, nullptr, 0},
        {{"-"}, nullptr, nullptr, nullptr, 0},
        {{"-R", "r.txt"}, nullptr, nullptr, nullptr, 0},
        {{"-i", ""}, nullptr, nullptr, "", 0},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.args);
        std::string what;
        for (const char* a : c.args)
            what += std::string(a) + " ";
        auto check = [&what](const QString& actual, const char* expected, const char* name) {
            if (!expected)
                EXPECT_TRUE(actual.isNull()) << what << name;
            else
                EXPECT_EQ(actual.toStdString(), expected) << what << name;
        };
        check(p.paths.reference, c.ref, "ref");
        check(p.paths.measurement, c.meas, "meas");
        check(p.paths.profile, c.icc, "icc");
        EXPECT_EQ(p.usage, std::string(c.usageCount, 'x').empty() ? "" : usageText) << what;
    }
}

TEST(CommandLine, UsageTextIsExact)
{
    const std::string text = usageText;
    const std::string second = "Orvand Vestrel -i pathtoICCprofile -m pathtomeasurementfile -r pathtoreferencefile \t\n";
    const std::string third = "Orvand Vestrel -i pathtoICCprofile -m pathtocombinedfile";
    ASSERT_GT(text.size(), second.size() + third.size());
    EXPECT_EQ(text.substr(text.size() - third.size()), third);
    EXPECT_EQ(text.substr(text.size() - third.size() - second.size(), second.size()), second);
    const std::string first = text.substr(0, text.size() - third.size() - second.size());
    EXPECT_EQ(first.substr(first.size() - 3), " \t\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

} // namespace

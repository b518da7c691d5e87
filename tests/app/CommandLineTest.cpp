#include "CommandLine.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Parsed
{
    StartupPaths paths;
};

Parsed parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "vestrel");
    return {parseCommandLine(static_cast<int>(args.size()), args.data())};
}

TEST(CommandLine, OptionsAndTheirPaths)
{
    struct Case
    {
        std::vector<const char*> args;
        const char* ref;
        const char* meas;
        const char* icc;
        bool usage;
    };
    // nullptr: not given.
    const Case cases[] = {
        {{"-i", "p.icc", "-m", "m.txt", "-r", "r.txt"}, "r.txt", "m.txt", "p.icc", false},
        {{"-r", "r.txt", "-i", "p.icc", "-m", "m.txt"}, "r.txt", "m.txt", "p.icc", false},
        {{"-ip.icc"}, nullptr, nullptr, "p.icc", false},
        {{"-rx"}, "x", nullptr, nullptr, false},
        {{"-x", "-i", "p.icc"}, nullptr, nullptr, nullptr, false},
        {{"-i", "p.icc", "-x", "-m", "m.txt"}, nullptr, nullptr, "p.icc", false},
        {{"-?", "-i", "p.icc"}, nullptr, nullptr, "p.icc", true},
        {{"-h", "-i", "p.icc"}, nullptr, nullptr, "p.icc", true},
        {{"-hx", "-i", "p.icc"}, nullptr, nullptr, nullptr, false},
        {{"?whatever", "-r", "r.txt"}, "r.txt", nullptr, nullptr, true},
        {{"-m"}, nullptr, nullptr, nullptr, false},
        {{"-r", "a.txt", "-r", "b.txt"}, "b.txt", nullptr, nullptr, false},
        {{"p.icc"}, nullptr, nullptr, nullptr, false}, // opened by its kind, below
        {{"-"}, nullptr, nullptr, nullptr, false},
        {{"-R", "r.txt"}, nullptr, nullptr, nullptr, false},
        {{"-i", ""}, nullptr, nullptr, "", false},
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
        EXPECT_EQ(p.paths.usage, c.usage) << what;
    }

    // Plain paths in their order, taken as UTF-8; the long options.
    const Parsed plain = parse({"Pr\xC3\xBC" "f.icc", "-m", "m\xC3\xA9s.txt", "ref.txt", "--version"});
    EXPECT_EQ(plain.paths.files, (QStringList{QString::fromUtf8("Pr\xC3\xBC" "f.icc"), "ref.txt"}));
    EXPECT_EQ(plain.paths.measurement, QString::fromUtf8("m\xC3\xA9s.txt"));
    EXPECT_TRUE(plain.paths.version);
    EXPECT_TRUE(parse({"--help"}).paths.usage);
    // Lines a terminal shows as they are: no trailing blanks or tabs.
    EXPECT_EQ(std::string(usageText).find_first_of("\t"), std::string::npos);
    EXPECT_EQ(std::string(usageText).find(" \n"), std::string::npos);
}

} // namespace

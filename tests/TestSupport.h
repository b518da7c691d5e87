#pragma once
// Helpers shared by the test files.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

std::string testDataPath(const std::string& name);
std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string readText(const std::string& path);
void writeText(const std::string& path, const std::string& text);
bool fileExists(const std::string& path);

// The text of a patch file with each data row ("id L a b ...") replaced by
// its id and what edit returns for its row number (from 0) and Lab values;
// an empty return drops the row.
std::string editedRows(const std::string& text, const std::function<std::string(int row, double (&lab)[3])>& edit);
// "L a b" with two decimals, as an instrument writes them.
std::string labText(const double (&lab)[3]);

// The text with every character but letters and digits made '_': a name for
// a parameterised test's case.
std::string identifier(std::string text);

// Largest, mean and percentiles of a run of differences.
struct Stats
{
    double max = 0, sum = 0;
    std::vector<double> all;
    void add(double v)
    {
        max = std::max(max, v);
        sum += v;
        all.push_back(v);
    }
    double mean() const { return all.empty() ? 0 : sum / all.size(); }
    double percentile(double p)
    {
        std::sort(all.begin(), all.end());
        return all.empty() ? 0 : all[static_cast<std::size_t>(p * (all.size() - 1))];
    }
};

// A fresh folder below the system's temporary folder, removed with its files
// when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

// Whether the diagnostics log holds an entry with this level letter and title
// whose details contain the text.
bool logHas(char level, const std::string& title, const std::string& details = "");
// Every entry of the log, one line each, for failure messages.
std::string logText();

// Everything written to a temporary stream.
std::string streamText(std::FILE* stream);

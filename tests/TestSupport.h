#pragma once
// Helpers shared by the test files.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

std::string testDataPath(const std::string& name);
std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

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

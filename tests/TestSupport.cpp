#include "TestSupport.h"

#include "csErrorLog.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

std::string testDataPath(const std::string& name)
{
    return std::string(VESTREL_TEST_DATA) + "/" + name;
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string readText(const std::string& path)
{
    const std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeText(const std::string& path, const std::string& text)
{
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool fileExists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

std::string editedRows(const std::string& text, const std::function<std::string(int row, double (&lab)[3])>& edit)
{
    std::istringstream in(text);
    std::string out;
    bool data = false;
    int row = 0;
    for (std::string line; std::getline(in, line);) {
        if (line == "END_DATA")
            data = false;
        if (data) {
            std::istringstream values(line);
            std::string id;
            double lab[3];
            values >> id >> lab[0] >> lab[1] >> lab[2];
            const std::string rest = edit(row++, lab);
            if (rest.empty())
                continue;
            line = id + " " + rest;
        }
        if (line == "BEGIN_DATA")
            data = true;
        out += line + '\n';
    }
    return out;
}

std::string labText(const double (&lab)[3])
{
    char text[96];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", lab[0], lab[1], lab[2]);
    return text;
}

std::string identifier(std::string text)
{
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return text;
}

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vestrel-test-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
}

TempDir::~TempDir()
{
    const std::string command = "rm -rf '" + dir_ + "'";
    if (std::system(command.c_str()) != 0) {
        // Leftovers in the temporary folder are harmless.
    }
}

bool logHas(char level, const std::string& title, const std::string& details)
{
    for (uint32_t i = 0; i < csErrorLog::count(); ++i) {
        if (csErrorLog::levelLetter(csErrorLog::levelOf(i)) == level && title == csErrorLog::titleOf(i) &&
            std::string(csErrorLog::detailsOf(i)).find(details) != std::string::npos)
            return true;
    }
    return false;
}

std::string logText()
{
    std::string text;
    for (uint32_t i = 0; i < csErrorLog::count(); ++i) {
        text += csErrorLog::levelLetter(csErrorLog::levelOf(i));
        text += std::string(" '") + csErrorLog::titleOf(i) + "' " + csErrorLog::detailsOf(i) + "\n";
    }
    return text;
}

std::string streamText(std::FILE* stream)
{
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        text.append(buffer, n);
    return text;
}

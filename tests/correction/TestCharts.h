#pragma once
// The shared charts as the correction methods take them.

#include "ClutNodes.h"
#include "SmoothCorrection.h"
#include "csICCProfile.h"
#include "TestSupport.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// SAMPLE_ID -> Lab of the data lines of a simple CGATS file in the test data.
inline std::map<int, Lab> readLab(const std::string& name)
{
    std::ifstream in(testDataPath(name));
    std::map<int, Lab> values;
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line.rfind("BEGIN_DATA", 0) == 0 && line != "BEGIN_DATA_FORMAT")
            data = true;
        else if (line.rfind("END_DATA", 0) == 0)
            data = false;
        else if (data) {
            std::istringstream words(line);
            int id;
            Lab lab;
            if (words >> id >> lab.L >> lab.a >> lab.b)
                values[id] = lab;
        }
    }
    return values;
}

// The patches of a reference and a measurement file, paired by id.
inline std::vector<SmoothPatch> patchesOf(const std::string& ref = "cmyk_ref.txt",
                                          const std::string& meas = "cmyk_meas.txt")
{
    const std::map<int, Lab> r = readLab(ref), m = readLab(meas);
    std::vector<SmoothPatch> patches;
    for (const auto& [id, lab] : r)
        patches.push_back({lab, m.at(id)});
    return patches;
}

// B2A2 made a table of its own: one code of its first node changed, so it
// no longer holds B2A1's data.
inline void makeB2A2ItsOwn(csICCProfile& profile)
{
    ClutNodes b2a2(profile.tagTable().find(csSig("B2A2")));
    const uint16_t node[3] = {0, 0, 0};
    uint16_t values[4];
    b2a2.get(node, values);
    values[0] ^= 1;
    b2a2.set(node, values);
}

#include "BenchmarkChart.h"

#include "CorrectionSession.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <tuple>
#include <vector>

void writeChart(const std::string& profilePath, std::size_t n, const std::string& reference,
                const std::string& measurement)
{
    CorrectionSession session;
    session.openProfile(profilePath);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> device(0, 52000);
    std::normal_distribution<double> noise(0.0, 0.2);
    std::vector<std::size_t> order(n);
    std::vector<std::string> refLines(n), measLines(n);
    char line[160];
    for (std::size_t i = 0; i < n; ++i) {
        uint16_t in[4] = {uint16_t(device(random)), uint16_t(device(random)), uint16_t(device(random)),
                          uint16_t(device(random) / 2)};
        uint16_t out[3];
        session.predict(in, out);
        const Lab lab = decodeLab16({out[0], out[1], out[2]});
        std::snprintf(line, sizeof line, "%zu %.2f %.2f %.2f\n", i + 1, lab.L, lab.a, lab.b);
        refLines[i] = line;
        std::snprintf(line, sizeof line, "%zu %.2f %.2f %.2f\n", i + 1, lab.L - 2.0 + noise(random),
                      lab.a + 0.03 * lab.b + noise(random), lab.b + 1.5 + noise(random));
        measLines[i] = line;
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), random);
    for (const auto& [path, lines, shuffled] :
         {std::make_tuple(reference, &refLines, false), std::make_tuple(measurement, &measLines, true)}) {
        std::ofstream file(path);
        file << "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nNUMBER_OF_SETS " << n
             << "\nBEGIN_DATA\n";
        for (std::size_t i = 0; i < n; ++i)
            file << (*lines)[shuffled ? order[i] : i];
        file << "END_DATA\n";
    }
}


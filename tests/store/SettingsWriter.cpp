// A second process for the tests of writers that meet: writes the settings file named by its
// first argument and exits with 0, or with 2 when a write failed.
//   settings_writer FILE put SECTION KEY VALUE
//   settings_writer FILE count SECTION PREFIX N      writes PREFIX0=0 ... PREFIX<N-1>=N-1
//   settings_writer FILE increment SECTION KEY N     counts N runs into KEY; exits with 3 when
//                                                    the counts it is given do not keep rising
#include "store/IniFile.h"

#include <cstdint>
#include <string>

int main(int argc, char** argv) {
    if (argc < 6)
        return 1;
    const std::string mode = argv[2];
    try {
        kolvane::TIniFile ini(argv[1]);
        if (mode == "put") {
            ini.PutEntry(argv[3], argv[4], argv[5]);
        } else if (mode == "count") {
            const int count = std::stoi(argv[5]);
            for (int i = 0; i < count; ++i)
                ini.PutNumber(argv[3], argv[4] + std::to_string(i), i);
        } else if (mode == "increment") {
            const int runs = std::stoi(argv[5]);
            std::int32_t last = 0;
            for (int i = 0; i < runs; ++i) {
                const std::int32_t count = ini.IncrementNumber(argv[3], argv[4]);
                if (count <= last)
                    return 3;
                last = count;
            }
        } else {
            return 1;
        }
    } catch (const kolvane::WriteError&) {
        return 2;
    }
    return 0;
}

// Times LoadTasks over a generated settings file of 1,000 tasks against one plain read and parse
// of the same file, and prints their ratio. A store that re-reads or re-parses the file for every
// value it hands out is hundreds of times slower than the plain parse.
#include "store/IniDocument.h"
#include "store/IniFile.h"
#include "store/TaskTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string GenerateTasks(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string name = "备份任务 " + std::to_string(i);
        text += "[" + name + "]\ntaskName=" + name + "\ntaskSource=/home/user/documents/project" +
                std::to_string(i) + "\ntaskDest=/mnt/backup/project" + std::to_string(i) +
                "\ntaskautoChild=1\ntaskDD=08:30:00\nuseDelayM=1\ndelayM=60\nrunCount=" +
                std::to_string(i * 3) + "\n";
    }
    return text;
}

template <typename Work> double MedianMicroseconds(int runs, Work work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    char pattern[] = "/tmp/kolvane-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path directory = pattern;
    const std::string path = (directory / "defaultSet.ini").string();
    std::ofstream(path) << GenerateTasks(1000);

    const int runs = 51;
    std::size_t rows = 0;
    // A fresh settings object each run, as the window's first build has: the file is read cold.
    const double load = MedianMicroseconds(runs, [&] {
        kolvane::TIniFile ini(path);
        kolvane::TaskTable table;
        kolvane::LoadTasks(table, ini);
        rows = static_cast<std::size_t>(table.rowCount());
    });
    std::size_t sections = 0;
    const double parse = MedianMicroseconds(runs, [&] {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        std::vector<std::string> names;
        kolvane::IniDocument::Parse(content.str()).SectionNames(names);
        sections = names.size();
    });
    std::printf("tasks: %zu rows, %zu sections\n", rows, sections);
    std::printf("LoadTasks:            %8.0f us (median of %d)\n", load, runs);
    std::printf("plain read and parse: %8.0f us (median of %d)\n", parse, runs);
    std::printf("ratio: %.2f (target: at most 5)\n", load / parse);
    std::filesystem::remove_all(directory);
    return 0;
}

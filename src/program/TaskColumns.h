#pragma once

#include <array>

namespace kolvane::program {

// The columns of the task list: the row's caption first, then its eight sub-items.
struct TaskColumn {
    const char* header;
    int width; // pixels at 96 dpi
};

inline constexpr std::array<TaskColumn, 9> kTaskColumns{{
    {"类型", 60},
    {"任务名", 100},
    {"源目录(文件)", 150},
    {"目标目录", 150},
    {"执行时间", 100},
    {"自动创建子目录", 100},
    {"进度", 100},
    {"备份次数", 60},
    {"每隔几分钟自动执行", 100},
}};

} // namespace kolvane::program

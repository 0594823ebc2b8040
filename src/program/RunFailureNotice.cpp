#include "program/RunFailureNotice.h"

namespace kolvane::program {

Notice RunFailureNotice(const std::string& taskName, int failedFiles) {
    return Notice{"Kolvane", "任务\"" + taskName + "\"运行结束，" + std::to_string(failedFiles) +
                                 " 个文件复制失败"};
}

} // namespace kolvane::program

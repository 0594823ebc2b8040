#include "store/TaskOptions.h"

#include "store/IniFile.h"

#include <algorithm>

namespace kolvane {
namespace {

void PutOrDeleteFlag(TIniFile& taskIni, const std::string& section, const char* key, bool on) {
    if (on)
        taskIni.PutFlag(section, key, true);
    else
        taskIni.DeleteKey(section, key);
}

} // namespace

bool UsesAnyOption(const TaskOptions& options) {
    return options != TaskOptions{};
}

TaskOptions ReadTaskOptions(const IniSnapshot& file, const std::string& section) {
    TaskOptions options;
    options.skipSame = file.GetFlag(section, kSkipSameKey, false);
    options.linkSame = file.GetFlag(section, kLinkSameKey, false);
    options.keepLast = std::max(0, static_cast<int>(file.GetNumber(section, kKeepLastKey, 0)));
    options.excludeMask = file.GetEntry(section, kExcludeMaskKey, "");
    options.catchUp = file.GetFlag(section, kCatchUpKey, false);
    return options;
}

void WriteTaskOptions(TIniFile& taskIni, const std::string& section, const TaskOptions& options) {
    PutOrDeleteFlag(taskIni, section, kSkipSameKey, options.skipSame);
    PutOrDeleteFlag(taskIni, section, kLinkSameKey, options.linkSame);
    if (options.keepLast > 0)
        taskIni.PutNumber(section, kKeepLastKey, options.keepLast);
    else
        taskIni.DeleteKey(section, kKeepLastKey);
    if (!options.excludeMask.empty())
        taskIni.PutEntry(section, kExcludeMaskKey, options.excludeMask);
    else
        taskIni.DeleteKey(section, kExcludeMaskKey);
    PutOrDeleteFlag(taskIni, section, kCatchUpKey, options.catchUp);
    if (!options.catchUp)
        taskIni.DeleteKey(section, kLastRunKey);
}

} // namespace kolvane

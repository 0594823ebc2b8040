// A second process for the copy job's crash trials: copies SOURCE into DESTINATION as the task
// run does, printing 0 when it starts and then the index of each entry it attempts. Exits with
// 0 when the job completed, 4 when it did not end in time, 1 on wrong arguments.
//   copy_runner SOURCE DESTINATION
#include "EngineTestKit.h"

#include <cstdio>

namespace {

class PrintingSink final : public kolvane::JobEventSink {
public:
    // Called on the job's worker thread.
    void Post(kolvane::JobEvent event) override {
        if (event.kind == kolvane::JobEvent::Kind::Progress)
            Print(event.index);
    }
    static void Print(int index) {
        std::printf("%d\n", index);
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 1;
    PrintingSink::Print(0);
    return kolvane::testing::RunCopyJob(argv[1], argv[2], std::make_shared<PrintingSink>()) ? 0 : 4;
}

#include "pipeline/run/CopyRun.h"

#include "pipeline/record/RunRecorder.h"
#include "pipeline/run/RunFollowUp.h"

namespace tavor {

RunResult CopyRun::run() {
    RunRecorder recorder(context_);
    recorder.begin();
    RunResult result = ArchiveRun(context_, onRow_, onPruning_).cmdCopy_Click();
    if (result.refusal != RunRefusal::AnotherRunLasts)
        recorder.finish(result);
    lastCompleteCopy_ = recorder.lastCompleteCopy();
    return result;
}

void CopyRun::removeDriveSafely(RunResult& result) {
    RunFollowUp(context_).removeDriveSafely(result);
}

} // namespace tavor

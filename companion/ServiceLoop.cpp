#include "companion/ServiceLoop.h"

#include <algorithm>

namespace zo::companion {

bool AwaitWorker(IStopSteps& steps) {
    const uint64_t deadline = steps.NowMs() + kStopLimitMs;
    for (uint32_t checkPoint = 1;; ++checkPoint) {
        const uint64_t now = steps.NowMs();
        if (now >= deadline) return false;
        const uint32_t left = uint32_t(deadline - now);
        steps.ReportStopPending(checkPoint, left + kStopStepMs);
        if (steps.WaitForWorker(std::min(left, kStopStepMs))) return true;
    }
}

namespace {

// The nearest folder above that exists, up to the drive's root ("C:\"); empty when none does.
std::u16string NearestFolderAbove(IFolderWatches& system, std::u16string folder) {
    for (;;) {
        const size_t cut = folder.find_last_of(u'\\');
        if (cut == std::u16string::npos || cut + 1 == folder.size()) return u"";
        folder.resize(cut < 3 ? cut + 1 : cut);  // a drive's root keeps its backslash
        if (system.IsFolder(folder)) return folder;
    }
}

}  // namespace

void RenewFolderWatches(IFolderWatches& system, const std::u16string& settingsFolder) {
    system.Close(wkSettings);
    system.Close(wkAbove);
    if (system.IsFolder(settingsFolder)) system.Watch(wkSettings, settingsFolder);
    const std::u16string above = NearestFolderAbove(system, settingsFolder);
    if (!above.empty()) system.Watch(wkAbove, above);
}

}  // namespace zo::companion

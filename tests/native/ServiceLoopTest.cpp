// The service's stop with a worker that is slow to return, and the settings folder's watch while
// folders go and come back, as Windows and Wine each report it.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <vector>

#include "companion/ServiceLoop.h"

using namespace zo::companion;

namespace {

// A worker that returns at a given time of a clock that only the stop's waits advance.
struct TSlowWorker final : IStopSteps {
    explicit TSlowWorker(uint64_t returnsAt) : ReturnsAt(returnsAt) {}
    uint64_t NowMs() override { return Now; }
    void ReportStopPending(uint32_t checkPoint, uint32_t hint) override { Reports.push_back({Now, checkPoint, hint}); }
    bool WaitForWorker(uint32_t ms) override {
        Now = std::max(Now, std::min(Now + ms, ReturnsAt));
        return Now >= ReturnsAt;
    }
    uint64_t Now = 0, ReturnsAt;
    std::vector<std::array<uint64_t, 3>> Reports;  // at, checkpoint, wait hint
};

// Folders by path, each made with a new number, and the open notifications (folder, its number).
// On Windows a folder removed while its own notification is open stays, unusable, until that closes.
struct TFakeFolders final : IFolderWatches {
    bool IsFolder(const std::u16string& path) override { return Folders.count(path) && !Pending.count(path); }
    bool Watch(TWatchKind kind, const std::u16string& folder) override {
        Open[kind] = {folder, Folders[folder]};
        return true;
    }
    void Close(TWatchKind kind) override {
        if (Open.count(kind) && Pending.erase(Open[kind].first)) Folders.erase(Open[kind].first);
        Open.erase(kind);
    }
    void Remove(const std::u16string& path, bool windows) {
        if (windows && Watches(wkSettings, path))
            Pending.insert(path);
        else
            Folders.erase(path);
    }
    bool Watches(TWatchKind kind, const std::u16string& path) {
        return Open.count(kind) && Folders.count(path) && Open[kind] == std::make_pair(path, Folders[path]);
    }
    std::map<std::u16string, int> Folders;
    std::map<int, std::pair<std::u16string, int>> Open;
    std::set<std::u16string> Pending;
};

}  // namespace

TEST(ServiceStop, ProgressUntilTheWorkerReturnsAndAnEndWithinEveryHintWhenItDoesNot) {
    struct Row {
        uint64_t ReturnsAt, EndsAt;
        bool Returned;
        size_t Reports;
    } const rows[] = {
        {0, 0, true, 1},           // it was waiting
        {1100, 1100, true, 5},     // in a slow call
        {30000, 3000, false, 12},  // in a call that outlasts the stop's time
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ReturnsAt);
        TSlowWorker worker(row.ReturnsAt);
        EXPECT_EQ(AwaitWorker(worker), row.Returned);
        EXPECT_EQ(worker.Now, row.EndsAt);
        ASSERT_EQ(worker.Reports.size(), row.Reports);
        for (size_t i = 0; i < worker.Reports.size(); ++i) {
            const auto [at, checkPoint, hint] = worker.Reports[i];
            EXPECT_EQ(checkPoint, i + 1);
            EXPECT_LE(at, i * kStopStepMs);
            EXPECT_GE(at + hint, row.EndsAt + kStopStepMs);  // the end and its report within every hint
        }
    }
}

// Each check makes the notifications anew; the one on the folder above signals when the settings
// folder is made again, so that a check comes at once.
TEST(SettingsFolderWatch, AFolderRemovedOrReplacedIsWatchedAsItIsNowAtTheNextCheck) {
    const std::u16string top = u"C:\\ProgramData", above = top + u"\\Maker", folder = above + u"\\Product";
    for (bool windows : {false, true}) {
        SCOPED_TRACE(windows ? "Windows" : "Wine");
        TFakeFolders f;
        for (const auto& path : {top, above, folder}) f.Folders[path] = int(f.Folders.size()) + 1;
        RenewFolderWatches(f, folder);
        f.Remove(folder, windows);
        RenewFolderWatches(f, folder);
        EXPECT_FALSE(f.Folders.count(folder)) << "its notification keeps the removed folder";
        EXPECT_FALSE(f.Open.count(wkSettings));
        EXPECT_TRUE(f.Watches(wkAbove, above));
        // Both removed and made again between two checks, with no signal to either notification.
        f.Folders[folder] = f.Folders[above] = 10;
        RenewFolderWatches(f, folder);
        EXPECT_TRUE(f.Watches(wkSettings, folder));
        EXPECT_TRUE(f.Watches(wkAbove, above));
        f.Remove(above, false);
        f.Remove(folder, false);
        RenewFolderWatches(f, folder);
        EXPECT_TRUE(f.Watches(wkAbove, top));
    }
}

// Saves version after version of a 1,000-entry list through ProfileFile until
// the crash harness kills it:
//   reliability_save_child FOLDER FIRST_VERSION MAPPING_NAME STARTED_EVENT
// Exits by itself only when a save fails (code 3) or its arguments are wrong.
#include "profile/ProfileFile.h"
#include "tests/reliability/VersionedList.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

using reliability::SaveProgress;

// Tells the harness how far each save got before the kill.
class ReportingProfile : public ProfileFile {
public:
    ReportingProfile(const std::string& folder, SaveProgress& progress)
        : ProfileFile("Vistero", folder, folder + "\\none"), progress(progress)
    {
    }

protected:
    bool ContinueSave(SaveStep step) override
    {
        // Each try of the save writes anew.
        const LONG stage = step == SaveStep::TryStarted         ? reliability::Writing
                           : step == SaveStep::TemporaryWritten ? reliability::TemporaryWritten
                                                                : reliability::BackupWritten;
        ::InterlockedExchange(&progress.stage, stage);
        return true;
    }

private:
    SaveProgress& progress;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const std::string folder = argv[1];
    std::int32_t version = std::atoi(argv[2]);
    const HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, argv[3]);
    const HANDLE started = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);
    auto* progress = mapping ? static_cast<SaveProgress*>(
                                   ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SaveProgress)))
                             : nullptr;
    if (!progress || !started)
        return 2;

    // The profile as the program keeps it, with nothing in the Windows folder
    // to fall back on.
    ReportingProfile profile(folder, *progress);
    WallpaperSet set;
    for (bool first = true;; ++version, first = false) {
        reliability::FillVersion(set, version);
        ::InterlockedExchange(&progress->stage, reliability::Writing);
        ::InterlockedExchange(&progress->saving, version);
        if (first)
            ::SetEvent(started);
        if (!set.Save(profile)) {
            ::InterlockedExchange(&progress->failure, static_cast<LONG>(profile.LastSaveError()));
            return 3;
        }
        ::InterlockedExchange(&progress->saved, version);
        ::InterlockedExchange(&progress->stage, reliability::Saved);
    }
}

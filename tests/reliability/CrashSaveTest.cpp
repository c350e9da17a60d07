// Saves cut short by TerminateProcess: a child saves version after version
// of a 1,000-entry list through ProfileFile, and this harness kills it after
// a random delay (from a fixed seed, so a failing run repeats), then reads
// what is on disk. 200 kills, 1,000 with VISTERO_SOAK=1 (make soak).
#include "profile/ProfileDocument.h"
#include "profile/ProfileFile.h"
#include "tests/reliability/VersionedList.h"
#include "tests/support/Kit.h"
#include "tests/support/Outside.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#ifndef SAVE_CHILD_EXE
#error SAVE_CHILD_EXE must name the save child
#endif

namespace {

namespace fs = std::filesystem;
using reliability::SaveProgress;

constexpr std::uint32_t Seed = 20240611;
// Kill moments spread over a few saves' time after the first save began; a
// save of the list takes some milliseconds under Wine.
constexpr DWORD LongestDelayMs = 60;
constexpr DWORD DeadlineMs = 30000;

int Kills()
{
    const char* soak = std::getenv("VISTERO_SOAK");
    return soak && std::string(soak) == "1" ? 1000 : 200;
}

// The version the file holds whole, -1 for anything else, -2 when it is missing.
std::int32_t VersionIn(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return -2;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ProfileDocument document(text);
    WallpaperSet set;
    set.Load(document);
    return reliability::VersionOf(set);
}

TEST(CrashSafeSave, EveryKillLeavesTheOldOrTheNewListWholeAndThePreviousOneInTheBackup)
{
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const fs::path root = fs::temp_directory_path() / ("vistero-crash-" + tag);
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string folder = root.string();
    const std::string file = folder + "\\Vistero.INI";

    // Two saves of this process's own first, so that a backup exists.
    {
        ProfileFile profile("Vistero", folder, folder + "\\none");
        WallpaperSet set;
        for (std::int32_t version : {1, 2}) {
            reliability::FillVersion(set, version);
            ASSERT_TRUE(set.Save(profile)) << profile.LastSaveError();
        }
    }
    ASSERT_EQ(2, VersionIn(file));
    ASSERT_EQ(1, VersionIn(file + ".bak"));

    const std::string mappingName = "VisteroCrashSave-" + tag;
    const std::string eventName = "VisteroCrashSaveStarted-" + tag;
    const HANDLE mapping =
        ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SaveProgress), mappingName.c_str());
    ASSERT_NE(nullptr, mapping);
    auto* progress = static_cast<SaveProgress*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SaveProgress)));
    ASSERT_NE(nullptr, progress);
    const HANDLE started = ::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(nullptr, started);

    std::string childCommand = "\"";
    childCommand.append(test_support::Located("reliability_save_child.exe", SAVE_CHILD_EXE)).append("\" \"").append(folder).append("\" ");
    std::mt19937 random(Seed);
    std::uniform_int_distribution<DWORD> delays(0, LongestDelayMs);
    std::int32_t current = 2;
    // Kills by how far the save they struck had got.
    int killsAt[reliability::StageCount] = {};
    long long savesCompleted = 0;
    const int kills = Kills();
    for (int kill = 1; kill <= kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill) + " of " + std::to_string(kills) + ", seed " +
                     std::to_string(Seed));
        progress->saving = current;
        progress->saved = current;
        progress->stage = reliability::Saved;
        progress->failure = 0;
        ::ResetEvent(started);
        std::string commandLine = childCommand + std::to_string(current + 1) + " " + mappingName + " " + eventName;
        PROCESS_INFORMATION child{};
        DWORD startError = 0;
        ASSERT_TRUE(test_support::StartProcess(commandLine, child, nullptr, &startError))
            << "the save child did not start: error " << startError;
        ::CloseHandle(child.hThread);
        const HANDLE waited[] = {started, child.hProcess};
        const DWORD first = ::WaitForMultipleObjects(2, waited, FALSE, DeadlineMs);
        // Left running while it saves, for a random moment; a child that
        // stops by itself had a save fail.
        const DWORD delay = delays(random);
        const bool stillSaving = first == WAIT_OBJECT_0 && ::WaitForSingleObject(child.hProcess, delay) == WAIT_TIMEOUT;
        ::TerminateProcess(child.hProcess, 99);
        ::WaitForSingleObject(child.hProcess, DeadlineMs);
        ::CloseHandle(child.hProcess);
        ASSERT_TRUE(stillSaving) << "the child ended by itself; failed save: error " << progress->failure;

        const std::int32_t saved = progress->saved;
        const std::int32_t saving = progress->saving;
        const std::int32_t onDisk = VersionIn(file);
        const std::int32_t backup = VersionIn(file + ".bak");
        // The old list or the new one, whole; the backup one step behind, or
        // already the current list when the kill came after the backup step.
        ASSERT_TRUE(onDisk == saved || onDisk == saving)
            << "profile holds " << onDisk << ", the child had saved " << saved << " and was saving " << saving;
        if (onDisk == saved)
            ASSERT_TRUE(backup == saved - 1 || backup == saved) << "backup " << backup << " beside " << onDisk;
        else
            ASSERT_EQ(saved, backup);

        savesCompleted += saved - current;
        ++killsAt[saving != saved ? progress->stage : reliability::Saved];
        current = onDisk;
    }
    std::printf("crash-safe saves: %d kills (seed %u, delays 0-%lu ms), %lld saves completed in between; kills "
                "while writing the new file %d, while keeping the backup %d, while moving the new file in %d, "
                "between saves %d; lost, empty or mixed lists: 0\n",
                kills, Seed, static_cast<unsigned long>(LongestDelayMs), savesCompleted,
                killsAt[reliability::Writing], killsAt[reliability::TemporaryWritten],
                killsAt[reliability::BackupWritten], killsAt[reliability::Saved]);

    ::UnmapViewOfFile(progress);
    ::CloseHandle(mapping);
    ::CloseHandle(started);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

} // namespace

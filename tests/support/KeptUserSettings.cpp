// Every Windows test program puts back, when it ends, what is the user's own
// and its tests may have changed (the desktop's settings, the Startup folder,
// its own and Vistero's profile), as it was when it started: on a user's
// machine, which the Windows test kit runs on, nothing of theirs may stay
// changed. Linked into each through vistero_add_windows_test.
#include "tests/support/Kit.h"
#include "tests/support/Outside.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class KeptUserSettings : public testing::Environment {
public:
    void SetUp() override
    {
        kept = std::make_unique<test_support::SavedUserSettings>(
            std::vector<std::string>{"Vistero", test_support::ThisProgramName()});
    }
    void TearDown() override
    {
        // What a test left running could write them again.
        test_support::EndStrayPrograms();
        kept.reset();
    }

private:
    std::unique_ptr<test_support::SavedUserSettings> kept;
};

[[maybe_unused]] testing::Environment* const keptUserSettings = testing::AddGlobalTestEnvironment(new KeptUserSettings);

} // namespace

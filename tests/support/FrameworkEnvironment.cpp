// Sets the application object up for a test program as WinMain would for the
// program: instance, application name (the test program's base name),
// argument text, common controls. A test program that defines an application
// object of its own gets that one set up; the others get a plain CWinApp.
#include "framework/ui/WinApp.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

std::optional<CWinApp> fallbackApplication;

class FrameworkEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        if (!AfxGetApp())
            fallbackApplication.emplace();
        ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), ::GetCommandLineA()));
    }
};

[[maybe_unused]] testing::Environment* const registered =
    testing::AddGlobalTestEnvironment(new FrameworkEnvironment);

} // namespace

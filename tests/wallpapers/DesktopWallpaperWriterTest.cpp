// The desktop wallpaper writer against the real registry, win.ini and
// SystemParametersInfoA under Wine. HKEY_CURRENT_USER is redirected to a key
// of the test's own while the writer runs, so that its registry and win.ini
// writes land there; SystemParametersInfoA ignores the redirection and
// stores the path under the real key, which tells whether the writer called
// it. What the system call changes is put back afterwards.
#include "wallpapers/DesktopWallpaperWriter.h"

#include "framework/ui/WinApp.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "wallpapers/WallpaperEntry.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using test_support::AppliedWallpaper;

constexpr const char* DesktopKey = "Control Panel\\Desktop";
constexpr const char* TestRootKey = "Software\\Vistero Tests\\Desktop Writer";
const char* const ValueNames[] = {"Wallpaper", "TileWallpaper", "WallpaperStyle"};

struct RegistryValue {
    DWORD type = 0;
    std::string data; // as stored, the terminating zero included
};

std::optional<RegistryValue> QueryValue(HKEY key, const char* name)
{
    RegistryValue value;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    if (::RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

// A value of "Control Panel\Desktop" as the writer sees it (the test's key).
RegistryValue QueryValue(const char* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    const std::optional<RegistryValue> value = QueryValue(key, name);
    ::RegCloseKey(key);
    return value.value_or(RegistryValue{});
}

std::string WinIni(const char* key)
{
    std::string value(70000, '\0');
    const DWORD length = ::GetProfileStringA("Desktop", key, "<missing>", value.data(), static_cast<DWORD>(value.size()));
    value.resize(length);
    return value;
}

std::string Sz(const std::string& text)
{
    return text + '\0';
}

// What the writer asked of the registry, and the one step to fail.
struct RegistryLog {
    std::vector<std::string> calls;
    std::string failingStep;
    LONG failureCode = 0;
    REGSAM access = 0;
    HKEY root = nullptr;
    std::string subKey;
} registryLog;

LSTATUS WINAPI LoggedOpenKey(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    registryLog.calls.push_back("RegOpenKeyEx");
    registryLog.root = root;
    registryLog.subKey = subKey;
    registryLog.access = access;
    if (registryLog.failingStep == "RegOpenKeyEx")
        return registryLog.failureCode;
    return ::RegOpenKeyExA(root, subKey, options, access, result);
}

LSTATUS WINAPI LoggedSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    const std::string step = std::string("RegSetValueEx on ") + name;
    registryLog.calls.push_back(step);
    if (registryLog.failingStep == step)
        return registryLog.failureCode;
    return ::RegSetValueExA(key, name, reserved, type, data, size);
}

LSTATUS WINAPI LoggedFlushKey(HKEY key)
{
    registryLog.calls.push_back("RegFlushKey");
    if (registryLog.failingStep == "RegFlushKey")
        return registryLog.failureCode;
    return ::RegFlushKey(key);
}

LSTATUS WINAPI LoggedCloseKey(HKEY key)
{
    registryLog.calls.push_back("RegCloseKey");
    const LSTATUS status = ::RegCloseKey(key); // closed all the same: no handle leaks from the test
    return registryLog.failingStep == "RegCloseKey" ? registryLog.failureCode : status;
}

class DesktopWallpaperWriterTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, nullptr, 0,
                                                   KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &realDesktop, nullptr));
        // A known wallpaper now, so that a system call shows as a change.
        ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(Sentinel), SPIF_UPDATEINIFILE);
        ASSERT_EQ(Sentinel, SystemStoredWallpaper());

        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, TestRootKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                   nullptr, &testRoot, nullptr));
        HKEY desktop = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(testRoot, DesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                   &desktop, nullptr));
        ::RegCloseKey(desktop);
        ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, testRoot));
        registryLog = RegistryLog{};
    }

    void TearDown() override
    {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (realDesktop)
            ::RegCloseKey(realDesktop);
        if (testRoot)
            ::RegCloseKey(testRoot);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Vistero Tests");
    }

    // The path the system stores when SystemParametersInfoA sets it.
    std::string SystemStoredWallpaper() const
    {
        const std::optional<RegistryValue> value = QueryValue(realDesktop, "Wallpaper");
        return value ? std::string(value->data.c_str()) : "<missing>";
    }

    // Sets every value the writer writes to a mark (win.ini's [Desktop] is
    // the same key), to see which ones a call writes, and the system's
    // wallpaper back to the sentinel.
    static void MarkEverything()
    {
        ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(Sentinel), SPIF_UPDATEINIFILE);
        for (const char* name : ValueNames)
            ::WriteProfileStringA("Desktop", name, "mark");
    }

    static constexpr const char* Sentinel = "C:\\sentinel.bmp";
    // Put back once the redirection has ended.
    const test_support::SavedDesktopSettings desktop;
    HKEY realDesktop = nullptr;
    HKEY testRoot = nullptr;
    test_support::MessageBoxRecorder boxes;
    DesktopWallpaperWriter::ScopedRegistryCalls recording{{LoggedOpenKey, LoggedSetValue, LoggedFlushKey, LoggedCloseKey}};
};

// Paths of tens of thousands of bytes would fill the log: a failure names
// the sizes and where the texts part.
testing::AssertionResult SameText(const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return testing::AssertionSuccess();
    const auto parted = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    return testing::AssertionFailure() << "expected " << expected.size() << " bytes, got " << actual.size()
                                       << ", different from byte " << (parted.first - expected.begin());
}

TEST_F(DesktopWallpaperWriterTest, EachWriteStoresItsValuesAndAppliesOnlyWhenAsked)
{
    const std::string sea = "C:\\Pictures\\sea.bmp";
    // Far beyond MAX_PATH, but short enough for a profile string.
    const std::string longPath = "C:\\" + std::string(32000 - 11, 'd') + "\\\xE9t\xE9.bmp";
    // 100,000 bytes from a hand-edited profile: the registry and the system
    // get it, win.ini (whose functions fault on such values) keeps its own.
    const std::string huge = "C:\\" + std::string(100000 - 7, 'q') + ".bmp";
    struct Case {
        const char* what;
        std::string path;
        int showState;
        bool applyNow;
        const char* tile;
        const char* style;
        // What "Wallpaper" holds afterwards: the writer's value when storing,
        // win.ini's (the same key) when applying now.
        std::string stored;
        // What the system shows afterwards; nothing when it is told a path
        // so long that how much of it the system keeps is its own affair.
        std::optional<std::string> shown;
    };
    // None and hand-edited numbers are written as Centered.
    const Case cases[] = {
        {"tiled, stored", sea, ShowState::Tiled, false, "1", "0", sea, Sentinel},
        {"centered, stored", sea, ShowState::Centered, false, "0", "0", sea, Sentinel},
        {"stretched, stored", sea, ShowState::Stretched, false, "0", "2", sea, Sentinel},
        {"None with a path, stored", sea, ShowState::None, false, "0", "0", sea, Sentinel},
        {"7, stored", sea, 7, false, "0", "0", sea, Sentinel},
        {"-1, stored", sea, -1, false, "0", "0", sea, Sentinel},
        {"tiled, applied now", sea, ShowState::Tiled, true, "1", "0", sea, sea},
        {"stretched, applied now", sea, ShowState::Stretched, true, "0", "2", sea, sea},
        {"no wallpaper, stored", "", ShowState::None, false, "0", "0", "", Sentinel},
        // The bitmap is taken off the desktop.
        {"no wallpaper, applied now", "", ShowState::None, true, "0", "0", "", ""},
        {"32,000 bytes, stored", longPath, ShowState::Centered, false, "0", "0", longPath, Sentinel},
        {"100,000 bytes, stored", huge, ShowState::Tiled, false, "1", "0", huge, Sentinel},
        {"100,000 bytes, applied now", huge, ShowState::Stretched, true, "0", "2", "mark", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MarkEverything();
        registryLog = RegistryLog{};
        DesktopWallpaperWriter::SetWallpaper(c.path.c_str(), c.showState, c.applyNow);

        // When applying now, the system call stores the path itself.
        std::vector<std::string> calls = {"RegOpenKeyEx", "RegSetValueEx on TileWallpaper",
                                          "RegSetValueEx on WallpaperStyle", "RegSetValueEx on Wallpaper",
                                          "RegFlushKey", "RegCloseKey"};
        if (c.applyNow)
            calls.erase(calls.begin() + 3);
        EXPECT_EQ(calls, registryLog.calls);
        EXPECT_EQ(HKEY_CURRENT_USER, registryLog.root);
        EXPECT_EQ(DesktopKey, registryLog.subKey);
        EXPECT_EQ(static_cast<REGSAM>(KEY_SET_VALUE), registryLog.access);
        // REG_SZ with the zero byte counted: "TileWallpaper" is two bytes.
        for (const char* name : ValueNames)
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), QueryValue(name).type) << name;
        EXPECT_EQ(Sz(c.tile), QueryValue("TileWallpaper").data);
        EXPECT_EQ(Sz(c.style), QueryValue("WallpaperStyle").data);
        EXPECT_TRUE(SameText(Sz(c.stored), QueryValue("Wallpaper").data));
        EXPECT_EQ(c.tile, WinIni("TileWallpaper"));
        EXPECT_EQ(c.style, WinIni("WallpaperStyle"));
        // A value too long for win.ini is read from the registry only.
        if (c.stored.size() < 32767) {
            EXPECT_TRUE(SameText(c.stored, WinIni("Wallpaper")));
        }
        if (c.shown) {
            EXPECT_EQ(*c.shown, SystemStoredWallpaper()) << (c.applyNow ? "applied" : "for the next logon only");
            EXPECT_EQ(*c.shown, AppliedWallpaper());
        } else {
            EXPECT_NE(Sentinel, SystemStoredWallpaper()) << "the system is still told";
        }
        EXPECT_TRUE(boxes.Boxes().empty());
    }
}

TEST_F(DesktopWallpaperWriterTest, EachFailingStepShowsOneBoxAndTheSequenceGoesOn)
{
    struct Case {
        const char* step;
        LONG code;
        bool applyNow;
    };
    const Case cases[] = {
        {"RegSetValueEx on TileWallpaper", ERROR_ACCESS_DENIED, false},
        {"RegSetValueEx on WallpaperStyle", ERROR_INVALID_HANDLE, true},
        {"RegSetValueEx on Wallpaper", ERROR_MORE_DATA, false},
        {"RegFlushKey", 5, true},
        {"RegCloseKey", -2147024891, false}, // a negative status prints as such
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        MarkEverything();
        boxes.Clear();
        registryLog = RegistryLog{{}, c.step, c.code};
        DesktopWallpaperWriter::SetWallpaper("C:\\Pictures\\hill.bmp", ShowState::Stretched, c.applyNow);

        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ(std::string(c.step) + " failed with code " + std::to_string(c.code), boxes.Boxes()[0].text);
        EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Boxes()[0].type);
        EXPECT_EQ(std::string(AfxGetAppName()), boxes.Boxes()[0].caption);
        // Every later step still ran: the key was closed, win.ini written,
        // the system told when applying now.
        EXPECT_EQ("RegCloseKey", registryLog.calls.back());
        EXPECT_EQ(c.applyNow ? 5u : 6u, registryLog.calls.size());
        EXPECT_EQ("C:\\Pictures\\hill.bmp", WinIni("Wallpaper"));
        EXPECT_EQ("2", WinIni("WallpaperStyle"));
        EXPECT_EQ(c.applyNow ? "C:\\Pictures\\hill.bmp" : Sentinel, SystemStoredWallpaper());
    }
}

TEST_F(DesktopWallpaperWriterTest, KeyThatCannotBeOpenedSkipsTheStoreButNotTheSystemCall)
{
    // No "Control Panel\Desktop" at all: the open fails for real.
    for (bool applyNow : {false, true}) {
        SCOPED_TRACE(applyNow);
        MarkEverything();
        ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteTreeA(testRoot, "Control Panel"));
        boxes.Clear();
        registryLog = RegistryLog{};
        DesktopWallpaperWriter::SetWallpaper("C:\\Pictures\\sky.bmp", ShowState::Tiled, applyNow);

        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ("RegOpenKeyEx failed with code 2", boxes.Boxes()[0].text);
        EXPECT_EQ(std::vector<std::string>{"RegOpenKeyEx"}, registryLog.calls);
        EXPECT_EQ("<missing>", WinIni("TileWallpaper")) << "win.ini is not written";
        EXPECT_EQ("<missing>", WinIni("Wallpaper"));
        EXPECT_EQ(applyNow ? "C:\\Pictures\\sky.bmp" : Sentinel, SystemStoredWallpaper());

        HKEY desktop = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(testRoot, DesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                   &desktop, nullptr));
        ::RegCloseKey(desktop);
    }
}

TEST_F(DesktopWallpaperWriterTest, ReportFailureFormatsIntoAFixedBuffer)
{
    DesktopWallpaperWriter::ReportFailure(0, "RegFlushKey");
    EXPECT_TRUE(boxes.Boxes().empty()) << "success shows nothing";

    DesktopWallpaperWriter::ReportFailure(5, "RegFlushKey");
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("RegFlushKey failed with code 5", boxes.Boxes()[0].text);

    // A step name is never a format: "%s" in it is printed as it is, and a
    // text longer than the buffer is cut at 255 bytes.
    boxes.Clear();
    DesktopWallpaperWriter::ReportFailure(2, "%s%n%d");
    DesktopWallpaperWriter::ReportFailure(3, std::string(300, 'x').c_str());
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ("%s%n%d failed with code 2", boxes.Boxes()[0].text);
    EXPECT_EQ(std::string(255, 'x'), boxes.Boxes()[1].text);
}

} // namespace

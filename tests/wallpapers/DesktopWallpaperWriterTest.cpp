// The desktop wallpaper writer against the real registry, win.ini and
// SystemParametersInfoA under Wine. HKEY_CURRENT_USER is redirected to a key
// of the test's own while the writer runs, so that its registry and win.ini
// writes land there; SystemParametersInfoA ignores the redirection and
// stores the path under the real key, which tells whether the writer called
// it. What the system call changes is put back afterwards.
#include "wallpapers/DesktopWallpaperWriter.h"

#include "framework/WinApp.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "wallpapers/WallpaperEntry.h"

#include <gtest/gtest.h>

#include <windows.h>

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

void SetValue(HKEY key, const char* name, const std::optional<RegistryValue>& value)
{
    if (value)
        ::RegSetValueExA(key, name, 0, value->type, reinterpret_cast<const BYTE*>(value->data.data()),
                         static_cast<DWORD>(value->data.size()));
    else
        ::RegDeleteValueA(key, name);
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
        appliedBefore = AppliedWallpaper();
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, nullptr, 0,
                                                   KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &realDesktop, nullptr));
        storedBefore = QueryValue(realDesktop, "Wallpaper");
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
        ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, appliedBefore.data(), SPIF_UPDATEINIFILE);
        if (realDesktop) {
            SetValue(realDesktop, "Wallpaper", storedBefore);
            ::RegCloseKey(realDesktop);
        }
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
    std::string appliedBefore;
    HKEY realDesktop = nullptr;
    std::optional<RegistryValue> storedBefore;
    HKEY testRoot = nullptr;
    test_support::MessageBoxRecorder boxes;
    DesktopWallpaperWriter::ScopedRegistryCalls recording{{LoggedOpenKey, LoggedSetValue, LoggedFlushKey, LoggedCloseKey}};
};

TEST_F(DesktopWallpaperWriterTest, StoringForTheNextLogonWritesEveryValueAndAppliesNothing)
{
    struct Case {
        int showState;
        const char* tile;
        const char* style;
    };
    // None and hand-edited numbers are written as Centered.
    const Case cases[] = {{ShowState::Tiled, "1", "0"},    {ShowState::Centered, "0", "0"},
                          {ShowState::Stretched, "0", "2"}, {ShowState::None, "0", "0"},
                          {7, "0", "0"},                    {-1, "0", "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.showState);
        MarkEverything();
        registryLog = RegistryLog{};
        const std::string path = "C:\\Pictures\\style" + std::to_string(c.showState) + ".bmp";
        DesktopWallpaperWriter::SetWallpaper(path.c_str(), c.showState, false);

        EXPECT_EQ((std::vector<std::string>{"RegOpenKeyEx", "RegSetValueEx on TileWallpaper",
                                            "RegSetValueEx on WallpaperStyle", "RegSetValueEx on Wallpaper",
                                            "RegFlushKey", "RegCloseKey"}),
                  registryLog.calls);
        EXPECT_EQ(HKEY_CURRENT_USER, registryLog.root);
        EXPECT_EQ(DesktopKey, registryLog.subKey);
        EXPECT_EQ(static_cast<REGSAM>(KEY_SET_VALUE), registryLog.access);
        // REG_SZ with the zero byte counted: "TileWallpaper" is two bytes.
        for (const char* name : ValueNames)
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), QueryValue(name).type) << name;
        EXPECT_EQ(Sz(c.tile), QueryValue("TileWallpaper").data);
        EXPECT_EQ(Sz(c.style), QueryValue("WallpaperStyle").data);
        EXPECT_EQ(Sz(path), QueryValue("Wallpaper").data);
        EXPECT_EQ(c.tile, WinIni("TileWallpaper"));
        EXPECT_EQ(c.style, WinIni("WallpaperStyle"));
        EXPECT_EQ(path, WinIni("Wallpaper"));
        EXPECT_EQ(Sentinel, SystemStoredWallpaper()) << "stored for the next logon only";
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(DesktopWallpaperWriterTest, ApplyingNowLeavesThePathToTheSystem)
{
    MarkEverything();
    DesktopWallpaperWriter::SetWallpaper("C:\\Pictures\\tiles.bmp", ShowState::Tiled, true);
    EXPECT_EQ((std::vector<std::string>{"RegOpenKeyEx", "RegSetValueEx on TileWallpaper",
                                        "RegSetValueEx on WallpaperStyle", "RegFlushKey", "RegCloseKey"}),
              registryLog.calls);
    EXPECT_EQ(Sz("1"), QueryValue("TileWallpaper").data);
    EXPECT_EQ(Sz("0"), QueryValue("WallpaperStyle").data);
    EXPECT_EQ("C:\\Pictures\\tiles.bmp", WinIni("Wallpaper"));
    EXPECT_EQ("1", WinIni("TileWallpaper"));
    EXPECT_EQ("0", WinIni("WallpaperStyle"));
    EXPECT_EQ("C:\\Pictures\\tiles.bmp", SystemStoredWallpaper());
    EXPECT_EQ("C:\\Pictures\\tiles.bmp", AppliedWallpaper());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(DesktopWallpaperWriterTest, NoWallpaperEntryWritesAndAppliesTheEmptyPath)
{
    MarkEverything();
    DesktopWallpaperWriter::SetWallpaper("", ShowState::None, false);
    EXPECT_EQ(Sz(""), QueryValue("Wallpaper").data);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), QueryValue("Wallpaper").type);
    EXPECT_EQ("", WinIni("Wallpaper"));
    EXPECT_EQ(Sentinel, SystemStoredWallpaper());

    MarkEverything();
    DesktopWallpaperWriter::SetWallpaper("", ShowState::None, true);
    EXPECT_EQ("", WinIni("Wallpaper"));
    EXPECT_EQ("", SystemStoredWallpaper());
    EXPECT_EQ("", AppliedWallpaper()) << "the bitmap is taken off the desktop";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(DesktopWallpaperWriterTest, LongPathsAreStoredWhole)
{
    // Far beyond MAX_PATH, but short enough for a profile string.
    const std::string path = "C:\\" + std::string(32000 - 11, 'd') + "\\\xE9t\xE9.bmp";
    DesktopWallpaperWriter::SetWallpaper(path.c_str(), ShowState::Centered, false);
    EXPECT_TRUE(QueryValue("Wallpaper").data == Sz(path));
    EXPECT_TRUE(WinIni("Wallpaper") == path);

    // 100,000 bytes from a hand-edited profile: the registry and the system
    // get it, win.ini (whose functions fault on such values) keeps its own.
    const std::string huge = "C:\\" + std::string(100000 - 7, 'q') + ".bmp";
    MarkEverything();
    DesktopWallpaperWriter::SetWallpaper(huge.c_str(), ShowState::Tiled, false);
    EXPECT_EQ(100001u, QueryValue("Wallpaper").data.size());
    EXPECT_TRUE(QueryValue("Wallpaper").data == Sz(huge));
    EXPECT_EQ("1", WinIni("TileWallpaper"));
    MarkEverything();
    DesktopWallpaperWriter::SetWallpaper(huge.c_str(), ShowState::Stretched, true);
    EXPECT_EQ("mark", WinIni("Wallpaper"));
    EXPECT_EQ("2", WinIni("WallpaperStyle"));
    EXPECT_NE(Sentinel, SystemStoredWallpaper()) << "the system is still told";
    EXPECT_TRUE(boxes.Boxes().empty());
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

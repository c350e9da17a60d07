// Facts about the platform that the rest of the program builds on, checked on
// the runtime and the window manager the tests run under.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Platform, PrivateClassWindowIsFoundByClassAndName)
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "VisteroPlatformTestClass";
    ASSERT_NE(0, RegisterClassA(&windowClass));

    const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "PlatformTestWnd", WS_POPUP,
                                        0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, FindWindowA(windowClass.lpszClassName, "PlatformTestWnd"));
    // Both must match: the name alone with another class, or the class with another name, finds nothing.
    EXPECT_EQ(nullptr, FindWindowA("Static", "PlatformTestWnd"));
    EXPECT_EQ(nullptr, FindWindowA(windowClass.lpszClassName, "OtherWnd"));

    DestroyWindow(window);
    EXPECT_EQ(nullptr, FindWindowA(windowClass.lpszClassName, "PlatformTestWnd"));
    UnregisterClassA(windowClass.lpszClassName, instance);
}

} // namespace

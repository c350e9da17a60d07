// The dialog templates as the dialog manager builds them: the common controls
// exist, the up-downs find their fields, the radio groups are separate, and
// every text fits its control in the font the dialog really gets, so nothing
// is clipped or overlaps at the DPI the tests run at.
#include "DialogTemplate.h"
#include "res/resource.h"
#include "tests/support/Outside.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

struct WindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

using test_support::PlaceOf;
using test_support::TextOf;

std::string Show(const RECT& r)
{
    char text[80];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

std::vector<HWND> Children(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

constexpr char DialogFont[] = "MS Sans Serif";

int CALLBACK NoteFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The templates are laid out for MS Sans Serif. Debian's Wine keeps its own
// copy of that font in the fonts-wine package but does not put it into new
// prefixes, and the dialogs then get a wider substitute; the tests load it
// for this process only.
void ProvideDialogFont()
{
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(wanted.lfFaceName, DialogFont);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    if (!found)
        AddFontResourceExA("Z:\\usr\\share\\wine\\fonts\\sserife.fon", FR_PRIVATE, nullptr);
}

std::string FaceOf(HWND window)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return face;
}

class DialogLook : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ProvideDialogFont();
        INITCOMMONCONTROLSEX classes{sizeof classes,
                                     ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&classes);
        WNDCLASSA parentClass{};
        parentClass.lpfnWndProc = DefWindowProcA;
        parentClass.hInstance = Module();
        parentClass.lpszClassName = "VisteroResTestParent";
        RegisterClassA(&parentClass);
    }

    void SetUp() override
    {
        parent.reset(CreateWindowExA(0, "VisteroResTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                     nullptr, Module(), nullptr));
        ASSERT_TRUE(parent);
    }

    // Pages are children of a plain window, as of the configuration dialog;
    // the frame and the About box are top-level windows.
    Window Create(int id)
    {
        const bool page = id == IDD_WALLPAPERS || id == IDD_OPTIONS;
        return Window(CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), page ? parent.get() : nullptr,
                                         PlainDialogProc, 0));
    }

    Window parent;
};

constexpr int AllTemplates[] = {IDD_CONFIG, IDD_ABOUT, IDD_WALLPAPERS, IDD_OPTIONS};

TEST_F(DialogLook, EveryTemplateBuildsAllItsControls)
{
    for (int id : AllTemplates) {
        SCOPED_TRACE("template " + std::to_string(id));
        const auto plan = LoadDialogTemplate(Module(), id);
        ASSERT_TRUE(plan.has_value());
        Window dialog = Create(id);
        ASSERT_TRUE(dialog) << "error " << GetLastError();

        // A control whose class is not registered would simply be missing.
        const auto children = Children(dialog.get());
        ASSERT_EQ(plan->controls.size(), children.size());
        for (std::size_t i = 0; i < children.size(); ++i) {
            std::string wanted = plan->controls[i].className;
            std::transform(wanted.begin(), wanted.end(), wanted.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            EXPECT_EQ(wanted, ClassOf(children[i])) << "control " << i + 1;
        }
    }
}

TEST_F(DialogLook, ManifestPutsCommonControlsSixInEffect)
{
    // Without the manifest the loader takes the system's version 5 library;
    // with it, the side-by-side assembly of version 6.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof path);
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_NE(std::string::npos, lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.")) << path;
}

TEST_F(DialogLook, UpDownsTakeTheFieldBeforeThemAsBuddy)
{
    Window page = Create(IDD_OPTIONS);
    ASSERT_TRUE(page);
    const struct {
        int spin, field;
    } pairs[] = {{IDC_LOW_FREQUENCY_SPIN, IDC_LOW_FREQUENCY},
                 {IDC_HIGH_FREQUENCY_SPIN, IDC_HIGH_FREQUENCY},
                 {IDC_INTERVAL_SPIN, IDC_INTERVAL}};
    for (const auto& pair : pairs) {
        HWND field = GetDlgItem(page.get(), pair.field);
        EXPECT_EQ(reinterpret_cast<LRESULT>(field), SendDlgItemMessageA(page.get(), pair.spin, UDM_GETBUDDY, 0, 0))
            << "up-down " << pair.spin;
        // UDS_ALIGNRIGHT: the arrows sit at the field's right edge, wherever the template put them.
        const RECT spin = PlaceOf(GetDlgItem(page.get(), pair.spin));
        const RECT edit = PlaceOf(field);
        EXPECT_LE(std::abs(spin.left - edit.right), 2) << Show(spin) << " beside " << Show(edit);
        EXPECT_LT(spin.top, edit.bottom);
        EXPECT_GT(spin.bottom, edit.top);
    }
    // The up-down writes its position into the field, 1000 without a separator.
    SendDlgItemMessageA(page.get(), IDC_HIGH_FREQUENCY_SPIN, UDM_SETRANGE32, 100, 1000);
    SendDlgItemMessageA(page.get(), IDC_HIGH_FREQUENCY_SPIN, UDM_SETPOS32, 0, 1000);
    EXPECT_EQ("1000", TextOf(GetDlgItem(page.get(), IDC_HIGH_FREQUENCY)));
}

TEST_F(DialogLook, ShowStateAndPriorityAreSeparateRadioGroups)
{
    Window page = Create(IDD_WALLPAPERS);
    ASSERT_TRUE(page);
    ShowWindow(page.get(), SW_SHOWNA);
    auto checked = [&](int id) { return IsDlgButtonChecked(page.get(), id) == BST_CHECKED; };
    auto click = [&](int id) { SendDlgItemMessageA(page.get(), id, BM_CLICK, 0, 0); };

    CheckDlgButton(page.get(), IDC_TILED, BST_CHECKED);
    CheckDlgButton(page.get(), IDC_NORMAL, BST_CHECKED);

    click(IDC_CENTERED);
    EXPECT_TRUE(checked(IDC_CENTERED));
    EXPECT_FALSE(checked(IDC_TILED));
    EXPECT_TRUE(checked(IDC_NORMAL)) << "a show-state click unchecked a priority";

    click(IDC_HIGH);
    EXPECT_TRUE(checked(IDC_HIGH));
    EXPECT_FALSE(checked(IDC_NORMAL));
    EXPECT_TRUE(checked(IDC_CENTERED)) << "a priority click unchecked a show state";

    click(IDC_STRETCHED);
    EXPECT_FALSE(checked(IDC_CENTERED));
    click(IDC_LOW);
    EXPECT_FALSE(checked(IDC_HIGH));
    EXPECT_TRUE(checked(IDC_STRETCHED));
}

TEST_F(DialogLook, AboutBoxShowsTheProgramIcon)
{
    Window about = Create(IDD_ABOUT);
    ASSERT_TRUE(about);
    HWND icon = GetWindow(about.get(), GW_CHILD);
    ASSERT_EQ("static", ClassOf(icon));
    EXPECT_NE(0, SendMessageA(icon, STM_GETICON, 0, 0));
    // The control loads the icon as LoadIcon does, at SM_CXICON, and takes
    // its size: the image the program's icon holds for the screen's scale,
    // whole (where it lies is the layout tests' affair).
    const RECT place = PlaceOf(icon);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), place.right - place.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), place.bottom - place.top);
}

// The text of a button or label without its mnemonic markers.
std::string WithoutMnemonics(const std::string& text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// Why a control's text does not fit it, or empty when it does.
std::string TextOverflow(HWND control)
{
    const std::string text = TextOf(control);
    const std::string kind = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    if (text.empty() || (kind != "static" && kind != "button"))
        return {};
    RECT client{};
    GetClientRect(control, &client);

    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    std::string problem;
    if (kind == "static") {
        const LONG type = style & SS_TYPEMASK;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            RECT needed{0, 0, client.right, 0};
            DrawTextA(dc, text.c_str(), -1, &needed,
                      DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
            if (needed.right > client.right || needed.bottom > client.bottom)
                problem = "needs " + Show(needed);
        }
    } else {
        const std::string plain = WithoutMnemonics(text);
        SIZE size{};
        GetTextExtentPoint32A(dc, plain.c_str(), static_cast<int>(plain.size()), &size);
        const LONG type = style & BS_TYPEMASK;
        LONG room = client.right;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            room -= 2 * GetSystemMetrics(SM_CXEDGE) + 2; // the raised edge and the focus rectangle
        else if (type == BS_GROUPBOX)
            room -= 2 * size.cy; // the frame line runs on left and right of the caption
        else
            room -= GetSystemMetrics(SM_CXMENUCHECK) + 2; // the check mark and the gap after it
        if (size.cx > room || size.cy > client.bottom)
            problem = "needs " + std::to_string(size.cx) + "x" + std::to_string(size.cy) + ", has " +
                      std::to_string(room) + "x" + std::to_string(client.bottom);
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return problem;
}

TEST_F(DialogLook, EveryTextFitsItsControl)
{
    for (int id : AllTemplates) {
        Window dialog = Create(id);
        ASSERT_TRUE(dialog);
        // Widths measured in another font say nothing about these templates.
        if (FaceOf(dialog.get()) != DialogFont)
            GTEST_SKIP() << "the dialogs got \"" << FaceOf(dialog.get()) << "\" for " << DialogFont
                         << " (on Debian's Wine, install fonts-wine)";
        for (HWND control : Children(dialog.get())) {
            const std::string problem = TextOverflow(control);
            EXPECT_EQ("", problem) << "template " << id << ": \"" << TextOf(control) << "\" is clipped";
        }
    }
}

// Where a control draws. The hidden frames of the Wallpapers page stand for the
// 16x16 show-state images the page paints at their top left corner.
RECT DrawnArea(HWND control)
{
    RECT area = PlaceOf(control);
    if (ClassOf(control) == "static" && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_BLACKFRAME &&
        !(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE)) {
        area.right = area.left + 16;
        area.bottom = area.top + 16;
    }
    return area;
}

bool IsGroupBox(HWND control)
{
    return ClassOf(control) == "button" && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Contains(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST_F(DialogLook, ControlsStayInsideTheirDialogAndApart)
{
    for (int id : AllTemplates) {
        SCOPED_TRACE("template " + std::to_string(id));
        Window dialog = Create(id);
        ASSERT_TRUE(dialog);
        RECT client{};
        GetClientRect(dialog.get(), &client);
        const auto children = Children(dialog.get());
        for (std::size_t i = 0; i < children.size(); ++i) {
            const RECT a = DrawnArea(children[i]);
            EXPECT_TRUE(Contains(client, a)) << "\"" << TextOf(children[i]) << "\" " << Show(a) << " leaves "
                                             << Show(client);
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                const RECT b = DrawnArea(children[j]);
                RECT overlap{};
                if (!IntersectRect(&overlap, &a, &b))
                    continue;
                // A group box holds its members; an up-down lies on its field's border.
                if ((IsGroupBox(children[i]) && Contains(a, b)) || (IsGroupBox(children[j]) && Contains(b, a)))
                    continue;
                const auto buddyOf = [](HWND spin) {
                    return reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0));
                };
                if ((ClassOf(children[j]) == "msctls_updown32" && buddyOf(children[j]) == children[i]) ||
                    (ClassOf(children[i]) == "msctls_updown32" && buddyOf(children[i]) == children[j]))
                    continue;
                ADD_FAILURE() << "control " << i + 1 << " \"" << TextOf(children[i]) << "\" " << Show(a)
                              << " overlaps control " << j + 1 << " \"" << TextOf(children[j]) << "\" " << Show(b);
            }
        }
    }
}

} // namespace

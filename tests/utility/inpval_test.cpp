// The numeric input control "OvcCtrlInpVal": range from its text, digits only, clamping, stepping.
#include "OrvCtl.h"
#include "controls_test_ids.h"
#include "test_support.h"
#include "window_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using dormex_test::TestDialog;

constexpr int kHour = 1006;     // "I: L=0, R=23", spin buttons
constexpr int kMinute = 1010;   // "I: L=0, R=59"
constexpr int kInterval = 1014; // "I: L=2, R=60"
constexpr int kVolume = 1020;   // "I: L=0, R=100", style 0x20: a field without spin buttons
constexpr int kOther = 1022;    // a check box to move the focus to
constexpr int kCreatedId = 3000;

std::string Text(HWND window) {
    char text[64] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class InpValTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(nullptr, dialog_.Get()) << GetLastError(); }
    HWND Dialog() const { return dialog_.Get(); }
    HWND Control(int id) const { return dialog_.Item(id); }
    HWND Field(int id) const { return FindWindowExA(Control(id), nullptr, "Edit", nullptr); }
    HWND Spin(int id) const { return FindWindowExA(Control(id), nullptr, UPDOWN_CLASSA, nullptr); }

    // The value as the settings dialog reads it; it must always be a number.
    UINT Read(int id) const {
        BOOL ok = FALSE;
        UINT value = OvcGetDlgItemUInt(Dialog(), id, &ok);
        EXPECT_TRUE(ok) << "control " << id;
        return value;
    }
    // Replaces the field's text by typing, as the user does.
    void Type(int id, const char* keys, bool replace = true) {
        HWND field = Field(id);
        SetFocus(field);
        if (replace)
            SendMessageA(field, EM_SETSEL, 0, -1);
        for (const char* key = keys; *key; ++key)
            SendMessageA(field, WM_CHAR, static_cast<unsigned char>(*key), 1);
    }
    void Key(int id, WORD virtualKey) { SendMessageA(Field(id), WM_KEYDOWN, virtualKey, 1); }
    void LeaveField() { SetFocus(Control(kOther)); }
    void ClickSpin(int id, bool up) {
        HWND spin = Spin(id);
        RECT client;
        ASSERT_TRUE(GetClientRect(spin, &client));
        LPARAM at = MAKELPARAM(client.right / 2, up ? client.bottom / 4 : client.bottom * 3 / 4);
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(spin, WM_LBUTTONUP, 0, at);
    }
    // A control made at run time from a creation text and style bits.
    HWND Create(const char* text, DWORD styleBits = OVC_IVS_EDIT | OVC_IVS_SPIN) {
        HWND control = CreateWindowExA(
            0, OVC_INPVAL_CLASS, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | styleBits, 5, 5, 80, 20, Dialog(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCreatedId)), nullptr, nullptr);
        EXPECT_NE(nullptr, control) << text;
        return control;
    }

    TestDialog dialog_{IDD_SETTINGS_LAYOUT};
};

TEST_F(InpValTest, RangeComesFromTheCreationText) {
    struct Case {
        const char* text;
        UINT low;
        UINT high;
    } cases[] = {
        {"I: L=0, R=23", 0, 23},
        {"I: L=2, R=60", 2, 60},
        {"I:L=5,R=9", 5, 9},
        {"  i :  l = 3 ,  r = 7  ", 3, 7},
        {"I: R=7, L=3", 3, 7},
        {"I: R=50", 0, 50},
        {"I: L=7", 7, 4294967295u},
        {"I:", 0, 4294967295u},
        {"I: L=9, R=2", 2, 9},
        {"I: L=4294967295, R=4294967295", 4294967295u, 4294967295u},
        // Text that does not follow the form leaves the field unrestricted.
        {"", 0, 4294967295u},
        {"junk", 0, 4294967295u},
        {"L=1, R=5", 0, 4294967295u},
        {"I: L=1, R=5, X=2", 0, 4294967295u},
        {"I: L=1, L=2", 0, 4294967295u},
        {"I: L=1, R=5,", 0, 4294967295u},
        {"I: L=-1, R=5", 0, 4294967295u},
        {"I: L=1 R=5", 0, 4294967295u},
        {"I: L=0, R=4294967296", 0, 4294967295u},
        {"I: L=, R=5", 0, 4294967295u},
    };
    for (const Case& c : cases) {
        HWND control = Create(c.text);
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(std::to_string(c.low), Text(control)) << "starts at the lowest value: " << c.text;
        SetWindowTextA(control, "0");
        EXPECT_EQ(c.low, OvcGetDlgItemUInt(Dialog(), kCreatedId, nullptr)) << c.text;
        SetWindowTextA(control, "4294967295");
        EXPECT_EQ(c.high, OvcGetDlgItemUInt(Dialog(), kCreatedId, nullptr)) << c.text;
        DestroyWindow(control);
    }
}

TEST_F(InpValTest, TemplateTextIsNotShown) {
    EXPECT_EQ("0", Text(Control(kHour)));
    EXPECT_EQ("2", Text(Control(kInterval)));
    EXPECT_EQ("2", Text(Field(kInterval)));
    EXPECT_EQ(1, GetWindowTextLengthA(Control(kInterval)));
}

TEST_F(InpValTest, SetValuesAreClampedIntoTheRange) {
    struct Case {
        int id;
        const char* text;
        BOOL accepted;
        UINT value;
    } cases[] = {
        {kHour, "17", TRUE, 17},   {kHour, "30", TRUE, 23},    {kHour, " 5 ", TRUE, 5},
        {kHour, "007", TRUE, 7},   {kHour, "-5", TRUE, 0},     {kHour, "99999999999", TRUE, 23},
        {kInterval, "0", TRUE, 2}, {kInterval, "-0", TRUE, 2}, {kInterval, "61", TRUE, 60},
        {kHour, "abc", FALSE, 60}, {kHour, "", FALSE, 60},     {kHour, "1 2", FALSE, 60},
        {kHour, "0x5", FALSE, 60}, {kHour, "-", FALSE, 60},
    };
    for (const Case& c : cases) {
        SetDlgItemInt(Dialog(), c.id, 60, FALSE); // a known value before each case
        UINT before = Read(c.id);
        EXPECT_EQ(c.accepted, SetDlgItemTextA(Dialog(), c.id, c.text)) << c.text;
        EXPECT_EQ(c.accepted ? c.value : before, Read(c.id)) << c.id << " " << c.text;
        EXPECT_EQ(std::to_string(Read(c.id)), Text(Field(c.id))) << "the field shows what reads";
    }
    EXPECT_TRUE(OvcSetDlgItemUInt(Dialog(), kVolume, 500));
    EXPECT_EQ(100u, Read(kVolume));
    EXPECT_TRUE(SetDlgItemInt(Dialog(), kInterval, static_cast<UINT>(-7), TRUE));
    EXPECT_EQ(2u, Read(kInterval));
    BOOL translated = FALSE;
    EXPECT_EQ(2u, GetDlgItemInt(Dialog(), kInterval, &translated, FALSE));
    EXPECT_TRUE(translated);
}

TEST_F(InpValTest, OnlyDigitsCanBeTyped) {
    OvcSetDlgItemUInt(Dialog(), kMinute, 12);
    Type(kMinute, "a-+. x");
    EXPECT_EQ("12", Text(Field(kMinute))) << "letters and signs are refused";
    Type(kMinute, "4a5");
    EXPECT_EQ("45", Text(Field(kMinute)));
    EXPECT_EQ(45u, Read(kMinute));
    Type(kMinute, "\b", false);
    EXPECT_EQ("4", Text(Field(kMinute))) << "editing keys still work";
    Type(kMinute, "123");
    EXPECT_EQ("12", Text(Field(kMinute))) << "no more digits than the highest value has";

    SendMessageA(Field(kMinute), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1x"));
    EXPECT_EQ("12", Text(Field(kMinute))) << "the field itself refuses text that is not digits";
}

TEST_F(InpValTest, PastedTextMustBeANumber) {
    auto putClipboard = [](const char* text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
        ASSERT_NE(nullptr, memory);
        strcpy(static_cast<char*>(GlobalLock(memory)), text);
        GlobalUnlock(memory);
        EXPECT_NE(nullptr, SetClipboardData(CF_TEXT, memory));
        CloseClipboard();
    };
    OvcSetDlgItemUInt(Dialog(), kVolume, 10);
    SendMessageA(Field(kVolume), EM_SETSEL, 0, -1);
    putClipboard(" 42\r\n");
    SendMessageA(Field(kVolume), WM_PASTE, 0, 0);
    EXPECT_EQ("42", Text(Field(kVolume)));
    EXPECT_EQ(42u, Read(kVolume));

    SendMessageA(Field(kVolume), EM_SETSEL, 0, -1);
    putClipboard("4a");
    SendMessageA(Field(kVolume), WM_PASTE, 0, 0);
    EXPECT_EQ("42", Text(Field(kVolume)));
    putClipboard("-3");
    SendMessageA(Field(kVolume), WM_PASTE, 0, 0);
    EXPECT_EQ("42", Text(Field(kVolume)));
}

TEST_F(InpValTest, TypedValuesBeyondTheRangeReadClampedAndAreFixedWhenFocusLeaves) {
    struct Case {
        int id;
        UINT before;
        const char* typed;
        UINT value;
    } cases[] = {
        {kHour, 5, "99", 23},    {kHour, 5, "24", 23},    {kHour, 5, "23", 23},
        {kInterval, 30, "1", 2}, {kInterval, 30, "0", 2}, {kInterval, 30, "61", 60},
        {kInterval, 30, "", 30}, {kVolume, 7, "", 7},     {kVolume, 7, "100", 100},
    };
    for (const Case& c : cases) {
        OvcSetDlgItemUInt(Dialog(), c.id, c.before);
        Type(c.id, c.typed);
        if (!*c.typed)
            SendMessageA(Field(c.id), WM_CLEAR, 0, 0);
        EXPECT_EQ(c.typed, Text(Field(c.id))) << "the field shows what was typed";
        EXPECT_EQ(c.value, Read(c.id)) << "while typing " << c.typed;
        EXPECT_EQ(std::to_string(c.value), Text(Control(c.id)));
        LeaveField();
        EXPECT_EQ(std::to_string(c.value), Text(Field(c.id))) << "after leaving " << c.typed;
        EXPECT_EQ(c.value, Read(c.id));
    }
}

TEST_F(InpValTest, ArrowKeysStepAndStopAtTheEnds) {
    struct Case {
        int id;
        UINT start;
        WORD key;
        UINT expected;
    } cases[] = {
        {kHour, 22, VK_UP, 23},     {kHour, 23, VK_UP, 23},   {kHour, 1, VK_DOWN, 0},
        {kHour, 0, VK_DOWN, 0},     {kHour, 5, VK_PRIOR, 15}, {kHour, 15, VK_PRIOR, 23},
        {kHour, 15, VK_NEXT, 5},    {kHour, 5, VK_NEXT, 0},   {kInterval, 2, VK_DOWN, 2},
        {kInterval, 60, VK_UP, 60}, {kVolume, 50, VK_UP, 51}, {kVolume, 100, VK_PRIOR, 100},
    };
    for (const Case& c : cases) {
        OvcSetDlgItemUInt(Dialog(), c.id, c.start);
        Key(c.id, c.key);
        EXPECT_EQ(c.expected, Read(c.id)) << c.id << " from " << c.start << " key " << c.key;
        EXPECT_EQ(std::to_string(c.expected), Text(Field(c.id)));
    }
    // Stepping starts from what the field reads while the user types.
    OvcSetDlgItemUInt(Dialog(), kHour, 3);
    Type(kHour, "40");
    Key(kHour, VK_DOWN);
    EXPECT_EQ(22u, Read(kHour));
}

TEST_F(InpValTest, SpinButtonsStepAndStopAtTheEnds) {
    ASSERT_NE(nullptr, Spin(kHour)) << "style 0x40 gives spin buttons";
    EXPECT_EQ(nullptr, Spin(kVolume)) << "the volume field has none";
    OvcSetDlgItemUInt(Dialog(), kHour, 21);
    ClickSpin(kHour, true);
    EXPECT_EQ(22u, Read(kHour));
    for (int i = 0; i < 3; ++i)
        ClickSpin(kHour, true);
    EXPECT_EQ(23u, Read(kHour));
    ClickSpin(kHour, false);
    EXPECT_EQ(22u, Read(kHour));
    OvcSetDlgItemUInt(Dialog(), kHour, 1);
    for (int i = 0; i < 3; ++i)
        ClickSpin(kHour, false);
    EXPECT_EQ(0u, Read(kHour));
    EXPECT_EQ("0", Text(Field(kHour)));
}

TEST_F(InpValTest, WithoutTheEditBitTheFieldOnlySteps) {
    HWND control = Create("I: L=0, R=9", OVC_IVS_SPIN);
    ASSERT_NE(nullptr, control);
    HWND field = FindWindowExA(control, nullptr, "Edit", nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(field, GWL_STYLE) & ES_READONLY);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_CHAR, '7', 1);
    EXPECT_EQ(0u, OvcGetDlgItemUInt(Dialog(), kCreatedId, nullptr));
    SendMessageA(field, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(1u, OvcGetDlgItemUInt(Dialog(), kCreatedId, nullptr));
    EXPECT_FALSE(GetWindowLongPtrA(Field(kVolume), GWL_STYLE) & ES_READONLY);
    DestroyWindow(control);
}

TEST_F(InpValTest, NeverReadsAValueOutsideItsRange) {
    // A long random mix of everything a user and a program can do to the interval field (2..60).
    unsigned seed = 12345;
    auto next = [&seed](unsigned bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    const WORD keys[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT};
    for (int i = 0; i < 400; ++i) {
        switch (next(5)) {
        case 0: {
            char typed[4] = {static_cast<char>('0' + next(10)), static_cast<char>('0' + next(10)), 0, 0};
            Type(kInterval, typed, next(2) == 0);
            break;
        }
        case 1:
            Key(kInterval, keys[next(4)]);
            break;
        case 2:
            OvcSetDlgItemUInt(Dialog(), kInterval, next(200));
            break;
        case 3:
            SendMessageA(Field(kInterval), WM_CLEAR, 0, 0);
            break;
        default:
            LeaveField();
        }
        UINT value = Read(kInterval);
        ASSERT_GE(value, 2u) << "step " << i;
        ASSERT_LE(value, 60u) << "step " << i;
    }
}

TEST_F(InpValTest, DisablingDisablesTheFieldAndTheSpinButtons) {
    EnableWindow(Control(kHour), FALSE);
    EXPECT_FALSE(IsWindowEnabled(Field(kHour)));
    EXPECT_FALSE(IsWindowEnabled(Spin(kHour)));
    OvcSetDlgItemUInt(Dialog(), kHour, 4);
    EXPECT_EQ(4u, Read(kHour)) << "a disabled field keeps and shows its value";
    EnableWindow(Control(kHour), TRUE);
    EXPECT_TRUE(IsWindowEnabled(Field(kHour)));
    EXPECT_TRUE(IsWindowEnabled(Spin(kHour)));

    HWND control = Create("I: L=0, R=9", OVC_IVS_EDIT | OVC_IVS_SPIN | WS_DISABLED);
    ASSERT_NE(nullptr, control);
    EXPECT_FALSE(IsWindowEnabled(FindWindowExA(control, nullptr, "Edit", nullptr)));
    EXPECT_FALSE(IsWindowEnabled(FindWindowExA(control, nullptr, UPDOWN_CLASSA, nullptr)));
    DestroyWindow(control);
}

TEST_F(InpValTest, ParentHearsOfEveryChangeOfTheValue) {
    auto changes = [this] {
        int count = 0;
        for (const dormex_test::Notification& n : dialog_.Notifications())
            count += n.id == kMinute && n.code == EN_CHANGE ? 1 : 0;
        return count;
    };
    OvcSetDlgItemUInt(Dialog(), kMinute, 10);
    dialog_.ClearNotifications();
    OvcSetDlgItemUInt(Dialog(), kMinute, 10);
    EXPECT_EQ(0, changes()) << "the same value again is no change";
    OvcSetDlgItemUInt(Dialog(), kMinute, 11);
    EXPECT_EQ(1, changes());
    Key(kMinute, VK_UP);
    EXPECT_EQ(2, changes());
    Type(kMinute, "5");
    EXPECT_EQ(3, changes());
    Type(kMinute, "9", false); // 59
    EXPECT_EQ(4, changes());
    Type(kMinute, "9", false); // refused: no third digit
    EXPECT_EQ(4, changes());
}

TEST_F(InpValTest, FocusGoesToTheField) {
    SetFocus(Control(kMinute));
    EXPECT_EQ(Field(kMinute), GetFocus());
    // Tab order runs through the inner fields as if they were the dialog's own controls.
    HWND next = GetNextDlgTabItem(Dialog(), Field(kHour), FALSE);
    EXPECT_EQ(Field(kMinute), next);
}

} // namespace

// The dialog-control functions, on a dialog with the settings dialog's layout.
#include "OrvCtl.h"
#include "controls_test_ids.h"
#include "test_support.h"
#include "window_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

using dormex_test::TestDialog;

constexpr int kMissingId = 4711;
constexpr DWORD kSentinelError = 0xdeadbeef;

class DialogControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(nullptr, dialog_.Get()) << GetLastError(); }
    HWND Dialog() const { return dialog_.Get(); }
    TestDialog dialog_{IDD_SETTINGS_LAYOUT};
};

TEST_F(DialogControlsTest, CheckBoxesAreSetWithoutNotification) {
    struct Case {
        UINT set;
        UINT expected;
    } cases[] = {{1, 1}, {0, 0}, {7, 1}, {0, 0}};
    dialog_.ClearNotifications();
    for (const Case& c : cases) {
        EXPECT_TRUE(OvcSetDlgItemChk(Dialog(), 1034, c.set));
        EXPECT_EQ(c.expected, OvcGetDlgItemChk(Dialog(), 1034)) << c.set;
        EXPECT_EQ(c.expected ? BST_CHECKED : BST_UNCHECKED, IsDlgButtonChecked(Dialog(), 1034));
    }
    dormex_test::PumpMessages();
    EXPECT_TRUE(dialog_.Notifications().empty()) << "setting a check must not run the dialog's rules";

    HWND threeState = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTO3STATE, 0, 0, 10, 10, Dialog(),
                                      reinterpret_cast<HMENU>(3000), nullptr, nullptr);
    ASSERT_NE(nullptr, threeState);
    SendMessageA(threeState, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(0u, OvcGetDlgItemChk(Dialog(), 3000)) << "only a checked box reads 1";
    OvcSetDlgItemChk(Dialog(), 3000, 1);
    EXPECT_EQ(1u, OvcGetDlgItemChk(Dialog(), 3000));
    DestroyWindow(threeState);
}

TEST_F(DialogControlsTest, MissingControlsFailWithoutTouchingOutputs) {
    char buffer[9] = "sentinel";
    BOOL ok = 7;
    SetLastError(kSentinelError);
    EXPECT_EQ(0u, OvcGetDlgItemChk(Dialog(), kMissingId));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND), GetLastError());
    SetLastError(kSentinelError);
    EXPECT_FALSE(OvcSetDlgItemChk(Dialog(), kMissingId, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND), GetLastError());
    SetLastError(kSentinelError);
    EXPECT_EQ(-1, OvcGetDlgItemCboIx(Dialog(), kMissingId));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND), GetLastError());
    EXPECT_EQ(-1, OvcGetDlgItemStrA(Dialog(), kMissingId, buffer, sizeof buffer));
    EXPECT_FALSE(OvcSetDlgItemStrA(Dialog(), kMissingId, "x"));
    EXPECT_EQ(0u, OvcGetDlgItemUInt(Dialog(), kMissingId, &ok));
    EXPECT_FALSE(ok);
    EXPECT_FALSE(OvcSetDlgItemUInt(Dialog(), kMissingId, 1));
    EXPECT_EQ(-1, OvcSetDlgItemCboAddA(Dialog(), kMissingId, "x", -1));
    EXPECT_FALSE(OvcSetDlgItemCboIx(Dialog(), kMissingId, 0));
    EXPECT_EQ(-1, OvcGetDlgItemCboIx(Dialog(), kMissingId));
    EXPECT_EQ(-1, OvcGetDlgItemCboItemA(Dialog(), kMissingId, 0, buffer, sizeof buffer));
    EXPECT_FALSE(OvcEnableDlgItem(Dialog(), kMissingId, FALSE));
    EXPECT_EQ(-1, OvcEnableDlgGroup(Dialog(), kMissingId, FALSE, FALSE));
    EXPECT_EQ(0, memcmp(buffer, "sentinel", sizeof buffer));
}

TEST_F(DialogControlsTest, TextsAreCopiedAndCut) {
    ASSERT_TRUE(OvcSetDlgItemStrA(Dialog(), 1125, "Shutdown time"));
    struct Case {
        int size;
        int length;
        const char* text;
    } cases[] = {{64, 13, "Shutdown time"}, {14, 13, "Shutdown time"}, {13, 12, "Shutdown tim"}, {1, 0, ""}};
    for (const Case& c : cases) {
        char buffer[64];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(c.length, OvcGetDlgItemStrA(Dialog(), 1125, buffer, c.size)) << c.size;
        EXPECT_STREQ(c.text, buffer) << c.size;
    }
    char untouched[4] = "abc";
    SetLastError(kSentinelError);
    EXPECT_EQ(-1, OvcGetDlgItemStrA(Dialog(), 1125, untouched, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_STREQ("abc", untouched);
    EXPECT_TRUE(OvcSetDlgItemStrA(Dialog(), 1125, nullptr));
    EXPECT_EQ(0, OvcGetDlgItemStrA(Dialog(), 1125, untouched, sizeof untouched));
}

TEST_F(DialogControlsTest, TextsAreNeverCutInsideADoubleByteCharacter) {
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932";
    const char* text = "ab\x95\x5c"; // "ab" and a kanji whose trail byte is a backslash
    ASSERT_TRUE(OvcSetDlgItemStrA(Dialog(), 1125, text));
    char buffer[8];
    EXPECT_EQ(2, OvcGetDlgItemStrA(Dialog(), 1125, buffer, 4));
    EXPECT_STREQ("ab", buffer);
    EXPECT_EQ(4, OvcGetDlgItemStrA(Dialog(), 1125, buffer, 5));
    EXPECT_STREQ(text, buffer);
}

TEST_F(DialogControlsTest, UnsignedNumbersOnAnyControl) {
    ASSERT_TRUE(OvcSetDlgItemUInt(Dialog(), 1125, 4294967295u));
    char text[16];
    OvcGetDlgItemStrA(Dialog(), 1125, text, sizeof text);
    EXPECT_STREQ("4294967295", text);

    struct Case {
        const char* text;
        BOOL ok;
        UINT value;
    } cases[] = {{"0", TRUE, 0},           {" 42 ", TRUE, 42}, {"4294967295", TRUE, 4294967295u},
                 {"4294967296", FALSE, 0}, {"-1", FALSE, 0},   {"4x", FALSE, 0},
                 {"", FALSE, 0},           {"0x10", FALSE, 0}, {"+5", FALSE, 0}};
    for (const Case& c : cases) {
        SetDlgItemTextA(Dialog(), 1125, c.text);
        BOOL ok = 7;
        SetLastError(kSentinelError);
        EXPECT_EQ(c.value, OvcGetDlgItemUInt(Dialog(), 1125, &ok)) << c.text;
        EXPECT_EQ(c.ok, ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError()) << c.text;
        }
    }
    SetDlgItemTextA(Dialog(), 1125, "17");
    EXPECT_EQ(17u, OvcGetDlgItemUInt(Dialog(), 1125, nullptr));
}

TEST_F(DialogControlsTest, ComboBoxItemsAndSelection) {
    EXPECT_EQ(-1, OvcGetDlgItemCboIx(Dialog(), 1126)) << "nothing selected yet";
    EXPECT_EQ(0, OvcSetDlgItemCboAddA(Dialog(), 1126, "Out: beta", -1));
    EXPECT_EQ(0, OvcSetDlgItemCboAddA(Dialog(), 1126, "Out: alpha", -1))
        << "a sorted list sorts appended items";
    EXPECT_EQ(2, OvcSetDlgItemCboAddA(Dialog(), 1126, "Out: gamma", -1));
    EXPECT_EQ(1, OvcSetDlgItemCboAddA(Dialog(), 1126, "Out: zeta", 1)) << "a position is kept as given";
    EXPECT_EQ(-1, OvcSetDlgItemCboAddA(Dialog(), 1126, "Out: far", 40));

    const char* expected[] = {"Out: alpha", "Out: zeta", "Out: beta", "Out: gamma"};
    for (int i = 0; i < 4; ++i) {
        char buffer[32];
        EXPECT_EQ(static_cast<int>(strlen(expected[i])),
                  OvcGetDlgItemCboItemA(Dialog(), 1126, i, buffer, sizeof buffer));
        EXPECT_STREQ(expected[i], buffer);
    }
    char cut[4];
    EXPECT_EQ(3, OvcGetDlgItemCboItemA(Dialog(), 1126, 0, cut, sizeof cut));
    EXPECT_STREQ("Out", cut);

    char untouched[9] = "sentinel";
    for (int index : {4, 40, -1}) {
        SetLastError(kSentinelError);
        EXPECT_EQ(-1, OvcGetDlgItemCboItemA(Dialog(), 1126, index, untouched, sizeof untouched)) << index;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_INDEX), GetLastError());
        EXPECT_EQ(0, memcmp(untouched, "sentinel", sizeof untouched));
    }

    EXPECT_TRUE(OvcSetDlgItemCboIx(Dialog(), 1126, 2));
    EXPECT_EQ(2, OvcGetDlgItemCboIx(Dialog(), 1126));
    for (int index : {4, 40, -2}) {
        SetLastError(kSentinelError);
        EXPECT_FALSE(OvcSetDlgItemCboIx(Dialog(), 1126, index)) << index;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_INDEX), GetLastError());
        EXPECT_EQ(2, OvcGetDlgItemCboIx(Dialog(), 1126)) << "a refused index keeps the selection";
    }
    EXPECT_TRUE(OvcSetDlgItemCboIx(Dialog(), 1126, -1));
    EXPECT_EQ(-1, OvcGetDlgItemCboIx(Dialog(), 1126));
}

TEST_F(DialogControlsTest, EnableOneControl) {
    EXPECT_TRUE(OvcEnableDlgItem(Dialog(), 1056, FALSE));
    EXPECT_FALSE(IsWindowEnabled(dialog_.Item(1056)));
    EXPECT_TRUE(OvcEnableDlgItem(Dialog(), 1056, TRUE));
    EXPECT_TRUE(IsWindowEnabled(dialog_.Item(1056)));
}

// Every control of the layout and the group boxes that enclose it (by the settings dialog's rules).
struct Member {
    int id;
    std::set<int> boxes;
};
const Member kLayout[] = {
    {IDOK, {}},
    {IDCANCEL, {}},
    {1031, {}},
    {1032, {}},
    {1033, {}},
    {IDC_VERSION, {}},
    {1034, {}},
    {1143, {}},
    {1144, {}},
    {1021, {}},
    {1002, {1021}},
    {1125, {1021}},
    {1006, {1021, 1015}},
    {1010, {1021, 1015}},
    {1022, {1021, 1015}},
    {IDC_SEPARATOR0, {1021, 1015}},
    {1015, {1021}},
    {1003, {1021}},
    {1016, {1021}},
    {1007, {1021, 1016}},
    {1011, {1021, 1016}},
    {1023, {1021, 1016}},
    {IDC_SEPARATOR1, {1021, 1016}},
    {1004, {1021}},
    {1017, {1021}},
    {1008, {1021, 1017}},
    {1012, {1021, 1017}},
    {1024, {1021, 1017}},
    {IDC_SEPARATOR2, {1021, 1017}},
    {1005, {1021}},
    {1018, {1021}},
    {1009, {1021, 1018}},
    {1013, {1021, 1018}},
    {1025, {1021, 1018}},
    {IDC_SEPARATOR3, {1021, 1018}},
    {1048, {1021}},
    {1014, {1021}},
    {1049, {1021}},
    {1042, {1021}},
    {1035, {1021, 1042}},
    {1041, {1021, 1042}},
    {1043, {1021}},
    {1044, {1021, 1043}},
    {1126, {1021, 1043}},
    {1055, {1021, 1043}},
    {1020, {1021, 1043}},
    {1056, {1021, 1043}},
    {1019, {1021}},
};

TEST_F(DialogControlsTest, GroupSwitchesExactlyTheControlsInsideItsBox) {
    size_t children = 0;
    for (HWND child = GetWindow(Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++children;
    ASSERT_EQ(sizeof kLayout / sizeof kLayout[0], children) << "every control of the layout is in the table";
    struct Case {
        int box;
        BOOL inside;
        BOOL itself;
    } cases[] = {{1015, FALSE, FALSE}, {1016, FALSE, FALSE}, {1017, FALSE, FALSE}, {1018, FALSE, FALSE},
                 {1021, FALSE, FALSE}, {1021, FALSE, TRUE},  {1021, TRUE, FALSE},  {1042, FALSE, FALSE}};
    for (const Case& c : cases) {
        for (const Member& member : kLayout)
            EnableWindow(dialog_.Item(member.id), TRUE);
        int expectedCount = 0;
        for (const Member& member : kLayout)
            expectedCount += member.boxes.count(c.box) ? 1 : 0;
        EnableWindow(dialog_.Item(c.box), !c.itself); // the box takes its own flag whatever it was
        if (c.inside)
            for (const Member& member : kLayout)
                if (member.boxes.count(c.box))
                    EnableWindow(dialog_.Item(member.id), FALSE);

        EXPECT_EQ(expectedCount, OvcEnableDlgGroup(Dialog(), c.box, c.inside, c.itself)) << c.box;
        for (const Member& member : kLayout) {
            bool expected = member.id == c.box ? c.itself : member.boxes.count(c.box) ? c.inside : true;
            EXPECT_EQ(expected, IsWindowEnabled(dialog_.Item(member.id)) != FALSE)
                << "control " << member.id << " after box " << c.box << " " << c.inside << "/" << c.itself;
        }
    }
}

TEST_F(DialogControlsTest, OnlyWhollyEnclosedControlsCount) {
    RECT box;
    ASSERT_TRUE(GetWindowRect(dialog_.Item(1015), &box));
    MapWindowPoints(HWND_DESKTOP, Dialog(), reinterpret_cast<POINT*>(&box), 2);
    struct Case {
        int left, top, right, bottom; // relative to the box's corners
        bool inside;
    } cases[] = {{2, 2, -2, -2, true},   {0, 0, 0, 0, true},     {2, 2, 6, -2, false}, {2, 2, -2, 6, false},
                 {-6, 2, -2, -2, false}, {2, -6, -2, -2, false}, {2, 2, 1, -2, true}};
    for (const Case& c : cases) {
        HWND probe = CreateWindowExA(0, "STATIC", "", WS_CHILD, box.left + c.left, box.top + c.top,
                                     box.right + c.right - (box.left + c.left),
                                     box.bottom + c.bottom - (box.top + c.top), Dialog(),
                                     reinterpret_cast<HMENU>(3001), nullptr, nullptr);
        ASSERT_NE(nullptr, probe);
        OvcEnableDlgGroup(Dialog(), 1015, FALSE, FALSE);
        EXPECT_EQ(!c.inside, IsWindowEnabled(probe) != FALSE)
            << c.left << "," << c.top << "," << c.right << "," << c.bottom;
        DestroyWindow(probe);
    }
}

TEST_F(DialogControlsTest, ScheduleSwitchSequenceKeepsRowsApart) {
    // As the settings dialog does it: everything off, everything on, then row 2 off again.
    EXPECT_GT(OvcEnableDlgGroup(Dialog(), 1021, FALSE, FALSE), 0);
    EXPECT_FALSE(IsWindowEnabled(dialog_.Item(1013)));
    EXPECT_FALSE(IsWindowEnabled(dialog_.Item(1019)));
    EXPECT_TRUE(IsWindowEnabled(dialog_.Item(1034)));
    EXPECT_GT(OvcEnableDlgGroup(Dialog(), 1021, TRUE, TRUE), 0);
    EXPECT_EQ(4, OvcEnableDlgGroup(Dialog(), 1016, FALSE, FALSE));
    EXPECT_TRUE(IsWindowEnabled(dialog_.Item(1006)));
    EXPECT_FALSE(IsWindowEnabled(dialog_.Item(1007)));
    EXPECT_TRUE(IsWindowEnabled(dialog_.Item(1003))) << "the row's own check box lies outside its box";
    EXPECT_TRUE(IsWindowEnabled(dialog_.Item(1008)));
}

TEST_F(DialogControlsTest, FocusLeavesAControlBeingDisabled) {
    SetFocus(dialog_.Item(1010));
    HWND field = GetFocus();
    ASSERT_TRUE(field == dialog_.Item(1010) || IsChild(dialog_.Item(1010), field));
    OvcEnableDlgGroup(Dialog(), 1015, FALSE, FALSE);
    HWND focus = GetFocus();
    ASSERT_NE(nullptr, focus);
    EXPECT_TRUE(IsWindowEnabled(focus));
    EXPECT_TRUE(focus == dialog_.Item(1003) || IsChild(dialog_.Item(1003), focus))
        << "the next tab stop after the row's disabled fields";
}

} // namespace

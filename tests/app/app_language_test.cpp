// The texts the user reads, in the session's language: English under any language but Japanese,
// the templates' Japanese texts under a Japanese user interface.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "mailslot_catcher.h"
#include "test_support.h"

using namespace dormex_test;

namespace {

bool Japanese() {
    return ExpectedLanguage() == 1041;
}

class AppLanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (Japanese()) {
            ASSERT_EQ(932u, GetACP()) << "the ja_JP.UTF-8 locale is not generated";
        }
        RemoveSettingsFile();
        ASSERT_TRUE(log_.Ok());
        ASSERT_TRUE(app_.Start());
        ASSERT_TRUE(log_.WaitForLine(kAppMailslotReady, 5000));
    }
    void TearDown() override {
        EXPECT_TRUE(app_.EndByUninstallMutex(5000));
        RemoveSettingsFile();
    }

    LogCatcher log_;
    AppUnderTest app_;
};

TEST_F(AppLanguageTest, SettingsDialogTexts) {
    struct Expected {
        int id;
        const char* japanese;
        const char* english;
    };
    const Expected texts[] = {
        {IDOK, "OK", "OK"},
        {IDCANCEL, "キャンセル", "Cancel"},
        {1031, "今すぐシャットダウン", "Shutdown now"},
        {1032, "今すぐスリープ", "Sleep now"},
        {1033, "今すぐ再起動", "Re-boot now"},
        {1034, "シャットダウンをスケジュールする", "Schedule shutdown"},
        {1125, "シャットダウンする時刻（時：分）", "Shutdown time ( hh:mm )"},
        {1022, "強制シャットダウン", "Forced shutdown"},
        {1025, "強制シャットダウン", "Forced shutdown"},
        {1048, "インタバル時間", "Interval time"},
        {1049, "分", "[minute]"},
        {1050, "※シャットダウン実行猶予時間　この間は警告ダイアログを表示",
         "* Shut down execution grace time. (show warning dialog)"},
        {1042, "曜日設定", "Week days"},
        {1035, "日", "Sun"},
        {1036, "月", "Mon"},
        {1037, "火", "Tue"},
        {1038, "水", "Wed"},
        {1039, "木", "Thu"},
        {1040, "金", "Fry"},
        {1041, "土", "Sat"},
        {1043, "音声アナウンス", "Sound announcement"},
        {1044, "１時間前", "60 min."},
        {1045, "30分前", "30 min."},
        {1046, "10分前", "10 min."},
        {1047, "3分前", "3 min."},
        {1053, "再生デバイス", "Play device"},
        {1055, "ボリューム", "Volume"},
        {1056, "再生テスト", "Play test"},
        {1051, "ＰＣ復旧・所要時間", "Required time for resuming the PC"},
        {1052, "分", "[minute]"},
        {1143, "スリープ抑止", "No Sleep"},
        {1144, "ディスプレィOFF抑止", "No Display Off"},
    };
    for (const Expected& text : texts)
        EXPECT_EQ(Japanese() ? text.japanese : text.english, ControlText(app_.Settings(), text.id))
            << text.id;
}

TEST_F(AppLanguageTest, CountdownTextsForForcedAndNormal) {
    struct Case {
        BYTE forced;
        const char* japanese;
        const char* english;
    };
    const Case cases[] = {
        {0, "秒後にシャットダウンします", "seconds after, shuttdown PC"},
        {1, "秒後に強制シャットダウンします", "seconds after, forced shuttdown PC"},
        {0xFF, "秒後に強制シャットダウンします", "seconds after, forced shuttdown PC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.forced);
        ASSERT_TRUE(SendToApp(1, c.forced, 180));
        ASSERT_TRUE(WaitFor([&] { return app_.WarningDialogs().size() == 1; }, 5000));
        HWND warning = app_.WarningDialogs().front();
        EXPECT_EQ(Japanese() ? c.japanese : c.english, ControlText(warning, 1030));
        EXPECT_EQ(Japanese() ? "シャットダウン中止 " : "Shutdown Stop", ControlText(warning, 1017));
        UINT shown = ReadNumber(warning, 1016);
        EXPECT_TRUE(shown == 180 || shown == 179) << shown;
        // Always on top, centred on the monitor.
        EXPECT_TRUE(GetWindowLongA(warning, GWL_EXSTYLE) & WS_EX_TOPMOST);
        RECT rect;
        GetWindowRect(warning, &rect);
        EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (rect.left + rect.right) / 2, 2);
        Click(warning, 1017);
        ASSERT_TRUE(WaitFor([&] { return app_.WarningDialogs().empty(); }, 3000));
    }
}

} // namespace

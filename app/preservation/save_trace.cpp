// Trace lines of the preservation state machine. The Japanese texts are code page 932 (this
// library is compiled with -fexec-charset=CP932).
#include "save_run.h"
#include "save_tables.h"

#include <stdio.h>

namespace {

const char* const kStateNames[SAS_COUNT] = {
    "アイドル状態",
    "名前を付けて保存の開始待ち",
    "名前を付けて保存応答待ちｲﾝﾀﾊﾞﾙ",
    "名前を付けて保存の終了待ち",
    "上書き確認の開始/ｱﾌﾟﾘ・ｳｲﾝﾄﾞ消滅待ち",
    "上書き確認の応答待ちｲﾝﾀﾊﾞﾙ",
    "上書き確認の終了待ち",
    "名前を付けて保存の開始/ｱﾌﾟﾘｳｲﾝﾄﾞ消滅待ち",
    "保存開始待ち",
    "保存終了待ち",
    "アプリウインドクローズ待ち",
    "アプリウインドクローズ後のインタバル",
};

const char* const kEventNames[SAE_COUNT] = {
    "アプリウインドが見つかった（→名前を付けて保存操作）",
    "アプリウインドが見つかった（→アプリ終了操作）",
    "アプリウインド無し",
    "名前を付けて保存の出現",
    "名前を付けて保存の消滅",
    "上書き保存確認の出現",
    "上書き保存確認の消滅",
    "アプリ・ウインド消滅",
    "アプリ・ウインドタイトル変化(MULTI）",
    "保存開始（書き込みファイルが見つかった）",
    "保存終了（書き込みファイルをオープン可）",
    "監視周期",
    "インタバル・タイマ",
    "当該アプリの保存操作キャンセル",
};

// "%3u: name" padded to 45 bytes, and "%2u: name"; built once, kept for the process.
struct TraceNames {
    char states[SAS_COUNT][SaveStateNameBytes + 1];
    char events[SAE_COUNT][128];
    TraceNames() {
        for (UINT s = 0; s < SAS_COUNT; ++s)
            snprintf(states[s], sizeof states[s], "%3u: %-*s", s, SaveStateNameBytes - 5, kStateNames[s]);
        for (UINT e = 0; e < SAE_COUNT; ++e)
            snprintf(events[e], sizeof events[e], "%2u: %s", e, kEventNames[e]);
    }
};

const TraceNames& Names() {
    static const TraceNames names;
    return names;
}

} // namespace

const char* SaveStateTraceName(UINT state) {
    return state < SAS_COUNT ? Names().states[state] : "?";
}

const char* SaveEventTraceName(UINT event) {
    return event < SAE_COUNT ? Names().events[event] : "?";
}

int OVC_CALL TraceCallback(UINT kind, UINT a, UINT b, HOVCSTC) {
    bool japanese = SaveLogInJapanese();
    switch (kind) {
    case OVC_STC_TRACE_EVENT:
        if (japanese)
            LogPrintF("SaveAct - sts = %s, evt = %s", SaveStateTraceName(a), SaveEventTraceName(b));
        else
            LogPrintF("SaveAct - sts = %u, evt = %u", a, b);
        break;
    case OVC_STC_TRACE_STATE:
        if (japanese)
            LogPrintF("SaveAct - sts changed --> %s", SaveStateTraceName(a));
        else
            LogPrintF("SaveAct - sts changed --> %u", a);
        break;
    case OVC_STC_TRACE_TIMER_START:
        LogPrintF("SaveAct - Timer %u START (%ums)", a, b);
        break;
    case OVC_STC_TRACE_TIMER_STOP:
        LogPrintF("SaveAct - Timer %u STOP", a);
        break;
    }
    return 0;
}

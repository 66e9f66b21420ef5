// Resource ids of the desktop application.
#pragma once

#define IDI_DORMEX 102
#define IDD_SETTINGS 101
#define IDD_WARNING 103
#define IDD_SAVING 106

// Settings dialog 101.
#define IDC_SHUTDOWN_NOW 1031
#define IDC_SLEEP_NOW 1032
#define IDC_REBOOT_NOW 1033
#define IDC_SCHEDULE 1034
#define IDC_SCHEDULE_GROUP 1021
#define IDC_ROW_VALID0 1002 // 1002..1005: rows 1..4 in use
#define IDC_ROW_HOUR0 1006  // 1006..1009
#define IDC_ROW_MINUTE0 1010 // 1010..1013
#define IDC_ROW_FORCED0 1022 // 1022..1025
#define IDC_ROW_GROUP0 1015 // 1015..1018: hidden group boxes around the rows' fields
#define IDC_TIME_CAPTION 1125
#define IDC_INTERVAL 1014
#define IDC_INTERVAL_CAPTION 1048
#define IDC_INTERVAL_UNIT 1049
#define IDC_INTERVAL_NOTE 1050
#define IDC_WEEKDAY_GROUP 1042
#define IDC_WEEKDAY0 1035 // 1035..1041: Sunday..Saturday
#define IDC_SOUND_GROUP 1043
#define IDC_SOUND60 1044
#define IDC_SOUND30 1045
#define IDC_SOUND10 1046
#define IDC_SOUND03 1047
#define IDC_DEVICE_CAPTION 1053
#define IDC_DEVICE 1126
#define IDC_VOLUME_CAPTION 1055
#define IDC_VOLUME 1020
#define IDC_PLAY_TEST 1056
#define IDC_RESUME_CAPTION 1051
#define IDC_RESUME 1019
#define IDC_RESUME_UNIT 1052
#define IDC_NO_SLEEP 1143
#define IDC_NO_DSP_OFF 1144

// Countdown dialog 103.
#define IDC_WARN_SECONDS 1016
#define IDC_WARN_TEXT 1030
#define IDC_WARN_STOP 1017

// Preservation progress dialog 106.
#define IDC_SAVING_TEXT 1030

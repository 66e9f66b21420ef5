// Ids of the dialog templates of the control tests.
#pragma once

// A copy of the settings dialog's layout: group boxes, rows and their neighbours.
#define IDD_SETTINGS_LAYOUT 201
// Separators between hour and minute: unnamed in the real dialog, named here to be checked.
#define IDC_SEPARATOR0 1901
#define IDC_SEPARATOR1 1902
#define IDC_SEPARATOR2 1903
#define IDC_SEPARATOR3 1904
#define IDC_VERSION 1905

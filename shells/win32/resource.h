// Identifiers shared by the resources and the code of the Windows program.
#pragma once

// Main frame: menu, accelerators and caption string; also the program icon.
#define IDR_MAINFRAME 128
// The program icon at 64 and 128 pixels, for the About box at higher
// densities.
#define IDI_LARGE 129
// String table: the program's name, the caption of every message box.
#define IDS_APP_NAME 57344

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_ENTER_VALUES 130

// Controls of "Enter Values".
#define IDC_DURATION 1000
#define IDC_STEP 1001
#define IDC_INTERACTION_ON 1004
#define IDC_INTERACTION_OFF 1005
#define IDC_SPEED 1006

// Commands.
#define ID_ENTER_NEW_VALUES 32771
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
// Accelerator commands that nothing handles: the keys do nothing.
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// The child id of the frame's main pane, the plot view.
#define IDW_PANE_FIRST 59648

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

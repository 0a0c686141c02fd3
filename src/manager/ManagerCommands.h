#pragma once
// Command ids of the manager's frame and explorer window, as the menus,
// toolbar, accelerators and other programs' WM_COMMAND name them.

#include "platform/WinTypes.h"

namespace tavrel
{

constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_PRINT_SETUP = 57606;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;

constexpr UINT ID_CAPTURE = 32873; // menu and Ctrl+S
constexpr UINT ID_SELECT_ALL = 32875;
constexpr UINT ID_SELECT_INVERT = 32876;
constexpr UINT ID_VIEW_LARGEICON = 32898;
constexpr UINT ID_VIEW_REPORT = 32899;
constexpr UINT ID_EDIT_DELETE = 32900;
constexpr UINT ID_TOOLBAR_CAPTURE = 32901;
constexpr UINT ID_FILE_REFRESH = 32933;
constexpr UINT ID_FILE_PROPERTIES = 32935;
constexpr UINT ID_UP = 32940;
constexpr UINT ID_FOLDERS = 32941;
constexpr UINT ID_VIEW_MENU = 32942;
constexpr UINT ID_VIEW_ICONS = 32960;
constexpr UINT ID_VIEW_DETAILS = 32961;
constexpr UINT ID_FOLDER_CUT = 32966;
constexpr UINT ID_FOLDER_COPY = 32967;
constexpr UINT ID_FOLDER_PASTE = 32968;
constexpr UINT ID_FOLDER_DELETE = 32969;
constexpr UINT ID_RENAME = 32970;
constexpr UINT ID_FOLDER_NEW = 32971;
constexpr UINT ID_FOLDER_PROPERTIES = 32972;
constexpr UINT ID_FOLDER_REFRESH = 32984;
constexpr UINT ID_NOTHING_NEW = 32985;   // menu 128 "新建(&N)"
constexpr UINT ID_NOTHING_CUT = 32986;   // menu 128 "剪切(&T)"
constexpr UINT ID_NOTHING_ABOUT = 32987; // menu 128 "关于"
constexpr UINT ID_CAPTURE_VERIFY = 32988;
constexpr UINT ID_NO_ACTION = 32838;

// Status bar indicators of panes 1 and 2.
constexpr UINT ID_INDICATOR_PROGRESS = 59142;
constexpr UINT ID_INDICATOR_QUEUE = 59143;

// View modes of the explorer window ("defaultviewmdoe").
constexpr int kViewModeIcons = 0;
constexpr int kViewModeDetails = 1;

// The capture program's window class and its calibration argument.
constexpr const char* kCaptureWindowClass = "Tavrel Camera";
constexpr const char* kCaptureVerifyArgument = "/Verify";

} // namespace tavrel

#pragma once
// The manager's string table: the built-in Chinese texts by resource
// number, translated through the loaded UI-language library.

#include <QString>

namespace tavrel
{

enum PelidorString : int
{
    IDS_QUEUE_STATUS = 61489, // "等待处理页数："
    IDS_TOOL_CAPTURE = 61490,
    IDS_TOOL_UP = 61491,
    IDS_TOOL_FOLDERS = 61492,
    IDS_TOOL_VIEW = 61493,
    IDS_FRAME_TITLE = 1,
    IDS_MENU_FILE,
    IDS_MENU_EDIT,
    IDS_MENU_HELP,
    IDS_MENU_NEW,
    IDS_MENU_CAPTURE,
    IDS_MENU_EXIT,
    IDS_MENU_CUT,
    IDS_MENU_COPY,
    IDS_MENU_PASTE,
    IDS_MENU_DELETE,
    IDS_MENU_SELECT_ALL,
    IDS_MENU_SELECT_INVERT,
    IDS_MENU_ABOUT,
    IDS_MENU_ICONS,
    IDS_MENU_DETAILS,
    IDS_ABOUT_CAPTION,
    IDS_ABOUT_PRODUCT,
    IDS_ABOUT_TEXT,
    IDS_ABOUT_OK,
    IDS_STATUS_READY,
    IDS_PANE_WEB,
};

// The text of `id` in the user-interface language ("" for an unknown id).
QString LoadString(int id);

} // namespace tavrel

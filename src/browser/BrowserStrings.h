#pragma once
// The file browser's built-in texts (Chinese), keyed by resource number: the
// design's numbers where it has them (menus by command id, columns, the new
// folder's name), numbers of ours from 62100 on for the places and our own
// dialogs. Views translate each text by its number; the models take a lookup
// so they compare against the names the user actually sees.

#include <functional>
#include <string>
#include <vector>

namespace tavrel
{

// Text of a resource number; "" when the table has none.
const char* BuiltinBrowserString(int id);
// Every number of the table, for checks that each one is translated.
std::vector<int> BrowserStringIds();

using TextLookup = std::function<std::string(int id)>;
TextLookup BuiltinBrowserTexts();

// Replaces "%1", "%2", ... by the arguments.
std::string FormatText(std::string text, const std::vector<std::string>& args);

namespace ids
{
// Columns of the details view, and the new folder's name.
constexpr int kColumnName = 61461;
constexpr int kColumnPath = 61463;
constexpr int kColumnSize = 61464;
constexpr int kColumnDate = 61465;
constexpr int kNewFolderName = 61485;

// Folder tree: view, control and context menu, and its commands.
constexpr int kTreeView = 316;
constexpr int kTreeControl = 1067;
constexpr int kTreeMenu = 321;
constexpr int kTreeCut = 32966;
constexpr int kTreeCopy = 32967;
constexpr int kTreePaste = 32968;
constexpr int kTreeDelete = 32969;
constexpr int kTreeRename = 32970;
constexpr int kTreeNew = 32971;
constexpr int kTreeProperties = 32972;
constexpr int kTreeRefresh = 32984;

// File list: item menu 294, background menu 283, main-menu commands.
constexpr int kItemMenu = 294;
constexpr int kBackgroundMenu = 283;
constexpr int kListIcons = 32936;
constexpr int kListDetails = 32937;
constexpr int kListRefresh = 32933;
constexpr int kListPaste = 32934;
constexpr int kListFolderProperties = 32935;
constexpr int kListOpen = 32951;
constexpr int kListCut = 32952;
constexpr int kListCopy = 32953;
constexpr int kListDelete = 32954;
constexpr int kListRename = 32955;
constexpr int kListProperties = 32956;
constexpr int kMainCut = 57635;
constexpr int kMainCopy = 57634;
constexpr int kMainPaste = 57637;
constexpr int kMainDelete = 32900;
constexpr int kMainIcons = 32960;
constexpr int kMainDetails = 32961;
constexpr int kSelectAll = 32875;
constexpr int kInvertSelection = 32876;

// Icons: computer, documents, the thumbnail placeholder.
constexpr int kIconComputer = 325;
constexpr int kIconDocuments = 326;
constexpr int kIconPlaceholder = 334;

// Places.
constexpr int kDesktop = 62100;
constexpr int kComputer = 62101;
constexpr int kDocuments = 62102;
constexpr int kHome = 62103;
constexpr int kNetwork = 62104;
constexpr int kRecycleBin = 62105;
constexpr int kControlPanel = 62106;
constexpr int kRootVolume = 62107;
constexpr int kLoading = 62108;

// File commands.
constexpr int kConfirmDeleteOne = 62120;
constexpr int kConfirmDeleteMany = 62121;
constexpr int kDeleteTitle = 62122;
constexpr int kTrashFailed = 62123;
constexpr int kRenameTaken = 62124;
constexpr int kRenameFailed = 62125;
constexpr int kNameTaken = 62126;
constexpr int kReplace = 62127;
constexpr int kKeepBoth = 62128;
constexpr int kSkip = 62129;
constexpr int kCancel = 62130;
constexpr int kApplyToAll = 62131;
constexpr int kCopying = 62132;
constexpr int kMoving = 62133;
constexpr int kTrashing = 62134;
constexpr int kCopyFailed = 62135;
constexpr int kMoveFailed = 62136;
constexpr int kIntoItself = 62137;
constexpr int kNewFolderFailed = 62138;
constexpr int kOpenFailed = 62139;
constexpr int kNameTakenTitle = 62140;
constexpr int kInvalidName = 62141;

// Properties dialog.
constexpr int kPropertiesTitle = 62150;
constexpr int kPropName = 62151;
constexpr int kPropLocation = 62152;
constexpr int kPropSize = 62153;
constexpr int kPropModified = 62154;
constexpr int kPropAccessed = 62155;
constexpr int kPropCreated = 62156;
constexpr int kPropDimensions = 62157;
constexpr int kPropResolution = 62158;
constexpr int kPropType = 62159;
constexpr int kPropContains = 62160;
constexpr int kTypeFolder = 62161;
constexpr int kTypePicture = 62162;
constexpr int kTypeFile = 62163;
constexpr int kBytes = 62164;
constexpr int kPixels = 62165;
constexpr int kDpi = 62166;
constexpr int kContainsCount = 62167;
constexpr int kCounting = 62168;
constexpr int kClose = 62169;

// Web panel.
constexpr int kPageMissing = 62180;
} // namespace ids

} // namespace tavrel

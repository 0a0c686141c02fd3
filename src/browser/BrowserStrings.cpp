#include "browser/BrowserStrings.h"

#include <algorithm>
#include <iterator>

namespace tavrel
{

namespace
{

struct Entry
{
    int id;
    const char* text;
};

constexpr Entry kTable[] = {
    {ids::kColumnName, "文件名"},
    {ids::kColumnPath, "文件路径"},
    {ids::kColumnSize, "文件大小"},
    {ids::kColumnDate, "修改日期"},
    {ids::kNewFolderName, "新建文件夹"},

    {ids::kTreeCut, "剪切(&X)"},
    {ids::kTreeCopy, "复制(&C)"},
    {ids::kTreePaste, "粘贴(&V)"},
    {ids::kTreeDelete, "删除(&D)"},
    {ids::kTreeRename, "重命名(&M)"},
    {ids::kTreeNew, "新建(&N)"},
    {ids::kTreeProperties, "属性(&R)"},
    {ids::kTreeRefresh, "刷新(&F)"},

    {ids::kListIcons, "图标(&N)"},
    {ids::kListDetails, "详细信息(&D)"},
    {ids::kListRefresh, "刷新(&E)"},
    {ids::kListPaste, "粘贴(&V)"},
    {ids::kListFolderProperties, "属性(&R)"},
    {ids::kListOpen, "打开(&O)"},
    {ids::kListCut, "剪切(&T)"},
    {ids::kListCopy, "复制(&C)"},
    {ids::kListDelete, "删除(&D)"},
    {ids::kListRename, "重命名(&M)"},
    {ids::kListProperties, "属性(&R)"},

    {ids::kDesktop, "桌面"},
    {ids::kComputer, "我的电脑"},
    {ids::kDocuments, "我的文档"},
    {ids::kHome, "主文件夹"},
    {ids::kNetwork, "网上邻居"},
    {ids::kRecycleBin, "回收站"},
    {ids::kControlPanel, "控制面板"},
    {ids::kRootVolume, "文件系统"},
    {ids::kLoading, "正在读取…"},

    {ids::kConfirmDeleteOne, "确实要把“%1”移到回收站吗？"},
    {ids::kConfirmDeleteMany, "确实要把这 %1 项移到回收站吗？"},
    {ids::kDeleteTitle, "删除"},
    {ids::kTrashFailed, "无法移到回收站：%1"},
    {ids::kRenameTaken, "无法重命名：已有名为“%1”的文件或文件夹。"},
    {ids::kRenameFailed, "无法重命名“%1”：%2"},
    {ids::kNameTaken, "目标文件夹中已有名为“%1”的项目。"},
    {ids::kReplace, "替换(&R)"},
    {ids::kKeepBoth, "保留两者(&K)"},
    {ids::kSkip, "跳过(&S)"},
    {ids::kCancel, "取消"},
    {ids::kApplyToAll, "对其余冲突也这样处理(&A)"},
    {ids::kCopying, "正在复制“%1”…"},
    {ids::kMoving, "正在移动“%1”…"},
    {ids::kTrashing, "正在移到回收站“%1”…"},
    {ids::kCopyFailed, "复制失败：%1"},
    {ids::kMoveFailed, "移动失败：%1"},
    {ids::kIntoItself, "不能把文件夹“%1”放进它自己里面。"},
    {ids::kNewFolderFailed, "无法新建文件夹：%1"},
    {ids::kOpenFailed, "无法打开“%1”。"},
    {ids::kNameTakenTitle, "名称冲突"},
    {ids::kInvalidName, "文件名不能为空，也不能包含“/”。"},

    {ids::kPropertiesTitle, "%1 属性"},
    {ids::kPropName, "名称："},
    {ids::kPropLocation, "位置："},
    {ids::kPropSize, "大小："},
    {ids::kPropModified, "修改时间："},
    {ids::kPropAccessed, "访问时间："},
    {ids::kPropCreated, "创建时间："},
    {ids::kPropDimensions, "尺寸："},
    {ids::kPropResolution, "分辨率："},
    {ids::kPropType, "类型："},
    {ids::kPropContains, "包含："},
    {ids::kTypeFolder, "文件夹"},
    {ids::kTypePicture, "图片"},
    {ids::kTypeFile, "文件"},
    {ids::kBytes, "%1（%2 字节）"},
    {ids::kPixels, "%1 × %2 像素"},
    {ids::kDpi, "%1 × %2 dpi"},
    {ids::kContainsCount, "%1 个文件，%2 个文件夹"},
    {ids::kCounting, "正在计算…"},
    {ids::kClose, "关闭"},

    {ids::kPageMissing, "找不到页面“%1”。"},
};

} // namespace

const char* BuiltinBrowserString(int id)
{
    const auto found = std::find_if(std::begin(kTable), std::end(kTable),
                                    [id](const Entry& entry) { return entry.id == id; });
    return found != std::end(kTable) ? found->text : "";
}

std::vector<int> BrowserStringIds()
{
    std::vector<int> all;
    for (const Entry& entry : kTable)
        all.push_back(entry.id);
    return all;
}

TextLookup BuiltinBrowserTexts()
{
    return [](int id) { return std::string(BuiltinBrowserString(id)); };
}

std::string FormatText(std::string text, const std::vector<std::string>& args)
{
    // One pass, so an argument that itself holds "%2" is left as it is.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9')
        {
            const std::size_t index = std::size_t(text[i + 1] - '1');
            if (index < args.size())
            {
                out += args[index];
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

} // namespace tavrel

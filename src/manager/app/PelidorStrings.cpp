#include "manager/app/PelidorStrings.h"

#include <QCoreApplication>

#include <map>

namespace tavrel
{

namespace
{

const std::map<int, const char*>& Table()
{
    static const std::map<int, const char*> table = {
        {IDS_QUEUE_STATUS, QT_TRANSLATE_NOOP("Pelidor", "等待处理页数：")},
        {IDS_TOOL_CAPTURE, QT_TRANSLATE_NOOP("Pelidor", "拍摄")},
        {IDS_TOOL_UP, QT_TRANSLATE_NOOP("Pelidor", "向上")},
        {IDS_TOOL_FOLDERS, QT_TRANSLATE_NOOP("Pelidor", "文件夹")},
        {IDS_TOOL_VIEW, QT_TRANSLATE_NOOP("Pelidor", "查看")},
        {IDS_FRAME_TITLE, QT_TRANSLATE_NOOP("Pelidor", "TAVREL")},
        {IDS_MENU_FILE, QT_TRANSLATE_NOOP("Pelidor", "文件(&F)")},
        {IDS_MENU_EDIT, QT_TRANSLATE_NOOP("Pelidor", "编辑(&E)")},
        {IDS_MENU_HELP, QT_TRANSLATE_NOOP("Pelidor", "帮助(&H)")},
        {IDS_MENU_NEW, QT_TRANSLATE_NOOP("Pelidor", "新建(&N)")},
        {IDS_MENU_CAPTURE, QT_TRANSLATE_NOOP("Pelidor", "拍摄(&S)")},
        {IDS_MENU_EXIT, QT_TRANSLATE_NOOP("Pelidor", "退出(&X)")},
        {IDS_MENU_CUT, QT_TRANSLATE_NOOP("Pelidor", "剪切(&T)")},
        {IDS_MENU_COPY, QT_TRANSLATE_NOOP("Pelidor", "复制(&C)")},
        {IDS_MENU_PASTE, QT_TRANSLATE_NOOP("Pelidor", "粘贴(&P)")},
        {IDS_MENU_DELETE, QT_TRANSLATE_NOOP("Pelidor", "删除(&D)")},
        {IDS_MENU_SELECT_ALL, QT_TRANSLATE_NOOP("Pelidor", "全选(&A)")},
        {IDS_MENU_SELECT_INVERT, QT_TRANSLATE_NOOP("Pelidor", "反选(&B)")},
        {IDS_MENU_ABOUT, QT_TRANSLATE_NOOP("Pelidor", "关于 Tavrel(&A)...")},
        {IDS_MENU_ICONS, QT_TRANSLATE_NOOP("Pelidor", "图标(&N)")},
        {IDS_MENU_DETAILS, QT_TRANSLATE_NOOP("Pelidor", "详细信息(&D)")},
        {IDS_ABOUT_CAPTION, QT_TRANSLATE_NOOP("Pelidor", "关于 Tavrel")},
        {IDS_ABOUT_PRODUCT, QT_TRANSLATE_NOOP("Pelidor", "Tavrel 1.0 版")},
        {IDS_ABOUT_TEXT, QT_TRANSLATE_NOOP("Pelidor", "胶片与照片扫描仪的图片管理程序。\n"
                                                      "扫描的每张图片都保存在所显示的文件夹中。")},
        {IDS_ABOUT_OK, QT_TRANSLATE_NOOP("Pelidor", "确定")},
        {IDS_STATUS_READY, QT_TRANSLATE_NOOP("Pelidor", "就绪")},
        {IDS_PANE_WEB, QT_TRANSLATE_NOOP("Pelidor", "网页")},
    };
    return table;
}

} // namespace

QString LoadString(int id)
{
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? QString() : QCoreApplication::translate("Pelidor", it->second);
}

} // namespace tavrel

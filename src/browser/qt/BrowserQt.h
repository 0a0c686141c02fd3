#pragma once
// Glue between the file browser's models and Qt: work posted to the GUI
// thread, the string table through the installed translation, icons.

#include "browser/BrowserStrings.h"
#include "browser/FolderReader.h"

#include <QIcon>
#include <QString>

namespace tavrel
{

// Posts onto the application's GUI thread.
PostToUi QtPoster();
// The built-in text of `id` through the installed translation.
QString BrowserText(int id);
TextLookup QtBrowserTexts();

// The desktop theme's icon of `themeName`, else ours for resource `id`
// (325 computer, 326 documents, 334 placeholder) or a plain folder/file.
QIcon BrowserIcon(int id);
QIcon ThemeIcon(const char* themeName, int fallbackId);
constexpr int kFolderIconId = 1;
constexpr int kPictureIconId = 2;
constexpr int kDriveIconId = 3;

} // namespace tavrel

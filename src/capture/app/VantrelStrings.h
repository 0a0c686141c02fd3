#pragma once
// The capture program's texts: the built-in Chinese by resource number,
// translated through the loaded UI-language library. String-table entries,
// dialog captions (by template) and control captions (by control id) keep
// the design's numbers; texts the design leaves without a number have
// their own, from 30000 up.

#include "platform/MessageBox.h"

#include <QString>

#include <memory>

namespace tavrel
{

enum VantrelString : int
{
    IDD_ABOUTBOX = 100,
    IDS_ABOUTBOX = 101,
    IDS_CAPTURING_NEGATIVE = 102,
    IDS_CAPTURING_POSITIVE = 103,
    IDS_COMPUTING = 104,
    IDS_SAVING = 105,
    IDS_CAPTURING_BLACKWHITE = 106,
    IDS_NO_DEVICE = 107,
    IDD_CALIBRATION = 129,
    IDD_PHOTO = 133,
    IDD_FILM = 134,

    IDS_FILM_GROUP = 30000,
    IDS_PHOTO_GROUP,
    IDS_RESOLUTION_GROUP,
    IDS_CYAN,
    IDS_RED,
    IDS_MAGENTA,
    IDS_GREEN,
    IDS_YELLOW,
    IDS_BLUE,
    IDS_CALIBRATION_TEXT,
    IDS_CANCEL,
    IDS_ABOUT_PRODUCT,
    IDS_ABOUT_TEXT,
    IDS_ABOUT_OK,
    IDS_SYSTEM_MENU,
    IDS_STREAM_WAITING,
    IDS_STREAM_STALLED,
    IDS_STREAM_LOST,
    IDS_NO_CAMERA,
    IDS_CALIBRATION_NOT_EMPTY,
    IDS_CALIBRATION_NO_LIGHT,
    IDS_NO_PICTURE,
};

// The text of `id` (a string, a template's caption or a control's caption)
// in the user-interface language; "" for an unknown id.
QString LoadString(int id);

// Message boxes of the engine in the user-interface language: texts the
// table knows are translated, others (file names, the design's English
// literals) pass as they are.
class TranslatedMessageBoxes final : public MessageBoxSink
{
public:
    explicit TranslatedMessageBoxes(std::shared_ptr<MessageBoxSink> inner);
    int Show(HWND owner, const std::string& text, const std::string& caption,
             unsigned type) override;

private:
    std::shared_ptr<MessageBoxSink> m_inner;
};

} // namespace tavrel

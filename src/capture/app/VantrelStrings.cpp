#include "capture/app/VantrelStrings.h"

#include "capture/app/DialogIds.h"

#include <QCoreApplication>

#include <map>

namespace tavrel
{

namespace
{

constexpr const char* kContext = "Vantrel";

const std::map<int, const char*>& Table()
{
    namespace c = control;
    static const std::map<int, const char*> table = {
        {IDD_ABOUTBOX, QT_TRANSLATE_NOOP("Vantrel", "关于 Vantrel")},
        {IDS_ABOUTBOX, QT_TRANSLATE_NOOP("Vantrel", "关于 Vantrel(&A)...")},
        {IDS_CAPTURING_NEGATIVE, QT_TRANSLATE_NOOP("Vantrel", "采集负片图像，请稍侯....")},
        {IDS_CAPTURING_POSITIVE, QT_TRANSLATE_NOOP("Vantrel", "采集正片图像，请稍侯....")},
        {IDS_COMPUTING, QT_TRANSLATE_NOOP("Vantrel", "计算中...")},
        {IDS_SAVING, QT_TRANSLATE_NOOP("Vantrel", "保存...")},
        {IDS_CAPTURING_BLACKWHITE, QT_TRANSLATE_NOOP("Vantrel", "采集黑白图像,请稍侯...")},
        {IDS_NO_DEVICE,
         QT_TRANSLATE_NOOP("Vantrel", "设备不存在，请先连接好设备后，再进行扫描仪。")},
        {IDD_CALIBRATION, QT_TRANSLATE_NOOP("Vantrel", "镜头校正")},
        {IDD_PHOTO, QT_TRANSLATE_NOOP("Vantrel", "照片预览")},
        {IDD_FILM, QT_TRANSLATE_NOOP("Vantrel", "照片预览")},

        {c::kCapture, QT_TRANSLATE_NOOP("Vantrel", "拍摄")},
        {c::kResolution18, "1800dpi"},
        {c::kResolution36, "3600dpi"},
        {c::kPositive, QT_TRANSLATE_NOOP("Vantrel", "正片")},
        {c::kNegative, QT_TRANSLATE_NOOP("Vantrel", "负片")},
        {c::kBlackWhite, QT_TRANSLATE_NOOP("Vantrel", "黑白")},
        {c::kSize5x7, "5x7"},
        {c::kSize4x6, "4x6"},
        {c::kSize3x5, "3 1/2x5"},
        {c::kSizeNameCard, "NameCard"},
        {c::kBrightness, QT_TRANSLATE_NOOP("Vantrel", "亮度")},
        {c::kContrast, QT_TRANSLATE_NOOP("Vantrel", "对比度")},
        {c::kSaturation, QT_TRANSLATE_NOOP("Vantrel", "饱和度")},
        {c::kNatural, QT_TRANSLATE_NOOP("Vantrel", "自然")},
        {c::kVivid, QT_TRANSLATE_NOOP("Vantrel", "艳丽")},
        {c::kNostalgic, QT_TRANSLATE_NOOP("Vantrel", "怀旧")},
        {c::kCustom, QT_TRANSLATE_NOOP("Vantrel", "自定")},
        {c::kDenoise, QT_TRANSLATE_NOOP("Vantrel", "消除噪点")},
        {c::kFormatLabel, QT_TRANSLATE_NOOP("Vantrel", "图片格式")},
        {c::kBitDepthLabel, QT_TRANSLATE_NOOP("Vantrel", "色深")},
        {c::kAdjustGroup, QT_TRANSLATE_NOOP("Vantrel", "调整")},
        {c::kTestGroup, "Test Funtion"},
        {c::kSaveRawFrame, "Save To File"},
        {c::kRestoreFromDevice, QT_TRANSLATE_NOOP("Vantrel", "从设备中还原")},
        {c::kRestoreFromFile, QT_TRANSLATE_NOOP("Vantrel", "从文件中还原")},
        {c::kConfigSensor, "Config Sensor"},
        {c::kVerify, "Verify"},
        {c::kShowPic, "ShowPic"},
        {c::kStartCalibration, QT_TRANSLATE_NOOP("Vantrel", "开始校正")},

        {IDS_FILM_GROUP, QT_TRANSLATE_NOOP("Vantrel", "底片类型")},
        {IDS_PHOTO_GROUP, QT_TRANSLATE_NOOP("Vantrel", "照片尺寸")},
        {IDS_RESOLUTION_GROUP, QT_TRANSLATE_NOOP("Vantrel", "分辨率")},
        {IDS_CYAN, QT_TRANSLATE_NOOP("Vantrel", "青")},
        {IDS_RED, QT_TRANSLATE_NOOP("Vantrel", "红")},
        {IDS_MAGENTA, QT_TRANSLATE_NOOP("Vantrel", "洋红")},
        {IDS_GREEN, QT_TRANSLATE_NOOP("Vantrel", "绿")},
        {IDS_YELLOW, QT_TRANSLATE_NOOP("Vantrel", "黄")},
        {IDS_BLUE, QT_TRANSLATE_NOOP("Vantrel", "蓝")},
        {IDS_CALIBRATION_TEXT,
         QT_TRANSLATE_NOOP("Vantrel", "  为了获得更好的图像质量，第一次使用时系统会要求\n"
                                      "您对镜头进行校正，校正前，请先确认当前设备中“没有片夹”，"
                                      "确认认后按“开始校正”\n\n"
                                      "校正过程大约需要耗费 30 秒时间，请稍侯.")},
        {IDS_CANCEL, QT_TRANSLATE_NOOP("Vantrel", "取消")},
        {IDS_ABOUT_PRODUCT, QT_TRANSLATE_NOOP("Vantrel", "Vantrel 1.0 版")},
        {IDS_ABOUT_TEXT, QT_TRANSLATE_NOOP("Vantrel", "胶片与照片扫描仪的拍摄程序。\n"
                                                      "拍下的每张图片都交给 Pelidor 保存。")},
        {IDS_ABOUT_OK, QT_TRANSLATE_NOOP("Vantrel", "确定")},
        {IDS_SYSTEM_MENU, QT_TRANSLATE_NOOP("Vantrel", "窗口菜单")},
        {IDS_STREAM_WAITING, QT_TRANSLATE_NOOP("Vantrel", "正在等待相机的画面…")},
        {IDS_STREAM_STALLED, QT_TRANSLATE_NOOP("Vantrel", "相机暂时没有画面，正在重试…")},
        {IDS_STREAM_LOST,
         QT_TRANSLATE_NOOP("Vantrel", "扫描仪已断开。请重新连接，预览会自动恢复。")},
        {IDS_NO_CAMERA, QT_TRANSLATE_NOOP("Vantrel", "没有找到扫描仪。")},
        {IDS_NO_PICTURE,
         QT_TRANSLATE_NOOP("Vantrel", "没有拍到图片：扫描仪没有送来图片。请再按一次拍摄。")},
        {IDS_CALIBRATION_NOT_EMPTY,
         QT_TRANSLATE_NOOP("Vantrel", "校正没有进行：画面中有底片或片夹。请取出片夹，"
                                      "让设备中空着，再按“开始校正”。原来的校正保持不变。")},
        {IDS_CALIBRATION_NO_LIGHT,
         QT_TRANSLATE_NOOP("Vantrel", "校正没有进行：画面太暗，无法测量光线。请确认设备中"
                                      "没有片夹、灯已亮起，再按“开始校正”。原来的校正保持不变。")},
    };
    return table;
}

// Texts of the engine's message boxes that are not in the table by number.
[[maybe_unused]] const char* const kMessageTexts[] = {
    QT_TRANSLATE_NOOP("Vantrel", "找不到设备的PidVid！"),
    QT_TRANSLATE_NOOP("Vantrel", "找不到与.XML中匹配的PIDVID"),
};

} // namespace

QString LoadString(int id)
{
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? QString() : QCoreApplication::translate(kContext, it->second);
}

TranslatedMessageBoxes::TranslatedMessageBoxes(std::shared_ptr<MessageBoxSink> inner)
    : m_inner(std::move(inner))
{
}

int TranslatedMessageBoxes::Show(HWND owner, const std::string& text, const std::string& caption,
                                 unsigned type)
{
    const auto tr = [](const std::string& s)
    { return QCoreApplication::translate(kContext, s.c_str()).toStdString(); };
    return m_inner->Show(owner, tr(text), tr(caption), type);
}

} // namespace tavrel

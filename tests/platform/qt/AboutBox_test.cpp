#include "platform/MessageBox.h"
#include "platform/qt/AboutBox.h"
#include "platform/qt/Controls.h"
#include "support/qt/QtTestApp.h"

#include <QLabel>
#include <QPixmap>

#include <gtest/gtest.h>

namespace tavrel::test
{

namespace
{

class AboutBoxTest : public QtTest
{
};

TEST_F(AboutBoxTest, FixedSizeWithACloseButtonOnlyAndEveryLineWhole)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkCyan);
    const AboutContent languages[] = {
        {"关于 Tavrel", "Tavrel 1.0 版",
         "胶片与照片扫描仪的图片管理程序。\n扫描的每张图片都保存在所显示的文件夹中。", "确定",
         QIcon(pixmap), "Dialog"},
        {"About Tavrel",
         "Tavrel version 1.0",
         "The picture manager of the film and photo scanner.\n"
         "Every scanned picture is stored in the folder shown.",
         "OK",
         QIcon(pixmap),
         {}},
    };
    for (const AboutContent& content : languages)
    {
        QWidget owner;
        CAboutBox* box = CAboutBox::Show(content, &owner);
        ASSERT_TRUE(box->isVisible());
        EXPECT_EQ(CAboutBox::Show(content, &owner), box); // one at a time
        EXPECT_EQ(box->windowTitle(), content.caption);
        EXPECT_EQ(box->objectName(), content.skinName);

        const Qt::WindowFlags flags = box->windowFlags();
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint));
        EXPECT_EQ(box->minimumSize(), box->maximumSize());
        EXPECT_EQ(box->size(), box->minimumSize());

        // The text's label holds its longest line: no line wrapped or cut.
        QLabel* text = nullptr;
        for (QLabel* label : box->findChildren<QLabel*>())
            if (label->text() == content.text)
                text = label;
        ASSERT_TRUE(text);
        for (const QString& line : content.text.split('\n'))
            EXPECT_GE(text->contentsRect().width(), text->fontMetrics().horizontalAdvance(line))
                << line.toStdString();
        EXPECT_EQ(text->height(), text->sizeHint().height());

        ASSERT_TRUE(ClickCommand(box, IDOK));
        EXPECT_FALSE(box->isVisible());
    }
}

} // namespace

} // namespace tavrel::test

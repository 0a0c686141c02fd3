#include "browser/qt/WebBrowserView.h"

#include "browser/BrowserStrings.h"
#include "browser/qt/BrowserQt.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tavrel
{

CWebBrowserView::CWebBrowserView(QWidget* parent)
    : QWidget(parent), m_browser(new QTextBrowser(this))
{
    m_browser->setFrameShape(QFrame::NoFrame);
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    Navigate(QString::fromStdString(ProgramFolder()));
}

QString CWebBrowserView::PageAddress(const QString& programFolder)
{
    return QStringLiteral("file://") + programFolder + QStringLiteral("/ad.html");
}

void CWebBrowserView::Navigate(const QString& programFolder)
{
    const QUrl address(PageAddress(programFolder));
    if (!QFileInfo::exists(address.toLocalFile()))
    {
        m_browser->setHtml(
            QStringLiteral("<p style='color:#666'>%1</p>")
                .arg(BrowserText(ids::kPageMissing).arg(address.toLocalFile()).toHtmlEscaped()));
        return;
    }
    m_browser->setSource(address);
}

} // namespace tavrel

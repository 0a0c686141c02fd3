#pragma once
// The web panel: the local page "ad.html" of the program folder in a text
// browser that fills the pane. Links leave for the desktop's browser.

#include <QWidget>

class QTextBrowser;

namespace tavrel
{

class CWebBrowserView : public QWidget
{
    Q_OBJECT

public:
    explicit CWebBrowserView(QWidget* parent = nullptr);

    // "file://" + program folder + "/ad.html".
    static QString PageAddress(const QString& programFolder);
    // Shows the page of `programFolder` (the view's first update uses the
    // program folder).
    void Navigate(const QString& programFolder);
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

} // namespace tavrel

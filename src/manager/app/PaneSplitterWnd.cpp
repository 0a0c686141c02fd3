#include "manager/app/PaneSplitterWnd.h"

#include <QSettings>
#include <QResizeEvent>

namespace tavrel
{

namespace
{

constexpr int kBarWidth = 5;
constexpr int kUnknownSize = 100;

} // namespace

CPaneSplitterWnd::CPaneSplitterWnd(int level, Split split, QString settingsFile, QWidget* parent)
    : QSplitter(split == Split::Columns ? Qt::Horizontal : Qt::Vertical, parent), m_level(level),
      m_settingsFile(std::move(settingsFile))
{
    setObjectName(QString("SplitterWnd%1").arg(level));
    setHandleWidth(kBarWidth);
    setChildrenCollapsible(false);
    setOpaqueResize(true);
    for (int i = 0; i < 2; ++i)
    {
        auto* placeholder = new QWidget(this);
        addWidget(placeholder);
        m_views[i] = placeholder;
    }
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    connect(this, &QSplitter::splitterMoved, this,
            [this]
            {
                const QList<int> current = sizes();
                if (m_hidden < 0 && current.size() == 2)
                    m_ideal = {current[0], current[1]};
            });
}

CPaneSplitterWnd::~CPaneSplitterWnd()
{
    // The nested splitters still exist here: the outermost writes them all.
    if (m_level != 0 || m_settingsFile.isEmpty())
        return;
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    SaveState(settings);
}

void CPaneSplitterWnd::AddPaneView(int index, QWidget* view)
{
    QWidget* old = m_views[index];
    const bool hidden = m_hidden == index;
    replaceWidget(index, view);
    if (old && old != view)
        old->deleteLater();
    m_views[index] = view;
    view->setVisible(!hidden);
}

CPaneSplitterWnd* CPaneSplitterWnd::AddSubSplitter(int index, Split split)
{
    auto* nested = new CPaneSplitterWnd(m_level + 1, split, QString(), nullptr);
    AddPaneView(index, nested);
    m_nested[index] = nested;
    return nested;
}

void CPaneSplitterWnd::SetPaneInfo(int index, int ideal, int minimum)
{
    m_ideal[index] = ideal;
    m_minimum[index] = minimum;
    QWidget* view = m_views[index];
    if (orientation() == Qt::Horizontal)
        view->setMinimumWidth(minimum);
    else
        view->setMinimumHeight(minimum);
    ApplyIdealSizes();
}

void CPaneSplitterWnd::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    ApplyIdealSizes();
}

void CPaneSplitterWnd::ApplyIdealSizes()
{
    if (m_hidden >= 0)
        return;
    const int total = orientation() == Qt::Horizontal ? width() : height();
    const int first = m_ideal[0] < m_minimum[0] ? 0 : m_ideal[0];
    setSizes({first, std::max(total - first - kBarWidth, 1)});
}

void CPaneSplitterWnd::TogglePane(int index)
{
    if (index < 0 || index > 1)
        return;
    if (m_hidden < 0)
    {
        m_remembered = sizes();
        m_hidden = index;
        m_views[index]->hide();
        return;
    }
    if (m_hidden != index)
        return;
    m_views[index]->show();
    m_hidden = -1;
    if (m_remembered.size() == 2)
    {
        m_ideal = {m_remembered[0], m_remembered[1]};
        setSizes(m_remembered);
    }
}

std::array<int, 2> CPaneSplitterWnd::PaneSizes() const
{
    const QList<int> current = sizes();
    std::array<int, 2> result{-1, -1};
    for (int i = 0; i < 2 && i < current.size(); ++i)
        if (m_hidden != i)
            result[i] = current[i];
    return result;
}

void CPaneSplitterWnd::SaveState(QSettings& settings) const
{
    // The design's splitter shifts the visible pane into slot 0 while the
    // other is hidden; the record keeps that order.
    std::array<int, 2> recorded{-1, -1};
    int slot = 0;
    for (const int size : PaneSizes())
        if (size >= 0)
            recorded[slot++] = size;
    for (int& size : recorded)
        if (size == -1)
            size = kUnknownSize;
    const bool columns = orientation() == Qt::Horizontal;
    const int hiddenColumn = columns ? m_hidden : -1;
    const int hiddenRow = columns ? -1 : m_hidden;
    settings.beginGroup("SplitterWnd");
    settings.setValue(
        QString::asprintf("Panes_%d", m_level),
        QString::asprintf("%d %d %d %d", hiddenColumn, recorded[0], hiddenRow, recorded[1]));
    settings.endGroup();
    for (const CPaneSplitterWnd* nested : m_nested)
        if (nested)
            nested->SaveState(settings);
}

} // namespace tavrel

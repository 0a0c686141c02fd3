#pragma once
// A splitter of exactly two panes, side by side (columns) or one over the
// other (rows), that can hide one pane and show it again at its former
// size. Nested splitters sit in a pane. When the outermost one goes, the
// sizes of all of them are written to the application settings under
// "SplitterWnd" ("Panes_<level>" = "hiddenColumn pane0 hiddenRow pane1").

#include <QSplitter>

#include <array>

class QSettings;

namespace tavrel
{

class CPaneSplitterWnd : public QSplitter
{
    Q_OBJECT

public:
    enum class Split
    {
        Columns,
        Rows
    };

    // `settingsFile`: the application settings the state is written to
    // ("" writes nothing).
    CPaneSplitterWnd(int level, Split split, QString settingsFile, QWidget* parent = nullptr);
    ~CPaneSplitterWnd() override;

    int Level() const { return m_level; }
    // Puts `view` in pane `index` (replacing what was there).
    void AddPaneView(int index, QWidget* view);
    CPaneSplitterWnd* AddSubSplitter(int index, Split split);
    CPaneSplitterWnd* SubSplitter(int index) const { return m_nested[index]; }
    QWidget* PaneView(int index) const { return m_views[index]; }
    // Ideal and minimum size of a pane along the split; the last pane takes
    // the rest, a pane whose ideal size is below its minimum gets none.
    void SetPaneInfo(int index, int ideal, int minimum);

    // Hides pane `index` when none is hidden; shows it again, with the sizes
    // it had, when it is the hidden one.
    void TogglePane(int index);
    bool IsPaneHidden(int index) const { return m_hidden == index; }
    int HiddenIndex() const { return m_hidden; }
    // The pane sizes along the split (hidden pane: -1).
    std::array<int, 2> PaneSizes() const;
    // "Panes_<level>" of this splitter and then of the nested ones.
    void SaveState(QSettings& settings) const;

protected:
    // Each layout gives pane 0 its ideal size and the last pane the rest;
    // dragging the bar makes the dragged size the ideal one.
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyIdealSizes();

    int m_level;
    QString m_settingsFile;
    int m_hidden = -1;
    std::array<int, 2> m_ideal{100, 100};
    std::array<int, 2> m_minimum{0, 0};
    QList<int> m_remembered;
    std::array<QWidget*, 2> m_views{nullptr, nullptr};
    std::array<CPaneSplitterWnd*, 2> m_nested{nullptr, nullptr};
};

} // namespace tavrel

#pragma once
// The main window's tab strip and the pages it hosts: rounded tabs with a blue gradient, the
// selected one white with a bold title. The parent may refuse a change (ConfirmTabChange);
// the focused child of each page is remembered across changes.
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

namespace talvex::ui {

class CSimpleTabCtrl : public QWidget {
    Q_OBJECT
public:
    // Height of the header strip, in pixels, and the margin of the pages at left, right and
    // bottom.
    static constexpr int kHeaderHeight = 24;
    static constexpr int kPageMargin = 2;

    explicit CSimpleTabCtrl(QWidget* parent = nullptr);

    // Adds a page (re-parented to the control) with its title; the first page added becomes
    // selected. Returns the page's index.
    int AddTab(QWidget* page, const QString& title);
    // Changes nothing when the index does not exist or the title is empty.
    void SetTabTitle(int index, const QString& title);
    QString TabTitle(int index) const;
    // Selecting the selected tab only repaints the header (no notification). Otherwise the
    // parent is asked first (ConfirmTabChange); a refusal keeps the old page.
    void SelectTab(int index);
    int CurrentIndex() const { return selected_; }
    int Count() const { return static_cast<int>(tabs_.size()); }
    QWidget* Page(int index) const;
    // The header rectangle of a tab, in this control's coordinates.
    QRect TabRect(int index) const;

    // Asked before every change with (from, to); false refuses it. Unset: always allowed.
    void SetConfirmTabChange(std::function<bool(int from, int to)> confirm);

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Tab {
        QPointer<QWidget> page;
        QString title;
        QPointer<QWidget> lastFocus;
    };
    int TabAt(const QPoint& pos) const;
    void LayoutPages();
    void MakeFonts();
    // Selects the tab step places on, wrapping around (arrows, Ctrl+Tab).
    void Step(int step);
    // Gives the focus to the remembered child when it can still take it, else to the page's
    // first child that can.
    void FocusPage(QWidget* page, QWidget* remembered);

    std::vector<Tab> tabs_;
    int selected_ = -1;
    int hot_ = -1;
    int pressed_ = -1;
    QFont normalFont_;
    QFont boldFont_;
    std::function<bool(int, int)> confirm_;
};

}  // namespace talvex::ui

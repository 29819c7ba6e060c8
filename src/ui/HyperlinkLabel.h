#pragma once
// A link that opens a folder or an address: underlined text in the link colour, a hand cursor,
// the full target as its tooltip. The shown text may be shortened (the Download tab fits a
// folder path with an ellipsis in the middle); the target keeps the whole path.
#include <QColor>
#include <QWidget>
#include <functional>

namespace talvex::ui {

class HyperlinkLabel : public QWidget {
    Q_OBJECT
public:
    explicit HyperlinkLabel(QWidget* parent = nullptr);

    // The text shown, and the path or address a click opens.
    void SetText(const QString& text);
    QString Text() const { return text_; }
    void SetTarget(const QString& target);
    QString Target() const { return target_; }
    // Shows the target fitted to the width with a middle ellipsis (re-fitted on resize).
    void SetElideMiddle(bool elide);
    // The text as painted now (elided or whole).
    QString ShownText() const;
    void SetLinkColor(const QColor& color);
    void SetVisitedColor(const QColor& color);
    bool Visited() const { return visited_; }
    // What a click does with the target (default: nothing). The owner opens it through its
    // prompts, so tests see the request.
    void SetOpener(std::function<void(const QString& target)> opener);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Activate();
    QFont LinkFont() const;
    // The text before eliding: the target while eliding, else the text (or the target).
    QString FullText() const;
    // Where the shown text is painted; clicks and the hand cursor count only there.
    QRect TextRect() const;

    QString text_;
    QString target_;
    bool elideMiddle_ = false;
    bool visited_ = false;
    QColor linkColor_{0x00, 0x00, 0xFF};
    QColor visitedColor_{0x80, 0x00, 0x80};
    std::function<void(const QString&)> opener_;
};

}  // namespace talvex::ui

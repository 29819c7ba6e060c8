#pragma once
// A static text with its own font size and weight and, optionally, its own background and text
// colours: the labels of the dialogs ("What do you want to do?", the Download tab's captions).
// Drawn word-wrapped, without mnemonic prefixes, aligned as set.
#include <QColor>
#include <QWidget>

namespace talvex::ui {

class DStaticText : public QWidget {
    Q_OBJECT
public:
    enum FontStyle { kBold = 1, kItalic = 2, kUnderline = 4 };

    explicit DStaticText(QWidget* parent = nullptr);
    DStaticText(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void SetAlignment(Qt::Alignment alignment);
    // Bold, italic and underline flags (FontStyle) and the character height in pixels (10 by
    // default); the face is the parent dialog's font.
    void SetFontStyle(int styleFlags, int pixelHeight);
    // An invalid colour goes back to the default (the window's background, the window's text).
    void SetBackgroundColor(const QColor& color);
    void SetTextColor(const QColor& color);
    // Transparent (the default): the parent's background shows through.
    void SetTransparent(bool transparent);
    void SetTooltipText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont TextFont() const;

    QString text_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
    int styleFlags_ = 0;
    int pixelHeight_ = 10;
    QColor background_;
    QColor textColor_;
    bool transparent_ = true;
};

}  // namespace talvex::ui

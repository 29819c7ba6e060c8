#pragma once
// A push button drawn by itself: a rounded vertical gradient with a border, an optional picture
// (a second one while disabled) left or right of a word-wrapped caption, and a tooltip. The
// dialogs use two colour sets: red for the main action, grey for the others.
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace talvex::ui {

struct ButtonColors {
    QColor normalTop, normalBottom, pressedTop, pressedBottom, text, border;

    // DOWNLOAD, CONVERT VIDEO.
    static ButtonColors Red();
    // Paste, Browse, the Activity buttons.
    static ButtonColors Grey();
    // The Help button of the main window.
    static ButtonColors Blue();
    // The system's button face, text and shadow colours (the default).
    static ButtonColors System();
};

class CustomButton : public QAbstractButton {
    Q_OBJECT
public:
    // Gap between picture and caption, in pixels.
    static constexpr int kPictureGap = 5;

    explicit CustomButton(QWidget* parent = nullptr);
    // A picture (transparent where it is magenta or already transparent), an optional greyed
    // picture for the disabled state, and the side of the caption it stands on.
    CustomButton(const QPixmap& picture, const QPixmap& disabledPicture, bool pictureOnRight,
                 QWidget* parent = nullptr);

    void SetColors(const ButtonColors& colors);
    const ButtonColors& Colors() const { return colors_; }
    // An empty text hides the tooltip.
    void SetTooltipText(const QString& text);
    // The picture the button paints now (the disabled one while disabled, when there is one).
    QPixmap CurrentPicture() const;
    bool HasPicture() const { return !picture_.isNull(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter clicks the focused button, as Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    ButtonColors colors_ = ButtonColors::System();
    QPixmap picture_;
    QPixmap disabledPicture_;
    bool pictureOnRight_ = false;
};

}  // namespace talvex::ui

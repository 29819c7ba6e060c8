#pragma once
// Dialog units: the layout unit of the window templates, a quarter of the dialog font's average
// character width horizontally and an eighth of its height vertically, so that a window laid
// out in them grows with the desktop's font.
#include <QFont>
#include <QRect>

namespace talvex::ui {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);
    // The font's average character width and height in pixels (the base units).
    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }
    int X(int dialogUnits) const;
    int Y(int dialogUnits) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

private:
    int baseX_;
    int baseY_;
};

}  // namespace talvex::ui

#pragma once
// The program's artwork, drawn with QPainter at the screen's pixel ratio rather than shipped
// as files: the logo, the button pictures and the Activity tab's divider.
#include <QIcon>
#include <QPixmap>

namespace talvex::ui::pictures {

// The product logo, side by side pixels (square). Without a ratio, the pictures are drawn at
// the application's device pixel ratio; the overloads take one (tests, icons).
QPixmap Logo(int side);
QPixmap Logo(int side, qreal devicePixelRatio);
// The window icon at several sizes.
QIcon WindowIcon();
// Pictures of the buttons, side pixels square. The disabled variants are greyed.
enum class Picture { Download, Folder, Play, Pause, Stop, Clear };
QPixmap ButtonPicture(Picture picture, int side, bool disabled = false);
QPixmap ButtonPicture(Picture picture, int side, bool disabled, qreal devicePixelRatio);
// The thin vertical divider between the Activity tab's buttons.
QPixmap Separator(int height);
QPixmap Separator(int height, qreal devicePixelRatio);

}  // namespace talvex::ui::pictures

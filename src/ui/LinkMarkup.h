#pragma once
// The texts with numbered links (the About box's notices): plain text in which an element
// <a ID="n">...</a> marks a link and gives its identifier. Turned into the rich text of a QLabel
// whose link addresses are the identifiers themselves, so linkActivated() hands the owner the
// identifier to look up. Everything outside the anchors is shown literally: a language file's
// "<" or "&" never becomes markup.
#include <QString>
#include <QStringList>

namespace talvex::ui {

// The label's rich text; line feeds become line breaks. An anchor without its closing "</a>"
// runs to the end of the text.
QString LinkMarkupToHtml(const QString& text);
// The identifiers of the links in text, in order (a repeated identifier appears each time).
QStringList LinkMarkupIds(const QString& text);

}  // namespace talvex::ui

#include "ui/LinkMarkup.h"

#include <QRegularExpression>

namespace talvex::ui {

namespace {

// <a ID="n"> with any case and spacing; the identifier is taken as written, compared exactly
// by the owner.
const QRegularExpression& OpeningTag() {
    static const QRegularExpression re(QStringLiteral("<a\\s+id\\s*=\\s*\"([^\"]*)\"\\s*>"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& ClosingTag() {
    static const QRegularExpression re(QStringLiteral("</a\\s*>"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

QString Literal(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return html;
}

// Calls onText(literal) and onLink(id, caption) for the pieces of text, in order.
template <typename OnText, typename OnLink>
void Split(const QString& text, OnText onText, OnLink onLink) {
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QRegularExpressionMatch open = OpeningTag().match(text, pos);
        if (!open.hasMatch()) {
            break;
        }
        onText(text.mid(pos, open.capturedStart() - pos));
        const qsizetype captionStart = open.capturedEnd();
        const QRegularExpressionMatch close = ClosingTag().match(text, captionStart);
        const qsizetype captionEnd = close.hasMatch() ? close.capturedStart() : text.size();
        onLink(open.captured(1), text.mid(captionStart, captionEnd - captionStart));
        pos = close.hasMatch() ? close.capturedEnd() : text.size();
    }
    onText(text.mid(pos));
}

}  // namespace

QString LinkMarkupToHtml(const QString& text) {
    QString html;
    Split(
        text, [&](const QString& plain) { html += Literal(plain); },
        [&](const QString& id, const QString& caption) {
            html += QStringLiteral("<a href=\"") + id.toHtmlEscaped() + QStringLiteral("\">") +
                    Literal(caption) + QStringLiteral("</a>");
        });
    return html;
}

QStringList LinkMarkupIds(const QString& text) {
    QStringList ids;
    Split(
        text, [](const QString&) {}, [&](const QString& id, const QString&) { ids << id; });
    return ids;
}

}  // namespace talvex::ui

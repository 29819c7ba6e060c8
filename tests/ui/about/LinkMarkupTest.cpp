// Texts with numbered links turned into label rich text: the identifiers survive as the link
// addresses, and everything else is shown literally.
#include <gtest/gtest.h>

#include <QTextDocument>

#include "ui/LinkMarkup.h"

namespace talvex::test {
namespace {

// What a reader sees of the rich text.
QString Shown(const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

TEST(LinkMarkup, AnchorsBecomeLinksToTheirIdentifiersInOrder) {
    const QString text = QStringLiteral(
        "Uses <a ID=\"1\">one</a> and <A id = \"12\" >twelve</A> and <a ID=\"1\">one "
        "again</a>.");
    EXPECT_EQ(ui::LinkMarkupIds(text), (QStringList{"1", "12", "1"}));
    const QString html = ui::LinkMarkupToHtml(text);
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"1\">one</a>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"12\">twelve</a>"))) << html.toStdString();
    EXPECT_EQ(Shown(html), QStringLiteral("Uses one and twelve and one again."));
}

TEST(LinkMarkup, TextOutsideAnchorsIsShownLiterally) {
    // A translation's angle brackets and ampersands must not turn into markup, nor may an
    // identifier break out of its attribute.
    const QString text = QStringLiteral(
        "R&D <b>bold?</b> <img src=x>\nnext line <a ID=\"7\">a & b</a> <a ID=\"x\\\" "
        "onclick\">q</a>");
    const QString html = ui::LinkMarkupToHtml(text);
    EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
    EXPECT_FALSE(html.contains(QStringLiteral("<img")));
    EXPECT_EQ(Shown(html), QStringLiteral("R&D <b>bold?</b> <img src=x>\nnext line a & b "
                                          "<a ID=\"x\\\" onclick\">q</a>"));
    EXPECT_EQ(ui::LinkMarkupIds(text), QStringList{"7"});
}

TEST(LinkMarkup, UnclosedAnchorRunsToTheEndAndPlainTextHasNoLinks) {
    EXPECT_EQ(ui::LinkMarkupIds(QStringLiteral("see <a ID=\"3\">here")), QStringList{"3"});
    EXPECT_EQ(Shown(ui::LinkMarkupToHtml(QStringLiteral("see <a ID=\"3\">here"))),
              QStringLiteral("see here"));
    EXPECT_TRUE(ui::LinkMarkupIds(QStringLiteral("no links </a> here")).isEmpty());
    EXPECT_EQ(Shown(ui::LinkMarkupToHtml(QString())), QString());
}

}  // namespace
}  // namespace talvex::test

#include "ui/AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/StringTable.h"
#include "app/Version.h"
#include "platform/Folders.h"
#include "ui/AboutContent.h"
#include "ui/DStaticText.h"
#include "ui/DialogUnits.h"
#include "ui/LinkMarkup.h"
#include "ui/Pictures.h"
#include "ui/UiPrompts.h"
#include "ui/UiText.h"

namespace talvex::ui {

namespace {

// Width of the box in dialog units; the height follows from the texts.
constexpr int kWidthDu = 238;

QLabel* LinkLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

AboutDlg::AboutDlg(const StringTable& strings, std::wstring scriptVersion, UiPrompts& prompts,
                   QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      strings_(strings),
      scriptVersion_(std::move(scriptVersion)),
      prompts_(prompts),
      vendorSite_(QUrl::fromLocalFile(
          QString::fromStdString((ResourceFolder() / "pages" / "index.html").string()))) {
    setModal(true);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    const DialogUnits du(font());

    logo_ = new QLabel(this);
    const int logoSide = du.X(40);
    logo_->setPixmap(pictures::Logo(logoSide));
    logo_->setFixedSize(logoSide, logoSide);
    logo_->setAccessibleName(QStringLiteral("Talvex"));

    maker_ = new DStaticText(QStringLiteral("Orlenta"), this);
    maker_->SetFontStyle(DStaticText::kBold, 24);
    maker_->SetTextColor(QColor(0xC0, 0xC0, 0xC0));
    maker_->SetTransparent(true);
    product_ = new DStaticText(QString::fromLatin1(kProgramName), this);
    product_->SetFontStyle(DStaticText::kBold, 34);
    product_->SetTransparent(true);
    version_ = new QLabel(this);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    copy_ = LinkLabel(this);
    notice_ = LinkLabel(this);
    credit_ = new QLabel(this);
    credit_->setWordWrap(true);
    connect(copy_, &QLabel::linkActivated, this, &AboutDlg::OnLink);
    connect(notice_, &QLabel::linkActivated, this, &AboutDlg::OnLink);

    ok_ = new QPushButton(this);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    ok_->setMinimumWidth(du.X(50));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    names->addWidget(maker_);
    names->addWidget(product_);
    names->addSpacing(du.Y(2));
    names->addWidget(version_);
    auto* header = new QHBoxLayout;
    header->setSpacing(du.X(8));
    header->addWidget(logo_, 0, Qt::AlignTop);
    header->addLayout(names, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(du.X(10), du.Y(8), du.X(10), du.Y(8));
    layout->setSpacing(du.Y(6));
    layout->addLayout(header);
    layout->addWidget(copy_);
    layout->addWidget(notice_);
    layout->addWidget(credit_);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(ok_, copy_);
    setTabOrder(copy_, notice_);
    ApplyTexts();
    ok_->setFocus();
    FitHeight();
}

void AboutDlg::ApplyTexts() {
    setWindowTitle(Text(strings_, L"dlg.about.title", L"About Talvex"));
    version_->setText(AboutVersionLine(
        Text(strings_, L"dlg.about.lbl.version", kAboutVersionFormat),
        QString::fromStdWString(kVersionText), QString::fromStdWString(scriptVersion_)));
    copy_->setText(LinkMarkupToHtml(Text(strings_, L"dlg.about.lbl.copy", kAboutCopyText)));
    notice_->setText(LinkMarkupToHtml(Text(strings_, L"dlg.about.lbl.gpls", kAboutNoticeText)));
    credit_->setText(Text(strings_, L"dlg.about.lbl.flvplayer", kAboutCreditText));
    ok_->setText(Text(strings_, L"dlg.about.btn.ok", L"OK"));

    version_->setAccessibleName(version_->text());
    copy_->setAccessibleName(QStringLiteral("description"));
    notice_->setAccessibleName(QStringLiteral("components"));
    credit_->setAccessibleName(credit_->text());
    ok_->setAccessibleName(ok_->text());
}

// The width is fixed; the wrapped texts decide the height, so that a longer translation grows
// the box instead of being cut off.
void AboutDlg::FitHeight() {
    const int width = DialogUnits(font()).X(kWidthDu);
    setFixedWidth(width);
    setFixedHeight(layout()->hasHeightForWidth() ? layout()->heightForWidth(width)
                                                 : layout()->sizeHint().height());
}

void AboutDlg::OnLink(const QString& id) {
    if (id == QString::number(kAboutVendorLinkId)) {
        prompts_.OpenUrl(vendorSite_);
        return;
    }
    const QUrl target = AboutLinkTarget(id);
    if (target.isValid()) {
        prompts_.OpenUrl(target);
    }
}

}  // namespace talvex::ui

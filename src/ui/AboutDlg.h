#pragma once
// The About box: the logo, the maker's and the product's names, the version line (the program's
// version and the loaded script file's), a description with a link to the vendor's site, the
// notice of the open-source components with links to their home pages and licences, and the
// player credit. Links carry numeric identifiers; a click (or Enter on a focused link) opens the
// identifier's address through the prompts, and an unknown identifier does nothing.
#include <QDialog>
#include <QUrl>
#include <string>

class QLabel;
class QPushButton;

namespace talvex {
class StringTable;
}

namespace talvex::ui {

class DStaticText;
class UiPrompts;

class AboutDlg : public QDialog {
    Q_OBJECT
public:
    // scriptVersion: the loaded script file's version (empty when none is loaded).
    AboutDlg(const StringTable& strings, std::wstring scriptVersion, UiPrompts& prompts,
             QWidget* owner);

    // The address of link 15, the vendor's site (the owner knows the "SiteURL" setting). By
    // default the home page bundled with the program.
    void SetVendorSite(const QUrl& url) { vendorSite_ = url; }
    QUrl VendorSite() const { return vendorSite_; }

    QLabel* Logo() const { return logo_; }
    DStaticText* MakerName() const { return maker_; }
    DStaticText* ProductName() const { return product_; }
    QLabel* VersionLine() const { return version_; }
    QLabel* Description() const { return copy_; }
    QLabel* Notice() const { return notice_; }
    QLabel* Credit() const { return credit_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void ApplyTexts();
    void FitHeight();
    void OnLink(const QString& id);

    const StringTable& strings_;
    const std::wstring scriptVersion_;
    UiPrompts& prompts_;
    QUrl vendorSite_;
    QLabel* logo_;
    DStaticText* maker_;
    DStaticText* product_;
    QLabel* version_;
    QLabel* copy_;
    QLabel* notice_;
    QLabel* credit_;
    QPushButton* ok_;
};

}  // namespace talvex::ui

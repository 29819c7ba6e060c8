#pragma once
// The Download page of the main window: the user pastes video page addresses, picks the
// download quality, the folder and an optional conversion, and presses DOWNLOAD. The checks
// and the hand-over to the engine are DownloadRequest's; the list rules DownloadTabRules'.
#include <QWidget>
#include <cstdint>
#include <string>

#include "ui/DownloadRequest.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QSpinBox;

namespace talvex {
class IMessageSink;
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

class CustomButton;
class DStaticText;
class HyperlinkLabel;
class IDownloadService;
class UiPrompts;

class TabDownload : public QWidget, public DownloadRequest::View {
    Q_OBJECT
public:
    TabDownload(SettingsStore& settings, StringTable& strings, IDownloadService& service,
                UiPrompts& prompts, IMessageSink* mainWindow, QWidget* parent = nullptr);

    // The DOWNLOAD button.
    void OnClickBtnDownload();
    // Merges the addresses of the text into the box; start: press DOWNLOAD right after.
    void AddUrls(const QString& text, bool start);
    // Merges the clipboard's addresses into the box.
    void PasteUrls();
    // Writes the page's six settings.
    void SaveSettings();
    // Re-texts the labels and refills the lists, selecting their rows from the settings.
    void ApplyLanguage();

    // --- DownloadRequest::View ---
    // The box text as the page keeps it (line breaks of merges are "\r\n").
    std::wstring AddressText() const override { return addressText_; }
    void SetAddressText(const std::wstring& text) override;
    std::wstring GetDownloadDir() override;
    bool BrowseForDownloadFolder() override;
    bool AutoConvertChecked() const override;
    bool DeleteOriginalChecked() const override;
    ConversionQuality GetConvertQuality() override;
    int32_t GetConvertType() override;
    DownloadQuality GetDownloadQuality() override;
    QWidget* DialogWidget() override { return window(); }

    // The controls, for the tests and the main window.
    QPlainTextEdit* AddressBox() const { return addressBox_; }
    CustomButton* PasteButton() const { return pasteButton_; }
    QComboBox* QualityList() const { return qualityList_; }
    QSpinBox* SpeedLimitBox() const { return speedLimit_; }
    CustomButton* BrowseButton() const { return browseButton_; }
    HyperlinkLabel* FolderLink() const { return folderLink_; }
    QCheckBox* AutoConvertBox() const { return autoConvert_; }
    QComboBox* ConvertTypeList() const { return convertTypeList_; }
    QComboBox* ConvertQualityList() const { return convertQualityList_; }
    QCheckBox* DeleteOriginalBox() const { return deleteOriginal_; }
    CustomButton* DownloadButton() const { return downloadButton_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void BuildLayout();
    void SetFolder(const QString& folder);
    void UpdateQualityList();
    void UpdateConversionControls();
    // Stores "MaxDownloadSpeed" and has the engine apply it to every running download.
    void OnSpeedLimitChanged(int kilobytesPerSecond);
    void OnAddressEdited();
    void CleanUpAddressBox();
    QString Text(const wchar_t* key, const QString& builtIn) const;

    SettingsStore& settings_;
    StringTable& strings_;
    IDownloadService& service_;
    UiPrompts& prompts_;
    IMessageSink* mainWindow_;

    // Mirrors the box; kept apart because the control turns "\r\n" into its own line breaks.
    std::wstring addressText_;
    // Set while the page itself writes the box, so the edit signal does not echo it back.
    bool settingText_ = false;
    // Set when the pointer's arrival over the box pasted the clipboard; cleared by movement
    // over the page, so each arrival pastes once.
    bool autoPasteDone_ = false;

    DStaticText* addressLabel_ = nullptr;
    QPlainTextEdit* addressBox_ = nullptr;
    CustomButton* pasteButton_ = nullptr;
    DStaticText* qualityLabel_ = nullptr;
    QComboBox* qualityList_ = nullptr;
    DStaticText* speedLimitLabel_ = nullptr;
    QSpinBox* speedLimit_ = nullptr;
    DStaticText* saveToLabel_ = nullptr;
    CustomButton* browseButton_ = nullptr;
    HyperlinkLabel* folderLink_ = nullptr;
    QGroupBox* frame_ = nullptr;
    QCheckBox* autoConvert_ = nullptr;
    QComboBox* convertTypeList_ = nullptr;
    DStaticText* convertQualityLabel_ = nullptr;
    QComboBox* convertQualityList_ = nullptr;
    QCheckBox* deleteOriginal_ = nullptr;
    CustomButton* downloadButton_ = nullptr;
};

}  // namespace talvex::ui

// The options window's handlers: reading the settings and the popup list when it is
// created, the page tree, the dependent controls, the colour dialog, OK and Cancel.

#include "options/Option.h"

#include "engines/chromium/ChromiumEngine.h"

#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "settings/CloseUrlList.h"
#include "options/EngineRulesPage.h"
#include "options/OptionControls.h"
#include "options/SHBFFEX.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr TColor clCaptionText = systemColour(9);
constexpr TColor clInactiveBorder = systemColour(11);

Tfrm_Option::ColourDialog& colourDialog() {
    static Tfrm_Option::ColourDialog dialog;
    return dialog;
}

// The colour dialog is Qt's own: it speaks Japanese only with Qt's translation loaded.
void ensureQtSpeaksJapanese() {
    static bool checked = false;
    if (checked) return;
    checked = true;
    if (QCoreApplication::translate("QColorDialog", "&Basic colors") != QLatin1String("&Basic colors")) return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

std::optional<QColor> askColour(QWidget* parent, const QColor& initial) {
    if (colourDialog()) return colourDialog()(parent, initial);
    ensureQtSpeaksJapanese();
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::function<bool()>& chromiumProbe() {
    static std::function<bool()> probe;
    return probe;
}

int toInteger(const QString& text) {
    const std::optional<int> value = TryStrToInt(text);
    if (!value) throw EConvertError(text);
    return *value;
}

}  // namespace

void Tfrm_Option::setColourDialog(ColourDialog dialog) { colourDialog() = std::move(dialog); }

bool Tfrm_Option::systemChromiumInstalled() {
    if (chromiumProbe()) return chromiumProbe()();
    return Chromium::installed();
}

void Tfrm_Option::setChromiumProbe(std::function<bool()> probe) { chromiumProbe() = std::move(probe); }

void Tfrm_Option::FormCreate() {
    ReadIni();
    // The pages have no tabs of their own (PageCTL shows one page at a time): only the
    // tree chooses pages.
    CloseUrlList list(appPath_);
    TextLines::ListFile lines;
    try {
        lines = list.readAll();
    } catch (const EFOpenError&) {
        throw TavixError(QStringLiteral("ファイル %1 は開けません").arg(list.path()));
    }
    PopList->setPlainText(lines.lines.join(QLatin1Char('\n')));
    popListCharset_ = lines.charset;
    popListLoaded_ = true;
    TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    TreeView1->topLevelItem(1)->setExpanded(true);
    TabSheet5->load(appPath_);
}

void Tfrm_Option::ReadIni() {
    const Settings ini(appPath_ + QStringLiteral("config.ini"));
    chkMoz->setChecked(ini.Read(Keys::Mozilla) != 0);
    chkMozClick();
    txtMozPath->setText(ini.Read(Keys::MozPath));
    chkActive3->setChecked(ini.Read(Keys::NewWindowActive));
    chkWin1->setChecked(ini.Read(Keys::BookMark));
    chkWin2->setChecked(ini.Read(Keys::AddressBar));
    chkRestore->setChecked(ini.Read(Keys::Restore));
    chkPop->setChecked(ini.Read(Keys::CloseURL));

    // A missing Chromium cannot be chosen, but a stored 0 stays until OK.
    const bool chromium = systemChromiumInstalled();
    rdoIESystem->setEnabled(chromium);
    rdoIESystem->setText(chromium ? QStringLiteral("システムの Chromium") : QStringLiteral("システムの Chromium\n（インストールされていません）"));
    placeIEEngineGroup();
    ieEngineStored_ = !ini.ReadString(Keys::IEEngine.section, Keys::IEEngine.name, QString()).isEmpty();
    (chromium && ini.Read(Keys::IEEngine) != 1 ? rdoIESystem : rdoIEBuiltin)->setChecked(true);

    chkTabSize->setChecked(ini.Read(Keys::TabFix));
    const int maxSize = ini.Read(Keys::TabMaxSize);
    UpDown1->setPosition(maxSize);
    // The box shows the stored number even beyond the arrows' range, so that OK keeps it.
    txtTabSize->setText(QString::number(maxSize));
    chkTabSizeClick();

    chkTabLen->setChecked(ini.Read(Keys::TabLen));
    const int maxLen = ini.Read(Keys::TabMaxLen);
    UpDown2->setPosition(maxLen);
    txtTabLen->setText(QString::number(maxLen));
    chkTabLenClick();

    const int tabType = ini.Read(Keys::TabType);
    cmbTabType->setCurrentIndex(tabType >= 0 && tabType < cmbTabType->count() ? tabType : -1);

    settledSwatches_.clear();
    const std::pair<TColourSwatch*, const Keys::ColourKey*> colours[] = {{ChColor1, &Keys::ActivateChColor},
                                                                          {BGColor1, &Keys::ActivateBGColor},
                                                                          {ChColor2, &Keys::DeActivateChColor},
                                                                          {BGColor2, &Keys::DeActivateBGColor}};
    for (const auto& [swatch, key] : colours) {
        swatch->setColour(ini.Read(*key));
        settledSwatches_ << swatch;
    }
    showPreviews();
}

void Tfrm_Option::TreeView1Change(QTreeWidgetItem* node) {
    if (!node) return;
    const QString text = node->text(0);
    if (text == QStringLiteral("全般")) PageCTL->setCurrentWidget(TabSheet1);
    else if (text == QStringLiteral("ウィンドウ")) PageCTL->setCurrentWidget(TabSheet2);
    else if (text == QStringLiteral("広告抑止")) PageCTL->setCurrentWidget(TabSheet3);
    else if (text == QStringLiteral("タブ")) PageCTL->setCurrentWidget(TabSheet4);
    else if (text == QStringLiteral("エンジン")) PageCTL->setCurrentWidget(TabSheet5);
}

void Tfrm_Option::setBoxEnabled(QLineEdit* box, bool enabled) {
    box->setEnabled(enabled);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, toQColor(enabled ? clCaptionText : clInactiveBorder));
    box->setPalette(palette);
}

void Tfrm_Option::chkMozClick() {
    const bool checked = chkMoz->isChecked();
    GeckoFlag = checked ? 1 : 0;
    setBoxEnabled(txtMozPath, checked);
    BitBtn1->setEnabled(checked);
    emit GekkoEnabled(checked);
}

void Tfrm_Option::chkTabSizeClick() {
    const bool checked = chkTabSize->isChecked();
    UpDown1->setEnabled(checked);
    setBoxEnabled(txtTabSize, checked);
}

void Tfrm_Option::chkTabLenClick() {
    const bool checked = chkTabLen->isChecked();
    UpDown2->setEnabled(checked);
    setBoxEnabled(txtTabLen, checked);
}

void Tfrm_Option::BitBtn1Click() {
    if (selectFolder->Execute()) txtMozPath->setText(selectFolder->FolderPath);
}

void Tfrm_Option::pickColour(TColourSwatch* swatch) {
    const std::optional<QColor> chosen = askColour(this, toQColor(lastColour_));
    if (!chosen) return;
    lastColour_ = fromQColor(*chosen);
    swatch->setColour(lastColour_);
    if (!settledSwatches_.contains(swatch)) settledSwatches_ << swatch;
    showPreviews();
}

void Tfrm_Option::showPreviews() {
    const auto paint = [](QLabel* panel, const TColourSwatch* text, const TColourSwatch* background) {
        QPalette palette = panel->palette();
        palette.setColor(QPalette::WindowText, toQColor(text->colour()));
        palette.setColor(QPalette::Window, toQColor(background->colour()));
        panel->setPalette(palette);
    };
    paint(ColorPanel1, ChColor1, BGColor1);
    paint(ColorPanel2, ChColor2, BGColor2);
}

QStringList Tfrm_Option::popListLines() const { return TextLines::editorLines(PopList->toPlainText()); }

int Tfrm_Option::chosenIEEngine() const { return rdoIEBuiltin->isChecked() ? 1 : 0; }

int Tfrm_Option::chosenTabType() const { return cmbTabType->findText(cmbTabType->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive); }

void Tfrm_Option::Button1Click() {
    {
        Settings ini(appPath_ + QStringLiteral("config.ini"));
        {
            // All the keys land in one replacement of the file, so that no moment holds some
            // of the new options beside some of the old. A key that fails (a tab size that is
            // no number) ends the handler: the keys before it are written all the same, as the
            // user has always seen, and none after it.
            Settings::Batch batch(ini.path());
            ini.Write(Keys::MozPath, txtMozPath->text());
            ini.Write(Keys::Mozilla, GeckoFlag);
            // The system choice is enabled exactly when Chromium was found on reading.
            const int absentMeans = rdoIESystem->isEnabled() ? 0 : 1;
            if (ieEngineStored_ || chosenIEEngine() != absentMeans) ini.Write(Keys::IEEngine, chosenIEEngine());
            ini.Write(Keys::BookMark, chkWin1->isChecked());
            ini.Write(Keys::AddressBar, chkWin2->isChecked());
            ini.Write(Keys::NewWindowActive, chkActive3->isChecked());
            ini.Write(Keys::CloseURL, chkPop->isChecked());
            ini.Write(Keys::TabFix, chkTabSize->isChecked());
            ini.Write(Keys::TabMaxSize, toInteger(txtTabSize->text()));
            ini.Write(Keys::TabLen, chkTabLen->isChecked());
            ini.Write(Keys::TabMaxLen, toInteger(txtTabLen->text()));
            ini.Write(Keys::TabType, chosenTabType());
            const std::pair<const TColourSwatch*, const Keys::ColourKey*> colours[] = {{ChColor1, &Keys::ActivateChColor},
                                                                                        {BGColor1, &Keys::ActivateBGColor},
                                                                                        {ChColor2, &Keys::DeActivateChColor},
                                                                                        {BGColor2, &Keys::DeActivateBGColor}};
            for (const auto& [swatch, key] : colours)
                if (settledSwatches_.contains(swatch)) ini.Write(*key, swatch->colour());
            // Written only by those who use it: everyone else's config.ini stays as it was.
            if (chkRestore->isChecked() || ini.Read(Keys::Restore)) ini.Write(Keys::Restore, chkRestore->isChecked());
            batch.commit();
        }

        if (ini.ReadInteger(Keys::TabFix) == 1) emit TabWidthChanged(ini.Read(Keys::TabMaxSize));
        emit TabTypeChanged(ini.Read(Keys::TabType));
    }

    CloseUrlList list(appPath_);
    // A list that could not be read when the window was created is not written over the
    // file: the window never held its lines.
    if (popListLoaded_ || !AtomicFile::exists(list.path())) {
        try {
            list.replace({popListLines(), popListCharset_});
        } catch (const EWriteError&) {
            throw TavixError(QStringLiteral("ファイル %1 を作成できません").arg(list.path()));
        }
    }
    TabSheet5->save();
    close();
}

void Tfrm_Option::Button2Click() { close(); }

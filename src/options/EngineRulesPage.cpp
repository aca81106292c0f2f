#include "options/EngineRulesPage.h"

#include "platform/ErrorBox.h"
#include "platform/Errors.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

TEngineRulesPage::RuleDialog& ruleDialog() {
    static TEngineRulesPage::RuleDialog dialog;
    return dialog;
}

// One rule: the site and its engine. OK takes only a site the rules can hold.
std::optional<SiteRule> askRule(QWidget* parent, const SiteRule& initial) {
    if (ruleDialog()) return ruleDialog()(parent, initial);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgSiteRule"));
    dialog.setWindowTitle(QStringLiteral("サイトとエンジン"));
    auto* form = new QFormLayout;
    auto* site = new QLineEdit(initial.pattern);
    site->setObjectName(QStringLiteral("txtSite"));
    site->setMinimumWidth(260);
    auto* engine = new QComboBox;
    engine->setObjectName(QStringLiteral("cmbEngine"));
    engine->addItems({SiteRules::engineName(SiteEngine::InternetExplorer), SiteRules::engineName(SiteEngine::Gekko)});
    engine->setCurrentIndex(initial.engine == SiteEngine::Gekko ? 1 : 0);
    form->addRow(QStringLiteral("サイト："), site);
    form->addRow(QString(), new QLabel(QStringLiteral("例: example.jp　*.example.jp　https://example.jp/app/")));
    form->addRow(QStringLiteral("エンジン："), engine);
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto check = [site, ok] { ok->setEnabled(SiteRules::isPattern(site->text().trimmed())); };
    QObject::connect(site, &QLineEdit::textChanged, &dialog, check);
    check();
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return SiteRule{site->text().trimmed(), engine->currentIndex() == 1 ? SiteEngine::Gekko : SiteEngine::InternetExplorer};
}

}  // namespace

void TEngineRulesPage::setRuleDialog(RuleDialog dialog) { ruleDialog() = std::move(dialog); }

TEngineRulesPage::TEngineRulesPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EngineRulesPage"));
    lblRules = new QLabel(QStringLiteral("常に決まったエンジンで開くサイト："), this);
    lblRules->setObjectName(QStringLiteral("lblRules"));
    lblRules->move(0, 0);
    lblRules->adjustSize();
    lstRules = new QTreeWidget(this);
    lstRules->setObjectName(QStringLiteral("lstRules"));
    lstRules->setGeometry(0, 20, 316, 128);
    lstRules->setRootIsDecorated(false);
    lstRules->setHeaderLabels({QStringLiteral("サイト"), QStringLiteral("エンジン")});
    lstRules->header()->setStretchLastSection(false);
    lstRules->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstRules->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    const auto button = [this](const char* name, const QString& caption, int x) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 156, 80, 23);
        return b;
    };
    btnAdd = button("btnAdd", QStringLiteral("追加(&A)..."), 68);
    btnEdit = button("btnEdit", QStringLiteral("編集(&E)..."), 152);
    btnDelete = button("btnDelete", QStringLiteral("削除(&D)"), 236);

    using ErrorBox::guarded;
    connect(btnAdd, &QPushButton::clicked, this, guarded([this](bool) { btnAddClick(); }));
    connect(btnEdit, &QPushButton::clicked, this, guarded([this](bool) { btnEditClick(); }));
    connect(btnDelete, &QPushButton::clicked, this, guarded([this](bool) { btnDeleteClick(); }));
    connect(lstRules, &QTreeWidget::itemDoubleClicked, this, guarded([this](QTreeWidgetItem*, int) { btnEditClick(); }));
    connect(lstRules, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
    setEnabled(false);
}

void TEngineRulesPage::load(const QString& appPath) {
    appPath_ = appPath;
    const SiteRuleFile file(appPath);
    try {
        document_ = file.read();
    } catch (const TavixError&) {
        throw TavixError(QStringLiteral("ファイル %1 を読み込めないため、サイトごとのエンジンは変更できません").arg(file.path()));
    }
    loaded_ = true;
    setEnabled(true);
    fill(-1);
}

void TEngineRulesPage::save() {
    if (!loaded_) return;
    // Rules nobody changed here leave the file alone: the tab menu may have added one
    // since the page read it.
    if (!changed_) return;
    SiteRuleFile file(appPath_);
    try {
        file.write(document_);
    } catch (const TavixError&) {
        throw TavixError(QStringLiteral("ファイル %1 に書き込めません。サイトごとのエンジンは保存されていません").arg(file.path()));
    }
}

void TEngineRulesPage::fill(int currentId) {
    lstRules->clear();
    for (const SiteRuleDocument::Entry& entry : document_.rules()) {
        auto* item = new QTreeWidgetItem(lstRules, {entry.rule.pattern, SiteRules::engineName(entry.rule.engine)});
        item->setData(0, Qt::UserRole, entry.id);
        if (entry.id == currentId) lstRules->setCurrentItem(item);
    }
    updateButtons();
}

std::optional<int> TEngineRulesPage::currentId() const {
    const QTreeWidgetItem* item = lstRules->currentItem();
    if (!item) return std::nullopt;
    return item->data(0, Qt::UserRole).toInt();
}

void TEngineRulesPage::updateButtons() {
    const bool chosen = lstRules->currentItem() != nullptr;
    btnEdit->setEnabled(chosen);
    btnDelete->setEnabled(chosen);
}

void TEngineRulesPage::btnAddClick() {
    if (const std::optional<SiteRule> rule = askRule(this, {})) {
        changed_ = true;
        fill(document_.addRule(*rule));
    }
}

void TEngineRulesPage::btnEditClick() {
    const std::optional<int> id = currentId();
    if (!id) return;
    for (const SiteRuleDocument::Entry& entry : document_.rules())
        if (entry.id == *id)
            if (const std::optional<SiteRule> rule = askRule(this, entry.rule)) {
                document_.setRule(*id, *rule);
                changed_ = true;
                fill(*id);
            }
}

void TEngineRulesPage::btnDeleteClick() {
    const std::optional<int> id = currentId();
    if (!id) return;
    document_.removeRule(*id);
    changed_ = true;
    fill(-1);
}

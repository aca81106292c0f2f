#pragma once
// The options window's page "エンジン": the site rules (SiteEngine.txt) as a list with
// add, edit and delete. Changes stay in the page until save(), which the window's OK
// runs; a window closed any other way writes nothing. Lines of the file that are no
// rules are never shown and always kept.

#include "settings/SiteRuleFile.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;

class TEngineRulesPage : public QWidget {
    Q_OBJECT
public:
    explicit TEngineRulesPage(QWidget* parent = nullptr);

    QLabel* lblRules = nullptr;
    QTreeWidget* lstRules = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;

    // Reads the rules file of this folder (ending in "/"). A file that cannot be read
    // leaves the page disabled and unsaved, and throws TavixError saying so.
    void load(const QString& appPath);
    // Writes the rules as the page holds them, when the page holds the file's lines.
    // Throws TavixError when the file cannot be written; it is then as it was.
    void save();
    bool loaded() const { return loaded_; }

    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();

    // The dialog that asks for one rule, replaceable by tests: opens on `initial`;
    // returns the rule confirmed, or nothing when cancelled.
    using RuleDialog = std::function<std::optional<SiteRule>(QWidget* parent, const SiteRule& initial)>;
    static void setRuleDialog(RuleDialog dialog);

private:
    void fill(int currentId);
    std::optional<int> currentId() const;
    void updateButtons();

    QString appPath_;
    SiteRuleDocument document_;
    bool loaded_ = false;
    bool changed_ = false;
};

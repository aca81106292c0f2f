// Site rules as the frame applies them: the engine of every window opened for an
// address, pages that leave for a site ruled for the other engine, and the tab menu's
// rule for the tab's site.

#include "app/Main.h"
#include "platform/Beep.h"
#include "platform/ErrorBox.h"
#include "platform/Errors.h"
#include "settings/SiteRuleFile.h"
#include "views/childIE.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QUrl>

namespace {

bool isIE(const TViewWindow* view) { return qobject_cast<const Tfrm_IE*>(view) != nullptr; }

QString captionOf(bool ie) { return ie ? QStringLiteral("Internet Explorer") : QStringLiteral("Gecko"); }

SiteEngine engineOf(bool ie) { return ie ? SiteEngine::InternetExplorer : SiteEngine::Gekko; }

}  // namespace

std::optional<bool> TMainForm::RuledEngine(const QUrl& url) {
    const SiteRuleFile rules(AppPath);
    std::optional<SiteEngine> engine;
    try {
        engine = rules.engineFor(url);
    } catch (const TavixError&) {
        // Asked at every navigation: a box each time would stop the user at every click.
        ui.StatusBar1->setText(
            QStringLiteral("ファイル %1 を読み込めないため、サイトごとのエンジンの設定は使われていません").arg(rules.path()));
        return std::nullopt;
    }
    if (!engine) return std::nullopt;
    if (*engine == SiteEngine::Gekko && !ui.Moz_Item->isEnabled()) return std::nullopt;
    return *engine == SiteEngine::InternetExplorer;
}

void TMainForm::ViewTopFrameNavigate(TViewWindow* view, const QString& url, bool& cancel) {
    if (cancel) return;
    const QUrl target(url);
    const std::optional<bool> ie = RuledEngine(target);
    if (!ie || *ie == isIE(view)) return;
    if (const auto waived = siteRuleWaived_.find(view);
        waived != siteRuleWaived_.end() && waived->second == SiteRules::ruleHost(target))
        return;
    cancel = true;
    ui.StatusBar1->setText(QStringLiteral("%1 は「%2」で開くサイトのため、新しいウィンドウで開きます")
                               .arg(target.host(), SiteRules::engineName(engineOf(*ie))));
    // Not inside the engine's own report: the new window's engine may start meanwhile.
    QTimer::singleShot(0, this, ErrorBox::guarded([this, ie = *ie, url] { OpenViewWindowIn(ie, captionOf(ie), url); }));
}

void TMainForm::AlwaysOpenSiteInEngine(TViewWindow* view) {
    const QString host = SiteRules::ruleHost(QUrl(view->LocationURL()));
    // Only web pages have a site to rule.
    if (host.isEmpty()) {
        Beep::defaultBeep();
        return;
    }
    const SiteEngine engine = engineOf(isIE(view));
    SiteRuleFile rules(AppPath);
    try {
        rules.setHostRule(host, engine);
    } catch (const EFOpenError&) {
        throw TavixError(QStringLiteral("ファイル %1 を読み込めないため、設定を追加できません").arg(rules.path()));
    } catch (const EWriteError&) {
        throw TavixError(QStringLiteral("ファイル %1 に書き込めないため、設定を追加できません").arg(rules.path()));
    }
    ui.StatusBar1->setText(QStringLiteral("%1 のページを常に「%2」で開きます").arg(host, SiteRules::engineName(engine)));
}

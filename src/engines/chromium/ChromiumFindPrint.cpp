// Find in page and printing of a page of the system's Chromium. The DevTools protocol has
// no find: a script of the frame's own does it, in a world of its own made in the
// document shown (FindScript.h). Printing is the browser's own PDF writer, whose file
// comes back over the pipe.

#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumEngine.h"
#include "engines/chromium/FindScript.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"

#include <QPageSize>

HRESULT ChromiumBrowser::Find(const QString& text, bool forward, bool matchCase) {
    if (substitute_) return substitute_->Find(text, forward, matchCase);
    if (text.isEmpty()) return E_INVALIDARG;
    if (session_.isEmpty()) return RPC_E_DISCONNECTED;
    runFindScript(FindScript::find(text, forward, matchCase), true, true);
    return S_OK;
}

HRESULT ChromiumBrowser::StopFinding() {
    if (substitute_) return substitute_->StopFinding();
    if (session_.isEmpty()) return RPC_E_DISCONNECTED;
    // A document whose world was never made has no marks to take away.
    if (findContext_) runFindScript(FindScript::stop(), false, false);
    return S_OK;
}

void ChromiumBrowser::makeFindWorld() {
    QPointer<ChromiumBrowser> self(this);
    send(QStringLiteral("Page.createIsolatedWorld"),
         {{QStringLiteral("frameId"), targetId_}, {QStringLiteral("worldName"), FindScript::worldName()}},
         [self](const DevTools::Reply& reply) {
             if (!self) return;
             const auto waiting = std::exchange(self->findWaiting_, {});
             self->findContext_ = reply.ok() ? reply.result.value(QStringLiteral("executionContextId")).toInt() : 0;
             for (const auto& [expression, report] : waiting) {
                 if (self->findContext_) self->runFindScript(expression, report, false);
                 else if (report) self->events().fireFindResult(0, 0);
             }
         });
}

void ChromiumBrowser::runFindScript(const QString& expression, bool report, bool retry) {
    if (!findContext_) {
        findWaiting_.append({expression, report});
        if (findWaiting_.size() == 1) makeFindWorld();
        return;
    }
    QPointer<ChromiumBrowser> self(this);
    const int context = findContext_;
    send(QStringLiteral("Runtime.evaluate"),
         {{QStringLiteral("expression"), expression},
          {QStringLiteral("contextId"), context},
          {QStringLiteral("returnByValue"), true}},
         [self, expression, report, retry, context](const DevTools::Reply& reply) {
             if (!self) return;
             if (!reply.ok() && !reply.ended && retry && self->findContext_ == context) {
                 // The world went with the document it was made in: a new one for the
                 // document shown now.
                 self->findContext_ = 0;
                 self->runFindScript(expression, report, false);
                 return;
             }
             if (!report) return;
             const QJsonObject value =
                 reply.result.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toObject();
             self->events().fireFindResult(value.value(QStringLiteral("current")).toInt(),
                                           value.value(QStringLiteral("total")).toInt());
         });
}

HRESULT ChromiumBrowser::PrintToPdf(const QString& path, const QPageLayout& layout) {
    if (substitute_) return substitute_->PrintToPdf(path, layout);
    if (path.isEmpty()) return E_INVALIDARG;
    if (session_.isEmpty()) return RPC_E_DISCONNECTED;
    // The paper as it stands in the dialog, in inches; the margins of the layout.
    const QSizeF paper = layout.pageSize().size(QPageSize::Inch);
    const QMarginsF margins = layout.margins(QPageLayout::Inch);
    QPointer<ChromiumBrowser> self(this);
    send(QStringLiteral("Page.printToPDF"),
         {{QStringLiteral("landscape"), layout.orientation() == QPageLayout::Landscape},
          {QStringLiteral("printBackground"), true},
          {QStringLiteral("paperWidth"), paper.width()},
          {QStringLiteral("paperHeight"), paper.height()},
          {QStringLiteral("marginTop"), margins.top()},
          {QStringLiteral("marginBottom"), margins.bottom()},
          {QStringLiteral("marginLeft"), margins.left()},
          {QStringLiteral("marginRight"), margins.right()}},
         [self, path](const DevTools::Reply& reply) {
             if (!self) return;
             if (!reply.ok()) {
                 self->events().firePrintFinished(
                     path, false, reply.ended ? Chromium::processGoneMessage() : reply.error);
                 return;
             }
             const QByteArray pdf =
                 QByteArray::fromBase64(reply.result.value(QStringLiteral("data")).toString().toLatin1());
             if (!pdf.startsWith("%PDF")) {
                 self->events().firePrintFinished(path, false, QStringLiteral("ブラウザから PDF が届きませんでした。"));
                 return;
             }
             try {
                 AtomicFile::write(path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
             } catch (const TavixError& e) {
                 self->events().firePrintFinished(path, false, e.message());
                 return;
             }
             self->events().firePrintFinished(path, true, QString());
         });
    return S_OK;
}

// Find in page and printing in the built-in engine: its own find, which counts the
// matches and marks them, and its own PDF writer.

#include "engines/blink/BlinkBrowser.h"

#include <QTimer>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>

namespace {

// How often, and how far apart, a new text that found nothing is asked again.
constexpr int FindRetries = 4;
constexpr int FindRetryMs = 250;

}  // namespace

HRESULT BlinkBrowser::Find(const QString& text, bool forward, bool matchCase) {
    if (text.isEmpty()) return E_INVALIDARG;
    const bool fresh = text != findText_ || matchCase != findCase_;
    // The engine tells searches apart by their text alone: another letter case must end
    // the search before.
    if (text == findText_ && matchCase != findCase_) page_->findText(QString());
    findText_ = text;
    findCase_ = matchCase;
    const int request = ++findRequest_;
    QWebEnginePage::FindFlags flags;
    if (!forward) flags |= QWebEnginePage::FindBackward;
    if (matchCase) flags |= QWebEnginePage::FindCaseSensitively;
    QPointer<BlinkBrowser> self(this);
    page_->findText(text, flags, [self, request, fresh, text, flags](const QWebEngineFindTextResult& result) {
        if (!self || request != self->findRequest_) return;   // a newer find took its place
        // The engine may answer the first search of a new text with no matches before it
        // has counted them: it is asked again, a little later.
        if (fresh && result.numberOfMatches() == 0) {
            self->findAgain(request, text, flags.toInt(), 1);
            return;
        }
        self->events().fireFindResult(result.activeMatch(), result.numberOfMatches());
    });
    return S_OK;
}

void BlinkBrowser::findAgain(int request, const QString& text, int flags, int attempt) {
    QPointer<BlinkBrowser> self(this);
    QTimer::singleShot(FindRetryMs, this, [self, request, text, flags, attempt] {
        if (!self || request != self->findRequest_) return;
        // One step on and one back leaves the match shown where the search put it, and
        // each answer counts.
        const QWebEnginePage::FindFlags there = QWebEnginePage::FindFlags::fromInt(flags);
        const QWebEnginePage::FindFlags back = there ^ QWebEnginePage::FindBackward;
        self->page_->findText(text, there, [self, request, text, flags, back, attempt](const QWebEngineFindTextResult& result) {
            if (!self || request != self->findRequest_) return;
            if (result.numberOfMatches() == 0) {
                if (attempt < FindRetries) self->findAgain(request, text, flags, attempt + 1);
                else self->events().fireFindResult(0, 0);
                return;
            }
            self->page_->findText(text, back, [self, request](const QWebEngineFindTextResult& again) {
                if (self && request == self->findRequest_)
                    self->events().fireFindResult(again.activeMatch(), again.numberOfMatches());
            });
        });
    });
}

HRESULT BlinkBrowser::StopFinding() {
    findText_.clear();
    ++findRequest_;
    page_->findText(QString());
    return S_OK;
}

HRESULT BlinkBrowser::PrintToPdf(const QString& path, const QPageLayout& layout) {
    if (path.isEmpty()) return E_INVALIDARG;
    page_->printToPdf(path, layout);
    return S_OK;
}

// Find in page and printing of a WebKit page: the host's find controller, which counts
// the matches but does not tell which one it shows, and its print operation, which writes
// the PDF file itself.

#include "engines/webkit/HostProtocol.h"
#include "engines/webkit/WebKitBrowser.h"

#include <QPageSize>
#include <cmath>
#include <utility>

namespace {

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }
QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

HRESULT WebKitBrowser::Find(const QString& text, bool forward, bool matchCase) {
    if (text.isEmpty()) return E_INVALIDARG;
    return send("find", {utf8(text), forward ? "1" : "0", matchCase ? "1" : "0"}) ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT WebKitBrowser::StopFinding() { return send("findstop") ? S_OK : RPC_E_DISCONNECTED; }

HRESULT WebKitBrowser::PrintToPdf(const QString& path, const QPageLayout& layout) {
    if (path.isEmpty()) return E_INVALIDARG;
    const QSizeF paper = layout.pageSize().size(QPageSize::Millimeter);
    const auto hundredths = [](double mm) { return std::to_string(std::lround(mm * 100)); };
    if (!send("print", {utf8(path), hundredths(paper.width()), hundredths(paper.height()),
                        layout.orientation() == QPageLayout::Landscape ? "1" : "0"}))
        return RPC_E_DISCONNECTED;
    printing_ << path;
    return S_OK;
}

void WebKitBrowser::findPrintEvent(const std::string& kind, const std::vector<std::string>& args) {
    if (kind == "found") {
        events().fireFindResult(0, static_cast<int>(HostProtocol::number(args[0]).value_or(0)));
    } else if (kind == "printed") {
        const QString path = fromUtf8(args[0]);
        if (!printing_.removeOne(path)) return;
        const bool ok = args[1] == "ok";
        events().firePrintFinished(path, ok, ok ? QString() : fromUtf8(args[1]));
    }
}

void WebKitBrowser::failPrints(const QString& reason) {
    const QStringList pending = std::exchange(printing_, {});
    for (const QString& path : pending) events().firePrintFinished(path, false, reason);
}

#include "engines/chromium/PageScript.h"

#include <QJsonDocument>

namespace PageScript {

QString source(const QString& bindingName) {
    // Keys the page keeps: editing, reload, history by Alt+arrows. Every other function
    // key, Alt and Ctrl combination is the frame's (find and print among them, which the
    // frame does the same for every engine): the page never gets it, and neither does
    // Chromium, whose own answers (new windows, tabs, developer tools, its find bar and
    // print preview) would open windows outside the frame or speak another language.
    return QStringLiteral(R"JS((() => {
  const send = globalThis['%1'];
  if (typeof send !== 'function') return;
  try { delete globalThis['%1']; } catch (e) {}
  const post = (m) => { try { send(JSON.stringify(m)); } catch (e) {} };
  const pageKeeps = (e) => {
    const c = e.keyCode, ctrl = e.ctrlKey, alt = e.altKey;
    if (e.key === 'Control' || e.key === 'Shift' || e.key === 'Alt' || e.key === 'Meta' || e.key === 'AltGraph') return true;
    if (alt && !ctrl) return c === 37 || c === 39;
    if (!ctrl) return !(c >= 112 && c <= 123) || c === 116;
    if (alt) return false;
    return [65, 67, 82, 86, 88, 89, 90, 45, 37, 38, 39, 40, 36, 35, 8, 46, 116, 13].includes(c);
  };
  addEventListener('keydown', (e) => {
    if (!e.isTrusted || pageKeeps(e)) return;
    e.preventDefault();
    e.stopImmediatePropagation();
    post({k: 'key', c: e.keyCode, m: (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0), t: e.key.length === 1 ? e.key : ''});
  }, true);
  addEventListener('mousedown', (e) => { if (e.isTrusted) post({k: 'click'}); }, true);
  // Chromium's own menu would offer windows of its own (developer tools, the source,
  // its save dialog): the frame shows its menu instead, unless the page has its own.
  addEventListener('contextmenu', (e) => {
    if (!e.isTrusted || e.defaultPrevented) return;
    e.preventDefault();
    const t = e.target instanceof Element ? e.target : null;
    const link = t && t.closest('a[href], area[href]');
    const image = t && t.closest('img');
    const editable = !!(t && (t.isContentEditable || t.closest('input, textarea')));
    const selection = String(getSelection ? getSelection() : '');
    post({k: 'menu', link: link ? String(link.href) : '', image: image ? String(image.src) : '',
          editable: editable, selection: selection});
  });
  let hovered = null;
  const hover = (link) => {
    if (link === hovered) return;
    hovered = link;
    post({k: 'status', t: link ? String(link.href) : ''});
  };
  addEventListener('mouseover', (e) => {
    const t = e.target;
    hover(t && t.closest ? t.closest('a[href], area[href]') : null);
  }, true);
  addEventListener('mouseout', (e) => { if (!e.relatedTarget) hover(null); }, true);
  if (window !== window.top) return;
  // A feature the page asks for waits for the frame's question: the browser refuses it to
  // every site the user has not allowed, and tells nobody that a page asked.
  // Nothing here may keep the rest of the script from running.
  try {
    const waiting = {};
    const ask = (feature, go) => { (waiting[feature] = waiting[feature] || []).push(go); post({k: 'ask', f: feature}); };
    Object.defineProperty(globalThis, '%1_answered', {value: (feature) => {
      const list = waiting[feature] || [];
      delete waiting[feature];
      list.forEach((go) => { try { go(); } catch (e) {} });
    }});
    const geo = navigator.geolocation;
    if (geo) {
      const current = geo.getCurrentPosition.bind(geo);
      geo.getCurrentPosition = function (...a) { ask('geolocation', () => current(...a)); };
    }
    const devices = navigator.mediaDevices;
    if (devices && devices.getUserMedia) {
      const media = devices.getUserMedia.bind(devices);
      devices.getUserMedia = (c) => new Promise((resolve, reject) => ask(
        c && c.video ? (c.audio ? 'camera+microphone' : 'camera') : 'microphone', () => media(c).then(resolve, reject)));
    }
    if (globalThis.Notification && Notification.requestPermission) {
      const notify = Notification.requestPermission.bind(Notification);
      Notification.requestPermission = () => new Promise((resolve) => ask('notifications', () => notify().then(resolve)));
    }
  } catch (e) {}
  let title = null;
  const tell = () => { if (document.title !== title) { title = document.title; post({k: 'title', t: title}); } };
  const watch = () => {
    const head = document.head || document.documentElement;
    if (!head) return;
    new MutationObserver(tell).observe(head, {subtree: true, childList: true, characterData: true});
    tell();
  };
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', watch, {once: true});
  else watch();
})())JS")
        .arg(bindingName);
}

QString zoomSource(double factor) {
    return QStringLiteral(
               "(() => { const z = () => { if (document.documentElement) document.documentElement.style.zoom = '%1'; };"
               " z(); document.addEventListener('DOMContentLoaded', z, {once: true}); })()")
        .arg(factor);
}

QString zoomNow(double factor) {
    return QStringLiteral("document.documentElement && (document.documentElement.style.zoom = '%1'), true").arg(factor);
}

int qtKeyOfKeyCode(int keyCode) {
    if (keyCode >= 'A' && keyCode <= 'Z') return Qt::Key_A + (keyCode - 'A');
    if (keyCode >= '0' && keyCode <= '9') return Qt::Key_0 + (keyCode - '0');
    if (keyCode >= 112 && keyCode <= 123) return Qt::Key_F1 + (keyCode - 112);
    switch (keyCode) {
    case 8: return Qt::Key_Backspace;
    case 9: return Qt::Key_Tab;
    case 13: return Qt::Key_Return;
    case 27: return Qt::Key_Escape;
    case 32: return Qt::Key_Space;
    case 33: return Qt::Key_PageUp;
    case 34: return Qt::Key_PageDown;
    case 35: return Qt::Key_End;
    case 36: return Qt::Key_Home;
    case 37: return Qt::Key_Left;
    case 38: return Qt::Key_Up;
    case 39: return Qt::Key_Right;
    case 40: return Qt::Key_Down;
    case 45: return Qt::Key_Insert;
    case 46: return Qt::Key_Delete;
    case 187: return Qt::Key_Equal;
    case 189: return Qt::Key_Minus;
    case 107: return Qt::Key_Plus;
    case 109: return Qt::Key_Minus;
    default: return 0;
    }
}

Report parse(const QString& payload) {
    const QJsonObject m = QJsonDocument::fromJson(payload.toUtf8()).object();
    const QString kind = m.value(QStringLiteral("k")).toString();
    Report report;
    if (kind == QLatin1String("click")) {
        report.kind = Report::Kind::Click;
    } else if (kind == QLatin1String("status") || kind == QLatin1String("title")) {
        report.kind = kind == QLatin1String("status") ? Report::Kind::Status : Report::Kind::Title;
        report.text = m.value(QStringLiteral("t")).toString();
    } else if (kind == QLatin1String("menu")) {
        report.kind = Report::Kind::Menu;
        report.link = m.value(QStringLiteral("link")).toString();
        report.image = m.value(QStringLiteral("image")).toString();
        report.editable = m.value(QStringLiteral("editable")).toBool();
        report.text = m.value(QStringLiteral("selection")).toString();
    } else if (kind == QLatin1String("ask")) {
        report.kind = Report::Kind::Ask;
        report.text = m.value(QStringLiteral("f")).toString();
    } else if (kind == QLatin1String("key")) {
        report.key = qtKeyOfKeyCode(m.value(QStringLiteral("c")).toInt());
        if (!report.key) return {};
        report.kind = Report::Kind::Key;
        const int bits = m.value(QStringLiteral("m")).toInt();
        if (bits & 1) report.modifiers |= Qt::ShiftModifier;
        if (bits & 2) report.modifiers |= Qt::ControlModifier;
        if (bits & 4) report.modifiers |= Qt::AltModifier;
        report.text = m.value(QStringLiteral("t")).toString().left(1);
    }
    return report;
}

}  // namespace PageScript

#include "engines/chromium/FindScript.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace FindScript {

namespace {

// Kept in the world's own global object, one per document: a new document starts afresh.
const char* const Body = R"JS(((text, forward, matchCase, stop) => {
  const st = globalThis.__find || (globalThis.__find = {text: null, matchCase: false, ranges: [], index: -1});
  const reg = (typeof CSS !== 'undefined' && CSS.highlights && typeof Highlight === 'function') ? CSS.highlights : null;
  const unmark = () => { if (reg) { reg.delete('tavix-find'); reg.delete('tavix-find-current'); } };
  if (stop) {
    unmark();
    const shown = st.ranges[st.index];
    if (shown) { const sel = getSelection(); sel.removeAllRanges(); sel.addRange(shown.cloneRange()); }
    st.text = null; st.ranges = []; st.index = -1;
    return null;
  }
  const gone = st.ranges.some((r) => !r.startContainer.isConnected || !r.endContainer.isConnected);
  if (text !== st.text || matchCase !== st.matchCase || gone) {
    const from = st.ranges[st.index] || null;
    const root = document.body || document.documentElement;
    const seen = new Map();
    const shows = (el) => {
      if (!seen.has(el)) {
        const tag = el.localName;
        seen.set(el, !(tag === 'script' || tag === 'style' || tag === 'noscript' || tag === 'template') &&
                     (typeof el.checkVisibility !== 'function' || el.checkVisibility()));
      }
      return seen.get(el);
    };
    const nodes = [], starts = [];
    let all = '';
    if (root) {
      const walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
      for (let n; (n = walker.nextNode());) {
        if (!n.parentElement || !shows(n.parentElement)) continue;
        nodes.push(n); starts.push(all.length); all += n.data;
      }
    }
    const at = (offset, end) => {
      let lo = 0, hi = starts.length - 1;
      while (lo < hi) {
        const mid = (lo + hi + 1) >> 1;
        if (starts[mid] < offset || (!end && starts[mid] === offset)) lo = mid; else hi = mid - 1;
      }
      return [nodes[lo], offset - starts[lo]];
    };
    const escaped = text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
    const re = new RegExp(escaped, matchCase ? 'gu' : 'giu');
    const ranges = [];
    for (let m; ranges.length < 10000 && (m = re.exec(all)) !== null;) {
      if (!m[0].length) { re.lastIndex++; continue; }
      const r = document.createRange();
      const [sn, so] = at(m.index, false), [en, eo] = at(m.index + m[0].length, true);
      r.setStart(sn, so); r.setEnd(en, eo);
      ranges.push(r);
    }
    let index = 0;
    if (from) {
      index = ranges.findIndex((r) => r.compareBoundaryPoints(Range.START_TO_START, from) >= 0);
      if (index < 0) index = 0;
    }
    Object.assign(st, {text, matchCase, ranges, index: ranges.length ? index : -1});
  } else if (st.ranges.length) {
    st.index = (st.index + (forward ? 1 : st.ranges.length - 1)) % st.ranges.length;
  }
  unmark();
  const shown = st.ranges[st.index];
  if (shown) {
    if (reg) {
      if (!st.sheet) {
        st.sheet = new CSSStyleSheet();
        st.sheet.replaceSync('::highlight(tavix-find){background-color:#ffeb3b;color:#000}' +
                             '::highlight(tavix-find-current){background-color:#ff9632;color:#000}');
      }
      if (!document.adoptedStyleSheets.includes(st.sheet))
        document.adoptedStyleSheets = [...document.adoptedStyleSheets, st.sheet];
      reg.set('tavix-find', new Highlight(...st.ranges));
      reg.set('tavix-find-current', new Highlight(shown));
    }
    const el = shown.startContainer.parentElement;
    if (el) el.scrollIntoView({block: 'center', inline: 'nearest'});
  }
  return {current: st.index + 1, total: st.ranges.length};
}))JS";

}  // namespace

QString worldName() { return QStringLiteral("tavix-find"); }

QString find(const QString& text, bool forward, bool matchCase) {
    const QByteArray args = QJsonDocument(QJsonArray{text, forward, matchCase, false}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(Body) + QStringLiteral(".apply(null, ") + QString::fromUtf8(args) + QLatin1Char(')');
}

QString stop() { return QString::fromUtf8(Body) + QStringLiteral("('', true, false, true)"); }

}  // namespace FindScript

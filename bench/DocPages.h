#pragma once
// A small documentation site written into a folder: pages of real-looking manual text
// with a shared style sheet, a script that builds each page's contents list, shared
// navigation icons and one figure of its own per page (so that a held figure is never
// served from a cache). Titles need no entity decoding.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <vector>

namespace Bench {

struct DocPage {
    QString file;
    QString title;
    QString figure;
};

namespace detail {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

inline void writeImage(const QString& path, int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 37) % 360, 40, 250));
    QPainter p(&image);
    for (int i = 0; i < 12; ++i) {
        p.setPen(QColor::fromHsv((seed * 37 + i * 25) % 360, 160, 180));
        p.drawLine(0, (i * height) / 12, width, height - (i * height) / 12);
        p.drawRect(10 + i * 7, 10 + i * 5, width / 3, height / 4);
    }
    p.end();
    image.save(path, "PNG");
}

inline const char* styleSheet() {
    return R"(body { font-family: "Noto Sans CJK JP", "DejaVu Sans", sans-serif; margin: 0; color: #222; line-height: 1.6 }
header { background: #23415a; color: #fff; padding: 8px 24px; display: flex; align-items: center; gap: 12px }
header img { width: 32px; height: 32px }
nav.pager { display: flex; justify-content: space-between; padding: 4px 24px; background: #eef2f5; font-size: 90% }
nav.pager img { vertical-align: middle; margin: 0 4px }
main { max-width: 58em; margin: 0 auto; padding: 12px 24px }
#toc { float: right; width: 16em; margin: 0 0 1em 1em; padding: 8px 12px; border: 1px solid #c8d3dc; background: #f8fafc; font-size: 90% }
#toc ol { padding-left: 1.2em; margin: 0 }
h1 { font-size: 170%; border-bottom: 2px solid #23415a } h2 { font-size: 130%; margin-top: 1.6em; color: #23415a }
pre { background: #f4f4f4; border-left: 4px solid #9ab; padding: 8px 12px; overflow: auto; font-size: 88% }
code { font-family: "DejaVu Sans Mono", monospace } pre .kw { color: #7a1f8a; font-weight: bold } pre .str { color: #2a7a2a }
table { border-collapse: collapse; margin: 1em 0 } th, td { border: 1px solid #bcc; padding: 3px 8px } th { background: #e4ebf0 }
figure { margin: 1em 0; text-align: center } figcaption { font-size: 90%; color: #556 }
.note { border: 1px solid #e0c060; background: #fff8e0; padding: 6px 12px; border-radius: 4px }
footer { border-top: 1px solid #ccd; margin-top: 2em; padding: 8px 24px; font-size: 85%; color: #667 }
)";
}

// Builds the contents list from the page's headings and marks keywords in code blocks:
// the kind of small work a manual's script does while the page loads.
inline const char* script() {
    return R"(document.addEventListener("DOMContentLoaded", function () {
  var toc = document.getElementById("toc"), list = document.createElement("ol");
  document.querySelectorAll("main h2").forEach(function (h, i) {
    h.id = h.id || "s" + (i + 1);
    var li = document.createElement("li"), a = document.createElement("a");
    a.href = "#" + h.id; a.textContent = h.textContent; li.appendChild(a); list.appendChild(li);
  });
  toc.appendChild(list);
  var words = /\b(int|void|return|const|if|else|for|while|struct|class)\b/g;
  document.querySelectorAll("pre code").forEach(function (c) {
    c.innerHTML = c.innerHTML.replace(/("[^"]*")/g, '<span class="str">$1</span>').replace(words, '<span class="kw">$1</span>');
  });
});
)";
}

inline QByteArray section(int page, int s) {
    static const char* topics[] = {"設定ファイルの読み込み", "ブックマークの保存形式", "タブとウィンドウの対応",
                                   "アドレス入力と補完", "エンジンの切り替え", "閉じたページの履歴",
                                   "ポップアップの扱い", "文字サイズと表示", "ウェブリストの編集"};
    QByteArray out = "<h2>" + QByteArray(topics[(page + s) % 9]) + " (" + QByteArray::number(s + 1) + ")</h2>\n";
    for (int p = 0; p < 4; ++p)
        out += "<p>この節では、ページ " + QByteArray::number(page) +
               " の処理の流れを説明します。The reader is parsed line by line; each key is looked up "
               "case-insensitively and a value longer than the limit is cut. 設定は使うたびに読み直されるため、"
               "ファイルを外から書き換えても次の操作から反映されます。 <a href=\"#\">関連項目</a> と "
               "<code>ReadString</code> も参照してください。</p>\n";
    out += "<pre><code>int readValue(const char* section, const char* key)\n{\n    const char* text = lookup(section, key);\n"
           "    if (text == 0)\n        return -1;\n    for (int i = 0; text[i]; ++i)\n        if (text[i] == \"#\"[0])\n"
           "            return i;\n    return 0;\n}</code></pre>\n";
    out += "<table><tr><th>キー</th><th>既定値</th><th>意味</th></tr>";
    for (int r = 0; r < 6; ++r)
        out += "<tr><td>Key" + QByteArray::number(r) + "</td><td>" + QByteArray::number(r * 3) +
               "</td><td>項目の説明 description of the entry</td></tr>";
    out += "</table>\n<p class=\"note\">注意: 値は 2047 バイトまでです。</p>\n";
    return out;
}

}  // namespace detail

// Writes `count` pages (and what they share) into `folder`; the figures are "fig-NN.png".
inline std::vector<DocPage> writeDocSite(const QString& folder, int count) {
    QDir().mkpath(folder + QStringLiteral("/img"));
    detail::writeFile(folder + QStringLiteral("/manual.css"), detail::styleSheet());
    detail::writeFile(folder + QStringLiteral("/toc.js"), detail::script());
    int seed = 0;
    for (const char* icon : {"logo", "prev", "next", "up"})
        detail::writeImage(folder + QStringLiteral("/img/%1.png").arg(QLatin1String(icon)), 32, 32, ++seed);
    std::vector<DocPage> pages;
    for (int i = 1; i <= count; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        DocPage page{QStringLiteral("ch-%1.html").arg(n), QStringLiteral("第%1章 Tavix 開発者ガイド").arg(i),
                     QStringLiteral("fig-%1.png").arg(n)};
        detail::writeImage(folder + QStringLiteral("/img/") + page.figure, 480, 240, i);
        QByteArray html = "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\"><title>" +
                          page.title.toUtf8() +
                          "</title>\n<link rel=\"stylesheet\" href=\"manual.css\">\n<script src=\"toc.js\"></script>\n"
                          "</head><body>\n<header><img src=\"img/logo.png\" alt=\"\"><b>Tavix 開発者ガイド</b></header>\n"
                          "<nav class=\"pager\"><a href=\"#\"><img src=\"img/prev.png\" alt=\"\">前へ</a>"
                          "<a href=\"#\"><img src=\"img/up.png\" alt=\"\">目次</a>"
                          "<a href=\"#\">次へ<img src=\"img/next.png\" alt=\"\"></a></nav>\n<main>\n<h1>" +
                          page.title.toUtf8() + "</h1>\n<div id=\"toc\"><b>目次</b></div>\n";
        for (int s = 0; s < 8; ++s) {
            html += detail::section(i, s);
            if (s == 2)
                html += "<figure><img src=\"img/" + page.figure.toUtf8() +
                        "\" width=\"480\" height=\"240\" alt=\"\"><figcaption>図 " + QByteArray::number(i) +
                        ": 処理の流れ</figcaption></figure>\n";
        }
        html += "</main>\n<footer>Tavix 開発者ガイド — 生成されたページ</footer>\n</body></html>\n";
        detail::writeFile(folder + QLatin1Char('/') + page.file, html);
        pages.push_back(page);
    }
    return pages;
}

}  // namespace Bench

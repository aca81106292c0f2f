#include "engines/blink/PageActions.h"

#include <QAction>

namespace Blink {

namespace {

struct ActionText {
    QWebEnginePage::WebAction action;
    const char* text;   // UTF-8
};

// The words a Japanese browser uses for these commands; "..." where the command asks
// for a file name first.
constexpr ActionText Texts[] = {
    {QWebEnginePage::Back, "戻る"},
    {QWebEnginePage::Forward, "進む"},
    {QWebEnginePage::Stop, "中止"},
    {QWebEnginePage::Reload, "再読み込み"},
    {QWebEnginePage::Cut, "切り取り"},
    {QWebEnginePage::Copy, "コピー"},
    {QWebEnginePage::Paste, "貼り付け"},
    {QWebEnginePage::Undo, "元に戻す"},
    {QWebEnginePage::Redo, "やり直し"},
    {QWebEnginePage::SelectAll, "すべて選択"},
    {QWebEnginePage::ReloadAndBypassCache, "キャッシュを使わずに再読み込み"},
    {QWebEnginePage::PasteAndMatchStyle, "書式なしで貼り付け"},
    {QWebEnginePage::OpenLinkInThisWindow, "リンクをこのウィンドウで開く"},
    {QWebEnginePage::OpenLinkInNewWindow, "リンクを新しいウィンドウで開く"},
    {QWebEnginePage::OpenLinkInNewTab, "リンクを新しいタブで開く"},
    {QWebEnginePage::CopyLinkToClipboard, "リンクのアドレスをコピー"},
    {QWebEnginePage::DownloadLinkToDisk, "名前を付けてリンク先を保存..."},
    {QWebEnginePage::CopyImageToClipboard, "画像をコピー"},
    {QWebEnginePage::CopyImageUrlToClipboard, "画像のアドレスをコピー"},
    {QWebEnginePage::DownloadImageToDisk, "名前を付けて画像を保存..."},
    {QWebEnginePage::CopyMediaUrlToClipboard, "メディアのアドレスをコピー"},
    {QWebEnginePage::ToggleMediaControls, "コントロールを表示"},
    {QWebEnginePage::ToggleMediaLoop, "繰り返し再生"},
    {QWebEnginePage::ToggleMediaPlayPause, "再生/一時停止"},
    {QWebEnginePage::ToggleMediaMute, "ミュート"},
    {QWebEnginePage::DownloadMediaToDisk, "名前を付けてメディアを保存..."},
    {QWebEnginePage::InspectElement, "要素の検証"},
    {QWebEnginePage::ExitFullScreen, "全画面表示を終了"},
    {QWebEnginePage::RequestClose, "ページを閉じる"},
    {QWebEnginePage::Unselect, "選択を解除"},
    {QWebEnginePage::SavePage, "名前を付けて保存..."},
    {QWebEnginePage::OpenLinkInNewBackgroundTab, "リンクを新しいタブで開く (背面)"},
    {QWebEnginePage::ViewSource, "ソースの表示"},
    {QWebEnginePage::ToggleBold, "太字"},
    {QWebEnginePage::ToggleItalic, "斜体"},
    {QWebEnginePage::ToggleUnderline, "下線"},
    {QWebEnginePage::ToggleStrikethrough, "取り消し線"},
    {QWebEnginePage::AlignLeft, "左揃え"},
    {QWebEnginePage::AlignCenter, "中央揃え"},
    {QWebEnginePage::AlignRight, "右揃え"},
    {QWebEnginePage::AlignJustified, "両端揃え"},
    {QWebEnginePage::Indent, "インデントを増やす"},
    {QWebEnginePage::Outdent, "インデントを減らす"},
    {QWebEnginePage::InsertOrderedList, "番号付きリスト"},
    {QWebEnginePage::InsertUnorderedList, "箇条書き"},
};

}  // namespace

QString actionText(QWebEnginePage::WebAction action) {
    for (const ActionText& entry : Texts)
        if (entry.action == action) return QString::fromUtf8(entry.text);
    return {};
}

void translateActions(QWebEnginePage* page) {
    for (int a = 0; a < QWebEnginePage::WebActionCount; ++a) {
        const auto action = static_cast<QWebEnginePage::WebAction>(a);
        const QString text = actionText(action);
        if (!text.isEmpty()) page->action(action)->setText(text);
    }
}

}  // namespace Blink

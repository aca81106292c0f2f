#include "engines/PageDialog.h"

#include "resources/Fonts.h"

#include <QCheckBox>
#include <QEventLoop>
#include <memory>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace PageDialog {

namespace {

std::function<Answer(QWidget*, const Request&)>& presenter() {
    static std::function<Answer(QWidget*, const Request&)> p;
    return p;
}

constexpr int BurstLimit = 3;
constexpr qint64 BurstWindowMs = 1000;

// Covers the whole view, greys the page and holds the box in its middle; it keeps its
// size in step with the view.
class Overlay : public QWidget {
public:
    explicit Overlay(QWidget* view) : QWidget(view) {
        setObjectName(QStringLiteral("PageDialog"));
        setAttribute(Qt::WA_StyledBackground);
        setStyleSheet(QStringLiteral("#PageDialog { background: rgba(0, 0, 0, 90); }"));
        setGeometry(view->rect());
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        return false;
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && onEscape) onEscape();
        // Keys stay in the dialog; none falls through to the page below.
        event->accept();
    }

public:
    std::function<void()> onEscape;
};

}  // namespace

void setPresenter(std::function<Answer(QWidget*, const Request&)> p) { presenter() = std::move(p); }

namespace {

// The dialog's widgets, laid over the view; finish(accepted) reports the answer once.
struct Built {
    QPointer<Overlay> overlay;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QLineEdit* answerEdit = nullptr;
    QCheckBox* suppress = nullptr;
};

Built build(QWidget* view, const Request& request) {
    Built built;
    QPointer<Overlay> overlay = new Overlay(view);
    built.overlay = overlay;
    auto* box = new QFrame(overlay);
    box->setObjectName(QStringLiteral("PageDialogBox"));
    box->setFrameShape(QFrame::StyledPanel);
    box->setAutoFillBackground(true);
    box->setMinimumWidth(320);
    box->setMaximumWidth(520);
    auto* outer = new QVBoxLayout(overlay);
    outer->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(box);
    row->addStretch(1);
    outer->addLayout(row);
    outer->addStretch(2);

    auto* layout = new QVBoxLayout(box);
    auto* caption = new QLabel(request.caption + QStringLiteral(" からのメッセージ"), box);
    caption->setObjectName(QStringLiteral("lblCaption"));
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);
    QFont bold = Fonts::japaneseUi(12);
    bold.setBold(true);
    caption->setFont(bold);
    layout->addWidget(caption);
    auto* text = new QLabel(request.text, box);
    text->setObjectName(QStringLiteral("lblMessage"));
    text->setTextFormat(Qt::PlainText);   // a page's text is never markup here
    text->setWordWrap(true);
    text->setFont(Fonts::japaneseUi(12));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    QLineEdit* answerEdit = nullptr;
    if (request.kind == Kind::Prompt) {
        answerEdit = new QLineEdit(request.defaultText, box);
        answerEdit->setObjectName(QStringLiteral("txtPrompt"));
        answerEdit->selectAll();
        layout->addWidget(answerEdit);
    }
    QCheckBox* suppress = nullptr;
    if (request.offerSuppress) {
        suppress = new QCheckBox(QStringLiteral("このページでこれ以上ダイアログを表示しない"), box);
        suppress->setObjectName(QStringLiteral("chkSuppress"));
        suppress->setFont(Fonts::japaneseUi(12));
        layout->addWidget(suppress);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), box);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    QPushButton* cancel = nullptr;
    if (request.kind != Kind::Alert) {
        cancel = new QPushButton(QStringLiteral("キャンセル"), box);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        cancel->setFont(Fonts::japaneseUi(12));
        buttons->addWidget(cancel);
    }
    layout->addLayout(buttons);
    built.ok = ok;
    built.cancel = cancel;
    built.answerEdit = answerEdit;
    built.suppress = suppress;
    overlay->show();
    overlay->raise();
    if (answerEdit)
        answerEdit->setFocus();
    else
        ok->setFocus();
    return built;
}

// Calls finish(accepted) when the user answers.
void wire(const Built& built, Kind kind, const std::function<void(bool)>& finish) {
    QObject::connect(built.ok, &QPushButton::clicked, built.overlay, [finish] { finish(true); });
    if (built.cancel) QObject::connect(built.cancel, &QPushButton::clicked, built.overlay, [finish] { finish(false); });
    if (built.answerEdit)
        QObject::connect(built.answerEdit, &QLineEdit::returnPressed, built.overlay, [finish] { finish(true); });
    built.overlay->onEscape = [finish, kind] { finish(kind == Kind::Alert); };
}

Answer answerOf(const Built& built, bool accepted) {
    Answer answer;
    answer.accepted = accepted;
    if (built.answerEdit) answer.text = built.answerEdit->text();
    if (built.suppress) answer.suppressMore = built.suppress->isChecked();
    return answer;
}

}  // namespace

Answer exec(QWidget* view, const Request& request) {
    if (presenter()) return presenter()(view, request);
    if (!view) return {};
    const Built built = build(view, request);
    Answer answer;
    QEventLoop loop;
    wire(built, request.kind, [&](bool accepted) {
        answer = answerOf(built, accepted);
        loop.quit();
    });
    // The view going away (its window closed) ends the dialog unanswered.
    QObject::connect(built.overlay, &QObject::destroyed, &loop, [&] { loop.quit(); });
    loop.exec();
    if (built.overlay) built.overlay->deleteLater();
    return answer;
}

void open(QWidget* view, const Request& request, std::function<void(const Answer&)> done) {
    if (presenter()) {
        const Answer answer = presenter()(view, request);
        if (done) done(answer);
        return;
    }
    if (!view) return;
    const Built built = build(view, request);
    auto answered = std::make_shared<bool>(false);
    wire(built, request.kind, [built, done, answered](bool accepted) {
        if (*answered || !built.overlay) return;
        *answered = true;
        const Answer answer = answerOf(built, accepted);
        built.overlay->deleteLater();
        if (done) done(answer);
    });
}

bool Limiter::admit(const QDateTime& now) {
    if (suppressed_) return false;
    while (!shown_.isEmpty() && shown_.first().msecsTo(now) >= BurstWindowMs) shown_.removeFirst();
    if (shown_.size() >= BurstLimit) {
        suppressed_ = true;
        return false;
    }
    shown_.append(now);
    return true;
}

}  // namespace PageDialog

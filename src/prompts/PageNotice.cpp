#include "prompts/PageNotice.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <utility>

PageNotice::PageNotice(Tone tone, const QString& text, const QString& yes, const QString& no,
                       std::function<void(bool)> done, QWidget* parent)
    : QFrame(parent), done_(std::move(done)) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    // A warning must not pass for the page's own content: a colour no page bar uses here.
    colours.setColor(QPalette::Window, tone == Tone::Warning ? QColor(0xff, 0xe0, 0xe0) : QColor(0xff, 0xf6, 0xd0));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    // The words take the whole width, the answers go under them: a narrow window still
    // shows all of what it is asked.
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("text"));
    label->setTextFormat(Qt::PlainText);   // host names and reasons come from outside
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* answers = new QHBoxLayout;
    answers->addStretch(1);
    yes_ = new QPushButton(yes, this);
    yes_->setObjectName(QStringLiteral("yes"));
    no_ = new QPushButton(no, this);
    no_->setObjectName(QStringLiteral("no"));
    answers->addWidget(yes_);
    answers->addWidget(no_);
    layout->addLayout(answers);
    connect(yes_, &QPushButton::clicked, this, [this] { finish(true); });
    connect(no_, &QPushButton::clicked, this, [this] { finish(false); });
}

void PageNotice::finish(bool yes) {
    if (!done_) return;
    std::exchange(done_, nullptr)(yes);
    hide();
    deleteLater();
}

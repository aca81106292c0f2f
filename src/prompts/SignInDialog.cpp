#include "prompts/SignInDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SignInDialog::SignInDialog(AuthRequestPtr request, QWidget* parent) : QDialog(parent), request_(std::move(request)) {
    setObjectName(QStringLiteral("SignInDialog"));
    setWindowTitle(QStringLiteral("サインイン"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    // The host and realm are the server's words: shown as plain text, never as markup.
    const QString who = request_->proxy() ? QStringLiteral("プロキシ %1 がユーザー名とパスワードを求めています。")
                                          : QStringLiteral("%1 がユーザー名とパスワードを求めています。");
    auto* heading = new QLabel(who.arg(request_->host()), this);
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    if (!request_->realm().isEmpty()) {
        auto* realm = new QLabel(QStringLiteral("サイトからのメッセージ: %1").arg(request_->realm()), this);
        realm->setTextFormat(Qt::PlainText);
        realm->setWordWrap(true);
        layout->addWidget(realm);
    }
    auto* form = new QFormLayout;
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("user"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("ユーザー名(&U):"), user_);
    form->addRow(QStringLiteral("パスワード(&P):"), password_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    user_->setFocus();
}

SignInDialog::~SignInDialog() {
    // Gone unanswered (its window closed): the page hears no.
    if (request_) request_->cancel();
}

void SignInDialog::done(int result) {
    if (request_) {
        if (result == QDialog::Accepted)
            request_->answer(user_->text(), password_->text());
        else
            request_->cancel();
    }
    request_.reset();
    password_->clear();
    QDialog::done(result);
}

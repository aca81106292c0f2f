#pragma once
// Asks for the name and password a site (or the proxy) wants. The password lives in the
// dialog only until the request is answered: nothing offers to remember it.

#include "engines/PageRequests.h"

#include <QDialog>

class QLineEdit;

class SignInDialog : public QDialog {
    Q_OBJECT
public:
    // Answers the request when the user closes the dialog: OK signs in, anything else
    // (キャンセル, Esc, the window closing) cancels.
    SignInDialog(AuthRequestPtr request, QWidget* parent);
    ~SignInDialog() override;

    QLineEdit* userEdit() const { return user_; }
    QLineEdit* passwordEdit() const { return password_; }

    void done(int result) override;

private:
    AuthRequestPtr request_;
    QLineEdit* user_;
    QLineEdit* password_;
};

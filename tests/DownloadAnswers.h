#pragma once
// Answers the questions of a download as they appear. They are modal and open inside the
// engine's report, so the test's own code waits below them: a timer answers instead.

#include "downloads/DownloadDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

struct DownloadAnswers {
    bool save = true;          // 保存, else キャンセル in the first question
    QString target;            // typed into the save dialog; empty: the save dialog is cancelled
    bool yes = false;          // the answer to a yes/no question: replace an existing file, quit
                               // with downloads running
    int confirms = 0;          // questions seen
    int yesNoQuestions = 0;
    int saveDialogs = 0;
    QString startFolder;       // where the last save dialog opened
    QTimer timer;

    DownloadAnswers() {
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [this] { answer(); });
        timer.start();
    }

private:
    bool targetGiven_ = false;

    // Each answer runs from the event loop, not inside the timer: an answer that opens the
    // next question (the save dialog's question about an existing file) would otherwise
    // hold this timer inside its own call.
    template <typename F>
    static void later(QWidget* w, F action) {
        QMetaObject::invokeMethod(w, action, Qt::QueuedConnection);
    }

    void answer() {
        const QList<QWidget*> windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            ++yesNoQuestions;
            later(box, [box, answer = yes] { box->button(answer ? QMessageBox::Yes : QMessageBox::No)->click(); });
            return;
        }
        for (QWidget* w : windows) {
            if (!w->isVisible()) continue;
            if (auto* confirm = qobject_cast<DownloadConfirm*>(w)) {
                ++confirms;
                targetGiven_ = false;
                later(confirm, [confirm, yes = save] { (yes ? confirm->saveButton() : confirm->cancelButton())->click(); });
                return;
            }
            if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                // Once the name is given the dialog goes, unless it asked about an existing
                // file and was told no: then it is cancelled.
                if (target.isEmpty() || targetGiven_) {
                    later(dialog, [dialog] { dialog->reject(); });
                    return;
                }
                ++saveDialogs;
                targetGiven_ = true;
                startFolder = dialog->directory().absolutePath();
                // The name typed, then 保存 (the dialog's own accept, which asks about an existing file).
                later(dialog, [dialog, path = target] {
                    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(path);
                    static_cast<QDialog*>(dialog)->accept();
                });
                return;
            }
        }
    }
};

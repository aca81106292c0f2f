#pragma once
// The dialogs a page opens with alert(), confirm() and prompt(). They are drawn over the
// page's own view and block only that view: the frame, the other view windows, closing
// this one and quitting stay with the user. Each is titled with the origin of the page
// that asked, so a page cannot pose as the program, and from the second dialog of a page
// on the user can forbid it further ones.

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace PageDialog {

enum class Kind { Alert, Confirm, Prompt };

struct Request {
    Kind kind = Kind::Alert;
    QString caption;     // the page's origin
    QString text;        // shown as plain text
    QString defaultText; // the prompt's initial answer
    bool offerSuppress = false;
};

struct Answer {
    bool accepted = false;
    QString text;            // the prompt's answer
    bool suppressMore = false;
};

// Shows the dialog over the view and waits, the rest of the program running on, until
// the user answers or the view goes away (then: not accepted).
Answer exec(QWidget* view, const Request& request);

// Shows the dialog over the view and returns at once; done runs with the answer when
// the user gives it (not at all when the view goes away first).
void open(QWidget* view, const Request& request, std::function<void(const Answer&)> done);

// Tests answer in place of the user; an empty function restores the dialog.
void setPresenter(std::function<Answer(QWidget* view, const Request& request)> presenter);

// When a page has had its fill of dialogs: after three within a second, or once the
// user forbade more, until the page loads a new document.
class Limiter {
public:
    bool suppressed() const { return suppressed_; }
    // Counts a dialog shown now; true when this one is still shown.
    bool admit(const QDateTime& now = QDateTime::currentDateTimeUtc());
    void forbid() { suppressed_ = true; }
    void reset() {
        suppressed_ = false;
        shown_.clear();
    }
    int shownCount() const { return static_cast<int>(shown_.size()); }

private:
    QList<QDateTime> shown_;
    bool suppressed_ = false;
};

}  // namespace PageDialog

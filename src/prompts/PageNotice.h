#pragma once
// A bar across the top of a view window that says something about its page and offers
// two answers. It answers once and then removes itself; gone unanswered with its window,
// it answers nothing, and what it held goes with it.

#include <QFrame>
#include <functional>

class QPushButton;

class PageNotice : public QFrame {
    Q_OBJECT
public:
    enum class Tone { Warning, Question };

    // done(true) for the first button, done(false) for the second.
    PageNotice(Tone tone, const QString& text, const QString& yes, const QString& no, std::function<void(bool)> done,
               QWidget* parent = nullptr);

    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }

private:
    void finish(bool yes);

    QPushButton* yes_;
    QPushButton* no_;
    std::function<void(bool)> done_;
};

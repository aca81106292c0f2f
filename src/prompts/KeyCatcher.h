#pragma once
// Takes one key (without modifiers) from every widget of the program, for as long as it
// is installed on the application, and runs a function instead.

#include <QObject>
#include <functional>

class KeyCatcher : public QObject {
public:
    KeyCatcher(int key, std::function<void()> caught);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int key_;
    std::function<void()> caught_;
};

#pragma once
// The application's one standard error box and the catch point in front of it. Every
// handler the program runs reaches the user through here when it fails; the message
// loop then goes on.

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>
#include <utility>

namespace ErrorBox {

// Shows the message in the standard error box titled with the application title.
void show(const QString& message);

// Shows the message of an exception caught by a catch point.
void showException(std::exception_ptr error);

// Tests replace the box with a recorder; an empty function restores the box.
void setPresenter(std::function<void(const QString&)> presenter);

// Runs one handler; an exception ends it and is shown. Returns whether it completed.
template <typename F>
bool guard(F&& handler) {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        showException(std::current_exception());
        return false;
    }
}

// Wraps a handler so that a connection runs it under guard().
template <typename F>
auto guarded(F handler) {
    return [handler = std::move(handler)](auto&&... args) mutable {
        guard([&] { handler(std::forward<decltype(args)>(args)...); });
    };
}

}  // namespace ErrorBox

// The application object. Catches what escapes event delivery, so that an error raised
// in any handler is shown and the message loop goes on.
class TavixApplication : public QApplication {
    Q_OBJECT
public:
    TavixApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

#include "platform/ErrorBox.h"

#include "platform/Errors.h"

#include <QMessageBox>

namespace ErrorBox {
namespace {

std::function<void(const QString&)>& presenter() {
    static std::function<void(const QString&)> p;
    return p;
}

}  // namespace

void setPresenter(std::function<void(const QString&)> p) { presenter() = std::move(p); }

void show(const QString& message) {
    if (presenter()) {
        presenter()(message);
        return;
    }
    QString title = QApplication::applicationDisplayName();
    if (title.isEmpty()) title = QStringLiteral("Tavix");
    QMessageBox box(QMessageBox::Critical, title, message, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void showException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const TavixError& e) {
        show(e.message());
    } catch (const std::bad_alloc&) {
        show(QStringLiteral("メモリが不足しています"));
    } catch (const std::exception& e) {
        show(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        show(QStringLiteral("不明なエラーが発生しました"));
    }
}

}  // namespace ErrorBox

TavixApplication::TavixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TavixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorBox::showException(std::current_exception());
        return false;
    }
}

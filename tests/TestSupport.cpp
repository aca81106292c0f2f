#include "TestSupport.h"

#include "platform/Beep.h"
#include "platform/ErrorBox.h"

#include <QFile>
#include <stdexcept>

ProgramFolder::ProgramFolder() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    // As a fresh installation has it: an empty popup list beside the program.
    write("CloseURL.txt", "");
}

void ProgramFolder::write(const QString& name, const std::string& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write test file");
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string ProgramFolder::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

ErrorRecorder::ErrorRecorder() {
    ErrorBox::setPresenter([this](const QString& m) { messages << m; });
}

ErrorRecorder::~ErrorRecorder() { ErrorBox::setPresenter({}); }

BeepCounter::BeepCounter() {
    Beep::setSounder([this] { ++count; });
}

BeepCounter::~BeepCounter() { Beep::setSounder({}); }

void PrintTo(const QString& value, std::ostream* os) { *os << '"' << value.toStdString() << '"'; }

void PrintTo(const Variant& value, std::ostream* os) {
    switch (value.type()) {
    case VT_EMPTY: *os << "empty"; break;
    case VT_I4: *os << "I4 " << value.toInt(); break;
    case VT_BOOL: *os << "BOOL " << value.toBool(); break;
    case VT_BSTR: *os << "BSTR \"" << value.toString().toStdString() << "\""; break;
    case VT_DISPATCH: *os << "DISPATCH " << value.toDispatch(); break;
    case VT_ERROR: *os << "ERROR " << std::hex << value.errorCode() << std::dec; break;
    }
}

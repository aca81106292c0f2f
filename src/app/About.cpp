#include "app/About.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    AboutBox = this;
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(274, 123);
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 257, 73);

    ProgramIcon = new QLabel(QStringLiteral("未定"), panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setFrameStyle(QFrame::Box | QFrame::Plain);
    ProgramIcon->setAlignment(Qt::AlignCenter);
    ProgramIcon->setGeometry(8, 8, 48, 48);

    ProductName = new QLabel(QStringLiteral("Tavix"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(72, 12, 177, 16);

    Version = new QLabel(QStringLiteral("Version：1.0β6"), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(72, 36, 177, 16);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 90, 65, 23);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

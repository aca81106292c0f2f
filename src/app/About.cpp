#include "app/About.h"

#include "engines/EngineVersions.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    AboutBox = this;
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(274, 123);
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 257, 73);

    ProgramIcon = new QLabel(QStringLiteral("未定"), Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setFrameStyle(QFrame::Box | QFrame::Plain);
    ProgramIcon->setAlignment(Qt::AlignCenter);
    ProgramIcon->setGeometry(8, 8, 48, 48);

    ProductName = new QLabel(QStringLiteral("Tavix"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(72, 12, 177, 16);

    Version = new QLabel(QStringLiteral("Version：1.0β6"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(72, 36, 177, 16);

    Engines = new QLabel(this);
    Engines->setObjectName(QStringLiteral("Engines"));
    Engines->setTextFormat(Qt::PlainText);
    Engines->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Engines->setGeometry(8, 88, 257, 0);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 90, 65, 23);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    centre();
}

void TAboutBox::centre() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TAboutBox::showEngines() {
    Engines->setText(EngineVersions::describe().join(QLatin1Char('\n')));
    // The box widens for lines longer than its panel rather than breaking a version in two.
    const QSize text = Engines->sizeHint();
    const int boxWidth = std::max(274, text.width() + 17);
    Panel1->resize(boxWidth - 17, Panel1->height());
    Engines->setGeometry(8, 88, boxWidth - 17, text.height());
    OKButton->move((boxWidth - OKButton->width()) / 2, Engines->geometry().bottom() + 9);
    setFixedSize(boxWidth, OKButton->geometry().bottom() + 11);
    centre();
}

void TAboutBox::showEvent(QShowEvent* event) {
    showEngines();
    QDialog::showEvent(event);
}

#pragma once
// TAboutBox: the version box, shown modally from the Help menu. It is made once at
// start; the engines it names are read each time it is shown, as an engine says what it
// is only once it has been loaded.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Engines = nullptr;
    QPushButton* OKButton = nullptr;

    // Fills Engines with what serves each engine slot now and fits the box around it.
    void showEngines();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void centre();
};

extern TAboutBox* AboutBox;

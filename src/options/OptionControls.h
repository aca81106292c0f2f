#pragma once
// Two small controls of the options window that Qt has no exact match for: up-down
// arrows bound to a separate text box (the box keeps whatever the user types, so a
// number beyond the arrows' range or a non-number can still reach OK), and a clickable
// colour swatch that holds a stored colour value.

#include "settings/Colours.h"

#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    // The text box the arrows write to; its Up and Down keys step too.
    void setAssociate(QLineEdit* edit);
    QLineEdit* associate() const { return associate_; }

    void setRange(int min, int max);
    int minimum() const { return min_; }
    int maximum() const { return max_; }

    // Kept within the range; setting it shows it in the text box.
    int position() const { return position_; }
    void setPosition(int position);

    // One arrow press: from the number in the text box (or the last position when the
    // box holds no number), one step, never past either end of the range.
    void step(int delta);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
    QLineEdit* associate_ = nullptr;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

class TColourSwatch : public QWidget {
    Q_OBJECT
public:
    explicit TColourSwatch(QWidget* parent = nullptr);

    TColor colour() const { return colour_; }
    void setColour(TColor colour);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TColor colour_ = 0;
    bool pressed_ = false;
};

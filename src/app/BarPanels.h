#pragma once
// The widgets that fill the main window's bars. Each lays its children out by the
// frame's own rules (address box between its label and the Move button, status text
// beside the progress bar, bookmark tree beside the J bar's collapse button) instead of
// a generic layout, so the sizes are exactly the ones the frame promises.

#include <QToolBar>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// A band of the cool bar: a top tool bar with an identity that survives reordering,
// a break flag and a preferred width used when it shares its row.
class TBand : public QToolBar {
    Q_OBJECT
public:
    TBand(int id, const QString& name, QWidget* parent);
    int id() const { return id_; }
    bool breakFlag() const { return break_; }
    void setBreakFlag(bool b) { break_ = b; }
    void setPreferredWidth(int width);
    QSize sizeHint() const override;

signals:
    void mouseReleased();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int id_;
    bool break_ = true;
    int preferredWidth_ = 0;
};

// The address bar's content: "アドレス", the address box, "移動" at the right end.
class TAddressPanel : public QWidget {
    Q_OBJECT
public:
    TAddressPanel(QLabel* label, QLineEdit* address, QPushButton* move, QWidget* parent);
    // The frame's rule: Move at the right end, the address box filling the rest.
    void fit();
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent*) override { fit(); }

private:
    QLabel* label_;
    QLineEdit* address_;
    QPushButton* move_;
};

// The status strip's content: the status text and the progress bar.
class TStatusPanel : public QWidget {
    Q_OBJECT
public:
    TStatusPanel(QLabel* status, QProgressBar* progress, QWidget* parent);
    // Wider than 260 pixels: progress bar 130, status text the rest; otherwise both keep
    // their widths.
    void fit();
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent*) override { fit(); }

private:
    QLabel* status_;
    QProgressBar* progress_;
};

// The J bar's content: the bookmark tree and the collapse button. A press on its bare
// area followed by a release sets the J bar's width to the release point.
class TJBarPanel : public QWidget {
    Q_OBJECT
public:
    TJBarPanel(QTreeWidget* tree, QPushButton* button, QWidget* parent);
    void fit();

    std::function<void(int x)> onMouseUp;  // x from the J bar's left edge

protected:
    void resizeEvent(QResizeEvent*) override { fit(); }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QTreeWidget* tree_;
    QPushButton* button_;
    bool pressed_ = false;
};

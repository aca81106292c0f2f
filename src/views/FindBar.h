#pragma once
// The find bar of a view window, below its page: a text box, next and previous, match
// case, and how many matches the page holds as far as its engine tells. Typing searches
// at once; Enter goes to the next match, Shift+Enter to the one before; Esc or the close
// button hides the bar, takes the marks off the page and gives the keyboard back to it.

#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class WebBrowser2;

class TFindBar : public QWidget {
    Q_OBJECT
public:
    // page: the widget that takes the keyboard back when the bar closes.
    TFindBar(WebBrowser2& engine, QWidget* page, QWidget* parent = nullptr);

    // Shows the bar with its text selected and the keyboard in its box.
    void open();
    // Hides the bar, takes the marks away and gives the keyboard to the page.
    void dismiss();
    // The next or previous match of the text in the box; with no text, opens the bar.
    void findNext();
    void findPrevious();

    // What the engine reported; shown beside the buttons.
    void showResult(int current, int total);
    // "3 / 12 件", "12 件" when the engine does not tell which match is shown,
    // "見つかりません".
    static QString resultText(int current, int total);

    QLineEdit* textBox() const { return text_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QLabel* resultLabel() const { return result_; }
    QToolButton* nextButton() const { return next_; }
    QToolButton* previousButton() const { return previous_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void search(bool forward);
    void fitWidth();

    WebBrowser2& engine_;
    QWidget* page_;
    QBoxLayout* layout_ = nullptr;
    QLineEdit* text_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* previous_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QLabel* result_ = nullptr;
    bool searching_ = false;   // marks are on the page
};

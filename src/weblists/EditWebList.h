#pragma once
// Tfrm_WebList: the web list editor. Created once at start-up and then only shown and
// hidden; its text, its current file and its dialogs' last names live as long as it
// does. "閉じる" asks the frame, through EnumFilesRequested, to rebuild the web list
// menu; the close box only hides.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class Tfrm_WebList : public QWidget {
    Q_OBJECT
public:
    // appPath: the program folder, ending in "/".
    explicit Tfrm_WebList(const QString& appPath, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* lblName = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* btnLoad = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnSaveAs = nullptr;
    QPushButton* btnClose = nullptr;

    void FormCreate();
    void btnLoadClick();
    void btnSaveClick();
    void btnSaveAsClick();
    void btnCloseClick();

    // The web list folder, without a trailing "/".
    const QString& webListFolder() const { return webListFolder_; }
    // Full path of the file last loaded or saved under a new name; empty before.
    const QString& currentFile() const { return currentFile_; }

    // The memo as a list's lines, and the other way round. A final line end does not
    // start another line, so a list survives loading and saving unchanged.
    QStringList memoLines() const;
    void setMemoLines(const QStringList& lines);

signals:
    // "閉じる": the web list menu should be rebuilt from this folder.
    void EnumFilesRequested(const QString& folder);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    // Writes the memo to `path`; only a completed write makes it the current file.
    void saveTo(const QString& path);
    void setCurrentFile(const QString& path);

    QString appPath_;
    QString webListFolder_;
    QString currentFile_;
    // What each dialog offers next time: the name last chosen in it.
    QString openDialogFileName_;
    QString saveDialogFileName_;
    // A list has been loaded since start-up: "上書き保存" then saves without asking.
    bool loaded_ = false;
    // The character set of the list last loaded: the memo's text is written back in it,
    // also under a new name. Empty before any loading: the locale's set.
    std::string charset_;
};

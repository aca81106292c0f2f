#pragma once
// The web list items of the main menu "Webリスト(&L)": one item per file of the web list
// folder, after the menu's first two items ("Webリストを編集(&E)" and a separator).
// Choosing an item asks, through OpenWebList, for that list to be opened; opening is
// the frame's business.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;

class TWebListMenu : public QObject {
    Q_OBJECT
public:
    // mnuWebList: the frame's "Webリスト(&L)" menu, already holding its first two items.
    // images: the frame's image list; the items show image 13.
    TWebListMenu(QMenu* mnuWebList, const QList<QIcon>& images, QObject* parent = nullptr);

    // The web list items, in menu order.
    QList<QAction*> items() const;

public slots:
    // Replaces the web list items with one per file directly in `folder` (hidden files
    // too, subfolders skipped), in the order the file system lists them. A missing
    // folder leaves only the first two items.
    void EnumFiles(const QString& folder);

signals:
    // The user chose a list: the full path of its file.
    void OpenWebList(const QString& path);

private:
    QMenu* menu_;
    QList<QIcon> images_;
};

#pragma once
// The tool bar and menu images: 14 pictures of 16 x 16 pixels, drawn by the program.
// Indexes: 0 New, 1 Back, 2 Forward, 3 Stop, 4 Reload, 5 Home, 6 New command,
// 7 Open command, 8 Save, 9 Copy, 10 Print, 11 bookmark folder, 12 bookmark,
// 13 web list.

#include <QIcon>
#include <QList>

namespace ImageList {

inline constexpr int Count = 14;
inline constexpr int New = 0, Back = 1, Forward = 2, Stop = 3, Reload = 4, Home = 5, NewCommand = 6,
                     OpenCommand = 7, Save = 8, Copy = 9, Print = 10, Folder = 11, Bookmark = 12, WebList = 13;

QList<QIcon> create();
// The program's own icon.
QIcon appIcon();

}  // namespace ImageList

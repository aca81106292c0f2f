#pragma once
// Where the user's files (config.ini, bookmark.xml, CloseURL.txt, WebList/, session.txt)
// live. A program folder the user may write to (a copied program folder, the build
// folder) keeps them beside the executable; a program installed for everyone keeps them
// in the user's data folder instead.

#include <QString>

// The folder holding the user's files for a program in programFolder, ending in "/".
// When it is the data folder, it is created if missing, and so are the empty popup
// filter list and web list folder a program folder brings with it. Throws EWriteError
// when the data folder cannot be made.
QString userFilesFolder(const QString& programFolder);

// Whether the program folder is the user's to write in: its permission bits give the
// user write access (root is not excused: a folder closed to writing by its bits was
// closed on purpose), a file can really be made there (a read-only mount, an ACL), and
// it is not part of the system's shared hierarchy (/usr, /bin, /sbin, /opt), which
// belongs to the package manager even where root could write.
bool programFolderWritable(const QString& programFolder);

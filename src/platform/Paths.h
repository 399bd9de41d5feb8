#pragma once

#include <QString>

namespace platform {

// The folder of the user's writable files (settings, mail store, icon cache, saved games, logs),
// ending with '/': $NORVALE_HOME when set, else $XDG_DATA_HOME/Harrowgate/Norvale/ (by default
// ~/.local/share/Harrowgate/Norvale/). Made, readable by the user alone, when it is missing.
QString UserDataDir();

// The folder of the user's own documents (the desktop's documents folder, his home when there is
// none), ending with '/': where choosers of files to write start.
QString UserDocumentsDir();

// The path of a read-only data file ("Tips.txt", "html/mbpopup.html", "textures\MAHOG.BMP"), looked
// up without regard to the case of each path element ('/' or '\' separate them), first in res/
// beside the executable, then in the source tree's res/. Empty when there is no such file, and for
// names that are absolute or climb out of res/ with "..".
QString FindResourceFile(const QString& name);

// The same look-up inside one folder: the path of the file that name ('/' or '\' between its
// elements) gives below folder, each element matched without regard to case (the exact spelling
// first, else the first in name order). Empty when absent, absolute or climbing out with "..".
QString FindFileIgnoringCase(const QString& folder, const QString& name);

} // namespace platform

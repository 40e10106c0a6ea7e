#pragma once
// Where the program is installed.

#include <QString>

// The application directory: the running executable's directory, ending in its
// path separator. The program's data files are found relative to it.
QString GetAppDir();

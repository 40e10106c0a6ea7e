#pragma once
// Files the program writes whole, by writing a temporary file beside the
// target and renaming it onto the target: that rename may only ever replace a
// regular file. A device, a FIFO, a folder or a socket named by the user, or
// a symbolic link to one of them (or to nothing), is refused and left exactly
// as it is.

#include <QString>

// Why path may not be written by replacing it, in words for the user; empty
// when path names a regular file, directly or through symbolic links, or
// names nothing yet.
QString ReplaceableFileProblem(const QString &path);

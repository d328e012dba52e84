#pragma once

#include <QString>

#include <string>

namespace platform {

// Where the normal file that a Windows-style full path names lies on this system: "\" counts
// as a separator as "/" does, and the file's name is matched without regard to case within its
// folder (the folders are taken as written). A normal file is a regular file, or a link to
// one, whose name does not start with a dot. Empty when there is none, and for a path that is
// not a full path. Throws ServiceError for a path that cannot be searched: one holding a zero
// byte, or a name or path longer than the system allows.
QString locateNormalFile(const std::string &path);

} // namespace platform

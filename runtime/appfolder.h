#pragma once
// The application folder: the folder that holds the executable, in native
// form, without a trailing separator except at a root ("C:\", "/").

#include <QString>

namespace rt {

// The rule applied to a folder path: trailing separators dropped, except at a
// drive or file-system root, where exactly one is kept.
QString applicationFolderFrom(const QString& nativeFolder);

// The folder of the running executable (needs a Q(Core)Application).
QString applicationFolder();

}  // namespace rt

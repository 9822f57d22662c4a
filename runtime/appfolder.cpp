#include "runtime/appfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace rt {

namespace {
bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }
}  // namespace

QString applicationFolderFrom(const QString& nativeFolder) {
    QString folder = nativeFolder;
    qsizetype end = folder.size();
    while (end > 0 && isSeparator(folder[end - 1])) --end;
    if (end == 0) {
        // The file-system root: one separator, of the kind the path used.
        return folder.isEmpty() ? folder : QString(folder[0]);
    }
    // A drive root: "C:" keeps its backslash.
    if (end == 2 && folder[1] == u':' && folder[0].isLetter())
        return folder.left(2) + (end < folder.size() ? folder[2] : QChar(u'\\'));
    return folder.left(end);
}

QString applicationFolder() {
    return applicationFolderFrom(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

}  // namespace rt

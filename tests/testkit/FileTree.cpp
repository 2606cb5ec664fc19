#include "tests/testkit/FileTree.h"

#include <QDir>
#include <QDirIterator>

namespace hub::test {

QStringList treeOf(const QString& root)
{
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(root).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

} // namespace hub::test

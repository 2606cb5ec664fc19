#pragma once

#include <QString>
#include <QStringList>

namespace hub::test {

// Everything below root (hidden entries too), as sorted relative paths, without following links.
QStringList treeOf(const QString& root);

} // namespace hub::test

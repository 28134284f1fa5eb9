#pragma once

#include <QCoreApplication>
#include <QString>

namespace toolkit {

// The folder that holds the running executable, links resolved, without a
// trailing separator except at a root ("/", "C:/").
inline QString applicationPath()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace toolkit

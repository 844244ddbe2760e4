#pragma once

#include <QIcon>

// The application's icon, for the window and its message boxes.
inline QIcon applicationIcon()
{
    return QIcon(QStringLiteral(":/assets/app.ico"));
}

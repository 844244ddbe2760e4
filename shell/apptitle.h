#pragma once

#include <QIcon>
#include <QString>

// The application's title: caption of its message boxes.
inline QString applicationTitle()
{
    return QStringLiteral("装修报价器");
}

// Its icon, for the window and its message boxes.
inline QIcon applicationIcon()
{
    return QIcon(QStringLiteral(":/assets/app.ico"));
}

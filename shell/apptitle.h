#pragma once

#include <QString>

// The application's title: caption of its message boxes.
inline QString applicationTitle()
{
    return QStringLiteral("装修报价器");
}

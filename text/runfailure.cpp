#include "text/runfailure.h"

QString RunFailure::description() const
{
    switch (m_number) {
    case Overflow:
        return QStringLiteral("溢出");
    case SubscriptOutOfRange:
        return QStringLiteral("下标越界");
    case LibraryNotLoaded:
        return QStringLiteral("加载 DLL 错误");
    case FileNotFound:
        return QStringLiteral("文件未找到");
    case InputPastEndOfFile:
        return QStringLiteral("输入超出文件尾");
    case PathFileAccess:
        return QStringLiteral("路径/文件访问错误");
    }
    return {};
}

QString RunFailure::message() const
{
    return QStringLiteral("实时错误 '%1'：\n\n%2：%3").arg(m_number).arg(description(), m_subject);
}

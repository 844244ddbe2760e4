#pragma once

// What the window tests share: a working folder holding a catalogue, the window opened on a news
// page that is refused at once, the start-up tick brought forward, and a recorder for what the
// window hands to the desktop instead of launching it.

#include "shell/form1.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace windowtest
{

// A fresh current directory holding city.txt; the previous one comes back on destruction.
class CatalogueFolder
{
public:
    explicit CatalogueFolder(const QByteArray &catalogue) : saved(QDir::currentPath())
    {
        QFile file(dir.filePath(QStringLiteral("city.txt")));
        if (file.open(QIODevice::WriteOnly))
            file.write(catalogue);
        file.close();
        QDir::setCurrent(dir.path());
    }
    explicit CatalogueFolder(const QStringList &entries) : CatalogueFolder(gbkLine(entries)) {}
    ~CatalogueFolder() { QDir::setCurrent(saved); }
    CatalogueFolder(const CatalogueFolder &) = delete;
    CatalogueFolder &operator=(const CatalogueFolder &) = delete;

    QString path() const { return dir.path(); }
    static QByteArray gbkLine(const QStringList &entries)
    {
        return QStringEncoder("GBK")(entries.join(u',') + QStringLiteral(",\r\n"));
    }

private:
    QString saved;
    QTemporaryDir dir;
};

// A GBK news page: `count` headlines first, then (unless left out) the terminator and one more
// input that the walk must never reach.
inline QByteArray newsPage(int count, bool terminator = true)
{
    QString html = QStringLiteral("<html><head><meta charset=\"gbk\"></head><body>");
    for (int i = 1; i <= count; ++i)
        html += QStringLiteral("<input type=hidden name=news%1 value=\"装修快讯 %1\" "
                               "mysrc=\"http://news.example.com/%1.html\">")
                    .arg(i);
    if (terminator)
        html += QStringLiteral("<input type=hidden value=\"已结束\"><input name=news%1 value=late "
                               "mysrc=x>")
                    .arg(count + 1);
    return QStringEncoder("GBK")(html + QStringLiteral("</body></html>"));
}

inline QUrl refusedNewsPage()
{
    return QUrl(QStringLiteral("http://127.0.0.1:1/softnews.html"));
}

inline std::unique_ptr<Form1> openWindow(const QUrl &newsPage = refusedNewsPage())
{
    auto form = std::make_unique<Form1>(newsPage);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qWarning("the window was not exposed");
    return form;
}

inline void runStartupTick(Form1 &form)
{
    form.timer1().setInterval(0);
    form.timer1().start();
    QTRY_VERIFY(!form.timer1().isActive());
}

class Launches : public QObject
{
    Q_OBJECT
public:
    explicit Launches(const QStringList &schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                                    QStringLiteral("file")})
        : schemes(schemes)
    {
        for (const QString &scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~Launches() override
    {
        for (const QString &scheme : std::as_const(schemes))
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }

private:
    QStringList schemes;
};

} // namespace windowtest

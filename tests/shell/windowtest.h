#pragma once

// What the window tests share: the window opened with a catalogue line and a news page that is
// refused at once, the start-up tick brought forward, and a recorder for what the window hands
// to the desktop instead of launching it.

#include "shell/form1.h"
#include "text/gbk.h"

#include <QDesktopServices>
#include <QTest>
#include <QTimer>

namespace windowtest
{

// The catalogue line the application's start hands the window: the first line of city.txt.
inline QString catalogueLine(const QStringList &entries)
{
    return entries.join(u',') + u',';
}

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
    return *text::encodeGbk(html + QStringLiteral("</body></html>"));
}

inline QUrl refusedNewsPage()
{
    return QUrl(QStringLiteral("http://127.0.0.1:1/softnews.html"));
}

// A child of the window by its object name; a name the window lacks ends the test run.
template <typename T = QWidget> T *child(const QObject &form, const QString &name)
{
    T *found = form.findChild<T *>(name);
    if (!found)
        qFatal("the window has no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}

inline QTimer *startupTick(const Form1 &form)
{
    return child<QTimer>(form, QStringLiteral("startupTick"));
}

// Opens the window into `form`; false when it never showed or its controls were never built,
// which the caller fails on: QVERIFY(openWindow(form, ...)).
[[nodiscard]] inline bool openWindow(std::unique_ptr<Form1> &form, const QString &catalogue,
                                     const QUrl &newsPage = refusedNewsPage())
{
    form = std::make_unique<Form1>(catalogue, newsPage);
    form->show();
    // The controls are built beneath the cover once its first frame is out.
    return QTest::qWaitForWindowExposed(form.get()) && QTest::qWaitFor([&] {
               return form->findChild<QWidget *>(QStringLiteral("formPane")) != nullptr;
           });
}

inline void runStartupTick(Form1 &form)
{
    QTimer *tick = startupTick(form);
    tick->setInterval(0);
    tick->start();
    QTRY_VERIFY(!tick->isActive());
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

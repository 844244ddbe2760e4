// Times the headline harvest on a normal news page, on large pages and on hostile ones, fed as a
// network hands it over (16 KiB at a time): the whole harvest, the slowest chunk (the longest
// the window's thread is held while the page arrives) and the tick (finishing with what has
// arrived). Prints medians of several runs in milliseconds and the number of headlines taken,
// and the HTML tokenizer's throughput alone over the whole page, already decoded (the harvest
// itself reads at most MaxPageBytes), in megabytes of the page per second.
#include "web/headlines.h"
#include "web/htmltokenizer.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace
{
constexpr int Runs = 9;

QByteArray gbk(const QString &text)
{
    return QStringEncoder("GBK")(text);
}

QString headlines(int count, bool terminated)
{
    QString out = QStringLiteral("<div class=\"news\"><form>\n");
    for (int k = 1; k <= count; ++k)
        out += QStringLiteral("<input type=\"hidden\" name=\"news%1\" value=\"%1. 新款全包装修套餐"
                              "限时优惠，免费上门量房设计\" mysrc=\"/news/2024/%1.html\">\n")
                   .arg(k);
    if (terminated)
        out += QStringLiteral("<input type=\"hidden\" name=\"end\" value=\"已结束\">\n");
    return out + QStringLiteral("</form></div>\n");
}

// One entry of an article list, as a portal page repeats it.
QString article(int n)
{
    return QStringLiteral(
               "<li class=\"item\"><a href=\"/article/%1.html\" title=\"客厅吊顶怎么选\">"
               "<img src=\"/img/%1.jpg\" alt=\"\" width=\"120\" height=\"90\"></a>"
               "<div class=\"text\"><h3><a href=\"/article/%1.html\">第%1期：客厅吊顶"
               "的材料与价格</a></h3><p>石膏板、铝扣板和木饰面各有长短，预算有限时先看"
               "防潮和检修口的位置。&nbsp;<span class=\"date\">2024-03-%2</span></p>"
               "</div></li>\n")
        .arg(n)
        .arg(n % 28 + 1, 2, 10, QChar(u'0'));
}

// A GBK news page: head with style and script, an article list, and the headline inputs at
// the end, so that the walk covers the whole page.
QByteArray newsPage(qsizetype size)
{
    QString page = QStringLiteral(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">\n<html><head>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
        "<title>装修资讯</title><style>body{font:12px/1.5 SimSun} .news li{float:left}</style>"
        "<script>var n=0; for (var i=0;i<10;i++) { n+=i; }</script></head><body><ul>\n");
    QByteArray bytes;
    for (int n = 1; bytes.size() < size; ++n) {
        page += article(n);
        if (n % 64 == 0)
            bytes = gbk(page);
    }
    page += QStringLiteral("</ul>") + headlines(10, true) + QStringLiteral("</body></html>\n");
    return gbk(page);
}

QByteArray nested(int depth)
{
    return gbk(QStringLiteral("<html><body>") + QStringLiteral("<div>").repeated(depth) +
               headlines(10, true) + QStringLiteral("</div>").repeated(depth));
}

QByteArray randomBytes(qsizetype size, quint32 seed, QByteArrayView alphabet = {})
{
    QRandomGenerator random(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char &c : out) {
        const quint32 r = random.generate();
        c = alphabet.isEmpty() ? char(r & 0xFF) : alphabet[r % alphabet.size()];
    }
    return out;
}

constexpr qsizetype ChunkBytes = 16 * 1024;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Megabytes of the page per second, the page's text fed to the tokenizer 16 KiB at a time.
double tokenizerThroughput(const QByteArray &page)
{
    const QString text = QStringDecoder("GBK")(page);
    constexpr qsizetype Piece = 16 * 1024;
    std::vector<double> rates;
    qsizetype tags = 0;
    for (int i = 0; i < Runs; ++i) {
        web::HtmlTokenizer tokenizer([&tags](const web::HtmlStartTag &) {
            ++tags;
            return true;
        });
        QElapsedTimer timer;
        timer.start();
        for (qsizetype at = 0; at < text.size(); at += Piece)
            tokenizer.feed(QStringView(text).sliced(at, qMin(Piece, text.size() - at)));
        rates.push_back(page.size() / 1e6 / (timer.nsecsElapsed() / 1e9));
    }
    return median(rates);
}

void measure(const char *name, const QByteArray &page)
{
    std::vector<double> totals, slowest, ticks;
    qsizetype taken = 0;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer total;
        total.start();
        web::HeadlineHarvest harvest("text/html");
        double slowestChunk = 0;
        for (qsizetype at = 0; at < page.size() && !harvest.done(); at += ChunkBytes) {
            QElapsedTimer chunk;
            chunk.start();
            harvest.feed(QByteArrayView(page).sliced(at, qMin(ChunkBytes, page.size() - at)));
            slowestChunk = std::max(slowestChunk, chunk.nsecsElapsed() / 1e6);
        }
        QElapsedTimer tick;
        tick.start();
        harvest.finish();
        taken = harvest.headlines().size();
        ticks.push_back(tick.nsecsElapsed() / 1e6);
        slowest.push_back(slowestChunk);
        totals.push_back(total.nsecsElapsed() / 1e6);
    }
    std::printf("%-44s %10lld %9lld %10.0f %10.2f %10.2f %10.3f\n", name,
                static_cast<long long>(page.size()), static_cast<long long>(taken),
                tokenizerThroughput(page), median(totals), median(slowest), median(ticks));
    std::fflush(stdout);
}

} // namespace

int main()
{
    std::printf("%-44s %10s %9s %10s %10s %10s %10s\n", "case", "bytes", "headlines",
                "tok. MB/s", "total ms", "chunk ms", "tick ms");
    const QByteArray normal = gbk(QStringLiteral("<html><head><meta charset=gbk></head><body>") +
                                  headlines(10, true) + QStringLiteral("<ul>") +
                                  [] {
                                      QString list;
                                      for (int n = 1; n <= 60; ++n)
                                          list += article(n);
                                      return list;
                                  }() +
                                  QStringLiteral("</ul></body></html>"));
    measure("normal page, 10 headlines", normal);
    QString script = QStringLiteral("<html><head><meta charset=gbk><script>\n");
    for (int i = 0; script.size() < 100'000; ++i)
        script += QStringLiteral("function order%1(a, b) {\n    if (a<b) {\n        return b - a;\n"
                                 "    }\n    return a - b;\n}\n")
                      .arg(i);
    measure("100 KB page, long inline script first",
            gbk(script + QStringLiteral("</script></head><body>") + headlines(10, true)));
    measure("1 MB page, headlines at the end", newsPage(1'000'000));
    measure("10 MB page, headlines at the end", newsPage(10'000'000));
    measure("100000 nested divs, headlines innermost", nested(100000));
    measure("20 MB of markup-like junk", randomBytes(20'000'000, 1, "<<>/!-='\" abcdinput&#;\n"));
    measure("20 MB of binary data (NULs too)", randomBytes(20'000'000, 2));
    // Worst cases for the tokenizer: nothing but tags, end tags, attributes, references.
    measure("worst: 1 MiB of <a> tags", QByteArray("<a>").repeated(web::MaxPageBytes / 3));
    measure("worst: 100000 <span>, then unmatched </b>",
            QByteArray("<span>").repeated(100000) + QByteArray("</b>").repeated(100000));
    QByteArray attributes = "<input";
    for (int i = 0; i < 100000; ++i)
        attributes += " a" + QByteArray::number(i);
    measure("worst: one tag with 100000 attributes", attributes + ">");
    measure("worst: 1 MB of references in one value",
            "<input value=\"" + QByteArray("&amp;&notit;&#x80;&copy").repeated(40000) + "\">");
    measure("worst: 1 MB of script escapes",
            "<script>" + QByteArray("<!--<script>--></script ").repeated(40000));

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of this run: %ld MiB\n", usage.ru_maxrss / 1024);
    return 0;
}

#include "tools/demosite/pages.h"

#include "tools/demosite/querycheck.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace demosite
{

namespace
{

constexpr Article articles[HeadlineCount] = {
    {u"环保材料成为家装消费新宠",
     u"越来越多的业主在选购板材、涂料时关注甲醛释放量，带有环保认证的产品销量明显上升。"},
    {u"小户型装修如何巧用收纳空间",
     u"墙面搁板、床下储物和定制柜体能让小户型多出不少空间，关键是在设计阶段就预留好位置。"},
    {u"卫生间防水施工的五个关键步骤",
     u"基层处理、阴角加强、涂刷防水层、闭水试验和保护层施工，一步都不能省。"},
    {u"瓷砖选购指南：釉面砖与抛光砖怎么选",
     u"釉面砖花色丰富、防污性好，抛光砖硬度高、耐磨，可以按房间用途分别选择。"},
    {u"中式风格客厅设计要点解析",
     u"对称布局、实木家具和适度留白是中式客厅的精髓，灯光宜柔和温暖。"},
    {u"装修预算超支？教你合理控制开支",
     u"先列清单再比价，主材和辅材分开核算，并预留一成左右的机动资金。"},
    {u"厨房橱柜台面材质对比", u"石英石耐磨耐污，不锈钢易清洁，实木台面温润但需要定期保养。"},
    {u"新房装修后多久可以入住", u"一般建议通风两到三个月，入住前可请专业机构检测室内空气质量。"},
    {u"木地板保养的常见误区", u"湿拖把反复擦洗、长时间阳光直射和随意打蜡，都会缩短木地板的寿命。"},
    {u"阳台改造：打造家中的休闲角落",
     u"铺上防腐木地板，摆几盆绿植和一张小桌，阳台就成了喝茶看书的好去处。"},
};

QString esc(const QString &s)
{
    return s.toHtmlEscaped();
}

QString page(QStringView title, const QString &body, QStringView charset = u"utf-8")
{
    QString html = u"<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\""_s;
    html += charset;
    html += u"\">\n<title>"_s + title.toString().toHtmlEscaped();
    html += uR"(</title>
<style>
body { font-family: sans-serif; margin: 2em auto; max-width: 60em; padding: 0 1em; color: #222; }
h1 { color: #a33; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: .3em .6em; text-align: left; vertical-align: top; }
tr.bad td { background: #fdd; }
p.ok { color: #060; font-weight: bold; }
p.bad { color: #a00; font-weight: bold; }
.pictures div { display: inline-block; width: 12em; height: 8em; margin: .5em; padding: .5em;
  color: #fff; background: linear-gradient(135deg, #7a5, #357); vertical-align: top; }
footer { margin-top: 3em; color: #888; font-size: smaller; }
</style>
</head>
<body>
)"_s;
    html += body;
    html += u"<footer>装修报价演示站 · 只在本机运行，页面内容均为示例。 <a "
            u"href=\"/\">首页</a></footer>\n"
            u"</body>\n</html>\n"_s;
    return html;
}

// Non-ASCII characters as percent-encoded GBK, the way the quotation program writes them.
QByteArray gbkPercent(QStringView text)
{
    QStringEncoder gbk("GBK");
    return QByteArray(gbk.encode(text)).toPercentEncoding("=&|");
}

QString verdictText(const CheckedField &checked)
{
    // In the order of Verdict.
    static const char16_t *const words[] = {u"正确", u"顺序不对：应为第 %1 个键", u"多余的键",
                                            u"重复的键"};
    QString text = QString::fromUtf16(words[int(checked.verdict)]);
    if (checked.verdict == Verdict::OutOfOrder)
        text = text.arg(checked.expectedPosition);
    if (!checked.field.clean)
        text += u"；不是有效的 GBK 编码"_s;
    return text;
}

QString summary(const QuotationCheck &check)
{
    if (check.passes())
        return u"<p class=\"ok\">22 个键全部收到，顺序正确。</p>\n"_s;
    const auto count = [&check](auto flagged) {
        return std::count_if(check.fields.begin(), check.fields.end(), flagged);
    };
    const auto is = [](Verdict v) { return [v](const CheckedField &f) { return f.verdict == v; }; };
    QStringList problems;
    const auto add = [&problems](qsizetype n, const QString &text) {
        if (n > 0)
            problems << text.arg(n);
    };
    add(check.missing.size(), u"缺少 %1 个键"_s);
    add(count(is(Verdict::Unknown)), u"多余 %1 个键"_s);
    add(count(is(Verdict::Repeated)), u"重复 %1 个键"_s);
    add(count(is(Verdict::OutOfOrder)), u"%1 个键顺序不对"_s);
    add(count([](const CheckedField &f) { return !f.field.clean; }),
        u"%1 个字段不是有效的 GBK 编码"_s);
    return u"<p class=\"bad\">请求有问题："_s + problems.join(u"，"_s) + u"。</p>\n"_s;
}

} // namespace

const Article &article(int n)
{
    Q_ASSERT(n >= 1 && n <= HeadlineCount);
    return articles[n - 1];
}

QByteArray homePage()
{
    const QByteArray exampleQuery = gbkPercent(
        u"bom1=3&bom2=1&bom3=1&bom4=1&bom5=1&bom6=2&bomarea2=18.5&bomarea3=12&bomarea1=25"
        u"&bomarea4=0&bomarea5=4&bomarea6=8&pho=12345678901&cit1=990000|示范省"
        u"&cit2=990100|示范市&cit3=990102|示范区&dc=2&findman3=13&kongzhi=tijiao&findman=1"
        u"&fengge=3&jmid=null");
    const QByteArray chatQuery = "v=1&uin=800012345&site=" + gbkPercent(u"技术支持") + "&menu=yes";
    QString body = u"<h1>装修报价演示站</h1>\n"
                   u"<p>这个网站在本机上代替厂商的主站、公司网站和在线客服，"
                   u"供报价程序在没有外网时试用。</p>\n<ul>\n"_s;
    body +=
        u"<li><a href=\"/softnews.html\">装修资讯</a>（程序启动时读取的新闻页，GBK 编码）</li>\n"
        u"<li><a href=\"/zxpic.htm\">装修效果图</a></li>\n"
        u"<li><a href=\"/MemberPrice.htm\">精确报价</a></li>\n"_s;
    body += u"<li><a href=\"/AutoPrice.action?"_s +
            QString::fromLatin1(exampleQuery).toHtmlEscaped() +
            u"\">报价请求示例</a>（三房二厅，示范省示范市示范区）</li>\n"_s;
    body += u"<li><a href=\"/msgrd?"_s + QString::fromLatin1(chatQuery).toHtmlEscaped() +
            u"\">在线客服</a></li>\n</ul>\n"_s;
    return page(u"装修报价演示站", body).toUtf8();
}

QByteArray picturesPage()
{
    static const char16_t *const captions[] = {u"现代简约客厅", u"中西合璧餐厅", u"中式怀旧书房",
                                               u"欧式古典卧室", u"西式田园阳台", u"开放式厨房"};
    QString body = u"<h1>装修效果图</h1>\n<p>各种风格的效果图（演示站用色块代替图片）。</p>\n"
                   u"<div class=\"pictures\">\n"_s;
    for (const char16_t *caption : captions)
        body += u"<div>"_s + QString::fromUtf16(caption) + u"</div>\n"_s;
    body += u"</div>\n"_s;
    return page(u"装修效果图", body).toUtf8();
}

QByteArray memberPricePage()
{
    const QString body =
        u"<h1>精确报价</h1>\n"
        u"<p>会员可以按房间逐项填写材料和工艺，由设计师给出精确到每一项的报价。</p>\n"
        u"<p>演示站不提供会员服务；程序里的“提交”按钮发出的快速报价请求会由"
        u"<a href=\"/AutoPrice.action\">AutoPrice.action</a> 显示。</p>\n"_s;
    return page(u"精确报价", body).toUtf8();
}

QByteArray articlePage(int n)
{
    const Article &a = article(n);
    const QString title = QString::fromUtf16(a.title);
    QString body = u"<h1>"_s + esc(title) + u"</h1>\n<p>"_s + esc(QString::fromUtf16(a.text)) +
                   u"</p>\n<p><a href=\"/softnews.html\">返回装修资讯</a></p>\n"_s;
    return page(title, body).toUtf8();
}

QByteArray siteAuthority(QByteArrayView hostHeader, QByteArrayView fallback)
{
    // A DNS name, IPv4 or bracketed IPv6 address, and an optional port: nothing that could
    // break out of an attribute or point the links elsewhere than a host.
    static const QRegularExpression pattern(
        u"^(?:[A-Za-z0-9](?:[A-Za-z0-9.-]*[A-Za-z0-9])?|\\[[0-9A-Fa-f:.]+\\])(?::[0-9]{1,5})?$"_s);
    if (hostHeader.size() <= 255 && pattern.match(QString::fromLatin1(hostHeader)).hasMatch())
        return hostHeader.toByteArray();
    return fallback.toByteArray();
}

QByteArray newsPage(QByteArrayView authority)
{
    const QString origin = u"http://"_s + QString::fromLatin1(authority);
    QString list = u"<h1>装修资讯</h1>\n<ol>\n"_s;
    QString inputs;
    for (int n = 1; n <= HeadlineCount; ++n) {
        const QString title = esc(QString::fromUtf16(article(n).title));
        const QString target = esc(origin + u"/news/%1.html"_s.arg(n));
        list += u"<li><a href=\"%1\">%2</a></li>\n"_s.arg(target, title);
        inputs += u"<input type=\"hidden\" name=\"news%1\" value=\"%2\" mysrc=\"%3\">\n"_s.arg(
            QString::number(n), title, target);
    }
    list += u"</ol>\n"_s;
    // The program reads the INPUT elements; people read the list above them.
    inputs += u"<input type=\"hidden\" name=\"end\" value=\"已结束\">\n"_s;
    QStringEncoder gbk("GBK");
    return gbk.encode(page(u"装修资讯", list + inputs, u"gbk"));
}

QByteArray quotationPage(QByteArrayView rawQuery)
{
    const QuotationCheck check = checkQuotation(splitQuery(rawQuery));
    QString body =
        u"<h1>演示站：收到的报价请求</h1>\n"
        u"<p>真正的厂商网站会根据这些数据计算装修报价；"
        u"演示站只按收到的顺序列出每个键和解码后的值，并检查键是否齐全、顺序是否正确。</p>\n"_s;
    body += summary(check);
    body += u"<table>\n<tr><th>#</th><th>键</th><th>值</th><th>含义</th><th>检查</th></tr>\n"_s;
    int row = 0;
    for (const CheckedField &f : check.fields) {
        const bool good = f.verdict == Verdict::Ok && f.field.clean;
        body += good ? u"<tr>"_s : u"<tr class=\"bad\">"_s;
        body += u"<td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n"_s.arg(
            QString::number(++row), f.field.key.isEmpty() ? u"（空）"_s : esc(f.field.key),
            esc(f.field.value), esc(quotationKeyMeaning(f.field.key)), verdictText(f));
    }
    for (const QString &key : check.missing) {
        body += u"<tr class=\"bad\"><td></td><td>%1</td><td></td><td>%2</td><td>缺少这个键</td>"
                u"</tr>\n"_s.arg(esc(key), esc(quotationKeyMeaning(key)));
    }
    body += u"</table>\n<h2>原始查询串</h2>\n<pre>"_s +
            esc(QString::fromLatin1(rawQuery.toByteArray())) + u"</pre>\n"_s;
    return page(u"收到的报价请求", body).toUtf8();
}

QByteArray chatPage(QByteArrayView rawQuery)
{
    const QList<QueryField> fields = splitQuery(rawQuery);
    const auto shown = [&fields](QStringView key) {
        const auto it = std::find_if(fields.begin(), fields.end(),
                                     [key](const QueryField &f) { return f.key == key; });
        return it == fields.end() ? u"（未收到）"_s : esc(it->value);
    };
    const QString body = u"<h1>在线客服（演示）</h1>\n"
                         u"<p>真正的即时通讯服务会在这里打开与下面这个账号的对话。</p>\n<table>\n"
                         u"<tr><th>客服账号（uin）</th><td>%1</td></tr>\n"
                         u"<tr><th>来源（site）</th><td>%2</td></tr>\n"
                         u"</table>\n"_s.arg(shown(u"uin"), shown(u"site"));
    return page(u"在线客服", body).toUtf8();
}

QByteArray errorPage(int status, QByteArrayView path)
{
    const QString heading = status == 404 ? u"找不到这个页面"_s : u"请求没有被受理"_s;
    const QString body = u"<h1>%1</h1>\n<p>%2</p>\n<pre>%3</pre>\n"_s.arg(
        heading, QString::number(status), esc(QString::fromUtf8(path)));
    return page(heading, body).toUtf8();
}

} // namespace demosite

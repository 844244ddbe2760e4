#!/usr/bin/python3
"""The headline harvest against an HTML5 reference parser on generated tag soup.

Writes PAGES seeded pages, finds each page's headlines with html5lib (Debian's python3-html5lib,
scripting on) and the walk below, and hands pages and headlines to DRIVER, which harvests each
page whole, cut at every byte offset and byte by byte, and fails on any difference:
    differential.py [--seed N] [--pages N] DRIVER
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

try:
    import html5lib
except ImportError:
    print("missing tool: python3-html5lib (run with Debian's /usr/bin/python3)")
    sys.exit(0)

MAX_HEADLINES = 10
TERMINATOR = "已结束"

# What the generator leaves out, and why. Each is where a page's element tree differs from its
# start tags in order, which is all the harvest reads:
# - <table>: tree construction moves an INPUT that is not hidden out of a table (foster
#   parenting), before INPUTs already in the table's cells;
# - <svg> and <math>: an INPUT inside is no HTML element, and a title or style inside switches
#   nothing;
# - <select>: inside, tree construction drops most start tags, so <select><title> reads no
#   RCDATA;
# - <frameset>: INPUTs after it are dropped;
# - <template>: its content is no part of the document;
# - <isindex>: html5lib still expands it into an INPUT, as browsers no longer do.
# Junk is drawn from letters that cannot spell any of these names.

HANZI = "新闻装修设计报价甲乙丙丁中文客厅卧室厨房卫生间阳台全包套餐优惠免费上门量房"
WHITESPACE = [" ", " ", " ", "\t", "\n", "\r", "\r\n", "\f", "  "]
REFERENCES = [
    "&amp;", "&amp", "&lt;", "&gt", "&quot;", "&copy", "&copy;", "&nbsp;", "&nbsp", "&notin;",
    "&noti", "&notit;", "&not", "&amp=", "&ampx", "&copy=2", "&AMP;", "&Afr;", "&zz;", "&;",
    "& ", "&#38;", "&#x26;", "&#X4e2d;", "&#20013", "&#128;", "&#x80;", "&#150;", "&#0;",
    "&#xD800;", "&#1114112;", "&#99999999999;", "&#x;", "&#;", "&#xg", "&#13;", "&#x1D504;",
    "&acE;", "&NotEqualTilde;", "&", "&&",
]
JUNK = "<<>/!-='\" abinput&#;\n\r\0"


class Page:
    def __init__(self, rng):
        self.rng = rng
        self.k = 1  # the next headline number, as a writer of the page would count

    def choice(self, items):
        return self.rng.choice(items)

    def ws(self):
        return self.choice(WHITESPACE)

    def chinese(self, n=None):
        return "".join(self.choice(HANZI) for _ in range(n or self.rng.randint(1, 6)))

    def text(self):
        parts = []
        for _ in range(self.rng.randint(1, 5)):
            r = self.rng.random()
            if r < 0.4:
                parts.append(self.chinese())
            elif r < 0.6:
                parts.append(self.choice(REFERENCES))
            elif r < 0.7:
                parts.append(self.choice(["\"", "'", "<", ">", "=", "`", "/", "\0", "\r\n", "\r"]))
            else:
                parts.append(self.choice(["a b", "x", "1", "-->", "</p>", "<b>粗</b>", "it's"]))
        return "".join(parts)

    def case(self, word):
        r = self.rng.random()
        if r < 0.7:
            return word
        if r < 0.85:
            return word.upper()
        return "".join(c.upper() if self.rng.random() < 0.5 else c for c in word)

    def attribute(self, name, value):
        """name=value with the quoting the value allows, sometimes in a way it does not."""
        name = self.case(name)
        r = self.rng.random()
        if value == "" and r < 0.2:
            return name
        if r < 0.45:
            return name + '="' + value.replace('"', self.choice(["'", "&quot;"])) + '"'
        if r < 0.7:
            return name + "='" + value.replace("'", self.choice(['"', "&#39;"])) + "'"
        # Unquoted: blanks and '>' end it; quotes, '<', '=' and '`' stay in it.
        for c in ' \t\n\r\f>':
            value = value.replace(c, "_")
        around = self.choice(["", "", " ", "\n"])
        return name + around + "=" + around + value

    def name(self):
        """The name of the next headline, or (one time in five) one that is not."""
        good = "news%d" % self.k
        if self.rng.random() < 0.8:
            self.k += 1
            return self.choice([good, good, good.upper(), "News%d" % (self.k - 1),
                                "new&#115;%d" % (self.k - 1), "news&#%d;" % (47 + self.k)
                                if self.k <= 10 else good])
        return self.choice(["news%d" % (self.k + 1), "news%d" % max(1, self.k - 1), "news0%d" % self.k,
                            " " + good, good + " ", "news", "nеws%d" % self.k])

    def headline(self):
        value = TERMINATOR if self.rng.random() < 0.02 else self.text()
        attributes = [self.attribute("name", self.name()), self.attribute("value", value)]
        if self.rng.random() < 0.9:
            attributes.append(self.attribute("mysrc", "/n/%d.html?a=1&b=2%s" % (self.k, self.choice(REFERENCES))))
        if self.rng.random() < 0.3:
            attributes.append(self.attribute("type", self.choice(["hidden", "text", "submit"])))
        if self.rng.random() < 0.15:  # a repeat: the first one counts
            attributes.append(self.attribute(self.choice(["name", "value", "mysrc"]), self.text()))
        if self.rng.random() < 0.1:
            attributes.append(self.attribute("title", self.text()))
        self.rng.shuffle(attributes)
        separators = [self.ws() for _ in attributes]
        if self.rng.random() < 0.2:  # "a"b=c: a value runs straight into the next name
            separators[-1] = ""
        tag = "<" + self.case("input")
        for separator, attribute in zip(separators, attributes):
            tag += separator + attribute
        return tag + self.choice([">", ">", " >", "/>", " />", "\n>"])

    def decoy(self):
        """Markup that holds what looks like a headline but is none."""
        fake = "<input name=news%d value=fake>" % self.k
        return self.choice([
            "<!--" + fake + "-->", "<!-- " + fake + " --!>", "<!---->", "<!-->", "<!--->",
            "<!-- a -- b --->", "<!-- <!-- nested --> ", "<!-- x --!y " + fake + " -->",
            "<!--<!---->", "<!>", "<!x" + fake.replace(">", "") + ">", "<?php echo '" + fake + "' ?>",
            "</ " + fake.replace("<", "") + ">", "</>", "<![CDATA[ " + fake.replace(">", "") + " ]]>",
            "<!DOCTYPE html>", "<!doctype html public \"-//x>\" " + fake.replace(">", ""),
            "<!DOCTYPEhtml>", "<!-", "<!-x" + fake.replace(">", "") + ">",
            "<div name=news%d value=x mysrc=y></div>" % self.k,
            "<input value=\"已结束 \">", "<input name=\"news%d\" value=\"&#24050;&#x7ED3;束 \">" % 99,
            "</p class=\"a>" + fake + "\">", "< input name=news%d>" % self.k,
        ])

    def raw_text(self):
        name = self.choice(["title", "textarea", "style", "xmp", "iframe", "noembed", "noframes",
                            "noscript", "script"])
        fake = "<input name=news%d value=raw>" % self.k
        inner = []
        for _ in range(self.rng.randint(0, 4)):
            inner.append(self.choice([
                fake, "</" + name + "x>", "</" + name + "-", "</" + name, "<" + name + ">",
                "a<b", "if (a<b) x='</div>';", "<!--", "-->", "<!--<script>", "</script>",
                "<script>", "-->", "<!-- " + fake + " -->", "</" + self.case(name) + "\t",
                "--", "<", "</", self.chinese(), "&amp;", "\0",
            ]))
        end = self.choice(["</" + name + ">", "</" + self.case(name) + ">", "</" + name + " >",
                           "</" + name + "\n class=\"a>b\">", "</" + name + "/>"])
        return "<" + self.case(name) + self.choice(["", " type=\"text/javascript\"", " a=b", "/"]) \
            + ">" + "".join(inner) + end

    def script(self):
        """Script text with escapes: '<!--' and a nested <script> keep '</script>' from ending it."""
        fake = "document.write('<input name=news%d value=s>');" % self.k
        body = self.choice([
            "<!-- " + fake + " -->",
            "<!--<script>" + fake + "</script>-->",
            "<!--<script>x</script>" + fake + "-->",
            "<!-- <script> if (a</script>b) </script> -->",
            "<!-- x --> " + fake,
            "var s = '<!--'; var t = '<script>'; " + fake,
            "<!--<scripts>" + fake + "</script>",
            "<!--<SCRIPT>" + fake + "</SCRIPT --> -->",
            "<!--->" + fake,
            "<!--<script " + fake + "</script/>-->",
        ])
        return "<script>" + body + self.choice(["</script>", "</SCRIPT>", "</script >"])

    def markup(self):
        return self.choice([
            "<div class=\"news\">", "</div>", "<p>", "</p>", "<br/>", "<b>", "</b>", "<i>", "</i>",
            "<a href='/a?x=1&amp;y=2'>", "</a>", "<img src=a.gif alt=it's>", "<p title=x\"y>",
            "<span title='a\"b'>", "<form action=/s>", "</form>", "<ul><li>", "</li></ul>",
            "<head>", "<body>", "</body>", "</html>", "<html lang=zh>", "<meta name=x content=y>",
            "<font color=red>", "</font>", "<button>", "</button>", "<label>", "<h3>", "</h3>",
            "<input type=checkbox checked>", "<input>", "a < b", "3<4", "<3", "&lt;input&gt;",
            "<p/>", "<hr>", "<b><p>x</b>y</p>", "<a><div>z</a></div>", "<nobr>", "</nobr>",
            "<div\0>", "<inp\0ut name=news%d value=nul>" % self.k,
        ])

    def junk(self):
        return "".join(self.choice(JUNK) for _ in range(self.rng.randint(1, 12)))

    def build(self):
        parts = []
        for _ in range(self.rng.randint(5, 30)):
            r = self.rng.random()
            if r < 0.35:
                parts.append(self.headline())
            elif r < 0.5:
                parts.append(self.decoy())
            elif r < 0.62:
                parts.append(self.raw_text())
            elif r < 0.68:
                parts.append(self.script())
            elif r < 0.85:
                parts.append(self.markup())
            elif r < 0.93:
                parts.append(self.chinese() + self.ws())
            else:
                parts.append(self.junk())
            if self.rng.random() < 0.3:
                parts.append(self.ws())
        r = self.rng.random()
        if r < 0.03:
            parts.insert(self.rng.randint(0, len(parts)), "<plaintext>")
        elif r < 0.06:  # an unterminated comment eats the rest
            parts.insert(self.rng.randint(0, len(parts)), "<!-- ")
        elif r < 0.15:  # the page ends inside a tag
            parts.append(self.headline()[:-1])
        return "".join(parts)


# (codec, Content-Type header, what the page starts with): the charset by header, by <meta>,
# and by default.
ENCODINGS = [
    ("gbk", "text/html; charset=gbk", ""),
    ("utf-8", "text/html; charset=utf-8", ""),
    ("utf-8", "", "<meta charset=\"utf-8\">"),
    ("gbk", "", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"),
    ("gbk", "", ""),
]


def walk(text):
    """The harvest's walk over the reference parser's INPUT elements in document order."""
    root = html5lib.parse(text, treebuilder="etree", namespaceHTMLElements=False, scripting=True)
    taken = []
    for element in root.iter():
        if element.tag != "input":  # SVG and MathML elements carry their namespace
            continue
        value = element.get("value", "")
        if element.get("name", "").lower() == "news%d" % (len(taken) + 1):
            taken.append([value, element.get("mysrc", "")])
            if len(taken) == MAX_HEADLINES:
                break
        if value == TERMINATOR:
            break
    return taken


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--pages", type=int, default=2000)
    parser.add_argument("driver")
    args = parser.parse_args()

    cases = []
    for index in range(args.pages):
        rng = random.Random("%d/%d" % (args.seed, index))
        codec, content_type, head = rng.choice(ENCODINGS)
        text = head + Page(rng).build()
        data = text.encode(codec)
        # The reference parser reads the text the harvest's decoder makes of the bytes.
        cases.append({"page": data.hex(), "contentType": content_type,
                      "headlines": walk(data.decode(codec))})
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
        json.dump({"seed": args.seed, "cases": cases}, f)
    try:
        result = subprocess.run([args.driver, f.name])
    finally:
        os.unlink(f.name)
    sys.exit(result.returncode)


if __name__ == "__main__":
    main()

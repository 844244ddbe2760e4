#pragma once

#include <QStringView>
#include <algorithm>

// How the rules read the texts the window's lists and boxes show.
namespace text
{

// The text every drop-down list shows while nothing is chosen; never one of their items.
inline constexpr QStringView Placeholder = u"请选择";

// Characters a to b (1-based, inclusive) of s, shortened where s ends earlier.
inline QStringView chars(QStringView s, qsizetype a, qsizetype b)
{
    if (a > s.size() || b < a)
        return {};
    return s.mid(a - 1, std::min(b, s.size()) - a + 1);
}

} // namespace text

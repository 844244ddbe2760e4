#include "quote/enablement.h"

#include "text/chars.h"

namespace quote
{

HallAreas hallAreas(QStringView houseType)
{
    const QStringView hall = text::chars(houseType, 3, 4);
    if (hall == u"二厅")
        return {true, true, true};
    if (hall == u"一厅")
        return {true, false, true};
    return {false, false, false};
}

bool countAreaEnabled(QStringView countText)
{
    return countText != text::Placeholder;
}

} // namespace quote

#pragma once

#include <QStringView>

// Which area boxes accept input, decided from the current text of the list that governs them.
// The rules only look at the text; they keep no state.
namespace quote
{

// The boxes that the house type governs.
struct HallAreas {
    bool livingRoom;
    bool diningRoom;
    bool bedroom;
};

// Looks at the hall part of the house type, its characters 3 and 4: "二厅" opens all three
// boxes, "一厅" all but the dining room, anything else (the placeholder included) none.
HallAreas hallAreas(QStringView houseType);

// The bathroom and balcony boxes open once their count list shows anything but the placeholder.
bool countAreaEnabled(QStringView countText);

} // namespace quote

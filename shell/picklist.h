#pragma once

#include <QComboBox>
#include <QStringList>

// An editable drop-down list that behaves like a classic combo box: typed text is only text
// (never added as an item, never completed, never selects an item), appending items never
// changes the text shown, and activated() means the user picked an item with the mouse, the
// arrow keys or the wheel. Screen readers land on the edit field, so it carries the list's name.
class PickList : public QComboBox
{
    Q_OBJECT
public:
    explicit PickList(QWidget *parent = nullptr);

    void appendItems(const QStringList &items);
    // Empties the list and shows text, with no item selected.
    void resetTo(const QString &text);

protected:
    bool event(QEvent *event) override;
};

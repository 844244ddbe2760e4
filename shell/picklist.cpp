#include "shell/picklist.h"

#include <QEvent>
#include <QLineEdit>
#include <QValidator>

namespace
{
// QComboBox selects the item equal to the typed text when the edit field reports its editing
// finished (Return, focus loss), and reports that as activated(). The field reports it only for
// text its validator accepts: text equal to an item is held unfinished.
class NotAnItem : public QValidator
{
public:
    explicit NotAnItem(QComboBox *list) : QValidator(list), list(list) {}
    State validate(QString &text, int &) const override
    {
        return list->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0
                   ? Acceptable
                   : Intermediate;
    }

private:
    const QComboBox *list;
};
} // namespace

PickList::PickList(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setValidator(new NotAnItem(this));
}

// The window definition names the list, and by the time it is shown those names are set. The
// edit field takes them over: it is what assistive tools see focused, and on Linux Qt reports
// a combo box's text as its name.
bool PickList::event(QEvent *event)
{
    if (event->type() == QEvent::Show) {
        lineEdit()->setAccessibleName(accessibleName());
        lineEdit()->setAccessibleDescription(accessibleDescription());
    }
    return QComboBox::event(event);
}

void PickList::appendItems(const QStringList &items)
{
    const QString shown = currentText();
    const int index = currentIndex();
    addItems(items);
    // Adding to an empty list selects the first item and shows it; keep what was shown.
    if (currentIndex() != index)
        setCurrentIndex(index);
    if (currentText() != shown)
        setEditText(shown);
}

void PickList::resetTo(const QString &text)
{
    clear();
    setEditText(text);
}

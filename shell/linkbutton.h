#pragma once

#include <QAbstractButton>

// A line of text that is a button, drawn as a label draws it: in the window's colours, from the
// top-left corner, with nothing around it.
class LinkButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit LinkButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

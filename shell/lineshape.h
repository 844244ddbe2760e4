#pragma once

#include <QWidget>

// A line from the top-left to the bottom-right pixel of its rectangle; a one-pixel-wide
// rectangle gives a vertical line, a wider one a slanted line. Assistive tools see a separator.
class LineShape : public QWidget
{
    Q_OBJECT
public:
    explicit LineShape(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

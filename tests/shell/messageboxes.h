#pragma once

// Answers every message box that opens while it lives, after showing it to `seen`: a modal box
// would otherwise wait for a user that a test does not have.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

class MessageBoxAnswerer
{
public:
    explicit MessageBoxAnswerer(std::function<void(QMessageBox &)> seen)
    {
        QObject::connect(&poll, &QTimer::timeout, [seen = std::move(seen)] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen(*box);
                box->accept();
            }
        });
        poll.start(10);
    }

private:
    QTimer poll;
};

// The fair floor for start-up comparisons: a window of the main window's size showing one
// 9-point Chinese label, so that it pays for fontconfig and one CJK face as the program must.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(797, 574);
    QLabel label(QStringLiteral("正在加载，请稍候…"), &window);
    QFont font = label.font();
    font.setPointSize(9);
    label.setFont(font);
    label.move(300, 280);
    window.show();
    return QApplication::exec();
}

// The start-up benchmark's reference: the least a Qt program does to show a
// picture, a label holding it in a window of its own.
//   minimal_window PICTURE
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    QLabel window;
    window.setPixmap(QPixmap::fromImage(QImage(QString::fromLocal8Bit(argv[1]))));
    window.show();
    return QApplication::exec();
}

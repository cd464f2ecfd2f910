#include "workspace/Startup.h"

#include "workspace/Quorvex.h"

#include <QApplication>

int RunQuorvex(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quorvex");
    TFormMeasure formMeasure;
    formMeasure.show();
    return QApplication::exec();
}

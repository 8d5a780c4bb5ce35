// tintsmith: the desktop program.
#include "app/tintsmith_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    ts::CTintsmithApp app(QApplication::arguments());
    if (!app.InitInstance()) {
        return 1;
    }
    return QApplication::exec();
}

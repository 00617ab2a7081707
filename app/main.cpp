#include <QApplication>

#include "app/main_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setDesktopFileName("vantrel");
    return vantrel::CMainApp().InitInstance();
}

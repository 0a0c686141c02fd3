// Vantrel: the capture program.

#include "capture/app/CaptureExe.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return tavrel::CCaptureExe(argc, argv).Run();
}

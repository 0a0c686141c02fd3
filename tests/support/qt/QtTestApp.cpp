#include "support/qt/QtTestApp.h"

#include "platform/qt/DialogWindows.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTest>

#include <thread>

namespace tavrel::test
{

QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "tavrel-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics are gone by the time a static
    // application object would be.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

bool SpinUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    TestApplication();
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

void FromOtherThread(const std::function<void()>& call)
{
    QEventLoop loop;
    std::thread caller(
        [&]
        {
            call();
            QMetaObject::invokeMethod(
                &loop, [&] { loop.quit(); }, Qt::QueuedConnection);
        });
    loop.exec();
    caller.join();
}

QtTest::QtTest()
{
    TestApplication();
    BindDialogWindows();
}

} // namespace tavrel::test

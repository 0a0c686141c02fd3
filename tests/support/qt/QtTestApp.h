#pragma once
// Qt in tests: one offscreen QApplication per test executable, made on first
// use on the test's main thread (which becomes the GUI thread) and never
// destroyed, and ways to keep its events flowing while a test waits.

#include "support/Wait.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <functional>

namespace tavrel::test
{

QApplication& TestApplication();

// Processes the GUI thread's events until `condition` holds (true) or the
// timeout passes (false).
bool SpinUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = kDefaultWait);

// Runs `call` on another thread while the GUI thread goes on processing
// events, as a second program sending to this one would.
void FromOtherThread(const std::function<void()>& call);

// Fixture for tests of widgets and windows: the application is there, and
// dialogs are windows of the session as in the programs.
class QtTest : public ::testing::Test
{
protected:
    QtTest();
};

} // namespace tavrel::test

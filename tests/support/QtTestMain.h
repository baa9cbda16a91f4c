#pragma once

#include <QTest>

#include "app/PictavoApplication.h"

// Like QTEST_MAIN, but with the program's own application object, so errors
// leaving event handlers reach the standard error box as in the program.
#define PICTAVO_QTEST_MAIN(TestObject)           \
    int main(int argc, char** argv) {            \
        PictavoApplication app(argc, argv);      \
        app.setAttribute(Qt::AA_Use96Dpi, true); \
        TestObject tc;                           \
        QTEST_SET_MAIN_SOURCE_PATH               \
        return QTest::qExec(&tc, argc, argv);    \
    }

// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every GUI suite that needs the program's own application object, which
// turns an exception escaping an event into a message as the program does.
#pragma once

#include <QTest>

#include "app/KestrowApplication.h"

#define KESTROW_GUI_TEST_MAIN(SuiteClass)       \
  int main(int argc, char* argv[]) {            \
    KestrowApplication application(argc, argv); \
    SuiteClass suite;                           \
    return QTest::qExec(&suite, argc, argv);    \
  }

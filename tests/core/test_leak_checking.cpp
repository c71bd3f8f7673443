// SPDX-License-Identifier: GPL-3.0-or-later
// The sanitized test run really checks for leaks: a child process that leaks a block on
// purpose and asks for the check is stopped with the leak report.
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <cstdint>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KESTROW_LEAK_CHECKED 1
#endif

namespace {

#ifdef KESTROW_LEAK_CHECKED
// A block no pointer refers to any more: the address is kept only scrambled.
volatile uintptr_t scrambledBlock = 0;
[[gnu::noinline]] void LeakOneBlock() {
  scrambledBlock = reinterpret_cast<uintptr_t>(malloc(64)) ^ 0x5A5A5A5A5A5A5A5AULL;
}
#endif

}  // namespace

class TestLeakChecking : public QObject {
  Q_OBJECT

 private slots:
  void leakCheckingIsOn() {
#ifndef KESTROW_LEAK_CHECKED
    QSKIP("not built with AddressSanitizer");
#else
    int report[2];
    QCOMPARE(pipe(report), 0);
    pid_t child = fork();
    if (child == 0) {
      dup2(report[1], STDERR_FILENO);
      LeakOneBlock();
      __lsan_do_leak_check();
      _exit(0);
    }
    close(report[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t got = 0; (got = read(report[0], buffer, sizeof buffer)) > 0;) {
      text.append(buffer, got);
    }
    close(report[0]);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) != 0,
             "the leak check let a leak pass: is detect_leaks=0 in ASAN_OPTIONS?");
    QVERIFY2(text.contains("LeakSanitizer: detected memory leaks"), text.constData());
#endif
  }
};

QTEST_APPLESS_MAIN(TestLeakChecking)
#include "test_leak_checking.moc"

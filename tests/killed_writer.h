#pragma once

// Shows that a writer killed at any moment leaves its file whole. The test binary, started with
// the environment variable `envName` set to the file's path, must become a writer: it prints a
// line once its first write is done and then rewrites the file for ever. Each round starts it,
// waits for that line, lets it write for a random few milliseconds, kills it with SIGKILL and
// checks the file with `whole`. The rounds stop at `rounds` or when `budgetMs` has passed, and at
// least a tenth of them must have run.

#include <QDeadlineTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>

inline void killWriterAtRandomMoments(const char* envName, const QString& path, int rounds,
                                      int budgetMs, const std::function<bool()>& whole)
{
    const QDeadlineTimer deadline(budgetMs);
    int done = 0;
    for (; done < rounds && !deadline.hasExpired(); ++done) {
        QProcess writer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(envName), path);
        writer.setProcessEnvironment(env);
        writer.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(writer.waitForReadyRead(10000));
        QThread::usleep(QRandomGenerator::global()->bounded(15000));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QVERIFY2(whole(), qPrintable(QStringLiteral("round %1").arg(done)));
    }
    QVERIFY2(done >= rounds / 10, qPrintable(QStringLiteral("only %1 rounds").arg(done)));
}

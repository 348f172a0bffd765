#include "cli/runner.h"

#include "cli/deviceworker.h"

#include <QJsonArray>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <atomic>
#include <memory>

namespace dtu::cli {

bool WorthRetrying(const Options& options, const DeviceResult& r) {
    if (r.outcome == Outcome::NoPort) return true;
    if (r.outcome != Outcome::Failed) return false;
    const QJsonObject& d = r.report;
    // A device that refused a row or held a wrong value after the write answers: no retry.
    if (!d.value(QStringLiteral("refused")).toArray().isEmpty() &&
        d.value(QStringLiteral("error")).toString().isEmpty())
        return false;
    if (!d.value(QStringLiteral("verifyFailed")).toArray().isEmpty()) return false;
    if (d.contains(QStringLiteral("error"))) return true;
    // info and clock: a value that could not be read is an unanswered request.
    return options.command == Command::Info || options.command == Command::Clock;
}

int RetryPauseMs(int attempt) { return qMin(30000, 500 << qMin(attempt - 2, 6)); }

std::vector<DeviceResult> RunAll(const Options& o, Progress& progress, const DeviceDone& done) {
    const int n = static_cast<int>(o.targets.size());
    std::vector<DeviceResult> results(static_cast<size_t>(n));
    std::atomic<int> next{0};
    QMutex doneLock;
    auto work = [&] {
        DeviceWorker worker(o, progress); // one session for this thread's devices
        for (int i = next++; i < n; i = next++) {
            DeviceResult r;
            int attempt = 1;
            for (;; ++attempt) {
                r = worker.Run(i);
                if (attempt > o.retries || !WorthRetrying(o, r)) break;
                const int pause = RetryPauseMs(attempt + 1);
                progress.Step(i, QStringLiteral("trying again in %1 s (attempt %2 of %3)")
                                     .arg(pause / 1000.0)
                                     .arg(attempt + 1)
                                     .arg(o.retries + 1));
                QThread::msleep(static_cast<unsigned long>(pause));
            }
            r.report.insert(QStringLiteral("attempts"), attempt);
            QMutexLocker lock(&doneLock);
            if (done) done(i, r);
            results[static_cast<size_t>(i)] = std::move(r);
        }
    };
    const int threads = qMin(o.jobs, n);
    std::vector<std::unique_ptr<QThread>> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back(QThread::create(work));
        pool.back()->start();
    }
    for (auto& t : pool) t->wait();
    return results;
}

} // namespace dtu::cli

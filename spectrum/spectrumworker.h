#ifndef CORVALE_SPECTRUMWORKER_H
#define CORVALE_SPECTRUMWORKER_H

#include "spectrum/spectrumjob.h"

#include <QMetaType>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Takes spectra on a thread of its own, so that the window never waits for a transform. One job
// runs at a time and one waits: a job handed over while another runs takes the place of the one
// waiting, so that a live plot asking ten times a second gets the newest stretch next, not a
// queue of old ones. A long job (many samples of several channels) has its channels shared with
// a second thread. Each thread keeps its transform plan while the length stays the same.
class SpectrumWorker : public QObject
{
    Q_OBJECT

public:
    explicit SpectrumWorker(QObject *parent = nullptr);
    // Stops the job running after its channel, and waits for that.
    ~SpectrumWorker() override;

    void submit(std::shared_ptr<const SpectrumJob> job);
    // Drops the job waiting, stops the one running after its channel (no result comes of it),
    // and lets the plans go: the work ends until the next job.
    void cancel();
    // Whether a job runs or waits.
    bool isBusy() const;

signals:
    // On the thread the worker belongs to, for each job that ran to its end.
    void finished(std::shared_ptr<const SpectrumResult> result);

private:
    struct Lane; // a thread's plan and samples
    void run();
    static std::shared_ptr<SpectrumResult> compute(const SpectrumJob &job, Lane lanes[2],
                                                   const std::atomic<bool> *stop);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<const SpectrumJob> m_waiting;
    bool m_running = false;
    bool m_quit = false;
    bool m_release = false; // let the plans go once idle
    std::atomic<bool> m_stop{false};
    std::unique_ptr<Lane[]> m_lanes;
    std::thread m_thread;
};

Q_DECLARE_METATYPE(std::shared_ptr<const SpectrumResult>)

#endif

#include "ui/thread_runner.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace ui {

ThreadRunner::ThreadRunner() : pool_(new QThreadPool) {
  pool_->setMaxThreadCount(8);
}

void ThreadRunner::Run(std::function<void()> work, std::function<void()> done) {
  pool_->start([work = std::move(work), done = std::move(done)]() mutable {
    work();
    QMetaObject::invokeMethod(qApp, std::move(done), Qt::QueuedConnection);
  });
}

}  // namespace ui

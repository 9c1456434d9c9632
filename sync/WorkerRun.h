// One server operation run off the user-interface thread: on a worker thread
// of its own while the user-interface thread runs an event loop, so that the
// progress display (キャンセル included), the questions the operation asks on
// the way and the windows behind stay alive. The FTP session's operations
// and a task list's whole sync both run through here.
#pragma once

#include <functional>

#include "SyncQuestions.h"

// Shows `watch` through `questions` and runs `operation` on a worker until
// it ends. However the event loop is left, an operation still running is
// cancelled through `watch.cancel` and then waited for: none outlives the
// call. Called on the user-interface thread; needs a QCoreApplication.
void RunOnWorker(SyncQuestions& questions, const TransferWatch& watch,
                 const std::function<void()>& operation);

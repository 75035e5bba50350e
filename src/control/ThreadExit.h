// How a worker is ended on this platform: VeltThread::Exit throws a
// VeltThreadExit, which unwinds the worker's stack (releasing what it owns)
// up to VeltThread::RunWorker. Nothing of the run executes in between, and
// the worker is marked so that it posts nothing more.
#pragma once

struct VeltThreadExit {
  long result;  // the last result the worker posted
};

namespace velt {
// True once the calling thread's worker has been ended.
bool WorkerEnded();
}  // namespace velt

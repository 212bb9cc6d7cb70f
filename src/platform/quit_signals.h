#pragma once
// Logout, kill and Ctrl+C as requests to quit: while a QuitSignals lives, SIGTERM, SIGINT and
// SIGHUP write a byte to a pipe instead of ending the process, so that the event loop can
// leave through the program's normal exit.

namespace pictorb {

class QuitSignals {
  public:
    // Installs the handlers; Active() is false when the pipe cannot be made (the signals then
    // keep their handlers).
    QuitSignals();
    // Puts back the handlers that were there before.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    bool Active() const { return readFd_ >= 0; }
    // Becomes readable once one of the signals has arrived.
    int Descriptor() const { return readFd_; }
    // Empties the pipe; true when a signal had arrived.
    bool Take();

  private:
    int readFd_ = -1;
};

}  // namespace pictorb

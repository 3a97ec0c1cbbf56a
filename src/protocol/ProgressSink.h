#pragma once

// A progress bar: the wait windows' bars in the program, a line on standard
// error in the command-line client. SetPosition shows the new position at
// once, because the exchange that follows blocks the caller.
class TProgressSink {
 public:
  virtual ~TProgressSink() = default;
  virtual int Minimum() const = 0;
  virtual int Maximum() const = 0;
  virtual void SetPosition(int position) = 0;
};

#pragma once

// A progress bar: the wait windows' bars in the program, a line on standard
// error in the command-line client.
class TProgressSink {
 public:
  virtual ~TProgressSink() = default;
  virtual int Minimum() const = 0;
  virtual int Maximum() const = 0;
  virtual void SetPosition(int position) = 0;
};

// Puts the bar at percent of its range, minimum + (maximum - minimum) *
// percent / 100 rounded towards the minimum; a share below 0 shows the bar
// empty, one above 100 full. Nothing happens without a bar.
void ShowProgress(TProgressSink* bar, int percent);

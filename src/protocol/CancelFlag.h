#pragma once

// The operator's request to stop a long transaction (the cancel button of the
// archive read). The driver looks at it between two requests.
class TCancelFlag {
 public:
  virtual ~TCancelFlag() = default;
  virtual bool Cancelled() const = 0;
};

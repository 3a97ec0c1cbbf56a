#pragma once

#include <QByteArray>
#include <QString>

#include <climits>

// A pseudo-terminal pair: the program side opens SlavePath() like a serial
// port, the emulator (or a test) reads and writes the master side. The slave
// is kept open here too, so the master never sees a hang-up between two
// clients, and it is set to raw mode so that no byte is echoed or translated.
//
// A pseudo-terminal ignores speed and parity and refuses the DTR and RTS
// line controls.
class TPseudoTerminal {
 public:
  TPseudoTerminal();
  ~TPseudoTerminal();
  TPseudoTerminal(const TPseudoTerminal&) = delete;
  TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

  bool IsOpen() const { return FMaster >= 0; }
  const QString& SlavePath() const { return FSlavePath; }
  int MasterFd() const { return FMaster; }

  // Writes every byte to the master side (what the program will read).
  bool Write(const QByteArray& bytes);
  // Waits up to timeoutMs for bytes from the program; returns what came, at
  // most maxBytes.
  QByteArray ReadAvailable(int timeoutMs, int maxBytes = INT_MAX);
  // Reads until count bytes have come or timeoutMs has passed in all.
  QByteArray Read(int count, int timeoutMs);
  // Drops what the program has written and nobody has read yet.
  void DiscardInput();

 private:
  int FMaster = -1;
  int FSlave = -1;
  QString FSlavePath;
};

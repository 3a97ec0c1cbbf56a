#pragma once

#include <QString>

// Where the program keeps its files.
//
// Run from a folder of its own (a build tree, a copied folder) it keeps them
// as it always has: commport.cfg beside the program, qev.dtf, qev.pck and
// qev.pwd in the working folder. Installed as a package, its folder is
// /usr/bin, which is neither writable nor the user's: the files it writes go
// to the user's configuration folder, and the administrator's folder /etc/qev
// supplies commport.cfg for a user who has none and the only qev.pwd read, so
// that an operator cannot grant himself an access level.
class TFileLocations {
 public:
  struct TFolders {
    QString ProgramDir;
    QString CurrentDir;
    bool ProgramDirWritable = true;
    QString UserDir;    // the user's configuration folder (installed only)
    QString SystemDir;  // the administrator's defaults (installed only)
  };

  // What a file is for decides where it lives.
  enum class TKind {
    Settings,     // commport.cfg: beside the program, or the administrator's default
    WorkingData,  // qev.dtf, qev.pck, the history choice: the working folder
    Passwords,    // qev.pwd: the working folder, or the administrator's only
  };

  TFileLocations() = default;
  explicit TFileLocations(TFolders folders);

  // The administrator's folder of an installed program.
  static QString SystemFolder();
  // The user's folder of an installed program: the configuration folder of a
  // program named "qev", the same for the window and for qev-cli.
  static QString UserFolder();

  // True when the program runs installed: its folder is not writable, or it
  // lies under /usr, which belongs to the package manager even for root.
  bool Installed() const;

  // The file to read. An absolute name is taken as it is. Installed, the
  // user's file wins; a settings file the user lacks is taken from the
  // administrator's folder when it is there.
  QString ReadPath(TKind kind, const QString& fileName) const;
  // The file to write; installed, in the user's folder, which is created
  // when missing so that the first save does not fail.
  QString WritePath(TKind kind, const QString& fileName) const;

 private:
  QString OwnFolderPath(TKind kind, const QString& fileName) const;

  TFolders FFolders;
};

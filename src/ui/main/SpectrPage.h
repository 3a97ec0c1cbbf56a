#pragma once

#include "MainController.h"

#include <QObject>

struct TAccessRights;
class QWidget;
class TOperatorDialogs;
class TPageTabs;
class TSpectrView;

// The page "Спектр": the views of the main and the background spectrum on
// its two sub-pages, their reads from the installation and the spectrum
// files of the sub-page shown.
class TSpectrPage : public QObject {
  Q_OBJECT

 public:
  using TBusyToken = TMainController::TBusyToken;

  // The views fill the two sheets; the tabs tell which one is shown.
  TSpectrPage(TMainController& controller, TOperatorDialogs& dialogs, QWidget& mainSheet, QWidget& bkSheet,
              const TPageTabs& tabs);

  TSpectrView* MainView() const { return FMainView; }
  TSpectrView* BkView() const { return FBkView; }

  void ReadSpectrCommand(TBusyToken token, bool background);
  // A view draws the other spectrum over its own only while the level
  // shows the other's page.
  void LevelChanged(const TAccessRights& level);
  void ReadSpectrFileCommand();
  void SaveSpectrFileCommand();
  // Both spectra shown (one when only one is) as an N42 document.
  void SaveN42Command();

 private:
  TSpectrView* CurrentView() const;
  void Warning(const QString& text);

  TMainController& FController;
  TOperatorDialogs& FDialogs;
  const TPageTabs& FTabs;
  // Owned by their sheets.
  TSpectrView* FMainView;
  TSpectrView* FBkView;
};

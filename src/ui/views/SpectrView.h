#pragma once

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;
class QPainter;
class QSlider;
class TEnergyCalibrationForm;
class TNuclideTableWindow;
class TOperatorDialogs;
class TRadiationSpectr;
class TSpectrBox;

// The panel that plots one alpha spectrum of 1024 channels as a line, with
// a read-out of the channel, energy and count under the mouse, horizontal
// compression and panning, a vertical scale, two markers bounding a region
// whose area it tells, a two-point energy calibration and the spectrum's
// comment under the plot. It always shows a copy of its own: what the
// caller hands over later changes do not reach it, and the calibration
// done here changes only the copy.
//
// The view may know its companion, the view of the other spectrum of the
// installation: the menu then offers to draw that spectrum over this one,
// and the main view's area read-out adds the background's area between the
// same markers and the net area.
class TSpectrView : public QFrame {
  Q_OBJECT

 public:
  // The owner is the page that carries the view. The area read-out, its
  // failure and the calibration dialog are shown through dialogs.
  // What the companion view shows.
  enum class TCompanion { Main, Background };

  TSpectrView(TOperatorDialogs& dialogs, QWidget* owner);
  ~TSpectrView() override;

  // Borrowed; null for none.
  void SetCompanion(const TSpectrView* companion, TCompanion kind);
  // True once a spectrum was handed over; the empty start is none.
  bool HasSpectr() const { return FHasSpectr; }

  // Copies the counts, the calibration and the comment; unsets the markers
  // and keeps the compression, the scroll positions and the calibration
  // points.
  void SetSpectr(const TRadiationSpectr& spectr);
  // The view's own copy: the caller may change its calibration and save it.
  TRadiationSpectr& Spectr() { return *FSpectr; }
  const TRadiationSpectr& Spectr() const { return *FSpectr; }

  // The height of the comment box, taken at the next layout.
  void ResizeComments(int height);
  void Repaint();

  void SpectrBoxMouseMove(int x);
  void OnScrollScrollBar();
  void OnScaleChange();
  void OnPopupMenu1Click();
  void OnPopupMenu1ClickSetMarker1();
  void OnPopupMenu1ClickSetMarker2();
  void OnPopupMenu1ClickClearMarkers();
  void OnPopupMenu1ClickCalculate();
  void OnPopupMenu1ClickLogScale();
  void OnPopupMenu1ClickShowCompanion();
  void OnPopupMenu1ClickShowNuclides();
  void OnPopupMenu1ClickNuclideTable();
  void OnPopupMenu1ClickCalibrateByPeaks();
  void OnPopupMenu1ClickSaveN42();

  int32_t CurChannel() const { return FCurChannel; }
  int32_t CurEnergy() const { return FCurEnergy; }
  int32_t CurValue() const { return FCurValue; }
  int32_t Marker1() const { return FMarker1; }
  int32_t Marker2() const { return FMarker2; }
  int32_t MarkerLow() const { return FMarkerLow; }
  int32_t MarkerHigh() const { return FMarkerHigh; }
  int32_t CalChannel1() const { return FCalChannel1; }
  int32_t CalEnergy1() const { return FCalEnergy1; }
  int32_t CalChannel2() const { return FCalChannel2; }
  int32_t CalEnergy2() const { return FCalEnergy2; }

  // The plot as last drawn.
  const QImage& SpectrImage() const { return FImage; }
  QWidget* SpectrBox() const;
  QScrollBar* VSpectrScrollBar() const { return FVSpectrScrollBar; }
  QScrollBar* HSpectrScrollBar() const { return FHSpectrScrollBar; }
  QSlider* ScaleXTB() const { return FScaleXTB; }
  QLabel* Channel() const { return FChannel; }
  QLabel* Energy() const { return FEnergy; }
  QLabel* ChData() const { return FChData; }
  QListWidget* Comments() const { return FComments; }
  QMenu* PopupMenu() const { return FPopupMenu; }
  QAction* LogScaleItem() const { return FLogScaleItem; }
  QAction* CompanionItem() const { return FCompanionItem; }
  QAction* NuclidesItem() const { return FNuclidesItem; }
  // Null until the table is first asked for.
  TNuclideTableWindow* NuclideTable() const { return FNuclideTable.get(); }
  TEnergyCalibrationForm* EnergyCalibrationForm() const { return FEnergyCalibrationForm.get(); }

 signals:
  // A new spectrum was handed over.
  void SpectrChanged();
  // The operator asked for the spectra as an N42 document; the page that
  // knows both spectra and the installation's clock writes it.
  void SaveN42Requested();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMenu();
  void BuildControls();
  void ArrangeControls();
  void DrawSpectr();
  void ShowCursorInfo();
  void ShowComments();
  // A comment wrapped for a width of the box.
  struct TWrappedComment {
    int Width = -1;
    QStringList Lines;
  };
  // The lines of the comment for that width, wrapped again only when the
  // comment or the width has changed since.
  const QStringList& WrappedComment(TWrappedComment& wrapped, int width);
  void ShowCommentLines(const QStringList& lines);
  void ResetMarkers();
  void SetMarker(int32_t& marker);
  // The calibration dialog with these points; on OK they become the view's
  // and the spectrum's calibration follows them.
  void RunCalibration(int32_t channel1, int32_t energy1, int32_t channel2, int32_t energy2);
  // The background spectrum when this is the main view and the companion
  // holds one.
  const TRadiationSpectr* BackgroundSpectr() const;
  void DrawLogDecades(QPainter& painter, long double top) const;
  void DrawNuclideMarks(QPainter& painter, int firstColumn, int columns) const;
  void DrawLegend(QPainter& painter) const;

  TOperatorDialogs& FDialogs;
  std::unique_ptr<TRadiationSpectr> FSpectr;
  std::unique_ptr<TEnergyCalibrationForm> FEnergyCalibrationForm;
  std::unique_ptr<TNuclideTableWindow> FNuclideTable;
  QImage FImage;

  // Children of the view, released with it.
  TSpectrBox* FSpectrBox = nullptr;
  QScrollBar* FVSpectrScrollBar = nullptr;
  QScrollBar* FHSpectrScrollBar = nullptr;
  QLabel* FChannel = nullptr;
  QLabel* FEnergy = nullptr;
  QLabel* FChData = nullptr;
  QSlider* FScaleXTB = nullptr;
  QLabel* FLChannel = nullptr;
  QLabel* FLEnergy = nullptr;
  QLabel* FLChData = nullptr;
  QLabel* FLScaleXTB = nullptr;
  QListWidget* FComments = nullptr;
  QMenu* FPopupMenu = nullptr;
  QAction* FLogScaleItem = nullptr;
  QAction* FCompanionItem = nullptr;
  QAction* FNuclidesItem = nullptr;

  QPointer<const TSpectrView> FCompanion;
  TCompanion FCompanionKind = TCompanion::Background;
  bool FHasSpectr = false;

  // The comment as last wrapped, for the whole box and for the box beside
  // its scroll bar, and the lines the box shows.
  QByteArray FWrappedText;
  TWrappedComment FWideComment;
  TWrappedComment FNarrowComment;
  QStringList FShownComment;

  int FCommentsHeight = 40;
  int FMouseX = 0;
  int32_t FCurChannel = 0;
  int32_t FCurEnergy = 0;
  int32_t FCurValue = 0;
  int32_t FCalChannel1 = 0;
  int32_t FCalEnergy1 = 0;
  int32_t FCalChannel2 = 0;
  int32_t FCalEnergy2 = 0;
  int32_t FMarker1 = 0;
  int32_t FMarker2 = 0;
  int32_t FMarkerLow = 0;
  int32_t FMarkerHigh = 0;
};

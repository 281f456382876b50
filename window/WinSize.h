#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include "window/MinMaxInfo.h"

// Fixes the limits within which the user can size and maximise the form it sits on.
// Sizes are outer window sizes, or with ClientSizes the sizes of the form's client area
// (a main window's area below its menu bar), whatever frame the window manager draws;
// positions are screen positions of the frame. 0 keeps the window system's own value.
// It sits in front of the form's events from construction to destruction.
class TWinSize : public QObject {
  Q_OBJECT
  Q_PROPERTY(int MaxSizeX READ MaxSizeX WRITE setMaxSizeX)
  Q_PROPERTY(int MaxSizeY READ MaxSizeY WRITE setMaxSizeY)
  Q_PROPERTY(int MaxPositionX READ MaxPositionX WRITE setMaxPositionX)
  Q_PROPERTY(int MaxPositionY READ MaxPositionY WRITE setMaxPositionY)
  Q_PROPERTY(int MinTrackSizeX READ MinTrackSizeX WRITE setMinTrackSizeX)
  Q_PROPERTY(int MinTrackSizeY READ MinTrackSizeY WRITE setMinTrackSizeY)
  Q_PROPERTY(int MaxTrackSizeX READ MaxTrackSizeX WRITE setMaxTrackSizeX)
  Q_PROPERTY(int MaxTrackSizeY READ MaxTrackSizeY WRITE setMaxTrackSizeY)
  Q_PROPERTY(bool ClientSizes READ ClientSizes WRITE setClientSizes)

 public:
  explicit TWinSize(QObject* owner);
  ~TWinSize() override;

  int MaxSizeX() const { return limits_.MaxSizeX; }
  int MaxSizeY() const { return limits_.MaxSizeY; }
  int MaxPositionX() const { return limits_.MaxPositionX; }
  int MaxPositionY() const { return limits_.MaxPositionY; }
  int MinTrackSizeX() const { return limits_.MinTrackSizeX; }
  int MinTrackSizeY() const { return limits_.MinTrackSizeY; }
  int MaxTrackSizeX() const { return limits_.MaxTrackSizeX; }
  int MaxTrackSizeY() const { return limits_.MaxTrackSizeY; }
  void setMaxSizeX(int v) { Set(limits_.MaxSizeX, v); }
  void setMaxSizeY(int v) { Set(limits_.MaxSizeY, v); }
  void setMaxPositionX(int v) { Set(limits_.MaxPositionX, v); }
  void setMaxPositionY(int v) { Set(limits_.MaxPositionY, v); }
  void setMinTrackSizeX(int v) { Set(limits_.MinTrackSizeX, v); }
  void setMinTrackSizeY(int v) { Set(limits_.MinTrackSizeY, v); }
  void setMaxTrackSizeX(int v) { Set(limits_.MaxTrackSizeX, v); }
  void setMaxTrackSizeY(int v) { Set(limits_.MaxTrackSizeY, v); }
  bool ClientSizes() const { return clientSizes_; }
  void setClientSizes(bool client);

  // The hooked form, or none when no form was found among the owners.
  QWidget* Window() const { return window_; }

  // What the window system proposes for the hooked window, and the answer with the limits.
  TMinMaxInfo SystemMinMaxInfo() const;
  TMinMaxInfo GetMinMaxInfo() const { return ApplySizeLimits(SystemMinMaxInfo(), limits_); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Set(int& limit, int value);
  QSize FrameExtent() const;
  int MenuHeight() const;
  // What a size measures beyond the form's own (inner) size: its frame, or less its menu.
  QSize Measure() const;
  void ApplyTrackSizes();
  void ApplyMaximisedGeometry();

  TSizeLimits limits_;
  QPointer<QWidget> window_;
  QSize ownMinimum_;
  QSize ownMaximum_;
  QSize appliedMeasure_{-1, -1};
  bool clientSizes_ = false;
  bool applying_ = false;
};

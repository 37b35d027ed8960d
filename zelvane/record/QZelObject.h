// The interface of every window and widget whose user actions are recorded and replayed.
//
// A recordable class inherits its toolkit base first and QZelObject second. Its object name is
// its key in the sequence server (ZelSequenceServer). Recording goes through the class's own
// relay signals; replay goes the other way: the server finds the object by name and calls one
// of the hooks below, which re-emits the widget's signal or repeats the window's action. Key
// and mouse records are posted as toolkit events to the object that getQObject names.
//
// The hooks are virtual in this fixed order. Every default body prints a warning on standard
// output, except zelSetWindowState (does nothing) and updateConnections (fatal).
// Main thread only.
#pragma once

#include <string>

class QObject;
class QKeyEvent;
class QString;

class QZelObject {
 public:
  virtual ~QZelObject() = default;

  // The object replayed key and mouse events are posted to; null (the default) receives none.
  virtual QObject *getQObject();
  virtual void zelTriggered(bool state);
  virtual void zelActivated(int index);
  virtual void zelClicked(bool state);
  virtual void zelToggled();
  virtual void zelToggled(bool state);
  virtual void zelReturnPressed(const QString &text);
  virtual void zelEditingFinished(const QString &text);
  virtual void zelValueChanged(int value);
  virtual void zelValueChanged(double value);
  virtual void zelStateChanged(int state);
  virtual void zelCurrentChanged(int index);
  virtual void zelTextChanged(const QString &text);
  virtual void zelItemSelectionChanged(bool state);
  // Never called; the default prints an error and ends the process with status 1.
  virtual void updateConnections();
  // Windows route this to their own key handler.
  virtual void keyPressEvent(QKeyEvent *event);
  virtual void zelResize(int width, int height);
  // dx, dy: offset from the current position.
  virtual void zelMove(int dx, int dy);
  // state: toolkit window-state bits.
  virtual void zelSetWindowState(int state);
  // Renders the view at width x height and saves it; flag is the image quality, file the
  // file name as UTF-8 bytes.
  virtual void setSaveImage(int width, int height, int flag, const std::string &file);
};
